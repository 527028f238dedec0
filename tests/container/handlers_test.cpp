// The session and "OMFI" file stream handlers: what the metahandlers offer,
// error recording, stream I/O with its second stream for the TOC region, and
// byte-order conversion of container fields.
#include "handler_test_support.h"

#include <cerrno>
#include <cstring>

namespace {

using handler_test::HandlerSessionTest;

TEST(HandlerMetaHandlers, StreamHandlerOffersItsOperationsOnly) {
    const char* offered[] = {CMOpenOpType,       CMCloseOpType,       CMFlushOpType,
                             CMSeekOpType,       CMTellOpType,        CMReadOpType,
                             CMWriteOpType,      CMEofOpType,         CMSizeOpType,
                             CMReadLblOpType,    CMWriteLblOpType,    CMContainerOpName,
                             CMTargetTypeOpType, CMExtractDataOpType, CMFormatDataOpType};
    for (const char* name : offered) {
        EXPECT_NE(CMFileStreamMetaHandler(nullptr, name), nullptr) << name;
    }
    for (const char* name : {CMTruncOpType, CMParentOpType, "apple:OpenStream", "Apple:OpenStream ",
                             "", CMReportErrorOpType, CMNewValueOpType}) {
        EXPECT_EQ(CMFileStreamMetaHandler(nullptr, name), nullptr) << name;
    }
    EXPECT_EQ(CMFileStreamMetaHandler(nullptr, nullptr), nullptr);
}

TEST(HandlerMetaHandlers, SessionHandlerOffersErrorsAndMemory) {
    for (const char* name :
         {CMReportErrorOpType, CMAllocMemoryOpType, CMFreeMemoryOpType, CMFreeCtrMemoryOpType}) {
        EXPECT_NE(CMSessionMetaHandler(nullptr, name), nullptr) << name;
    }
    for (const char* name : {CMOpenOpType, CMUseValueOpType, "Apple:reportError"}) {
        EXPECT_EQ(CMSessionMetaHandler(nullptr, name), nullptr) << name;
    }
    // Each operation gets its own routine.
    EXPECT_NE(CMSessionMetaHandler(nullptr, CMFreeMemoryOpType),
              CMSessionMetaHandler(nullptr, CMFreeCtrMemoryOpType));
}

using HandlerErrorTest = HandlerSessionTest;

TEST_F(HandlerErrorTest, ErrorWithoutContainerGoesToTheDefaultRecord) {
    const char* args[] = {"c.omf", "2", "0", "9", "9"};
    CMReportError(session_, nullptr, 13, 5, args);
    const CMBentoErrorRecord& record = state_.handler.defaultError;
    EXPECT_TRUE(record.pending);
    EXPECT_EQ(record.number, 13);
    EXPECT_STREQ(record.text,
                 "Invalid version fields in label for container \"c.omf\" - expected 2.0, got 9.9");
}

TEST_F(HandlerErrorTest, ReportingThePendingTextAgainKeepsIt) {
    const char* first[] = {"some text that is long enough to be overwritten while copied"};
    CMReportError(session_, nullptr, 0, 1, first);
    // The record's own text as the argument of the next report.
    const char* again[] = {state_.handler.defaultError.text};
    CMReportError(session_, nullptr, 0, 1, again);
    EXPECT_STREQ(state_.handler.defaultError.text, first[0]);
}

struct FakeOMFFile {
    CMBentoErrorRecord error;
};

CMBentoErrorRecord* fakeFileRecord(void* omfFile) {
    return omfFile != nullptr ? &static_cast<FakeOMFFile*>(omfFile)->error : nullptr;
}

TEST_F(HandlerErrorTest, ContainerErrorGoesToItsOMFFile) {
    ASSERT_EQ(CMSetTypeMetaHandler(session_, CMFileStreamTypeName, &CMFileStreamMetaHandler),
              nullptr);
    state_.handler.fileErrorRecord = &fakeFileRecord;
    FakeOMFFile file;
    CMRefCon refCon = CMCreateFileRefCon(session_, path("routed.omf").c_str(), nullptr, &file);
    ASSERT_NE(refCon, nullptr);
    CMContainer container =
        CMOpenNewContainer(session_, refCon, CMFileStreamTypeName, kCMWriting, 1, 0);
    ASSERT_NE(container, nullptr) << state_.handler.defaultError.text;
    EXPECT_EQ(CMGetFileRefConOMFFile(CMGetContainerRefCon(container)), &file);

    const char* args[] = {"routed"};
    CMReportError(session_, container, 50, 1, args);
    EXPECT_TRUE(file.error.pending);
    EXPECT_EQ(file.error.number, 50);
    EXPECT_STREQ(file.error.text, "Write error writing to container \"routed\"");
    EXPECT_FALSE(state_.handler.defaultError.pending);

    // Without a hook the session's record takes it.
    state_.handler.fileErrorRecord = nullptr;
    CMReportError(session_, container, 61, 1, args);
    EXPECT_EQ(state_.handler.defaultError.number, 61);
    EXPECT_EQ(file.error.number, 50);
    CMCloseContainer(container);
}

TEST_F(HandlerErrorTest, FailedOpenIsReportedOnceWithTheSystemReason) {
    const std::string name = path("missing/file.omf");
    CMRefCon refCon = CMCreateFileRefCon(session_, name.c_str(), nullptr, nullptr);
    ASSERT_NE(refCon, nullptr);
    EXPECT_EQ(stream_.open(refCon, "rb"), nullptr);
    EXPECT_EQ(state_.reports, 1);
    EXPECT_EQ(state_.handler.defaultError.number, 0);
    EXPECT_EQ(std::string(state_.handler.defaultError.text),
              "Cannot open \"" + name + "\"!\n    " + std::strerror(ENOENT));
    CMDisposeFileRefCon(refCon);
}

TEST_F(HandlerErrorTest, RefConKeepsNameAndCallerValue) {
    const CMHandlerMemoryCounters& memory = state_.handler.memory;
    const uint64_t heldBefore = memory.allocations - memory.frees;
    int callerValue = 0;
    CMRefCon refCon = CMCreateFileRefCon(session_, "media.dat", &callerValue, nullptr);
    ASSERT_NE(refCon, nullptr);
    auto name = handler_test::streamRoutine<CMReturnContainerNameHandler>(CMContainerOpName);
    auto target =
        handler_test::streamRoutine<CMTargetContainerDynamicValueTypeHandler>(CMTargetTypeOpType);
    EXPECT_STREQ(name(refCon), "media.dat");
    EXPECT_EQ(static_cast<void*>(target(refCon)), &callerValue);
    EXPECT_EQ(CMGetFileRefConOMFFile(refCon), nullptr);
    // The record and its name are one block of the session's memory, given
    // back when the stream is closed (here without ever being opened).
    EXPECT_EQ(memory.allocations - memory.frees, heldBefore + 1);
    stream_.close(refCon);
    EXPECT_EQ(memory.allocations - memory.frees, heldBefore);
}

class HandlerStreamTest : public HandlerSessionTest {
  protected:
    std::vector<uint8_t> readAt(CMRefCon refCon, CMSize position, size_t count) {
        std::vector<uint8_t> bytes(count);
        EXPECT_EQ(stream_.seek(refCon, position, kCMSeekSet), 0);
        bytes.resize(stream_.read(refCon, bytes.data(), 1, count));
        return bytes;
    }

