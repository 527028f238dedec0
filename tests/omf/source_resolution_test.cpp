// Source resolution on mob chains built in code, in 1.x and 2.x files:
// master -> file mobs across edit rates, edited material resolved through
// sequences, transitions, effects, scopes, selectors and pulldowns, the
// search's refusals, edit-rate and pulldown arithmetic, and locators.
#include "mob_fixtures.h"
#include "omf_fixture.h"

#include "omf/omf_effects.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"

#include <cstdint>
#include <limits>
#include <string>

using namespace omf_test;

namespace {

constexpr omfRational_t kVideoRate{30, 1};
constexpr omfRational_t kPalRate{25, 1};
constexpr omfRational_t kFilmRate{24, 1};
constexpr omfRational_t kFixtureRate{25, 1};
constexpr omfSourceRef_t kNoSource{{0, 0, 0}, 0, 0};

omfUID_t mobID(omfUInt32 minor) {
    return omfUID_t{7, 11, minor};
}

class SourceResolution : public ToolkitTest {
  protected:
    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    void open(omfFileRev_t revision, const char* name = "resolve.omf") {
        ASSERT_EQ(omfsNewFile(path(name).c_str(), session_, revision, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }
    bool is2x() const { return revision_ == kOmfRev2x; }

    omfObject_t clip(omfLength_t length, omfSourceRef_t ref) {
        omfObject_t made = nullptr;
        EXPECT_EQ(omfiMakeSourceClip(file_, picture_, length, ref, &made), 0);
        return made;
    }
    omfObject_t clipOf(omfObject_t mob, omfLength_t length, omfPosition_t start) {
        omfSourceRef_t ref{};
        EXPECT_EQ(omfiReadMobID(file_, mob, &ref.sourceID), 0);
        ref.sourceTrackID = 1;
        ref.startTime = start;
        return clip(length, ref);
    }

    // A file mob whose track 1 holds `length` units at `rate`.
    omfObject_t fileMob(omfUInt32 id, omfRational_t rate, omfLength_t length = 1000) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfiFileDescriptorNew(file_, "MDFL", rate, length, &descriptor), 0);
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiSourceMobNew(file_, "file", mobID(id), descriptor, &mob), 0);
        addTrack(mob, rate, clip(length, kNoSource));
        return mob;
    }
    omfObject_t masterMob(omfUInt32 id, omfRational_t rate, omfObject_t segment) {
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiMasterMobNew(file_, "master", false, mobID(id), &mob), 0);
        addTrack(mob, rate, segment);
        return mob;
    }
    omfObject_t compositionMob(omfUInt32 id, omfRational_t rate, omfObject_t segment) {
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiCompMobNew(file_, "composition", false, mobID(id), &mob), 0);
        addTrack(mob, rate, segment);
        return mob;
    }
    void addTrack(omfObject_t mob, omfRational_t rate, omfObject_t segment) {
        omfObject_t track = nullptr;
        EXPECT_EQ(omfiAddTrackToMob(file_, mob, rate, segment, 0, 1, nullptr, &track), 0);
    }

    omfObject_t sequence(std::initializer_list<omfObject_t> components) {
        omfObject_t made = nullptr;
        EXPECT_EQ(omfiSequenceNew(file_, picture_, &made), 0);
        for (omfObject_t component : components) {
            EXPECT_EQ(omfiSequenceAppendCpnt(file_, made, component), 0);
        }
        return made;
    }
    omfObject_t effect(const char* effectID, omfLength_t length) {
        if (is2x()) {
            omfObject_t definition = nullptr;
            omfErr_t status = 0;
            if (!omfiFindEffectDef(file_, effectID, &definition, &status)) {
                EXPECT_EQ(omfiEffectDefNew(file_, effectID, "test", "", false, &definition), 0);
            }
        }
        omfObject_t made = nullptr;
        EXPECT_EQ(omfiEffectNew(file_, picture_, length, effectID, &made), 0);
        return made;
    }

    omfSourceSearchResult_t find(omfObject_t mob, omfPosition_t offset, omfMobKind_t kind,
                                 omfInt32 choice, omfErr_t expected = 0) {
        omfSourceSearchResult_t result{};
        omfObject_t track = nullptr;
        EXPECT_EQ(FindSource(file_, mob, 1, offset, kind, nullptr, choice, &track, &result),
                  expected)
            << omfsErrorTrace(file_);
        return result;
    }

    void expectFound(const omfSourceSearchResult_t& result, omfObject_t mob, omfPosition_t offset,
                     omfLength_t length, omfRational_t rate) {
        EXPECT_EQ(result.mob, mob);
        EXPECT_EQ(result.trackID, 1u);
        EXPECT_EQ(result.offset, offset);
        EXPECT_EQ(result.length, length);
        EXPECT_EQ(result.editRate.numerator, rate.numerator);
        EXPECT_EQ(result.editRate.denominator, rate.denominator);
    }

    omfFileRev_t revision_ = kOmfRev2x;
    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr;
};

