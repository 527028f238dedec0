// Shared set-up for container tests: a session with the file stream handler,
// a scratch folder, and a log of every error the library reports.
#pragma once

#include "container/cm_api.h"
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"

#include "../common/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace container_test {

struct ReportedError {
    int number;
    std::string text;
};

inline std::vector<ReportedError>& errorLog() {
    static std::vector<ReportedError> log;
    return log;
}

inline void recordingReportError(CMContainer container, CMRefCon refCon, CMErrorNbr number,
                                 int argc, const char* const* argv) {
    char text[256];
    CMFormatErrorMessage(text, sizeof text, number, argc, argv);
    errorLog().push_back({number, text});
    auto real = reinterpret_cast<CMReportErrorHandler>(
        CMSessionMetaHandler(nullptr, CMReportErrorOpType));
    real(container, refCon, number, argc, argv);
}

inline CMHandlerAddr recordingSessionMetaHandler(CMType type, const char* operation) {
    if (std::string(operation) == CMReportErrorOpType) {
        return reinterpret_cast<CMHandlerAddr>(&recordingReportError);
    }
    return CMSessionMetaHandler(type, operation);
}

inline std::vector<unsigned char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class ContainerTest : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        errorLog().clear();
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        session_ = CMStartBentoSession(&recordingSessionMetaHandler, &handler_);
        ASSERT_NE(session_, nullptr);
        CMSetTypeMetaHandler(session_, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    }

    void TearDown() override {
        if (session_ != nullptr) CMEndBentoSession(session_, 1);
        CMReleaseHandlerSession(&handler_);
        ScratchFolderTest::TearDown();
    }

    CMContainer create(const std::string& file, CMContainerFlags flags = 0, bool swapped = false,
                       CMContainerUseMode useFlags = 0) {
        CMRefCon refCon = CMCreateFileRefCon(session_, file.c_str(), nullptr, nullptr);
        if (swapped) CMSetFileRefConSwapped(refCon, true);
        return CMOpenNewContainer(session_, refCon, CMFileStreamTypeName, useFlags, 1, flags);
    }

    CMContainer open(const std::string& file, CMContainerUseMode useFlags = 0) {
        CMRefCon refCon = CMCreateFileRefCon(session_, file.c_str(), nullptr, nullptr);
        return CMOpenContainer(session_, refCon, CMFileStreamTypeName, useFlags);
    }

    static bool reported(int number) {
        for (const ReportedError& error : errorLog()) {
            if (error.number == number) return true;
        }
        return false;
    }

    static std::string errorNumbers() {
        std::string list;
        for (const ReportedError& error : errorLog()) {
            list += std::to_string(error.number) + ": " + error.text + "\n";
        }
        return list;
    }

    static std::vector<unsigned char> readValue(CMValue value) {
        std::vector<unsigned char> bytes(CMGetValueSize(value));
        CMSize got = CMReadValueData(value, bytes.data(), 0, bytes.size());
        bytes.resize(got);
        return bytes;
    }

    CMHandlerSession handler_{};
    CMSession session_ = nullptr;
};

} // namespace container_test
