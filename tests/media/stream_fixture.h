// Shared set-up for codec stream tests: an OMF file with an "IDAT" data
// object, a media handle built by hand around it, and a procedure set that
// counts the calls reaching the standard procedures.
#pragma once

#include "media/codec_support/codec_stream.h"
#include "media/internal/media_records.h"
#include "omf/internal/records.h"
#include "omf/omf_fixture.h"
#include "omf/omf_registry.h"

#include <cstdint>
#include <vector>

namespace stream_test {

using namespace omf::media;

// What the counting procedures saw; found through the handle's codecState.
struct ProcedureCalls {
    std::vector<omfInt64> reads;  // sizes asked of the read procedure
    std::vector<omfInt64> writes; // sizes given to the write procedure
};

inline ProcedureCalls& callsOf(CodecStream& stream) {
    return *static_cast<ProcedureCalls*>(stream.media->codecState);
}

inline omfErr_t countedRead(CodecStream& stream, void* buffer, omfInt64 bytes,
                            omfInt64* bytesRead) {
    callsOf(stream).reads.push_back(bytes);
    return standardStreamProcedures().read(stream, buffer, bytes, bytesRead);
}

inline omfErr_t countedWrite(CodecStream& stream, const void* buffer, omfInt64 bytes) {
    callsOf(stream).writes.push_back(bytes);
    return standardStreamProcedures().write(stream, buffer, bytes);
}

inline StreamProcedures countingProcedures() {
    StreamProcedures procedures = standardStreamProcedures();
    procedures.read = countedRead;
    procedures.write = countedWrite;
    return procedures;
}

// Bytes 0, 1, 2, ... (mod 251, so that no run repeats at a power of two).
inline std::vector<uint8_t> pattern(size_t size, uint8_t seed = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>((i + seed) % 251);
    return bytes;
}

class StreamTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, kOmfRev2x, &file_), 0);
        ASSERT_EQ(omfsObjectNew(file_, "IDAT", &data_), 0);
        useFile(file_, kMediaCreated);
    }

    void TearDown() override {
        if (stream_.tag == kStreamTag) streamClose(stream_);
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    // Points the handle at `file` (its own or a raw file) in `mode`.
    void useFile(omfHdl_t file, omfMediaOpenMode_t mode) {
        media_.file = file;
        media_.dataFile = file;
        media_.openMode = mode;
        media_.nullKind = file->noDataKind;
        media_.pictureKind = file->pictureKind;
        media_.soundKind = file->soundKind;
        media_.codecState = &calls_;
    }

    omfErr_t open(omfMediaOpenMode_t mode) {
        media_.openMode = mode;
        return streamOpen(stream_, &media_, data_, kOmfProperty_IDAT_ImageData, kOmfType_DataValue);
    }

    omfErr_t openCounting(omfMediaOpenMode_t mode) {
        media_.openMode = mode;
        return streamOpenWithProcedures(stream_, countingProcedures(), &media_, data_,
                                        kOmfProperty_IDAT_ImageData, kOmfType_DataValue);
    }

    // Writes `bytes` as the data value through a stream of its own, so that
    // a test starts from stored data and clean counters.
    void store(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(open(kMediaCreated), 0);
        ASSERT_EQ(streamWrite(stream_, bytes.data(), omfInt64(bytes.size())), 0);
        ASSERT_EQ(streamClose(stream_), 0);
        calls_ = {};
    }

    omfHdl_t file_ = nullptr;
    omfObject_t data_ = nullptr;
    omfMediaRec media_;
    CodecStream stream_;
    ProcedureCalls calls_;
};

} // namespace stream_test