class BothRevisions : public SourceResolution, public ::testing::WithParamInterface<omfFileRev_t> {
  protected:
    void SetUp() override {
        SourceResolution::SetUp();
        revision_ = GetParam();
        open(revision_);
    }
};

INSTANTIATE_TEST_SUITE_P(Revisions, BothRevisions, ::testing::Values(kOmfRev1x, kOmfRev2x),
                         [](const auto& info) { return info.param == kOmfRev2x ? "2x" : "1x"; });

TEST_P(BothRevisions, MasterMobResolvesToItsFileMobAtTheSameRate) {
    omfObject_t file = fileMob(1, kVideoRate);
    omfObject_t master = masterMob(2, kVideoRate, clipOf(file, 50, 10));
    expectFound(find(master, 0, kFileMob, kOmfNoEffectChoice), file, 10, 50, kVideoRate);
    // From inside the clip the material runs to the clip's end.
    expectFound(find(master, 5, kFileMob, kOmfNoEffectChoice), file, 15, 45, kVideoRate);
    // Any mob below the master is the file mob.
    expectFound(find(master, 5, kAllMobs, kOmfNoEffectChoice), file, 15, 45, kVideoRate);
    // There is no tape mob below it, and nothing lies past the clip's end.
    find(master, 5, kTapeMob, kOmfNoEffectChoice, 156);
    find(master, 50, kFileMob, kOmfNoEffectChoice, 156);
}

TEST_P(BothRevisions, OffsetsAndLengthsChangeRateBetweenTracks) {
    omfObject_t file = fileMob(1, kPalRate);
    omfObject_t master = masterMob(2, kVideoRate, clipOf(file, 60, 0));
    // 7 frames at 30/s are 5.83 frames at 25/s: rounded down to 5.
    // The 53 frames left at 30/s end at frame 50 at 25/s.
    expectFound(find(master, 7, kFileMob, kOmfNoEffectChoice), file, 5, 45, kPalRate);
    expectFound(find(master, 0, kFileMob, kOmfNoEffectChoice), file, 0, 50, kPalRate);
}

TEST_P(BothRevisions, CompositionsAreNoStartingPoint) {
    omfObject_t file = fileMob(1, kVideoRate);
    omfObject_t master = masterMob(2, kVideoRate, clipOf(file, 50, 0));
    omfObject_t composition = compositionMob(3, kVideoRate, clipOf(master, 20, 0));
    omfSourceSearchResult_t result = find(composition, 0, kFileMob, kOmfNoEffectChoice, 183);
    EXPECT_EQ(result.mob, nullptr);
    find(master, 0, kPrimaryMob, kOmfNoEffectChoice, 183);
    find(master, 0, static_cast<omfMobKind_t>(9), kOmfNoEffectChoice, 183);
    omfSourceSearchResult_t ignored{};
    EXPECT_EQ(FindSource(file_, master, 1, 0, kFileMob, nullptr, 0, nullptr, nullptr), 177);
    EXPECT_EQ(FindSource(file_, nullptr, 1, 0, kFileMob, nullptr, 0, nullptr, &ignored), 116);
    EXPECT_EQ(FindSource(nullptr, master, 1, 0, kFileMob, nullptr, 0, nullptr, &ignored), 20);
    EXPECT_EQ(FindSource(file_, master, 4, 0, kFileMob, nullptr, 0, nullptr, &ignored), 135);
}

