// A fresh folder for each test's files, removed with everything in it when
// the test ends. Fixtures that need one derive from ScratchFolderTest and
// call its SetUp first.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace test_support {

class ScratchFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "omf-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr) << "no scratch folder";
        dir_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
    }

    // The path of `name` inside the folder.
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path dir_;
};

} // namespace test_support
