// Shared set-up for toolkit tests: a session with a product identification
// and a scratch folder for files.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

#include "../common/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace omf_test {

inline omfProductIdentification_t testIdentification() {
    omfProductIdentification_t ident{};
    ident.companyName = "Test Company";
    ident.productName = "Toolkit Tests";
    ident.productVersionString = "1.2.3 test";
    ident.productID = 4242;
    ident.platform = "Linux";
    ident.productVersion = {1, 2, 3, kVersionBeta, 7};
    return ident;
}

class ToolkitTest : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        omfProductIdentification_t ident = testIdentification();
        ASSERT_EQ(omfsStartSession(&ident, &session_), 0);
        omfsSetBentoErrorPrinting(session_, false);
    }

    void TearDown() override {
        if (session_ != nullptr) {
            EXPECT_EQ(omfsFinishSession(session_), 0);
        }
        ScratchFolderTest::TearDown();
    }

    omfSessionHdl_t session_ = nullptr;
};

} // namespace omf_test