// An edited sequence of clips naming two masters, as a composition holds
// it; FindSource starts below compositions, so a master mob carries it here.
TEST_P(BothRevisions, SequenceOfClipsResolvesThroughTheirMastersToFileMobs) {
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fileB = fileMob(2, kPalRate);
    omfObject_t masterA = masterMob(3, kVideoRate, clipOf(fileA, 100, 0));
    omfObject_t masterB = masterMob(4, kVideoRate, clipOf(fileB, 100, 30));
    omfObject_t edit =
        masterMob(5, kVideoRate, sequence({clipOf(masterA, 10, 40), clipOf(masterB, 20, 60)}));
    // Offset 15 is 5 into the second clip: master B at 65, file B at (30 + 65) x 25/30.
    expectFound(find(edit, 15, kMasterMob, kOmfNoEffectChoice), masterB, 65, 15, kVideoRate);
    expectFound(find(edit, 15, kFileMob, kOmfNoEffectChoice), fileB, 79, 12, kPalRate);
    expectFound(find(edit, 9, kFileMob, kOmfNoEffectChoice), fileA, 49, 1, kVideoRate);
    find(edit, 30, kFileMob, kOmfNoEffectChoice, 156);
}

TEST_P(BothRevisions, FileMobResolvesToTheTapeMobItNames) {
    omfObject_t tapeDescriptor = nullptr;
    ASSERT_EQ(omfiTapeDescriptorNew(file_, &tapeDescriptor), 0);
    omfObject_t tape = nullptr;
    ASSERT_EQ(omfiSourceMobNew(file_, "tape", mobID(1), tapeDescriptor, &tape), 0);
    addTrack(tape, kVideoRate, clip(100000, kNoSource));
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfiFileDescriptorNew(file_, "MDFL", kVideoRate, 100, &descriptor), 0);
    omfObject_t file = nullptr;
    ASSERT_EQ(omfiSourceMobNew(file_, "file", mobID(2), descriptor, &file), 0);
    addTrack(file, kVideoRate, clipOf(tape, 100, 3600));
    expectFound(find(file, 10, kTapeMob, kOmfNoEffectChoice), tape, 3610, 90, kVideoRate);
    // The starting mob is never the answer.
    find(file, 10, kFileMob, kOmfNoEffectChoice, 156);
}

// The shared composition fixture, written to disk and read back: every part
// of its picture sequence resolves to the file mob (or the choice) expected.
// FindSource refuses to start at the composition itself, so a master mob
// whose picture track holds the composition's own sequence starts the search.
TEST_P(BothRevisions, FixtureCompositionResolvesPartByPartAfterReopening) {
    ASSERT_EQ(buildMobFixture(file_), 0) << omfsErrorTrace(file_);
    omfObject_t composition = nullptr, edited = nullptr, edit = nullptr;
    ASSERT_EQ(findMobByName(file_, "Composition", &composition), 0);
    ASSERT_EQ(findTrackSegment(file_, composition, 1, &edited), 0);
    ASSERT_EQ(omfiMasterMobNew(file_, "Edit", false, mobID(90), &edit), 0);
    addTrack(edit, kFixtureRate, edited);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    ASSERT_EQ(omfsOpenFileForRead(path("resolve.omf").c_str(), session_, &file_), 0);
    omfObject_t master1 = nullptr, file1 = nullptr, file2 = nullptr;
    ASSERT_EQ(findMobByName(file_, "Composition", &composition), 0);
    ASSERT_EQ(findMobByName(file_, "Edit", &edit), 0);
    ASSERT_EQ(findMobByName(file_, "Master 1", &master1), 0);
    ASSERT_EQ(findMobByName(file_, "File 1", &file1), 0);
    ASSERT_EQ(findMobByName(file_, "File 2", &file2), 0);
    constexpr omfRational_t kFile2Rate{50, 1};

    // Positions: clip 0..9, filler 10..14 cut to 10 by the transition at
    // 11..14, clip 15..30 (starting at 11), effect 31..38, scope 39..44,
    // selector 45..51.
    expectFound(find(edit, 3, kFileMob, kOmfNoEffectChoice), file1, 3, 7, kFixtureRate);
    // Master 2 @ 10 + 9, doubled
    expectFound(find(edit, 20, kFileMob, kOmfNoEffectChoice), file2, 38, 22, kFile2Rate);
    // the scope's first slot, 1 in
    expectFound(find(edit, 40, kFileMob, kOmfNoEffectChoice), file2, 2, 10, kFile2Rate);
    // the selected clip, Master 1 @ 30 + 1
    expectFound(find(edit, 46, kFileMob, kOmfNoEffectChoice), file1, 31, 6, kFixtureRate);
    find(edit, 10, kFileMob, kOmfNoEffectChoice, 128);
    EXPECT_NE(find(edit, 12, kFileMob, kOmfNoEffectChoice, 167).effect, nullptr);
    EXPECT_NE(find(edit, 33, kFileMob, kOmfNoEffectChoice, 167).effect, nullptr);
    find(edit, 52, kFileMob, kOmfNoEffectChoice, 156);

    expectFound(find(master1, 60, kFileMob, kOmfNoEffectChoice), file1, 60, 40, kFixtureRate);
    find(composition, 0, kFileMob, kOmfNoEffectChoice, 183);
}

