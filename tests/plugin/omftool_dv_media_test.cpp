// DV media through omftool's commands: an OMF file holding NTSC DV frames that ffmpeg compressed
// is listed by "tracks", written as stored by "frames --raw" and decoded by "frames" through the
// movie server built with omftool; stored frames must equal the file's bytes and decode with
// ffmpeg, decoded frames must match ffmpeg's own decoding. Without a server, or for frames outside
// the media, nothing is written.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/scratch_folder.h"
#include "dv_media_file.h"
#include "omftool_run.h"
#include "tarsel/system/qt_server.h"

namespace {

using omftool_test::Omftool;
using omftool_test::Quoted;
using omftool_test::ReadFile;
using omftool_test::ToolRun;

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr std::size_t kDVFrameBytes = 120000; // one NTSC DV frame
constexpr std::size_t kRgbFrameBytes = std::size_t(kWidth) * kHeight * 3;
constexpr int kFrames = 3;

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The RGB bytes of an 8-bit binary PPM file of kWidth x kHeight; empty when it is not one.

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class OmftoolDVMedia : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        test_support::ScratchFolderTest::SetUp();
        if (Shell("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg is not installed";
        // omftool's own choice: the server built beside it.
        ::unsetenv(QTServerPathVariable);
        // Three NTSC DV frames of a moving test picture, and ffmpeg's decoding of them.
        const std::string dv = path("clip.dv");
        ASSERT_EQ(Shell("ffmpeg -nostdin -y -loglevel error -f lavfi -i "
                        "testsrc=size=720x480:rate=30000/1001 -frames:v 3 -c:v dvvideo "
                        "-pix_fmt yuv411p -f dv " +
                        Quoted(dv)),
                  0);
        ASSERT_EQ(Shell("ffmpeg -nostdin -y -loglevel error -i " + Quoted(dv) +
                        " -f rawvideo -pix_fmt rgb24 " + Quoted(path("reference.rgb"))),
                  0);
        const std::vector<uint8_t> bytes = Bytes(ReadFile(dv));
        reference_ = Bytes(ReadFile(path("reference.rgb")));
        ASSERT_EQ(bytes.size(), kFrames * kDVFrameBytes);
        ASSERT_EQ(reference_.size(), kFrames * kRgbFrameBytes);
        plugin_test::DVMedia media;
        media.width = kWidth;
        media.fieldRows = kHeight / 2;
        media.rate = {30000, 1001};
        for (std::size_t frame = 0; frame < kFrames; ++frame) {
            const auto start = bytes.begin() + std::ptrdiff_t(frame * kDVFrameBytes);
            media.frames.emplace_back(start, start + std::ptrdiff_t(kDVFrameBytes));
        }
        stored_ = media.frames;
        omf_ = path("dv.omf");
        ASSERT_EQ(plugin_test::WriteDVFile(omf_, media), 0);
        std::filesystem::create_directory(path("out"));
    }
    void TearDown() override {
        ::unsetenv(QTServerPathVariable);
        test_support::ScratchFolderTest::TearDown();
    }

    ToolRun Frames(const std::string& options, const std::string& pattern) {
        return Omftool("frames " + Quoted(omf_) + " --mob DV " + options + " -o " +
                       Quoted(path("out/" + pattern)));
    }
    std::vector<uint8_t> ReferenceFrame(std::size_t frame) const {
        const auto start = reference_.begin() + std::ptrdiff_t(frame * kRgbFrameBytes);
        return {start, start + std::ptrdiff_t(kRgbFrameBytes)};
    }
    bool OutputIsEmpty() const { return std::filesystem::is_empty(dir_ / "out"); }

    std::string omf_;
    std::vector<std::vector<uint8_t>> stored_;
    std::vector<uint8_t> reference_;
};

TEST_F(OmftoolDVMedia, TracksListsTheDVEntry) {
    const ToolRun run = Omftool("tracks --json " + Quoted(omf_));
    ASSERT_EQ(run.status, 0) << run.err;
    const auto tracks = nlohmann::json::parse(run.out).at("tracks");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]["name"], "DV");
    EXPECT_EQ(tracks[0]["frames"], kFrames);
    EXPECT_EQ(tracks[0]["width"], kWidth);
    EXPECT_EQ(tracks[0]["height"], kHeight);
}

