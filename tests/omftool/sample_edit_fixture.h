// A scratch folder holding the sample edit written in code, for the tests that run omftool's
// commands on it, with what those commands print.
#pragma once

#include "../common/scratch_folder.h"
#include "sample_edit.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace omftool_test {

class SampleEditTest : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        ScratchFolderTest::SetUp();
        if (HasFatalFailure()) return;
        folder_ = dir_.string();
        file_ = path("edit.omf");
        ASSERT_TRUE(omftool::writeSampleEdit(file_));
    }

    std::string folder_, file_;
    std::ostringstream out_, err_;
};

} // namespace omftool_test