TEST_P(BothRevisions, EffectNeedsAChoiceOrGivesItsInputOrRendering) {
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fileR = fileMob(2, kVideoRate);
    omfObject_t wipe = effect(kOmfEffectSMPTEVideoWipe, 40);
    if (is2x()) {
        ASSERT_EQ(omfiEffectAddNewSlot(file_, wipe, -1, clipOf(fileA, 40, 100), nullptr), 0);
    } else {
        // 1.x effect inputs are its tracks in order, input A first.
        omfObject_t input = nullptr;
        ASSERT_EQ(omfsObjectNew(file_, "TRAK", &input), 0);
        ASSERT_EQ(
            omfsWriteObjRef(file_, input, kOmfProperty_TRAK_TrackComponent, clipOf(fileA, 40, 100)),
            0);
        ASSERT_EQ(omfsAppendObjRefArray(file_, wipe, kOmfProperty_TRKG_Tracks, input), 0);
    }
    omfObject_t master = masterMob(3, kVideoRate, wipe);

    omfSourceSearchResult_t result = find(master, 4, kFileMob, kOmfNoEffectChoice, 167);
    EXPECT_EQ(result.effect, wipe);
    EXPECT_EQ(result.mob, nullptr);
    find(master, 4, kFileMob, kOmfTransitionAfter, 167);
    expectFound(find(master, 4, kFileMob, kOmfEffectInputA), fileA, 104, 36, kVideoRate);
    // No input B: the walk ends without a leaf.
    find(master, 4, kFileMob, kOmfEffectInputB, 156);
    find(master, 4, kFileMob, kOmfEffectRendering, 148);
    if (is2x()) {
        ASSERT_EQ(omfiEffectSetFinalRender(file_, wipe, clipOf(fileR, 40, 0)), 0);
    } else {
        ASSERT_EQ(omfsWriteObjRef(file_, wipe, kOmfProperty_CPNT_Precomputed, clipOf(fileR, 40, 0)),
                  0);
    }
    expectFound(find(master, 4, kFileMob, kOmfEffectRendering), fileR, 4, 36, kVideoRate);
}

TEST_P(BothRevisions, TransitionPicksTheComponentBeforeOrAfterIt) {
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fileB = fileMob(2, kVideoRate);
    omfObject_t dissolve = effect(kOmfEffectSimpleVideoDissolve, 4);
    omfObject_t transition = nullptr;
    ASSERT_EQ(omfiTransitionNew(file_, picture_, 4, 2, dissolve, &transition), 0);
    // A covers 0..9, B 6..15; the transition 6..9.
    omfObject_t master = masterMob(
        3, kVideoRate, sequence({clipOf(fileA, 10, 100), transition, clipOf(fileB, 10, 200)}));
    expectFound(find(master, 3, kFileMob, kOmfNoEffectChoice), fileA, 103, 3, kVideoRate);
    expectFound(find(master, 12, kFileMob, kOmfNoEffectChoice), fileB, 206, 4, kVideoRate);
    // Offset 10 is past the transition: still B, which started at 6.
    expectFound(find(master, 10, kFileMob, kOmfNoEffectChoice), fileB, 204, 6, kVideoRate);

    omfSourceSearchResult_t result = find(master, 7, kFileMob, kOmfNoEffectChoice, 167);
    EXPECT_NE(result.effect, nullptr);
    expectFound(find(master, 7, kFileMob, kOmfTransitionBefore), fileA, 107, 3, kVideoRate);
    expectFound(find(master, 7, kFileMob, kOmfTransitionAfter), fileB, 201, 3, kVideoRate);
}