TEST_F(OmftoolDVMedia, RawFramesAreTheStoredBytesAndDecodeAsDV) {
    const ToolRun run = Frames("--raw", "f%d.dv");
    ASSERT_EQ(run.status, 0) << run.err;
    for (std::size_t frame = 0; frame < kFrames; ++frame) {
        const std::string written = path("out/f" + std::to_string(frame) + ".dv");
        EXPECT_EQ(Bytes(ReadFile(written)), stored_[frame]) << "frame " << frame;
        const std::string decoded = path("out/f" + std::to_string(frame) + ".rgb");
        ASSERT_EQ(Shell("ffmpeg -nostdin -y -loglevel error -f dv -i " + Quoted(written) +
                        " -f rawvideo -pix_fmt rgb24 " + Quoted(decoded)),
                  0);
        EXPECT_EQ(Bytes(ReadFile(decoded)), ReferenceFrame(frame)) << "frame " << frame;
    }
}

TEST_F(OmftoolDVMedia, DecodedFramesMatchFfmpegsDecoding) {
    const ToolRun run = Frames("--start 1", "f%d.ppm");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_FALSE(std::filesystem::exists(path("out/f0.ppm")));
    for (std::size_t frame = 1; frame < kFrames; ++frame) {
        const std::vector<uint8_t> pixels =
            plugin_test::PpmPixels(path("out/f" + std::to_string(frame) + ".ppm"), kWidth, kHeight);
        ASSERT_EQ(pixels.size(), kRgbFrameBytes) << "frame " << frame;
        // The same decoder on both sides, only the conversion to RGB may differ; fields woven
        // the wrong way round fall far below this on the moving test picture.
        EXPECT_GE(plugin_test::Psnr(pixels, ReferenceFrame(frame)), 40.0) << "frame " << frame;
    }
}

TEST_F(OmftoolDVMedia, WithoutAMovieServerNoDVIsListedDecodedOrWritten) {
    ::setenv(QTServerPathVariable, "/nonexistent/TarselQTServer", 1);
    const ToolRun run = Omftool("tracks " + Quoted(omf_));
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("omftool: the format cannot read the header of " + omf_ +
                           " (DV media are read only with a movie server: the movie server "
                           "TARSEL_QTSERVER names (/nonexistent/TarselQTServer) is not a program)"),
              std::string::npos)
        << run.err;
    const ToolRun decoded = Frames("", "f%d.ppm");
    EXPECT_EQ(decoded.status, 2);
    EXPECT_EQ(decoded.err, "omftool frames: reading frame 0: DV frames are decoded by the movie "
                           "server, and the movie server TARSEL_QTSERVER names "
                           "(/nonexistent/TarselQTServer) is not a program\n");
    EXPECT_TRUE(OutputIsEmpty());
    // Stored frames need no server.
    EXPECT_EQ(Frames("--raw --count 1", "f%d.dv").status, 0);
}

TEST_F(OmftoolDVMedia, AFrameShorterThanADVFrameIsRefused) {
    plugin_test::DVMedia media;
    media.width = kWidth;
    media.fieldRows = kHeight / 2;
    media.rate = {30000, 1001};
    media.frames = {std::vector<uint8_t>(stored_[0].begin(), stored_[0].begin() + 1000)};
    const std::string zeros = path("zeros.omf");
    ASSERT_EQ(plugin_test::WriteDVFile(zeros, media), 0);
    const ToolRun run =
        Omftool("frames " + Quoted(zeros) + " --mob DV -o " + Quoted(path("out/f%d.ppm")));
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "omftool frames: reading frame 0: the movie server cannot decode this DV "
                       "frame of 1000 bytes as 720 x 480 pixels\n");
    EXPECT_TRUE(OutputIsEmpty());
}

TEST_F(OmftoolDVMedia, FramesOutsideTheMediaWriteNothing) {
    for (const std::string raw : {"", "--raw "}) {
        const ToolRun run = Frames(raw + "--start 2 --count 2", raw.empty() ? "f%d.ppm" : "f%d.dv");
        EXPECT_EQ(run.status, 2) << raw;
        EXPECT_NE(run.err.find("[frames 2 to 3 asked for; the media holds 3 frames, 0 to 2]"),
                  std::string::npos)
            << run.err;
        EXPECT_TRUE(OutputIsEmpty()) << raw;
    }
}

} // namespace
