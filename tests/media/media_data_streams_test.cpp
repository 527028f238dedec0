// The standard stream procedures: media data as a value of the OMF file's
// container, and external raw files through the "OMFI" file stream handler.
#include "stream_fixture.h"

#include "container/omfi_handlers.h"
#include "omf/internal/access_support.h"

#include <filesystem>

using namespace stream_test;

namespace {

class InternalMediaData : public StreamTest {
  protected:
    // Closes the OMF file and opens it again for reading; the handle and
    // data object then refer to the reopened file.
    void reopenForReading() {
        CMObjectID id = CMGetObjectID(data_);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path("media.omf").c_str(), session_, &file_), 0);
        CMContainer container = nullptr;
        ASSERT_EQ(omfsGetContainer(file_, &container), 0);
        data_ = CMFindObjectByID(container, id);
        ASSERT_NE(data_, nullptr);
        useFile(file_, kMediaOpenReadOnly);
    }
};

TEST_F(InternalMediaData, WrittenDataReadsBackAfterTheFileIsReopened) {
    const auto bytes = pattern(50000);
    ASSERT_EQ(open(kMediaCreated), 0);
    for (size_t done = 0; done < bytes.size(); done += 7000) {
        size_t piece = std::min<size_t>(7000, bytes.size() - done);
        ASSERT_EQ(streamWrite(stream_, bytes.data() + done, omfInt64(piece)), 0);
    }
    ASSERT_EQ(streamClose(stream_), 0);
    reopenForReading();

    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    omfInt64 length = 0, got = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 50000);
    std::vector<uint8_t> back(50000);
    ASSERT_EQ(streamRead(stream_, back.data(), 50000, &got), 0);
    EXPECT_EQ(back, bytes);
    // The value as the toolkit's byte access sees it.
    omfInt32 count = 0;
    std::vector<uint8_t> direct(16);
    ASSERT_EQ(omfsReadDataBytes(file_, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue,
                                40000, 16, direct.data(), &count),
              0);
    EXPECT_TRUE(std::equal(direct.begin(), direct.end(), bytes.begin() + 40000));
}

TEST_F(InternalMediaData, MediaReadWithoutADataValueIsRefused) {
    EXPECT_EQ(open(kMediaOpenReadOnly), OM_ERR_NULL_PARAM);
    EXPECT_EQ(OM_ERR_NULL_PARAM, 177);
    // Created media makes the value.
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_TRUE(omfsPropertyPresent(file_, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue));
    EXPECT_EQ(open(kMediaOpenReadOnly), 0);
}

TEST_F(InternalMediaData, UnknownCodesAreRefused) {
    EXPECT_EQ(streamOpen(stream_, &media_, data_, 9999, kOmfType_DataValue),
              OM_ERR_PROPERTY_OUT_OF_RANGE);
    EXPECT_EQ(OM_ERR_PROPERTY_OUT_OF_RANGE, 119);
    EXPECT_EQ(streamOpen(stream_, &media_, data_, kOmfProperty_IDAT_ImageData, 9999),
              OM_ERR_TYPE_OUT_OF_RANGE);
    EXPECT_EQ(OM_ERR_TYPE_OUT_OF_RANGE, 120);
    EXPECT_EQ(
        streamOpen(stream_, &media_, nullptr, kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
        OM_ERR_NULL_OBJECT);
    EXPECT_EQ(open(kMediaCreated), 0);
}

TEST_F(InternalMediaData, ProceduresReadShortAsReadPastEnd) {
    store(pattern(1000));
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    const StreamProcedures& procedures = standardStreamProcedures();
    uint8_t out[20];
    omfInt64 got = -1;
    ASSERT_EQ(procedures.seek(stream_, 990), 0);
    EXPECT_EQ(procedures.read(stream_, out, 20, &got), OM_ERR_READ_PAST_END);
    EXPECT_EQ(OM_ERR_READ_PAST_END, 122);
    EXPECT_EQ(got, 10);
    EXPECT_EQ(out[0], uint8_t(990 % 251));
    ASSERT_EQ(procedures.seek(stream_, 980), 0);
    EXPECT_EQ(procedures.read(stream_, out, 20, &got), 0);
    EXPECT_EQ(got, 20);
    omfInt64 position = 0;
    ASSERT_EQ(procedures.getPosition(stream_, &position), 0);
    EXPECT_EQ(position, 1000);
}

TEST_F(InternalMediaData, ProceduresCheckTheirArguments) {
    ASSERT_EQ(open(kMediaCreated), 0);
    const StreamProcedures& procedures = standardStreamProcedures();
    uint8_t bytes[4] = {1, 2, 3, 4};
    omfInt64 got = 0;
    EXPECT_EQ(procedures.write(stream_, nullptr, 4), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(OM_ERR_NULL_DATA_ADDRESS, 51);
    EXPECT_EQ(procedures.write(stream_, bytes, 4), 0);
    ASSERT_EQ(procedures.seek(stream_, 0), 0);
    EXPECT_EQ(procedures.read(stream_, nullptr, 4, &got), OM_ERR_NULL_DATA_ADDRESS);
    EXPECT_EQ(procedures.read(stream_, bytes, 4, nullptr), OM_ERR_NULL_PARAM);
    EXPECT_EQ(procedures.read(stream_, bytes, 4, &got), 0);
    EXPECT_EQ(procedures.length(stream_, nullptr), OM_ERR_NULL_PARAM);

    // Closing a stream whose file is not a file.
    omfFileRec notAFile;
    notAFile.tag = 0;
    CodecStream other;
    other.file = &notAFile;
    other.dataFile = &notAFile;
    EXPECT_EQ(procedures.close(other), OM_ERR_BAD_FILE_HANDLE);
    EXPECT_EQ(OM_ERR_BAD_FILE_HANDLE, 20);
}

TEST_F(InternalMediaData, TruncateDropsTheDataFromThePosition) {
    const auto bytes = pattern(1000);
    store(bytes);
    ASSERT_EQ(open(kMediaOpenAppend), 0);
    ASSERT_EQ(streamSeek(stream_, 400), 0);
    ASSERT_EQ(streamTruncate(stream_), 0);
    omfInt64 length = 0, got = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 400);
    std::vector<uint8_t> back(401);
    ASSERT_EQ(streamSeek(stream_, 0), 0);
    EXPECT_EQ(streamRead(stream_, back.data(), 401, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 400);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 400, bytes.begin()));
    // At or past the end nothing changes.
    ASSERT_EQ(streamSeek(stream_, 500), 0);
    ASSERT_EQ(streamTruncate(stream_), 0);
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 400);
}