TEST_F(SourceResolution, NestedScopeResolvesItsLastSlotThroughAScopeReference) {
    open(kOmfRev2x);
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fileB = fileMob(2, kVideoRate);
    omfObject_t scope = nullptr;
    ASSERT_EQ(omfiNestedScopeNew(file_, picture_, 30, &scope), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, clipOf(fileA, 30, 0)), 0);
    omfObject_t filler = nullptr;
    ASSERT_EQ(omfiFillerNew(file_, picture_, 10, &filler), 0);
    omfObject_t reference = nullptr;
    ASSERT_EQ(omfiScopeRefNew(file_, picture_, 20, 0, 1, &reference), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, sequence({filler, reference})), 0);
    omfObject_t master = masterMob(3, kVideoRate, scope);
    // The reference sits 10 into the scope: slot 1 is read at the scope's position.
    expectFound(find(master, 15, kFileMob, kOmfNoEffectChoice), fileA, 15, 15, kVideoRate);
    // Before the reference lies filler, which names no source.
    find(master, 5, kFileMob, kOmfNoEffectChoice, 128);

    // A reference further out than the scopes entered fails.
    omfObject_t outer = nullptr;
    ASSERT_EQ(omfiNestedScopeNew(file_, picture_, 30, &outer), 0);
    omfObject_t tooFar = nullptr;
    ASSERT_EQ(omfiScopeRefNew(file_, picture_, 30, 1, 1, &tooFar), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, outer, clipOf(fileB, 30, 0)), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, outer, tooFar), 0);
    find(masterMob(4, kVideoRate, outer), 0, kFileMob, kOmfNoEffectChoice, 156);
}

TEST_F(SourceResolution, OneXTrackGroupResolvesItsPictureTrackThroughATrackReference) {
    revision_ = kOmfRev1x;
    open(kOmfRev1x);
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound, &status));
    omfObject_t group = nullptr;
    ASSERT_EQ(omfiNestedScopeNew(file_, picture_, 30, &group), 0);
    // Track 1 holds sound; track 2, the first picture track, refers back to it.
    omfSourceRef_t ref{};
    ASSERT_EQ(omfiReadMobID(file_, fileA, &ref.sourceID), 0);
    ref.sourceTrackID = 1;
    ref.startTime = 5;
    omfObject_t soundClip = nullptr;
    ASSERT_EQ(omfiMakeSourceClip(file_, sound, 30, ref, &soundClip), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, group, soundClip), 0);
    omfObject_t reference = nullptr;
    ASSERT_EQ(omfiScopeRefNew(file_, picture_, 30, 0, 1, &reference), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, group, reference), 0);
    omfObject_t master = masterMob(2, kVideoRate, group);
    expectFound(find(master, 4, kFileMob, kOmfNoEffectChoice), fileA, 9, 26, kVideoRate);
    // Two tracks back there is none.
    ASSERT_EQ(omfsWriteInt16(file_, reference, kOmfProperty_TRKR_RelativeTrack, -2), 0);
    find(master, 4, kFileMob, kOmfNoEffectChoice, 156);
}

TEST_F(SourceResolution, ScopeReferencesBelowTheFirstMobHaveNoScopes) {
    open(kOmfRev2x);
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t scope = nullptr;
    ASSERT_EQ(omfiNestedScopeNew(file_, picture_, 30, &scope), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, clipOf(fileA, 30, 0)), 0);
    omfObject_t reference = nullptr;
    ASSERT_EQ(omfiScopeRefNew(file_, picture_, 30, 0, 1, &reference), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, reference), 0);
    omfObject_t inner = masterMob(2, kVideoRate, scope);
    expectFound(find(inner, 3, kFileMob, kOmfNoEffectChoice), fileA, 3, 27, kVideoRate);
    omfObject_t outer = masterMob(3, kVideoRate, clipOf(inner, 30, 0));
    find(outer, 3, kFileMob, kOmfNoEffectChoice, 156);
    expectFound(find(outer, 3, kMasterMob, kOmfNoEffectChoice), inner, 3, 27, kVideoRate);
}

TEST_P(BothRevisions, SelectorResolvesItsSelectedSegment) {
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fileB = fileMob(2, kVideoRate);
    omfObject_t selector = nullptr;
    ASSERT_EQ(omfiSelectorNew(file_, picture_, 20, &selector), 0);
    ASSERT_EQ(omfiSelectorAddAlt(file_, selector, clipOf(fileA, 20, 0)), 0);
    ASSERT_EQ(omfiSelectorSetSelected(file_, selector, clipOf(fileB, 20, 50)), 0);
    omfObject_t master = masterMob(3, kVideoRate, selector);
    expectFound(find(master, 2, kFileMob, kOmfNoEffectChoice), fileB, 52, 18, kVideoRate);
}

// Scores a candidate by its descriptor's sample rate.
omfInt16 preferHigherRate(omfHdl_t file, omfObject_t descriptor, const char*) {
    omfRational_t rate{};
    if (omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &rate) != 0) return -1;
    return static_cast<omfInt16>(rate.numerator);
}
omfInt16 rejectEverything(omfHdl_t, omfObject_t, const char*) {
    return -100;
}

