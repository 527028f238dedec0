// Shared fixtures for the handler tests: a container session run by the
// toolkit's session handler (with a count of reported errors), a scratch
// directory, and typed access to the file stream handler's routines.
#pragma once

#include "container/cm_api.h"
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"

#include "../common/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace handler_test {

// The session handler's state plus the number of errors reported through it.
struct CountingSession {
    CMHandlerSession handler; // first: the session refCon points here
    int reports = 0;
};

inline void countingReportError(CMContainer container, CMRefCon refCon, CMErrorNbr number, int argc,
                                const char* const* argv) {
    ++reinterpret_cast<CountingSession*>(refCon)->reports;
    auto report =
        reinterpret_cast<CMReportErrorHandler>(CMSessionMetaHandler(nullptr, CMReportErrorOpType));
    report(container, refCon, number, argc, argv);
}

inline CMHandlerAddr countingSessionMetaHandler(CMType type, const char* operationType) {
    if (std::string(operationType) == CMReportErrorOpType) {
        return reinterpret_cast<CMHandlerAddr>(&countingReportError);
    }
    return CMSessionMetaHandler(type, operationType);
}

template <typename Routine> Routine streamRoutine(const char* operationType) {
    return reinterpret_cast<Routine>(CMFileStreamMetaHandler(nullptr, operationType));
}

// The file stream handler's routines, fetched by name as the library does.
struct StreamRoutines {
    CMOpenStreamHandler open = streamRoutine<CMOpenStreamHandler>(CMOpenOpType);
    CMCloseStreamHandler close = streamRoutine<CMCloseStreamHandler>(CMCloseOpType);
    CMFlushStreamHandler flush = streamRoutine<CMFlushStreamHandler>(CMFlushOpType);
    CMSetPosStreamHandler seek = streamRoutine<CMSetPosStreamHandler>(CMSeekOpType);
    CMGetPosStreamHandler tell = streamRoutine<CMGetPosStreamHandler>(CMTellOpType);
    CMReadStreamHandler read = streamRoutine<CMReadStreamHandler>(CMReadOpType);
    CMWriteStreamHandler write = streamRoutine<CMWriteStreamHandler>(CMWriteOpType);
    CMEofStreamHandler eof = streamRoutine<CMEofStreamHandler>(CMEofOpType);
    CMSizeStreamHandler size = streamRoutine<CMSizeStreamHandler>(CMSizeOpType);
    CMReadLabelHandler readLabel = streamRoutine<CMReadLabelHandler>(CMReadLblOpType);
    CMWriteLabelHandler writeLabel = streamRoutine<CMWriteLabelHandler>(CMWriteLblOpType);
    CMExtractDataHandler extract = streamRoutine<CMExtractDataHandler>(CMExtractDataOpType);
    CMFormatDataHandler format = streamRoutine<CMFormatDataHandler>(CMFormatDataOpType);
};

// Appends a little-endian 2.0 label whose TOC runs from `tocOffset` to the
// label (the bytes so far are the container's data and TOC).
inline void appendLabel(std::vector<uint8_t>& bytes, uint32_t tocOffset) {
    const auto tocSize = static_cast<uint32_t>(bytes.size() - tocOffset);
    const uint8_t magic[8] = {0xA4, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
    bytes.insert(bytes.end(), magic, magic + 8);
    const uint8_t flagsBufSizeVersion[8] = {1, 1, 1, 0, 2, 0, 0, 0};
    bytes.insert(bytes.end(), flagsBufSizeVersion, flagsBufSizeVersion + 8);
    for (uint32_t word : {tocOffset, tocSize}) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(word >> shift));
    }
}

// A container session on the toolkit's session handler and a scratch
// directory removed afterwards.
class HandlerSessionTest : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        session_ = CMStartBentoSession(&countingSessionMetaHandler, &state_.handler);
        ASSERT_NE(session_, nullptr);
    }

    void TearDown() override {
        if (session_ != nullptr) CMEndBentoSession(session_, 1);
        CMReleaseHandlerSession(&state_.handler);
        ScratchFolderTest::TearDown();
    }

    // Creates a refCon for `name` in the scratch directory and opens it.
    CMRefCon openFile(const std::string& name, const char* mode) {
        CMRefCon refCon = CMCreateFileRefCon(session_, path(name).c_str(), nullptr, nullptr);
        if (refCon == nullptr) return nullptr;
        if (stream_.open(refCon, mode) == nullptr) {
            CMDisposeFileRefCon(refCon);
            return nullptr;
        }
        return refCon;
    }

    void writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        FILE* file = std::fopen(path(name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }

    CountingSession state_;
    CMSession session_ = nullptr;
    StreamRoutines stream_;
};

} // namespace handler_test