TEST_F(InternalMediaData, TruncateWritesUnwrittenDataFirst) {
    const auto bytes = pattern(300);
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 300), 0);
    ASSERT_EQ(streamSeek(stream_, 200), 0);
    ASSERT_EQ(streamTruncate(stream_), 0);
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 200);
}

TEST_F(InternalMediaData, TruncateOfAValueThatWentAwayIsPropertyMissing) {
    ASSERT_EQ(open(kMediaCreated), 0);
    CMValue value = omf::findValue(file_, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue);
    ASSERT_NE(value, nullptr);
    CMRemoveValue(value);
    EXPECT_EQ(streamTruncate(stream_), OM_ERR_PROPERTY_MISSING);
    EXPECT_EQ(OM_ERR_PROPERTY_MISSING, 123);
}

TEST_F(InternalMediaData, TruncateInAFileOpenedForReadingIsAContainerError) {
    store(pattern(100));
    reopenForReading();
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    ASSERT_EQ(streamSeek(stream_, 100), 0);
    EXPECT_EQ(streamTruncate(stream_), 0); // nothing to drop
    ASSERT_EQ(streamSeek(stream_, 50), 0);
    EXPECT_EQ(streamTruncate(stream_), OM_ERR_BENTO);
    EXPECT_EQ(OM_ERR_BENTO, 205);
    // The data is untouched, and the file still closes cleanly afterwards.
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 100);
}

// ---- external raw files ----

class RawMediaData : public StreamTest {
  protected:
    void useRawFile(const char* name, omfMediaOpenMode_t mode) {
        rawName_ = path(name);
        ASSERT_EQ(omfsOpenRawFile(rawName_.c_str(), session_, &raw_), 0);
        useFile(raw_, mode);
    }

    // Opens the raw file's stream again in `mode`, closing the stream first.
    omfErr_t reopen(omfMediaOpenMode_t mode) {
        if (stream_.tag == kStreamTag) {
            EXPECT_EQ(streamClose(stream_), 0);
        }
        return open(mode);
    }

    std::string rawName_;
    omfHdl_t raw_ = nullptr;
};

TEST_F(RawMediaData, WrittenDataReadsBack) {
    const auto bytes = pattern(50000);
    useRawFile("frames.raw", kMediaCreated);
    ASSERT_EQ(open(kMediaCreated), 0);
    for (size_t done = 0; done < bytes.size(); done += 7000) {
        size_t piece = std::min<size_t>(7000, bytes.size() - done);
        ASSERT_EQ(streamWrite(stream_, bytes.data() + done, omfInt64(piece)), 0);
    }
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(std::filesystem::file_size(rawName_), 50000u);

    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    omfInt64 length = 0, got = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 50000);
    std::vector<uint8_t> back(50000);
    ASSERT_EQ(streamRead(stream_, back.data(), 50000, &got), 0);
    EXPECT_EQ(back, bytes);
}