TEST_F(SourceResolution, MediaGroupFollowsTheRepresentationTheCriteriaChoose) {
    open(kOmfRev2x);
    omfObject_t pal = fileMob(1, kPalRate);
    omfObject_t video = fileMob(2, kVideoRate);
    omfObject_t group = nullptr;
    ASSERT_EQ(omfiMediaGroupNew(file_, picture_, 20, &group), 0);
    ASSERT_EQ(omfiMediaGroupAddChoice(file_, group, clipOf(pal, 20, 0)), 0);
    ASSERT_EQ(omfiMediaGroupAddChoice(file_, group, clipOf(video, 20, 0)), 0);
    omfObject_t master = masterMob(3, kVideoRate, group);
    // Without criteria the first representation is kept.
    EXPECT_EQ(find(master, 6, kFileMob, kOmfNoEffectChoice).mob, pal);
    omfMediaCriteria_t criteria{4, preferHigherRate};
    omfSourceSearchResult_t result{};
    ASSERT_EQ(FindSource(file_, master, 1, 6, kFileMob, &criteria, 0, nullptr, &result), 0);
    expectFound(result, video, 6, 14, kVideoRate);
    // Equal scores keep the first.
    criteria.proc = rejectEverything;
    ASSERT_EQ(FindSource(file_, master, 1, 6, kFileMob, &criteria, 0, nullptr, &result), 0);
    EXPECT_EQ(result.mob, pal);

    // A single representation is taken whatever it scores.
    omfObject_t single = nullptr;
    ASSERT_EQ(omfiMediaGroupNew(file_, picture_, 20, &single), 0);
    ASSERT_EQ(omfiMediaGroupAddChoice(file_, single, clipOf(video, 20, 0)), 0);
    omfObject_t singleMaster = masterMob(4, kVideoRate, single);
    ASSERT_EQ(FindSource(file_, singleMaster, 1, 6, kFileMob, &criteria, 0, nullptr, &result), 0);
    EXPECT_EQ(result.mob, video);
}

TEST_F(SourceResolution, PulldownConvertsVideoFramesToFilmFramesAndIsRecorded) {
    open(kOmfRev2x);
    omfObject_t film = fileMob(1, kFilmRate);
    omfObject_t pulldown = nullptr;
    ASSERT_EQ(omfiPulldownNew(file_, picture_, 50, kOmfTwoThreePD, kOmfFilmToTapeSpeed, 0,
                              clipOf(film, 40, 100), &pulldown),
              0);
    omfObject_t master = masterMob(2, kVideoRate, pulldown);
    // Video frame 7 shows film frame 5; the 43 video frames left show film 5..39.
    omfSourceSearchResult_t result = find(master, 7, kFileMob, kOmfNoEffectChoice);
    expectFound(result, film, 105, 35, kFilmRate);
    EXPECT_EQ(result.pulldownA, pulldown);
    EXPECT_EQ(result.phaseA, 0);
    EXPECT_EQ(result.pulldownB, nullptr);

    omfObject_t video = fileMob(3, kVideoRate);
    omfObject_t reverse = nullptr;
    ASSERT_EQ(omfiPulldownNew(file_, picture_, 40, kOmfTwoThreePD, kOmfTapeToFilmSpeed, 2,
                              clipOf(video, 50, 0), &reverse),
              0);
    omfObject_t filmMaster = masterMob(4, kFilmRate, reverse);
    result = find(filmMaster, 4, kFileMob, kOmfNoEffectChoice);
    EXPECT_EQ(result.mob, video);
    EXPECT_EQ(result.offset, omfiPulldownFilmToVideo(4, 2));
    EXPECT_EQ(result.pulldownB, reverse);
    EXPECT_EQ(result.phaseB, 2);
    EXPECT_EQ(result.pulldownA, nullptr);

    // Other kinds leave offsets as they are.
    omfObject_t pal = nullptr;
    ASSERT_EQ(omfiPulldownNew(file_, picture_, 50, kOmfPALPD, kOmfFilmToTapeSpeed, 0,
                              clipOf(film, 50, 0), &pal),
              0);
    result = find(masterMob(5, kPalRate, pal), 7, kFileMob, kOmfNoEffectChoice);
    EXPECT_EQ(result.offset, 7);
}