    // A file of `dataSize` counting bytes followed by a little-endian label
    // whose TOC starts at `tocOffset`.
    void writeContainer(const std::string& name, size_t dataSize, uint32_t tocOffset) {
        std::vector<uint8_t> bytes(dataSize);
        for (size_t index = 0; index < dataSize; ++index)
            bytes[index] = uint8_t(index);
        handler_test::appendLabel(bytes, tocOffset);
        writeBytes(name, bytes);
    }

    void readLabel(CMRefCon refCon) {
        CMMagicBytes magic;
        uint16_t flags, bufSize, major, minor;
        CMSize tocOffset, tocSize;
        stream_.readLabel(refCon, magic, &flags, &bufSize, &major, &minor, &tocOffset, &tocSize);
    }
};

TEST_F(HandlerStreamTest, WritesReadsAndPositions) {
    CMRefCon refCon = openFile("data.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    const uint32_t words[4] = {1, 2, 3, 4};
    EXPECT_EQ(stream_.write(refCon, words, 4, 4), 4u); // elements written
    EXPECT_EQ(stream_.write(refCon, words, 4, 0), 0u);
    EXPECT_EQ(stream_.tell(refCon), 16u);
    EXPECT_EQ(stream_.size(refCon), 16u);
    uint32_t back[4] = {};
    ASSERT_EQ(stream_.seek(refCon, 4, kCMSeekSet), 0);
    EXPECT_EQ(stream_.read(refCon, back, 4, 2), 8u); // bytes read
    EXPECT_EQ(back[0], 2u);
    EXPECT_EQ(back[1], 3u);
    // Relative positions, backwards from the end and from here.
    ASSERT_EQ(stream_.seek(refCon, static_cast<CMSize>(-4), kCMSeekEnd), 0);
    EXPECT_EQ(stream_.tell(refCon), 12u);
    ASSERT_EQ(stream_.seek(refCon, static_cast<CMSize>(-8), kCMSeekCurrent), 0);
    EXPECT_EQ(stream_.tell(refCon), 4u);
    EXPECT_EQ(stream_.eof(refCon), 0);
    ASSERT_EQ(stream_.seek(refCon, 12, kCMSeekSet), 0);
    EXPECT_EQ(stream_.read(refCon, back, 1, 16), 4u); // short read at the end
    EXPECT_EQ(stream_.eof(refCon), 1);
    EXPECT_EQ(stream_.flush(refCon), 0);
    stream_.close(refCon);
}

TEST_F(HandlerStreamTest, ReadOnlyFilesHaveNoTocStream) {
    writeContainer("ro.bento", 200, 100);
    CMRefCon refCon = openFile("ro.bento", "rb");
    ASSERT_NE(refCon, nullptr);
    readLabel(refCon);
    EXPECT_EQ(readAt(refCon, 150, 4), (std::vector<uint8_t>{150, 151, 152, 153}));
    EXPECT_FALSE(CMFileRefConReadingTOCStream(refCon));
    EXPECT_EQ(stream_.tell(refCon), 154u);
    stream_.close(refCon);
}

TEST_F(HandlerStreamTest, UpdateFilesReadTheTocRegionThroughTheTocStream) {
    writeContainer("rw.bento", 200, 100);
    CMRefCon refCon = openFile("rw.bento", "rb+");
    ASSERT_NE(refCon, nullptr);
    // Before a label is read every read is a primary one.
    EXPECT_EQ(readAt(refCon, 150, 1), (std::vector<uint8_t>{150}));
    EXPECT_FALSE(CMFileRefConReadingTOCStream(refCon));
    readLabel(refCon);
    // From the TOC offset on, positioning from the start selects the TOC stream.
    EXPECT_EQ(readAt(refCon, 99, 2), (std::vector<uint8_t>{99, 100}));
    EXPECT_FALSE(CMFileRefConReadingTOCStream(refCon));
    EXPECT_EQ(readAt(refCon, 100, 2), (std::vector<uint8_t>{100, 101}));
    EXPECT_TRUE(CMFileRefConReadingTOCStream(refCon));
    // Reading on without positioning continues where the TOC stream stands.
    uint8_t next[2];
    EXPECT_EQ(stream_.read(refCon, next, 1, 2), 2u);
    EXPECT_EQ(next[0], 102);
    EXPECT_EQ(stream_.tell(refCon), 104u);
    // Relative positioning continues from there on the primary stream.
    ASSERT_EQ(stream_.seek(refCon, 2, kCMSeekCurrent), 0);
    EXPECT_FALSE(CMFileRefConReadingTOCStream(refCon));
    EXPECT_EQ(stream_.tell(refCon), 106u);
    EXPECT_EQ(stream_.read(refCon, next, 1, 1), 1u);
    EXPECT_EQ(next[0], 106);
    stream_.close(refCon);
}

TEST_F(HandlerStreamTest, BothStreamsActAsOne) {
    writeContainer("one.bento", 200, 100);
    CMRefCon refCon = openFile("one.bento", "rb+");
    ASSERT_NE(refCon, nullptr);
    readLabel(refCon);
    // Fill the TOC stream's buffer, then overwrite part of it: the write lands
    // where the TOC stream stood.
    EXPECT_EQ(readAt(refCon, 120, 2), (std::vector<uint8_t>{120, 121}));
    const uint8_t patch[2] = {0xAB, 0xCD};
    EXPECT_EQ(stream_.write(refCon, patch, 1, 2), 2u);
    // Reading the TOC region again sees the new bytes, not stale buffered ones.
    EXPECT_EQ(readAt(refCon, 120, 6), (std::vector<uint8_t>{120, 121, 0xAB, 0xCD, 124, 125}));
    EXPECT_TRUE(CMFileRefConReadingTOCStream(refCon));
    stream_.close(refCon);

    FILE* file = std::fopen(path("one.bento").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    uint8_t bytes[4];
    fseeko(file, 121, SEEK_SET);
    ASSERT_EQ(std::fread(bytes, 1, 4, file), 4u);
    std::fclose(file);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{121, 0xAB, 0xCD, 124}));
}

TEST_F(HandlerStreamTest, SwitchingBetweenReadingAndWritingThePrimary) {
    CMRefCon refCon = openFile("mixed.bin", "wb+");
    ASSERT_NE(refCon, nullptr);
    const uint8_t first[4] = {1, 2, 3, 4};
    stream_.write(refCon, first, 1, 4);
    ASSERT_EQ(stream_.seek(refCon, 0, kCMSeekSet), 0);
    uint8_t byte = 0;
    EXPECT_EQ(stream_.read(refCon, &byte, 1, 1), 1u);
    const uint8_t second[2] = {9, 9};
    EXPECT_EQ(stream_.write(refCon, second, 1, 2), 2u); // at position 1
    EXPECT_EQ(stream_.read(refCon, &byte, 1, 1), 1u);
    EXPECT_EQ(byte, 4);
    EXPECT_EQ(readAt(refCon, 0, 4), (std::vector<uint8_t>{1, 9, 9, 4}));
    stream_.close(refCon);
}

// Conversion of container fields in both modes and all field sizes.
class HandlerDataTest : public HandlerSessionTest {
  protected:
    void SetUp() override {
        HandlerSessionTest::SetUp();
        refCon_ = CMCreateFileRefCon(session_, "fields", nullptr, nullptr);
        ASSERT_NE(refCon_, nullptr);
    }
    void TearDown() override {
        CMDisposeFileRefCon(refCon_);
        HandlerSessionTest::TearDown();
    }
    std::vector<uint8_t> extract(const std::vector<uint8_t>& source) {
        std::vector<uint8_t> out(source.size());
        stream_.extract(refCon_, source.data(), source.size(), out.data());
        return out;
    }
    std::vector<uint8_t> format(const std::vector<uint8_t>& source) {
        std::vector<uint8_t> out(source.size());
        stream_.format(refCon_, out.data(), source.size(), source.data());
        return out;
    }
    CMRefCon refCon_ = nullptr;
};

const std::vector<std::vector<uint8_t>> kFields = {
    {0x12}, {0x12, 0x34}, {0x12, 0x34, 0x56, 0x78}, {1, 2, 3, 4, 5, 6, 7, 8}};

TEST_F(HandlerDataTest, NativeModeCopiesFields) {
    for (const auto& field : kFields) {
        EXPECT_EQ(extract(field), field);
        EXPECT_EQ(format(field), field);
    }
}

TEST_F(HandlerDataTest, RevisionZeroFieldsReadBackAsTheyWereFormatted) {
    CMSetFileRefConSwapped(refCon_, true);
    EXPECT_EQ(extract(kFields[0]), kFields[0]);
    const uint16_t shortValue = 0x1234;
    const uint32_t wordValue = 0x12345678;
    const uint64_t longValue = 0x0102030405060708;
    uint8_t stored[8];
    uint16_t shortBack = 0;
    uint32_t wordBack = 0;
    uint64_t longBack = 0;
    stream_.format(refCon_, stored, 2, &shortValue);
    stream_.extract(refCon_, stored, 2, &shortBack);
    EXPECT_EQ(shortBack, shortValue);
    stream_.format(refCon_, stored, 4, &wordValue);
    stream_.extract(refCon_, stored, 4, &wordBack);
    EXPECT_EQ(wordBack, wordValue);
    stream_.format(refCon_, stored, 8, &longValue);
    stream_.extract(refCon_, stored, 8, &longBack);
    EXPECT_EQ(longBack, longValue);
}

TEST_F(HandlerDataTest, SwappedModeWritesLongFieldsHighByteFirstAndShortOnesLowByteFirst) {
    CMSetFileRefConSwapped(refCon_, true);
    EXPECT_EQ(format(kFields[0]), kFields[0]);
    const uint16_t shortValue = 0x1234;
    const uint32_t wordValue = 0x12345678;
    const uint64_t longValue = 0x0102030405060708;
    uint8_t out[8];
    stream_.format(refCon_, out, 2, &shortValue);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 2), (std::vector<uint8_t>{0x34, 0x12}));
    stream_.format(refCon_, out, 4, &wordValue);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
    stream_.format(refCon_, out, 8, &longValue);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 8), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(HandlerDataTest, ConversionInPlace) {
    CMSetFileRefConSwapped(refCon_, true);
    uint8_t field[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    stream_.format(refCon_, field, 8, field);
    EXPECT_EQ(std::vector<uint8_t>(field, field + 8),
              (std::vector<uint8_t>{8, 7, 6, 5, 4, 3, 2, 1}));
    stream_.extract(refCon_, field, 8, field);
    EXPECT_EQ(std::vector<uint8_t>(field, field + 8),
              (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(HandlerDataTest, SettingTheSwapFlagBackRestoresCopying) {
    CMSetFileRefConSwapped(refCon_, true);
    CMSetFileRefConSwapped(refCon_, false);
    EXPECT_EQ(extract(kFields[2]), kFields[2]);
    EXPECT_FALSE(CMGetFileRefConSwapped(refCon_));
}

} // namespace
