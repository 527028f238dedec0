// DV media through the loaded plug-in: each frame is read still compressed, sent to the movie
// server's "AvidDVDecompress", and the server's answer woven into the host's image; without a
// server, or without a decoded frame in its answer, the frame fails without a message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dv_media_file.h"
#include "loaded_omf_plugin.h"
#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/qt_server.h"
#include "test_dv_decoding.h"

namespace {

constexpr omfInt32 kWidth = 8;
constexpr omfInt32 kFieldRows = 3;
constexpr omfInt32 kFrameBytes = 50; // one compressed frame
constexpr int kFrames = 2;
constexpr omfRational_t kRate{25, 1};

std::vector<uint8_t> CompressedFrame(int frame) {
    std::vector<uint8_t> bytes(kFrameBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(frame * 59 + i * 7 + 1);
    return bytes;
}

plugin_test::DVMedia TestMedia() {
    plugin_test::DVMedia media;
    media.width = kWidth;
    media.fieldRows = kFieldRows;
    media.rate = kRate;
    for (int frame = 0; frame < kFrames; ++frame)
        media.frames.push_back(CompressedFrame(frame));
    return media;
}

class DVFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(OMFFormatClass(), nullptr);
        path_ = ::testing::TempDir() + "dv_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".omf";
        ASSERT_EQ(plugin_test::WriteDVFile(path_, TestMedia()), 0);
        StopQTServer();
        ::setenv(QTServerPathVariable, TEST_DV_SERVER_PATH, 1);
        ::setenv("TEST_DV_COMPRESSORS", "AVdvNTSC", 1);
        ::unsetenv("TEST_DV_DECODE");
    }
    void TearDown() override {
        host_.reset();
        StopQTServer();
        UseNoMovieServer();
        ::unsetenv("TEST_DV_COMPRESSORS");
        ::unsetenv("TEST_DV_DECODE");
        std::filesystem::remove(path_);
    }

    // Opens the file through the plug-in while the test server offers Avid DV.
    void Open() {
        std::string error;
        host_ = FormatHost::Open(path_, &document_, &error);
        ASSERT_NE(host_, nullptr) << error;
    }

    static std::vector<std::string> ServerCalls() {
        std::vector<std::string> calls;
        StartQTServer();
        const ScriptVal list = g_QTRemoteApp.CallMember("Calls");
        for (std::size_t i = 1; i <= list.NumKeys(); ++i)
            calls.push_back(list.ToString(int64_t(i)));
        return calls;
    }

    // The host pixel of decoded byte offset `offset` of frame `frame`.
    static Pixel DecodedPixel(std::size_t offset, int frame, bool keepAlpha) {
        const std::vector<uint8_t> compressed = CompressedFrame(frame);
        auto byte = [&](std::size_t i) { return plugin_test::DecodedDVByte(compressed, i) * 257u; };
        return {byte(offset + 3), byte(offset + 2), byte(offset + 1),
                keepAlpha ? byte(offset) : 65535u};
    }

    std::string path_;
    TarselDoc document_;
    std::unique_ptr<FormatHost> host_;
};

TEST_F(DVFrameTest, FramesAreDecodedByTheServerAndTheirFieldsWoven) {
    Open();
    ASSERT_EQ(host_->FrameCount(), kFrames);
    ASSERT_EQ(host_->Format()->Width, kWidth);
    ASSERT_EQ(host_->Format()->Height, 2 * kFieldRows);
    const bool keepAlpha = host_->Format()->BitsPerPixel == 32;
    Image* image = host_->LoadFrame(1);
    ASSERT_NE(image, nullptr);
    // 25 frames a second without a line map: the first field on the even rows from the top.
    const int height = 2 * kFieldRows;
    for (int j = 0; j < kFieldRows; ++j) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t first = 4 * std::size_t(j * kWidth + x);
            const std::size_t second = 4 * std::size_t((kFieldRows + j) * kWidth + x);
            EXPECT_EQ(image->FetchPixel(x, height - 1 - 2 * j), DecodedPixel(first, 1, keepAlpha))
                << "first field row " << j << " x " << x;
            EXPECT_EQ(image->FetchPixel(x, height - 2 - 2 * j), DecodedPixel(second, 1, keepAlpha))
                << "second field row " << j << " x " << x;
        }
    }
    image->Recycle();
    const std::vector<std::string> calls = ServerCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "AvidDVDecompress 8x6 separateFields 1 in 50");
}

TEST_F(DVFrameTest, WithoutServerTheFrameFailsWithoutAMessage) {
    Open();
    Image* control = host_->LoadFrame(0);
    ASSERT_NE(control, nullptr);
    control->Recycle();
    Application app;
    StopQTServer();
    UseNoMovieServer();
    EXPECT_EQ(host_->LoadFrame(0), nullptr);
    EXPECT_TRUE(app.LastMessages().empty());
}

TEST_F(DVFrameTest, AnswerWithoutDecodedFrameFailsWithoutAMessage) {
    Open();
    Application app;
    ::setenv("TEST_DV_DECODE", "none", 1);
    StopQTServer(); // the next start runs the server with the new setting
    EXPECT_EQ(host_->LoadFrame(0), nullptr);
    EXPECT_TRUE(app.LastMessages().empty());
}

TEST_F(DVFrameTest, ShortAnswerFillsOnlyTheRowsItHolds) {
    ::setenv("TEST_DV_DECODE", "short", 1);
    Open();
    const bool keepAlpha = host_->Format()->BitsPerPixel == 32;
    Image* image = host_->LoadFrame(0);
    ASSERT_NE(image, nullptr);
    // Half the bytes: the first field (the even rows) arrived, the second did not.
    const int height = 2 * kFieldRows;
    for (int j = 0; j < kFieldRows; ++j) {
        EXPECT_EQ(image->FetchPixel(0, height - 1 - 2 * j),
                  DecodedPixel(4 * std::size_t(j * kWidth), 0, keepAlpha))
            << j;
        EXPECT_EQ(image->FetchPixel(0, height - 2 - 2 * j), Pixel{}) << j;
    }
    image->Recycle();
}

} // namespace
