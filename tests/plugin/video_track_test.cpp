// The "Video Track" control through the loaded plug-in: entries for picture masters, then for
// composition sequences, and frames of a sequence mapped to its segments' media.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "loaded_omf_plugin.h"
#include "picture_file_writer.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/tool.h"

namespace {

std::vector<uint8_t> Pixels(Image* image) {
    if (!image) return {};
    std::vector<uint8_t> rgba(size_t(image->Width()) * image->Height() * 4);
    image->ToRGBA8(rgba.data(), image->Width() * 4);
    image->Recycle();
    return rgba;
}

class VideoTrackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(OMFFormatClass(), nullptr);
        path_ = ::testing::TempDir() + "video_track_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".omf";
        // Two masters of 12 frames; the composition plays 10 of each in turn.
        ASSERT_EQ(
            plugin_test::WritePictureFile(path_,
                                          {{"First", 8, 6, kOmfFullFrame, {25, 1}, {4, 3}, 12},
                                           {"Second", 8, 6, kOmfFullFrame, {25, 1}, {4, 3}, 12}},
                                          true),
            0);
        std::string error;
        host_ = FormatHost::Open(path_, &document_, &error);
        ASSERT_NE(host_, nullptr) << error;
    }
    void TearDown() override {
        host_.reset();
        std::filesystem::remove(path_);
    }

    bool Select(int entry) { return host_->SetInput("VideoTrack", Parameter(double(entry))); }

    std::string path_;
    TarselDoc document_;
    std::unique_ptr<FormatHost> host_;
};

TEST_F(VideoTrackTest, ListsMastersThenCompositionSequences) {
    Input* input = host_->GetTool().FindInput("VideoTrack");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->Name(), "Video Track");
    EXPECT_EQ(input->ItemTexts(),
              (std::vector<std::string>{"First", "Second", "Composition   1 - Sequence   1"}));
}

TEST_F(VideoTrackTest, SequenceFramesComeFromTheirSegmentsMedia) {
    std::vector<std::vector<uint8_t>> first, second;
    ASSERT_TRUE(Select(0));
    EXPECT_EQ(host_->FrameCount(), 12);
    for (int frame = 0; frame < 12; ++frame)
        first.push_back(Pixels(host_->LoadFrame(frame)));
    ASSERT_TRUE(Select(1));
    for (int frame = 0; frame < 12; ++frame)
        second.push_back(Pixels(host_->LoadFrame(frame)));
    ASSERT_FALSE(first[0].empty());
    ASSERT_NE(first[3], second[3]);

    ASSERT_TRUE(Select(2));
    EXPECT_EQ(host_->FrameCount(), 20);
    EXPECT_EQ(Pixels(host_->LoadFrame(0)), first[0]);
    EXPECT_EQ(Pixels(host_->LoadFrame(9)), first[9]);
    EXPECT_EQ(Pixels(host_->LoadFrame(10)), second[0]);
    EXPECT_EQ(Pixels(host_->LoadFrame(13)), second[3]);
    // Back to the first segment after the second one's media was opened.
    EXPECT_EQ(Pixels(host_->LoadFrame(4)), first[4]);
    EXPECT_EQ(host_->LoadFrame(20), nullptr);
}

TEST_F(VideoTrackTest, SelectingBeyondTheSequencesKeepsThePreviousOne) {
    ASSERT_TRUE(Select(2));
    ASSERT_EQ(host_->FrameCount(), 20);
    ASSERT_TRUE(Select(7));
    EXPECT_EQ(host_->FrameCount(), 20);
    Image* image = host_->LoadFrame(15);
    EXPECT_NE(image, nullptr);
    if (image) image->Recycle();
}

TEST_F(VideoTrackTest, SelectingBeyondTheSequencesWithoutOneStaysOnTheMedia) {
    ASSERT_TRUE(Select(7));
    EXPECT_EQ(host_->FrameCount(), 12);
    Image* image = host_->LoadFrame(11);
    EXPECT_NE(image, nullptr);
    if (image) image->Recycle();
}

// Each format object switches between its segments' media while the others do the same.
TEST_F(VideoTrackTest, FourFormatsPlayingTheSequenceAtOnceGetTheFramesPlayedAlone) {
    constexpr int kFrames = 20;
    ASSERT_TRUE(Select(2));
    std::vector<std::vector<uint8_t>> expected;
    for (int frame = 0; frame < kFrames; ++frame) {
        expected.push_back(Pixels(host_->LoadFrame(frame)));
        ASSERT_FALSE(expected.back().empty()) << frame;
    }
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<FormatHost>> hosts;
    for (int t = 0; t < kThreads; ++t) {
        hosts.push_back(FormatHost::Open(path_, &document_));
        ASSERT_NE(hosts.back(), nullptr);
        ASSERT_TRUE(hosts.back()->SetInput("VideoTrack", Parameter(2.0)));
    }
    std::vector<int> matches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            // Strides that cross from one segment's media to the other's at different times.
            for (int step = 0; step < 3 * kFrames; ++step) {
                const int frame = (step * (7 + 2 * t) + t) % kFrames;
                if (Pixels(hosts[t]->LoadFrame(frame)) == expected[frame]) ++matches[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (int count : matches)
        EXPECT_EQ(count, 3 * kFrames);
}

TEST(VideoTrackGaps, AFrameOfAGapIsNotTheMediaOpenedBefore) {
    ASSERT_NE(OMFFormatClass(), nullptr);
    const std::string path = ::testing::TempDir() + "video_track_gap.omf";
    ASSERT_EQ(plugin_test::WritePictureFile(path,
                                            {{"First", 8, 6, kOmfFullFrame, {25, 1}, {4, 3}, 12},
                                             {"Second", 8, 6, kOmfFullFrame, {25, 1}, {4, 3}, 12}},
                                            true, 5),
              0);
    TarselDoc document;
    auto host = FormatHost::Open(path, &document);
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(host->SetInput("VideoTrack", Parameter(1.0)));
    const std::vector<uint8_t> second = Pixels(host->LoadFrame(0));
    ASSERT_TRUE(host->SetInput("VideoTrack", Parameter(2.0)));
    EXPECT_EQ(host->FrameCount(), 25);
    Image* before = host->LoadFrame(9);
    ASSERT_NE(before, nullptr);
    before->Recycle();
    for (int frame = 10; frame < 15; ++frame)
        EXPECT_EQ(host->LoadFrame(frame), nullptr) << frame;
    EXPECT_EQ(Pixels(host->LoadFrame(15)), second);
    host.reset();
    std::filesystem::remove(path);
}

} // namespace
