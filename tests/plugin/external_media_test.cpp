// Composition sequences whose media lies outside the OMF file: a numbered picture sequence named
// by locators, read through host clips that segments naming one file (in any case) share.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "composition_builder.h"
#include "no_movie_server.h"
#include "omf_format.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"
#include "tarsel/system/tool.h"

namespace {

using namespace omfplugin;
using plugin_test::CompositionBuilder;

constexpr int kPictures = 30;

// The red level of picture n of the sequence, unique per picture.
uint8_t RedOf(int picture) {
    return uint8_t(7 * picture + 3);
}

class ExternalMediaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseNoMovieServer();
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = ::testing::TempDir() + "external_" + name;
        std::filesystem::create_directories(folder_);
        path_ = folder_ + "/edit.omf";
        // shot.0000.png ... shot.0029.png, 4 x 2 pixels of one colour each.
        Clip* writer = new Clip((folder_ + "/shot.0000.png").c_str(), true, nullptr);
        for (int n = 0; n < kPictures; ++n) {
            std::vector<uint8_t> rgba(4 * 2 * 4, 255);
            for (std::size_t i = 0; i < rgba.size(); i += 4)
                rgba[i] = RedOf(n);
            Image* picture = Image::FromRGBA8(rgba.data(), 4, 2, 4 * 4);
            ASSERT_NE(picture, nullptr);
            ASSERT_TRUE(writer->PutFrameTagList(n, picture));
            picture->Recycle();
        }
        writer->Recycle();
        format_ = new OMFFormat(nullptr, ScriptVal(), TagList());
        format_->AddRef();
    }
    void TearDown() override {
        format_->Close();
        format_->Release();
        std::filesystem::remove_all(folder_);
    }

    // Loads the file, which holds no media of its own but loads for its sequences, and selects
    // the first sequence (entry 0).
    void LoadFirstSequence() {
        ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
        ASSERT_TRUE(format_->AddLoadInputs(&tool_));
        Input* input = tool_.FindInput("VideoTrack");
        ASSERT_NE(input, nullptr);
        const Parameter first(0.0);
        ASSERT_TRUE(format_->OnLoadInputChanged(&tool_, input, &first));
    }

    // The red level of frame n as the plug-in delivers it, or -1 when it answers false.
    int RedOfFrame(int frame) {
        Image* image = nullptr;
        TagList tags;
        if (!format_->LoadFrameTagList(frame, image, tags)) {
            if (image) image->Recycle();
            return -1;
        }
        if (!image) return -2;
        const int red = int(image->FetchPixel(0, 0).R / 257);
        image->Recycle();
        return red;
    }

    SegmentEntry* Segment(std::size_t index) const {
        const auto* sequence = static_cast<SequenceEntry*>(format_->Sequences().GetItem(0));
        return sequence ? static_cast<SegmentEntry*>(sequence->Segments.GetItem(index)) : nullptr;
    }

    std::string folder_;
    std::string path_;
    OMFFormat* format_ = nullptr;
    Tool tool_{TsID("Loader"), nullptr};
};

TEST_F(ExternalMediaTest, SegmentsPlayTheirPicturesAndShareOneClipForOneFile) {
    {
        CompositionBuilder file(path_, kOmfRev2x);
        ASSERT_EQ(file.Error(), 0);
        // One picture sequence named twice: as written, and with its name in capitals.
        omfMobID_t lower{}, upper{};
        ASSERT_EQ(file.AddMaster("Lower", &lower, folder_ + "/shot.0000.png"), 0);
        ASSERT_EQ(file.AddMaster("Upper", &upper, folder_ + "/SHOT.0000.PNG"), 0);
        omfObject_t first = nullptr, gap = nullptr, second = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Clip(lower, 10, 5, &first), 0);
        ASSERT_EQ(file.Filler(3, &gap), 0);
        ASSERT_EQ(file.Clip(upper, 10, 20, &second), 0);
        ASSERT_EQ(file.Sequence({first, gap, second}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    LoadFirstSequence();
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    ASSERT_NE(Segment(2), nullptr);
    EXPECT_STRNE(Segment(0)->Path, Segment(2)->Path);

    // Frame n of the first segment is picture 5 + n; the gap plays nothing; the second segment
    // starts at frame 13 with picture 20.
    EXPECT_EQ(RedOfFrame(0), RedOf(5));
    EXPECT_EQ(RedOfFrame(9), RedOf(14));
    EXPECT_EQ(RedOfFrame(11), -1);
    EXPECT_EQ(RedOfFrame(13), RedOf(20));
    EXPECT_EQ(RedOfFrame(22), RedOf(29));
    EXPECT_EQ(RedOfFrame(23), -1); // past the sequence's end

    ASSERT_NE(Segment(0)->ExternalClip, nullptr);
    EXPECT_EQ(Segment(2)->ExternalClip, Segment(0)->ExternalClip);
    EXPECT_EQ(Segment(0)->ExternalClip->UseCount(), 2);
    EXPECT_EQ(Segment(1)->ExternalClip, nullptr);
}

TEST_F(ExternalMediaTest, SegmentsOfDifferentFilesKeepTheirOwnClips) {
    {
        CompositionBuilder file(path_, kOmfRev2x);
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t start{}, later{};
        ASSERT_EQ(file.AddMaster("Start", &start, folder_ + "/shot.0000.png"), 0);
        ASSERT_EQ(file.AddMaster("Later", &later, folder_ + "/shot.0010.png"), 0);
        omfObject_t first = nullptr, second = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Clip(start, 4, 0, &first), 0);
        ASSERT_EQ(file.Clip(later, 4, 0, &second), 0);
        ASSERT_EQ(file.Sequence({first, second}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    LoadFirstSequence();
    EXPECT_EQ(RedOfFrame(1), RedOf(1));
    EXPECT_EQ(RedOfFrame(5), RedOf(11));
    ASSERT_NE(Segment(0)->ExternalClip, nullptr);
    ASSERT_NE(Segment(1)->ExternalClip, nullptr);
    EXPECT_NE(Segment(0)->ExternalClip, Segment(1)->ExternalClip);
    EXPECT_EQ(Segment(0)->ExternalClip->UseCount(), 1);
}

} // namespace
