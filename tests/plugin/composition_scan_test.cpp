// The composition scan run by IsThisFormat: compositions, sequences split at transitions,
// segments with their sources found through effects, scopes and selectors, and external paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "class_state.h"
#include "composition_builder.h"
#include "error_report.h"
#include "no_movie_server.h"
#include "omf/omf_effects.h"
#include "omf_format.h"
#include "tarsel/system/application.h"

namespace {

using namespace omfplugin;
using plugin_test::CompositionBuilder;

class CompositionScanTest : public ::testing::TestWithParam<omfFileRev_t> {
  protected:
    void SetUp() override {
        UseNoMovieServer();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = ::testing::TempDir() + "scan_" + name + ".omf";
        format_ = new OMFFormat(nullptr, ScriptVal(), TagList());
        format_->AddRef();
    }
    void TearDown() override {
        format_->Close();
        format_->Release();
        std::filesystem::remove(path_);
    }

    bool Is2x() const { return GetParam() == kOmfRev2x; }

    SequenceEntry* Sequence(std::size_t index) const {
        return static_cast<SequenceEntry*>(format_->Sequences().GetItem(index));
    }
    CompEntry* Composition(std::size_t index) const {
        return static_cast<CompEntry*>(format_->Compositions().GetItem(index));
    }
    static SegmentEntry* Segment(const SequenceEntry* sequence, std::size_t index) {
        return static_cast<SegmentEntry*>(sequence->Segments.GetItem(index));
    }

