// omftool write with a movie as input: the frames are read through the movie server built with
// omftool (LoadFrame into its shared sections) and written by the plug-in's saver; extracted
// again they are the frames ffmpeg decodes from the movie. Without a server the movie is refused.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "../common/scratch_folder.h"

namespace {

constexpr int kWidth = 64; // 64 x 48 ARGB frames fill their sections to a page boundary
constexpr int kHeight = 48;
constexpr int kFrames = 5;

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class OmftoolWriteMovie : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        test_support::ScratchFolderTest::SetUp();
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg is not installed";
        movie_ = path("in.mov");
        ASSERT_EQ(Run("ffmpeg -nostdin -y -v error -f lavfi -i testsrc=size=64x48:rate=25 "
                      "-frames:v 5 -c:v png '" +
                      movie_ + "'"),
                  0);
    }

    static int Run(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // omftool with `arguments`, the server chosen by `setting` (env arguments).
    static int Omftool(const std::string& setting, const std::string& arguments) {
        return Run("env " + setting + " " + OMFTOOL_PATH + " " + arguments + " >/dev/null 2>&1");
    }

    std::string movie_;
};

TEST_F(OmftoolWriteMovie, FramesReadThroughTheServerAreWrittenExactly) {
    const std::string omf = path("out.omf");
    ASSERT_EQ(Omftool("-u TARSEL_QTSERVER", "write '" + omf + "' --codec RGBA '" + movie_ + "'"),
              0);
    ASSERT_EQ(Omftool("-u TARSEL_QTSERVER",
                      "extract '" + omf + "' --bits 8 -o '" + path("frame%d.ppm") + "'"),
              0);
    // Without --rate the movie's own 25 frames per second.
    ASSERT_EQ(
        Run(std::string(OMFTOOL_PATH) + " info --json '" + omf + "' >'" + path("info.json") + "'"),
        0);
    const std::vector<uint8_t> info = FileBytes(path("info.json"));
    EXPECT_EQ(nlohmann::json::parse(info.begin(), info.end())["media"][0]["sampleRate"],
              nlohmann::json::array({2500, 100}));
    ASSERT_EQ(Run("ffmpeg -nostdin -y -v error -i '" + movie_ + "' -f rawvideo -pix_fmt rgb24 '" +
                  path("reference.rgb") + "'"),
              0);
    const std::vector<uint8_t> reference = FileBytes(path("reference.rgb"));
    const std::size_t frameBytes = std::size_t(kWidth) * kHeight * 3;
    ASSERT_EQ(reference.size(), kFrames * frameBytes);
    for (int frame = 0; frame < kFrames; ++frame) {
        const std::vector<uint8_t> picture =
            FileBytes(path("frame" + std::to_string(frame) + ".ppm"));
        ASSERT_GT(picture.size(), frameBytes) << frame;
        const std::vector<uint8_t> pixels(picture.end() - std::ptrdiff_t(frameBytes),
                                          picture.end());
        const std::vector<uint8_t> expected(reference.begin() + std::ptrdiff_t(frame * frameBytes),
                                            reference.begin() +
                                                std::ptrdiff_t((frame + 1) * frameBytes));
        EXPECT_EQ(pixels, expected) << "frame " << frame;
    }
}

TEST_F(OmftoolWriteMovie, WithoutAServerTheMovieIsRefused) {
    const std::string omf = path("out.omf");
    EXPECT_EQ(Omftool("TARSEL_QTSERVER=/nonexistent/TarselQTServer",
                      "write '" + omf + "' --codec RGBA '" + movie_ + "'"),
              2);
    EXPECT_FALSE(std::ifstream(omf).good());
}

TEST_F(OmftoolWriteMovie, AMovieWithSoundIsWrittenWithAWarningThatItsSoundIsNot) {
    const std::string sounding = path("sound.mov");
    ASSERT_EQ(Run("ffmpeg -nostdin -y -v error -f lavfi -i testsrc=size=64x48:rate=25 -f lavfi "
                  "-i sine -frames:v 2 -t 0.08 -c:v png -c:a pcm_s16le '" +
                  sounding + "'"),
              0);
    const std::string errPath = path("err.txt");
    ASSERT_EQ(Run("env -u TARSEL_QTSERVER " + std::string(OMFTOOL_PATH) + " write '" +
                  path("sound.omf") + "' --codec RGBA '" + sounding + "' >/dev/null 2>'" + errPath +
                  "'"),
              0);
    const std::vector<uint8_t> err = FileBytes(errPath);
    EXPECT_EQ(std::string(err.begin(), err.end()),
              "omftool write: warning: " + sounding +
                  " has sound, which write does not copy: the OMF file holds its pictures only\n");
}

} // namespace

namespace {

// A movie whose frames FFmpeg converts from a full-range YUV format: its warning on every frame
// ("deprecated pixel format used") is the movie server's own business and does not show.
TEST_F(OmftoolWriteMovie, TheMovieServersLibrariesDoNotTalkOnTheConsole) {
    const std::string jpegMovie = path("jpeg.mov");
    ASSERT_EQ(Run("ffmpeg -nostdin -y -v error -f lavfi -i testsrc=size=64x48:rate=25 "
                  "-frames:v 3 -c:v mjpeg '" +
                  jpegMovie + "'"),
              0);
    const std::string errPath = path("err.txt");
    ASSERT_EQ(Run("env -u TARSEL_QTSERVER " + std::string(OMFTOOL_PATH) + " write '" +
                  path("jpeg.omf") + "' --codec RGBA '" + jpegMovie + "' >/dev/null 2>'" + errPath +
                  "'"),
              0);
    const std::vector<uint8_t> err = FileBytes(errPath);
    EXPECT_EQ(std::string(err.begin(), err.end()), "");
}

} // namespace