TEST_F(RawMediaData, ReadsAcrossTheEndReportWhatArrived) {
    useRawFile("short.raw", kMediaCreated);
    store(pattern(1000));
    ASSERT_EQ(open(kMediaOpenReadOnly), 0);
    uint8_t out[100];
    omfInt64 got = 0;
    ASSERT_EQ(streamSeek(stream_, 950), 0);
    EXPECT_EQ(streamRead(stream_, out, 100, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 50);
    EXPECT_EQ(out[0], uint8_t(950 % 251));
    // Far beyond the end, at a position past 32 bits, nothing arrives.
    ASSERT_EQ(streamSeek(stream_, 5000000000LL), 0);
    EXPECT_EQ(streamRead(stream_, out, 100, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 0);
    // The procedure itself answers end of file.
    const StreamProcedures& procedures = standardStreamProcedures();
    ASSERT_EQ(procedures.seek(stream_, 990), 0);
    EXPECT_EQ(procedures.read(stream_, out, 20, &got), OM_ERR_END_OF_FILE);
    EXPECT_EQ(got, 10);
}

TEST_F(RawMediaData, AMissingFileCannotBeOpenedForReading) {
    useRawFile("missing.raw", kMediaOpenReadOnly);
    EXPECT_EQ(open(kMediaOpenReadOnly), OM_ERR_FILE_OPEN);
    EXPECT_EQ(OM_ERR_FILE_OPEN, 18);
    EXPECT_NE(stream_.tag, kStreamTag);
    // The handler's message names the file; it no longer holds up other calls.
    omfInt32 number = 0;
    char text[256] = {};
    ASSERT_TRUE(omfsLastContainerError(session_, &number, text, sizeof text));
    EXPECT_NE(std::string(text).find("Cannot open"), std::string::npos) << text;
    EXPECT_NE(std::string(text).find("missing.raw"), std::string::npos) << text;
    EXPECT_EQ(open(kMediaCreated), 0); // creating it works
}

TEST_F(RawMediaData, AppendingKeepsWhatIsThereAndCreatingStartsAfresh) {
    const auto bytes = pattern(1500);
    useRawFile("append.raw", kMediaCreated);
    store(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 1000));

    ASSERT_EQ(open(kMediaOpenAppend), 0);
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 1000);
    ASSERT_EQ(streamSeek(stream_, length), 0);
    ASSERT_EQ(streamWrite(stream_, bytes.data() + 1000, 500), 0);
    ASSERT_EQ(reopen(kMediaOpenReadOnly), 0);
    std::vector<uint8_t> back(1500);
    omfInt64 got = 0;
    ASSERT_EQ(streamRead(stream_, back.data(), 1500, &got), 0);
    EXPECT_EQ(back, bytes);

    ASSERT_EQ(reopen(kMediaCreated), 0);
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 0);
}

TEST_F(RawMediaData, ExternalFilesAreNotTruncated) {
    useRawFile("keep.raw", kMediaCreated);
    store(pattern(1000));
    ASSERT_EQ(open(kMediaOpenAppend), 0);
    ASSERT_EQ(streamSeek(stream_, 100), 0);
    EXPECT_EQ(streamTruncate(stream_), 0);
    omfInt64 length = 0;
    ASSERT_EQ(streamLength(stream_, &length), 0);
    EXPECT_EQ(length, 1000);
}

TEST_F(RawMediaData, BlocksArePreallocatedInTheFile) {
    useRawFile("blocks.raw", kMediaCreated);
    ASSERT_EQ(open(kMediaCreated), 0);
    ASSERT_EQ(streamSetBlockingSize(stream_, 4096), 0);
    const auto bytes = pattern(10);
    ASSERT_EQ(streamWrite(stream_, bytes.data(), 10), 0);
    ASSERT_EQ(streamClose(stream_), 0);
    EXPECT_EQ(std::filesystem::file_size(rawName_), 4096u);
}

TEST_F(RawMediaData, AMissingFileHandlerIsReported) {
    useRawFile("handler.raw", kMediaCreated);
    CMMetaHandler saved = CMSetTypeMetaHandler(session_->bento, CMFileStreamTypeName, nullptr);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(open(kMediaCreated), OM_ERR_NO_BENTO_HANDLER);
    EXPECT_EQ(OM_ERR_NO_BENTO_HANDLER, 206);
    CMSetTypeMetaHandler(session_->bento, CMFileStreamTypeName, saved);
    EXPECT_EQ(open(kMediaCreated), 0);
}

} // namespace
