// Running omftool as a program from the plug-in tests: its status and what it printed, and a
// saver fixture with a folder for the pictures a test gives it or gets from it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "saver_fixture.h"
#include "tarsel/system/clip.h"

namespace omftool_test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline ToolRun Omftool(const std::string& arguments) {
    // Per process: ctest runs the tests of this suite side by side.
    const std::string errPath =
        ::testing::TempDir() + "omftool_write_err_" + std::to_string(::getpid()) + ".txt";
    const std::string command = std::string(OMFTOOL_PATH) + " " + arguments + " 2>" + errPath;
    ToolRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        run.out.append(buffer, read);
    const int result = ::pclose(pipe);
    run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    run.err = ReadFile(errPath);
    std::filesystem::remove(errPath);
    return run;
}

inline std::string Quoted(const std::string& path) {
    return "'" + path + "'";
}

// A saver test with a folder of its own for the pictures it writes.
class OmftoolFolderTest : public saver_test::SaverTest {
  protected:
    void SetUp() override {
        SaverTest::SetUp();
        folder_ = ::testing::TempDir() + "omftool_write_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::remove_all(folder_);
        SaverTest::TearDown();
    }

    // Writes `image` as a PNG file at `name` in the test's folder.
    std::string WritePicture(const std::string& name, const Image* image) {
        const std::string path = folder_ + name;
        Clip* clip = new Clip(path.c_str(), true, nullptr);
        EXPECT_TRUE(clip->PutFrameTagList(0, image));
        clip->Recycle();
        return path;
    }

    std::string folder_;
};

} // namespace omftool_test