    std::string path_;
    OMFFormat* format_ = nullptr;
};

TEST_P(CompositionScanTest, TransitionSplitsTheSequenceAtItsStart) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t a{}, b{};
        ASSERT_EQ(file.AddMaster("A", &a), 0);
        ASSERT_EQ(file.AddMaster("B", &b), 0);
        omfObject_t clipA = nullptr, transition = nullptr, clipB = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Clip(a, 100, 5, &clipA), 0);
        ASSERT_EQ(file.Dissolve(20, &transition), 0);
        ASSERT_EQ(file.Clip(b, 50, 7, &clipB), 0);
        ASSERT_EQ(file.Sequence({clipA, transition, clipB}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    EXPECT_TRUE(format_->HasCompositions());
    ASSERT_EQ(format_->Compositions().Count(), 1u);
    ASSERT_EQ(format_->Sequences().Count(), 2u);

    const SequenceEntry* first = Sequence(0);
    EXPECT_EQ(first->Start, 0);
    EXPECT_EQ(first->End, 100);
    ASSERT_EQ(first->Segments.Count(), 1u);
    EXPECT_TRUE(Segment(first, 0)->HasSource);
    EXPECT_EQ(Segment(first, 0)->SourceOffset, 5);
    EXPECT_STREQ(Segment(first, 0)->MobName, "A");

    const SequenceEntry* second = Sequence(1);
    EXPECT_EQ(second->Start, 80);
    EXPECT_EQ(second->End, 130);
    EXPECT_EQ(second->Length(), 50);
    ASSERT_EQ(second->Segments.Count(), 2u);
    EXPECT_FALSE(Segment(second, 0)->HasSource);
    EXPECT_EQ(Segment(second, 0)->Start, 0);
    EXPECT_EQ(Segment(second, 0)->End, 80);
    EXPECT_TRUE(Segment(second, 1)->HasSource);
    EXPECT_EQ(Segment(second, 1)->Start, 80);
    EXPECT_EQ(Segment(second, 1)->End, 130);
    EXPECT_EQ(Segment(second, 1)->SourceOffset, 7);
    EXPECT_STREQ(Segment(second, 1)->MobName, "B");
    // No media data and no locator: a 1.x file names the media file by the file mob's name;
    // in a 2.x file the media is taken to be inside the file.
    EXPECT_STREQ(Segment(second, 1)->Path, Is2x() ? "" : "B file");

    const CompEntry* composition = Composition(0);
    EXPECT_EQ(composition->SequenceCount, 2);
    EXPECT_EQ(composition->FirstSequence, 0);
    EXPECT_EQ(composition->Length, 130);
    EXPECT_EQ(first->Composition, composition);
    EXPECT_EQ(second->Composition, composition);

    ASSERT_EQ(format_->Transitions().Count(), 1u);
    const auto* transition = static_cast<TransitionEntry*>(format_->Transitions().GetItem(0));
    EXPECT_EQ(transition->Length, 20);
    EXPECT_EQ(transition->Start, 80);
    EXPECT_EQ(transition->End, 100);
    EXPECT_EQ(transition->Before, first);
    EXPECT_EQ(transition->After, second);
    if (Is2x()) {
        EXPECT_EQ(transition->Kind, TransitionKind::Dissolve);
    }

    // The frame count answers the first sequence until one is selected.
    int32_t frames = -1;
    ASSERT_TRUE(format_->CopyAttr(0x100000cb, &frames));
    EXPECT_EQ(frames, 100);
}

TEST_P(CompositionScanTest, SequencesOfFillersOnlyAreDropped) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfObject_t gap = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Filler(40, &gap), 0);
        ASSERT_EQ(file.Sequence({gap}, &sequence), 0);
        ASSERT_EQ(file.Composition("Gaps", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    ASSERT_EQ(format_->Compositions().Count(), 1u);
    EXPECT_EQ(Composition(0)->SequenceCount, 0);
    EXPECT_EQ(format_->Sequences().Count(), 0u);
}

TEST_P(CompositionScanTest, CompositionWithoutTracksIsSkippedAndTheOthersRead) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t a{};
        ASSERT_EQ(file.AddMaster("A", &a), 0);
        ASSERT_EQ(file.Composition("Empty", {}), 0);
        omfObject_t clip = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Clip(a, 30, 0, &clip), 0);
        ASSERT_EQ(file.Sequence({clip}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    ASSERT_EQ(format_->Compositions().Count(), 2u);
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    EXPECT_EQ(Sequence(0)->Length(), 30);
}

TEST_P(CompositionScanTest, SequenceStartsAtItsFirstSourcedSegment) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t a{};
        ASSERT_EQ(file.AddMaster("A", &a), 0);
        omfObject_t gap = nullptr, clip = nullptr, tail = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Filler(10, &gap), 0);
        ASSERT_EQ(file.Clip(a, 30, 3, &clip), 0);
        ASSERT_EQ(file.Filler(15, &tail), 0);
        ASSERT_EQ(file.Sequence({gap, clip, tail}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    EXPECT_EQ(Sequence(0)->Start, 10);
    EXPECT_EQ(Sequence(0)->End, 40);
    EXPECT_EQ(Sequence(0)->Segments.Count(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Revisions, CompositionScanTest, ::testing::Values(kOmfRev1x, kOmfRev2x),
                         [](const auto& info) {
                             return info.param == kOmfRev2x ? std::string("Rev2x")
                                                            : std::string("Rev1x");
                         });

// Effects, scopes, selectors and locators of 2.x files.
class CompositionSourcesTest : public CompositionScanTest {};

TEST_P(CompositionSourcesTest, ClipsAreFoundThroughEffectsScopesAndSelectors) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t a{}, b{};
        ASSERT_EQ(file.AddMaster("A", &a), 0);
        ASSERT_EQ(file.AddMaster("B", &b), 0);
        omfObject_t parts[6] = {};
        omfObject_t input = nullptr;
        // A fade whose bypass override is input A (argument -1).
        ASSERT_EQ(file.Clip(a, 10, 11, &input), 0);
        ASSERT_EQ(file.Effect("omfi:effect:VideoFadeToBlack", 10, -1, input, &parts[0]), 0);
        ASSERT_EQ(omfiEffectSetBypassOverride(file.File(), parts[0], -1), 0);
        // A speed control plays its input.
        ASSERT_EQ(file.Clip(b, 10, 22, &input), 0);
        ASSERT_EQ(file.SpeedControl(10, input, &parts[1]), 0);
        // A strobe shows no clip.
        ASSERT_EQ(file.Clip(a, 10, 33, &input), 0);
        ASSERT_EQ(file.Effect("omfi:effect:VideoStrobeEffect", 10, -1, input, &parts[2]), 0);
        // A nested scope: the last clip of its sequences.
        omfObject_t first = nullptr, second = nullptr, inner = nullptr;
        ASSERT_EQ(file.Clip(a, 5, 44, &first), 0);
        ASSERT_EQ(file.Clip(b, 5, 55, &second), 0);
        ASSERT_EQ(file.Sequence({first, second}, &inner), 0);
        ASSERT_EQ(omfiNestedScopeNew(file.File(), file.Picture(), 10, &parts[3]), 0);
        ASSERT_EQ(omfiNestedScopeAppendSlot(file.File(), parts[3], inner), 0);
        // A selector: its selected clip.
        omfObject_t selected = nullptr, alternate = nullptr;
        ASSERT_EQ(file.Clip(b, 10, 66, &selected), 0);
        ASSERT_EQ(file.Clip(a, 10, 77, &alternate), 0);
        ASSERT_EQ(omfiSelectorNew(file.File(), file.Picture(), 10, &parts[4]), 0);
        ASSERT_EQ(omfiSelectorSetSelected(file.File(), parts[4], selected), 0);
        ASSERT_EQ(omfiSelectorAddAlt(file.File(), parts[4], alternate), 0);
        // A fade without a bypass shows no clip.
        ASSERT_EQ(file.Clip(a, 10, 88, &input), 0);
        ASSERT_EQ(file.Effect("omfi:effect:VideoFadeToBlack", 10, -1, input, &parts[5]), 0);
        // An effect without an override whose definition bypasses to input A.
        ASSERT_EQ(file.Clip(a, 10, 99, &input), 0);
        omfObject_t bypassed = nullptr, definition = nullptr;
        ASSERT_EQ(file.Effect("omfi:effect:VideoMosaicEffect", 10, -1, input, &bypassed), 0);
        omfErr_t error = 0;
        ASSERT_TRUE(
            omfiFindEffectDef(file.File(), "omfi:effect:VideoMosaicEffect", &definition, &error));
        ASSERT_EQ(omfsWriteEnum(file.File(), definition, kOmfProperty_EDEF_Bypass,
                                kOmfType_ArgIDType, -1),
                  0);

        omfObject_t sequence = nullptr;
        ASSERT_EQ(
            file.Sequence({parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], bypassed},
                          &sequence),
            0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    const SequenceEntry* sequence = Sequence(0);
    ASSERT_EQ(sequence->Segments.Count(), 7u);
    struct Expected {
        bool hasSource;
        int32_t offset;
        const char* mob;
    };
    const Expected expected[] = {{true, 11, "A"}, {true, 22, "B"}, {false, 0, ""}, {true, 55, "B"},
                                 {true, 66, "B"}, {false, 0, ""},  {true, 99, "A"}};
    for (std::size_t i = 0; i < 7; ++i) {
        const SegmentEntry* segment = Segment(sequence, i);
        EXPECT_EQ(segment->Start, int32_t(i * 10)) << i;
        EXPECT_EQ(segment->HasSource, expected[i].hasSource) << i;
        if (!expected[i].hasSource) continue;
        EXPECT_EQ(segment->SourceOffset, expected[i].offset) << i;
        EXPECT_STREQ(segment->MobName, expected[i].mob) << i;
    }
    EXPECT_EQ(sequence->Start, 0);
    EXPECT_EQ(sequence->End, 70);
}

TEST_P(CompositionSourcesTest, ExternalMediaTakesTheLastLocatorAsAWindowsPath) {
    {
        CompositionBuilder file(path_, GetParam());
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t external{}, local{};
        ASSERT_EQ(file.AddMaster("Outside", &external, "file:///C:/Media/a%20b.omf"), 0);
        ASSERT_EQ(file.AddMaster("Share", &local, "file://srv/share/x"), 0);
        omfObject_t one = nullptr, two = nullptr, sequence = nullptr;
        ASSERT_EQ(file.Clip(external, 10, 0, &one), 0);
        ASSERT_EQ(file.Clip(local, 10, 0, &two), 0);
        ASSERT_EQ(file.Sequence({one, two}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    ASSERT_TRUE(format_->IsThisFormat(path_.c_str()));
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    EXPECT_STREQ(Segment(Sequence(0), 0)->Path, "C:\\Media\\a b.omf");
    EXPECT_STREQ(Segment(Sequence(0), 1)->Path, "\\\\srv\\share\\x");
}

INSTANTIATE_TEST_SUITE_P(Revision2x, CompositionSourcesTest, ::testing::Values(kOmfRev2x),
                         [](const auto&) { return std::string("Rev2x"); });

TEST(CompositionScanFailures, TextFileIsNotOMFAndSaysNothing) {
    UseNoMovieServer();
    const std::string path = ::testing::TempDir() + "scan_not_omf.omf";
    std::ofstream(path) << "This is not an OMF file, only some text that is long enough.\n";
    Application app;
    RefObject<OMFFormat> format(new OMFFormat(nullptr, ScriptVal(), TagList()));
    EXPECT_FALSE(format->IsThisFormat(path.c_str()));
    if (format->LastError() == kSilentError) {
        EXPECT_TRUE(app.LastMessages().empty());
    } else {
        ASSERT_FALSE(app.LastMessages().empty());
        EXPECT_EQ(app.LastMessages()[0].Text.rfind("OMF Error: ", 0), 0u);
    }
    EXPECT_EQ(format->Sequences().Count(), 0u);
    std::filesystem::remove(path);
}

TEST(CompositionScanFailures, MissingFileIsReportedWithItsCode) {
    UseNoMovieServer();
    Application app;
    RefObject<OMFFormat> format(new OMFFormat(nullptr, ScriptVal(), TagList()));
    EXPECT_FALSE(format->IsThisFormat("/nonexistent/folder/edit.omf"));
    ASSERT_NE(format->LastError(), 0);
    ASSERT_EQ(app.LastMessages().size(), 1u);
    EXPECT_EQ(app.LastMessages()[0].Category, MSG_Error);
    EXPECT_EQ(app.LastMessages()[0].Text.rfind(
                  "OMF Error: " + std::to_string(format->LastError()) + "\n", 0),
              0u);
}

} // namespace