TEST_F(SourceResolution, EffectBelowTheFirstMobStillAsksForAChoice) {
    open(kOmfRev2x);
    omfObject_t fileA = fileMob(1, kVideoRate);
    omfObject_t fade = effect(kOmfEffectVideoSpeedControl, 30);
    ASSERT_EQ(omfiEffectAddNewSlot(file_, fade, -1, clipOf(fileA, 30, 0), nullptr), 0);
    omfObject_t inner = masterMob(2, kVideoRate, fade);
    omfObject_t outer = masterMob(3, kVideoRate, clipOf(inner, 30, 0));
    omfSourceSearchResult_t result = find(outer, 2, kFileMob, kOmfNoEffectChoice, 167);
    EXPECT_EQ(result.effect, fade);
    expectFound(find(outer, 2, kFileMob, kOmfEffectInputA), fileA, 2, 28, kVideoRate);
}

TEST_F(SourceResolution, OneXPulldownMaskLeadsToItsClipAndIsRecordedByItsRate) {
    revision_ = kOmfRev1x;
    open(kOmfRev1x);
    omfObject_t film = fileMob(1, kFilmRate);
    omfObject_t mask = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "MASK", &mask), 0);
    ASSERT_EQ(omfiInitComponent(file_, mask, 40, picture_), 0);
    ASSERT_EQ(omfsWriteUInt32(file_, mask, kOmfProperty_MASK_MaskBits, 0xA0000000u), 0);
    ASSERT_EQ(omfsWriteBoolean(file_, mask, kOmfProperty_MASK_IsDouble, false), 0);
    ASSERT_EQ(omfsWriteInt16(file_, mask, kOmfProperty_WARP_PhaseOffset, 3), 0);
    omfObject_t input = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "TRAK", &input), 0);
    ASSERT_EQ(omfsWriteObjRef(file_, input, kOmfProperty_TRAK_TrackComponent, clipOf(film, 40, 8)),
              0);
    ASSERT_EQ(omfsAppendObjRefArray(file_, mask, kOmfProperty_TRKG_Tracks, input), 0);
    omfObject_t master = masterMob(2, kVideoRate, mask);
    // Masks convert no offsets: the clip's start plus the offset.
    omfSourceSearchResult_t result = find(master, 5, kFileMob, kOmfNoEffectChoice);
    expectFound(result, film, 13, 35, kFilmRate);
    EXPECT_EQ(result.pulldownA, mask);
    EXPECT_EQ(result.phaseA, 3);

    ASSERT_EQ(omfsWriteBoolean(file_, mask, kOmfProperty_MASK_IsDouble, true), 0);
    result = find(master, 5, kFileMob, kOmfNoEffectChoice);
    EXPECT_EQ(result.pulldownB, mask);
    EXPECT_EQ(result.pulldownA, nullptr);
}

TEST_F(SourceResolution, MobsNamingEachOtherEndTheSearchInsteadOfLooping) {
    open(kOmfRev2x);
    omfObject_t first = nullptr;
    omfObject_t second = nullptr;
    ASSERT_EQ(omfiMasterMobNew(file_, "first", false, mobID(1), &first), 0);
    ASSERT_EQ(omfiMasterMobNew(file_, "second", false, mobID(2), &second), 0);
    addTrack(first, kVideoRate, clipOf(second, 10, 0));
    addTrack(second, kVideoRate, clipOf(first, 10, 0));
    find(first, 0, kFileMob, kOmfNoEffectChoice, 156);
}

TEST_P(BothRevisions, SequenceContainingItselfEndsTheSearch) {
    omfObject_t looped = sequence({});
    omfObject_t master = masterMob(2, kVideoRate, looped);
    omfProperty_t components = is2x() ? kOmfProperty_SEQU_Components : kOmfProperty_SEQU_Sequence;
    ASSERT_EQ(omfsAppendObjRefArray(file_, looped, components, looped), 0);
    if (is2x()) {
        ASSERT_EQ(omfsWriteLength(file_, looped, kOmfProperty_CPNT_Length, 1000000), 0);
    }
    find(master, 15, kFileMob, kOmfNoEffectChoice, 156);
}

