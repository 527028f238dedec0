// DV media played end to end: an OMF file holding NTSC DV frames that ffmpeg compressed is
// extracted by omftool, whose plug-in sends each frame to the movie server built with it; the
// pictures match ffmpeg's own decoding of the same frames. Without a server nothing is read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "../common/scratch_folder.h"
#include "dv_media_file.h"

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;
constexpr std::size_t kDVFrameBytes = 120000; // one NTSC DV frame
constexpr int kFrames = 3;

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The RGB bytes of an 8-bit binary PPM file; empty when it is not one of kWidth x kHeight.

class DVServerPlayback : public test_support::ScratchFolderTest {
  protected:
    void SetUp() override {
        test_support::ScratchFolderTest::SetUp();
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg is not installed";
        // Three NTSC DV frames of a moving test picture, and ffmpeg's decoding of them.
        const std::string dv = path("clip.dv");
        ASSERT_EQ(Run("ffmpeg -nostdin -y -loglevel error -f lavfi -i "
                      "testsrc=size=720x480:rate=30000/1001 -frames:v 3 -c:v dvvideo "
                      "-pix_fmt yuv411p -f dv '" +
                      dv + "'"),
                  0);
        ASSERT_EQ(Run("ffmpeg -nostdin -y -loglevel error -i '" + dv +
                      "' -f rawvideo -pix_fmt rgb24 '" + path("reference.rgb") + "'"),
                  0);
        const std::vector<uint8_t> bytes = FileBytes(dv);
        ASSERT_EQ(bytes.size(), kFrames * kDVFrameBytes);
        plugin_test::DVMedia media;
        media.width = kWidth;
        media.fieldRows = kHeight / 2;
        media.rate = {30000, 1001};
        for (int frame = 0; frame < kFrames; ++frame) {
            const auto start = bytes.begin() + std::ptrdiff_t(frame * kDVFrameBytes);
            media.frames.emplace_back(start, start + std::ptrdiff_t(kDVFrameBytes));
        }
        omf_ = path("dv.omf");
        ASSERT_EQ(plugin_test::WriteDVFile(omf_, media), 0);
    }

    static int Run(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // omftool extract on the DV file, with `server` as the movie-server setting (empty: omftool's
    // own choice, the server built with it).
    int Extract(const std::string& server) {
        const std::string setting =
            server.empty() ? "env -u TARSEL_QTSERVER " : "env TARSEL_QTSERVER='" + server + "' ";
        return Run(setting + OMFTOOL_PATH + " extract '" + omf_ + "' --bits 8 -o '" +
                   path("frame%d.ppm") + "' 2>/dev/null");
    }

    std::string omf_;
};

TEST_F(DVServerPlayback, FramesDecodedByTheServerMatchFfmpegsDecoding) {
    ASSERT_EQ(Extract(""), 0);
    const std::vector<uint8_t> reference = FileBytes(path("reference.rgb"));
    const std::size_t frameBytes = std::size_t(kWidth) * kHeight * 3;
    ASSERT_EQ(reference.size(), kFrames * frameBytes);
    for (int frame = 0; frame < kFrames; ++frame) {
        const std::vector<uint8_t> pixels =
            plugin_test::PpmPixels(path("frame" + std::to_string(frame) + ".ppm"), kWidth, kHeight);
        ASSERT_EQ(pixels.size(), frameBytes) << "frame " << frame;
        const std::vector<uint8_t> expected(reference.begin() + std::ptrdiff_t(frame * frameBytes),
                                            reference.begin() +
                                                std::ptrdiff_t((frame + 1) * frameBytes));
        // The same decoder on both sides; only the colour conversion to RGB may differ. Fields
        // woven the wrong way round would fall far below this on the moving test picture.
        const double psnr = plugin_test::Psnr(pixels, expected);
        std::printf("DV frame %d through the server: PSNR %.2f dB against ffmpeg\n", frame, psnr);
        EXPECT_GT(psnr, 35.0) << "frame " << frame;
    }
}

TEST_F(DVServerPlayback, WithoutAServerNoFrameIsRead) {
    EXPECT_EQ(Extract("/nonexistent/TarselQTServer"), 2);
    EXPECT_FALSE(std::filesystem::exists(path("frame0.ppm")));
}

} // namespace
