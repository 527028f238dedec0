// Shared set-up for toolkit tests: a session with a product identification
// and a scratch folder for files.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

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

class ToolkitTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/omf-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        omfProductIdentification_t ident = testIdentification();
        ASSERT_EQ(omfsStartSession(&ident, &session_), 0);
        omfsSetBentoErrorPrinting(session_, false);
    }

    void TearDown() override {
        if (session_ != nullptr) {
            EXPECT_EQ(omfsFinishSession(session_), 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    omfSessionHdl_t session_ = nullptr;
    std::filesystem::path dir_;
};

} // namespace omf_test
