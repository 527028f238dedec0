// Error texts, the per-file trace and container error texts.
#include "omf_fixture.h"

#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"

#include <cstring>
#include <string>

using namespace omf_test;

namespace {

TEST(ErrorNames, EveryCodeHasItsTextAndOthersAreUnknown) {
    EXPECT_STREQ(omfsErrorName(0), "OMFI: Success");
    EXPECT_STREQ(omfsErrorName(24), "OMFI_ERR: Invalid OMFI file");
    EXPECT_STREQ(omfsErrorName(209), "OMFI_TESTING_ERR: Test Failed");
    for (omfErr_t code : {163, -1, 210}) {
        EXPECT_STREQ(omfsErrorName(code), "OMFI_ERR: Unknown error code") << code;
    }
    for (omfErr_t code = 0; code < 210; ++code) {
        if (code == 163) continue;
        EXPECT_STRNE(omfsErrorName(code), "OMFI_ERR: Unknown error code") << code;
    }
}

// A renumbered or renamed code breaks every caller that compares with the
// name, so a few names stay pinned to their numbers and texts.
TEST(ErrorNames, NamedCodesKeepTheirNumbersAndTexts) {
    struct Pinned {
        omfErr_t code;
        omfErr_t number;
        const char* text;
    };
    const Pinned pinned[] = {
        {OM_ERR_NONE, 0, "OMFI: Success"},
        {OM_ERR_BAD_FILE_HANDLE, 20, "OMFI_ERR: Bad File Handle"},
        {OM_ERR_INVALID_FILE, 24, "OMFI_ERR: Invalid OMFI file"},
        {OM_ERR_NO_MORE_OBJECTS, 150, "OMFI_ERR: No More Objects"},
        {OM_ERR_RESERVED_163, 163, "OMFI_ERR: Unknown error code"},
        {OM_ERR_NULL_PARAM, 177, "OMFI_ERR: NULL Actual parameter to function call"},
        {OM_ERR_BENTO, 205, "OMFI_ERR: Bento container error"},
        {OM_ERR_TEST_FAILED, 209, "OMFI_TESTING_ERR: Test Failed"},
    };
    for (const Pinned& entry : pinned) {
        EXPECT_EQ(entry.code, entry.number);
        EXPECT_STREQ(omfsErrorName(entry.code), entry.text) << entry.number;
    }
}

class ErrorTrace : public ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        file_ = omf::newFileRecord(session_, kOmfRev2x, omf::FileMode::read);
        ASSERT_NE(file_, nullptr);
    }
    void TearDown() override {
        omf::discardFileRecord(file_);
        ToolkitTest::TearDown();
    }
    omfHdl_t file_ = nullptr;
};

TEST_F(ErrorTrace, ARaiseReplacesTheTraceAndPropagatesAppend) {
    omfsRaiseError(file_, 20, "first.cpp", 10);
    omfsRaiseError(file_, 22, "second.cpp", 70000); // the line is a 16-bit number
    omfsPropagateError(file_, 22, "caller.cpp", 33);
    EXPECT_EQ(std::string(omfsErrorTrace(file_)),
              "Error Raised <22>OMFI_ERR: No File Byte Order Specified @ 4464 in 'second.cpp'\n"
              "   Error <22>OMFI_ERR: No File Byte Order Specified propagated  @ 33 in "
              "'caller.cpp'\n");
}

TEST_F(ErrorTrace, PropagateLinesStopAtTheBufferSize) {
    omfsRaiseError(file_, 1, "start.cpp", 1);
    for (int i = 0; i < 100; ++i) omfsPropagateError(file_, 51, "loop.cpp", i);
    std::string trace = omfsErrorTrace(file_);
    EXPECT_EQ(trace.size(), 2047u);
    EXPECT_EQ(trace.rfind("Error Raised <1>", 0), 0u);
}

TEST_F(ErrorTrace, ErrorTextAddsTheContainerMessageForContainerCodes) {
    file_->bentoError.pending = true;
    file_->bentoError.number = 50;
    std::strcpy(file_->bentoError.text, "Write error writing to container \"x\"");
    char text[256];
    omfsErrorText(file_, 205, sizeof text, text);
    EXPECT_EQ(std::string(text),
              "OMFI_ERR: Bento container error\n[Write error writing to container \"x\"]");
    omfsErrorText(file_, 20, sizeof text, text);
    EXPECT_STREQ(text, "OMFI_ERR: Bad File Handle");
    omfsErrorText(file_, 205, 40, text); // no room for the bracket: the text alone, cut
    EXPECT_EQ(std::string(text), std::string("OMFI_ERR: Bento container error").substr(0, 39));
    omfsErrorText(nullptr, 205, sizeof text, text);
    EXPECT_STREQ(text, "OMFI_ERR: Bento container error");
}

TEST_F(ErrorTrace, ContainerErrorsBecomeToolkitErrorsAndArePrintedWhenAsked) {
    file_->bentoError.pending = true;
    file_->bentoError.number = 12;
    std::strcpy(file_->bentoError.text, "Invalid magic");
    omfsSetBentoErrorPrinting(session_, true);
    testing::internal::CaptureStdout();
    EXPECT_EQ(omf::checkBentoError(file_, nullptr, 24, "open.cpp", 12), 24);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "<Bento 12>Invalid magic @ 12 in 'open.cpp'\n");
    omfsSetBentoErrorPrinting(session_, false);
    testing::internal::CaptureStdout();
    EXPECT_EQ(omf::checkBentoError(file_, nullptr, 24, "open.cpp", 12), 24);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    omf::clearBentoError(file_, nullptr);
    EXPECT_EQ(omf::checkBentoError(file_, nullptr, 24, "open.cpp", 12), 0);
}

} // namespace
