// omftool movie-info on movies ffmpeg writes, read through the movie server
// as the built program runs it, and on files it cannot read.
#include "../common/scratch_folder.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/wait.h>

namespace {

class OmftoolMovieInfo : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        test_support::ScratchFolderTest::SetUp();
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg is not installed";
    }

    std::string Movie(const std::string& name, const std::string& arguments) {
        const std::string path = (dir_ / name).string();
        const std::string command =
            "ffmpeg -nostdin -y -hide_banner -loglevel error " + arguments + " '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return path;
    }

    // Runs omftool with `arguments`; answers its exit status and standard output.
    std::pair<int, std::string> Run(const std::string& arguments) {
        const std::string command = std::string(OMFTOOL_PATH) + " " + arguments + " 2>/dev/null";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return {-1, ""};
        std::string output;
        char buffer[4096];
        size_t read = 0;
        while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            output.append(buffer, read);
        const int status = pclose(pipe);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
    }
};

TEST_F(OmftoolMovieInfo, DescribesAMovieWithTimecodeAsJson) {
    const std::string path =
        Movie("tc.mov", "-f lavfi -i testsrc=size=70x30:rate=25:duration=0.4 -f lavfi -i "
                        "testsrc=size=32x16:rate=25:duration=0.4 -map 0:v -map 1:v "
                        "-timecode 10:00:00:00 -c:v png");
    const auto [status, output] = Run("movie-info --json --track 2 '" + path + "'");
    ASSERT_EQ(status, 0) << output;
    const nlohmann::json description = nlohmann::json::parse(output);
    EXPECT_EQ(description["width"], 32);
    EXPECT_EQ(description["height"], 16);
    EXPECT_EQ(description["frames"], 10);
    EXPECT_EQ(description["rate"], 25.0);
    EXPECT_EQ(description["videoTrack"], 2);
    EXPECT_EQ(description["videoTracks"], 2);
    EXPECT_EQ(description["pixelFormat"], "32");
    EXPECT_TRUE(description["codec"].get<std::string>().ends_with("_png "));
    EXPECT_EQ(description["TimeCode"], "10:00:00:00");
    EXPECT_EQ(description["ColorSpaceID"], "Rec709");

    // The text form names the same figures.
    const auto [textStatus, text] = Run("movie-info '" + path + "'");
    ASSERT_EQ(textStatus, 0);
    EXPECT_NE(text.find("70 x 30"), std::string::npos) << text;
    EXPECT_NE(text.find("10 at 25.0 per second"), std::string::npos) << text;
    EXPECT_NE(text.find("TimeCode     10:00:00:00"), std::string::npos) << text;

    // A track the movie does not have is refused, not answered with the first one.
    const auto [missingStatus, missing] = Run("movie-info --json --track 3 '" + path + "'");
    EXPECT_EQ(missingStatus, 2);
    EXPECT_EQ(nlohmann::json::parse(missing)["message"],
              path + " has 2 video tracks; there is no track 3");
}

TEST_F(OmftoolMovieInfo, AFileThatIsNotAMovieEndsWithStatusTwo) {
    const std::string path = (dir_ / "text.mov").string();
    ASSERT_EQ(std::system(("echo 'no movie here' > '" + path + "'").c_str()), 0);
    const auto [status, output] = Run("movie-info --json '" + path + "'");
    EXPECT_EQ(status, 2);
    const nlohmann::json error = nlohmann::json::parse(output);
    EXPECT_EQ(error["error"], 2);
    EXPECT_EQ(error["message"], "not a movie the movie server reads: " + path);
    // A file that is not there is named so.
    const auto [absentStatus, absent] = Run("movie-info --json '" + path + ".gone'");
    EXPECT_EQ(absentStatus, 2);
    EXPECT_EQ(nlohmann::json::parse(absent)["message"],
              "cannot read " + path + ".gone: No such file or directory");
    // A movie beside it is read (the control).
    const std::string movie =
        Movie("ok.mov", "-f lavfi -i testsrc=size=16x16:rate=25:duration=0.2 -c:v png");
    EXPECT_EQ(Run("movie-info --json '" + movie + "'").first, 0);
}

} // namespace