TEST(EditRateConversion, IsExactAndRoundsTowardNegativeInfinity) {
    omfPosition_t converted = 0;
    ASSERT_EQ(omfiConvertEditRate({30, 1}, 7, {25, 1}, &converted), 0);
    EXPECT_EQ(converted, 5);
    ASSERT_EQ(omfiConvertEditRate({30, 1}, -1, {25, 1}, &converted), 0);
    EXPECT_EQ(converted, -1);
    ASSERT_EQ(omfiConvertEditRate({30000, 1001}, 30000, {24000, 1001}, &converted), 0);
    EXPECT_EQ(converted, 24000);
    ASSERT_EQ(omfiConvertEditRate({25, 1}, 1, {48000, 1}, &converted), 0);
    EXPECT_EQ(converted, 1920);
    // Intermediates beyond 64 bits stay exact.
    const omfInt64 large = std::numeric_limits<omfInt64>::max() / 2;
    ASSERT_EQ(omfiConvertEditRate({48000, 1}, large, {48000, 1}, &converted), 0);
    EXPECT_EQ(converted, large);
    ASSERT_EQ(omfiConvertEditRate({3, 1}, large, {2, 1}, &converted), 0);
    EXPECT_EQ(converted, large / 3 * 2 + (large % 3) * 2 / 3);
    EXPECT_EQ(omfiConvertEditRate({1, 1}, large, {3, 1}, &converted), 173);
    EXPECT_EQ(omfiConvertEditRate({0, 1}, 1, {3, 1}, &converted), 130);
    EXPECT_EQ(omfiConvertEditRate({1, 1}, 1, {3, 0}, &converted), 130);
}

TEST(TwoThreePulldown, FiveVideoFramesShowFourFilmFramesAndFilmRoundTrips) {
    for (omfInt32 phase = 0; phase < 5; ++phase) {
        for (omfPosition_t film = -8; film < 40; ++film) {
            omfPosition_t video = omfiPulldownFilmToVideo(film, phase);
            EXPECT_EQ(omfiPulldownVideoToFilm(video, phase), film)
                << "film " << film << " phase " << phase;
            EXPECT_EQ(omfiPulldownFilmToVideo(film + 4, phase), video + 5);
        }
        EXPECT_EQ(omfiPulldownVideoToFilm(0, phase), 0);
        EXPECT_GE(omfiPulldownFilmToVideo(0, phase), 0);
        for (omfPosition_t video = 0; video < 40; ++video) {
            omfPosition_t step =
                omfiPulldownVideoToFilm(video + 1, phase) - omfiPulldownVideoToFilm(video, phase);
            EXPECT_TRUE(step == 0 || step == 1);
        }
    }
    // Phase 0: video 0..4 show film 0, 0, 1, 2, 3.
    EXPECT_EQ(omfiPulldownVideoToFilm(1, 0), 0);
    EXPECT_EQ(omfiPulldownVideoToFilm(2, 0), 1);
    EXPECT_EQ(omfiPulldownVideoToFilm(4, 0), 3);
    EXPECT_EQ(omfiPulldownVideoToFilm(7, 0), 5);
}

TEST_F(SourceResolution, LocatorOpensTheFileItNames) {
    omfHdl_t target = nullptr;
    ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, kOmfRev1x, &target), 0);
    ASSERT_EQ(omfsCloseOMFFile(target), 0);
    open(kOmfRev2x);
    omfObject_t locator = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "UNXL", &locator), 0);
    ASSERT_EQ(
        omfsWriteString(file_, locator, kOmfProperty_UNXL_PathName, path("media.omf").c_str()), 0);
    omfHdl_t opened = nullptr;
    ASSERT_EQ(OpenLocatorFile(file_, locator, false, &opened), 0);
    omfFileRev_t revision = kOmfRev2x;
    EXPECT_EQ(omfsFileRevision(opened, &revision), 0);
    EXPECT_EQ(revision, kOmfRev1x);
    EXPECT_EQ(omfsCloseOMFFile(opened), 0);
    ASSERT_EQ(OpenLocatorFile(file_, locator, true, &opened), 0);
    CMContainer container = nullptr;
    EXPECT_EQ(omfsGetContainer(opened, &container), 0);
    EXPECT_EQ(container, nullptr);
    EXPECT_EQ(omfsCloseOMFFile(opened), 0);

    omfObject_t missing = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "UNXL", &missing), 0);
    ASSERT_EQ(
        omfsWriteString(file_, missing, kOmfProperty_UNXL_PathName, path("absent.omf").c_str()), 0);
    EXPECT_NE(OpenLocatorFile(file_, missing, false, &opened), 0);
    omfObject_t notALocator = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "FILL", &notALocator), 0);
    EXPECT_EQ(OpenLocatorFile(file_, notALocator, false, &opened), 89);
}

} // namespace
