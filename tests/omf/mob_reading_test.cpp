// Walking mobs, tracks and component trees of files built in code and
// reopened: mob searches, track and array walks, component queries and the
// object-tree walk, in 1.x and 2.x files.
#include "mob_fixtures.h"
#include "omf_fixture.h"

#include <cstring>
#include <set>
#include <tuple>
#include <vector>

using namespace omf_test;

namespace {

std::string classOf(omfHdl_t file, omfObject_t object) {
    omfClassID_t classID{};
    if (omfsReadClassOf(file, object, classID) != 0) return "?";
    return std::string(classID, 4);
}

std::tuple<uint32_t, uint32_t, uint32_t> key(const omfUID_t& id) {
    return {id.prefix, id.major, id.minor};
}

class MobReading : public ToolkitTest, public ::testing::WithParamInterface<omfFileRev_t> {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        ASSERT_EQ(writeMobFixtureFile(session_, path("fixture.omf"), GetParam()), 0);
        ASSERT_EQ(omfsOpenFileForRead(path("fixture.omf").c_str(), session_, &file_), 0);
        ASSERT_EQ(omfiMobOpenSearch(file_, &iterator_), 0);
    }
    void TearDown() override {
        if (iterator_ != nullptr) {
            EXPECT_EQ(omfiSearchDispose(file_, iterator_), 0);
        }
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }
    bool is2x() const { return GetParam() == kOmfRev2x; }

    // Every component of a sequence, in order.
    std::vector<omfObject_t> components(omfObject_t sequence) {
        std::vector<omfObject_t> found;
        omfIterHdl_t walk = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &walk), 0);
        omfObject_t component = nullptr;
        omfErr_t status = 0;
        while ((status = omfiSequenceGetNextCpnt(walk, sequence, nullptr, &component)) == 0) {
            found.push_back(component);
        }
        EXPECT_EQ(status, 150);
        EXPECT_EQ(omfiSearchDispose(file_, walk), 0);
        return found;
    }

    omfObject_t compositionSequence() {
        omfObject_t composition = nullptr, sequence = nullptr;
        EXPECT_EQ(findMobByName(file_, "Composition", &composition), 0);
        EXPECT_EQ(findTrackSegment(file_, composition, 1, &sequence), 0);
        return sequence;
    }

    omfHdl_t file_ = nullptr;
    omfIterHdl_t iterator_ = nullptr;
    MobFixtureIDs ids_;
};

TEST_P(MobReading, EveryMobSearchReturnsEachMobOnceThenNoMoreObjects) {
    omfInt32 total = 0;
    ASSERT_EQ(omfiCountMobs(file_, kAllMobs, &total), 0);
    EXPECT_EQ(total, 5);
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobKind;
    criteria.tags.mobKind = kAllMobs;
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
    omfObject_t mob = nullptr;
    omfErr_t status = 0;
    int returned = 0;
    while ((status = omfiNextMatchingMob(iterator_, &criteria, &mob)) == 0) {
        omfUID_t id{};
        ASSERT_EQ(omfiReadMobID(file_, mob, &id), 0);
        seen.insert(key(id));
        ++returned;
    }
    EXPECT_EQ(status, 150);
    EXPECT_EQ(returned, 5);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_TRUE(seen.count(key(ids_.composition)) && seen.count(key(ids_.file2)));
    // A finished iterator stays finished until it is reset.
    EXPECT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 150);
    ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
    EXPECT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 0);
}

TEST_P(MobReading, SearchesByNameIDAndKindFindTheirMobs) {
    omfObject_t mob = nullptr;
    EXPECT_EQ(findMobByName(file_, "Nobody has this name", &mob), 150);
    ASSERT_EQ(findMobByName(file_, "Master 2", &mob), 0);
    omfUID_t id{};
    ASSERT_EQ(omfiReadMobID(file_, mob, &id), 0);
    EXPECT_EQ(key(id), key(ids_.master2));

    omfSearchCrit_t byID{};
    byID.searchTag = kOmfByMobID;
    byID.tags.mobID = ids_.file1;
    ASSERT_EQ(omfiNextMatchingMob(iterator_, &byID, &mob), 0);
    char name[64];
    ASSERT_EQ(omfiMobGetName(file_, mob, sizeof name, name), 0);
    EXPECT_STREQ(name, "File 1");
    EXPECT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 150);

    for (auto [kind, expected] :
         {std::pair{kCompMob, 1}, {kMasterMob, 2}, {kFileMob, 2}, {kTapeMob, 0}, {kFilmMob, 0}}) {
        ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
        omfSearchCrit_t byKind{};
        byKind.searchTag = kOmfByMobKind;
        byKind.tags.mobKind = kind;
        int found = 0;
        omfErr_t error = 0;
        while (omfiNextMatchingMob(iterator_, &byKind, &mob) == 0) {
            ++found;
            EXPECT_EQ(omfiMobIsMaster(file_, mob, &error), kind == kMasterMob);
            EXPECT_EQ(omfiMobIsFile(file_, mob, &error), kind == kFileMob);
            EXPECT_EQ(omfiMobIsComposition(file_, mob, &error), kind == kCompMob);
            EXPECT_EQ(error, 0);
        }
        omfInt32 counted = -1;
        ASSERT_EQ(omfiCountMobs(file_, kind, &counted), 0);
        EXPECT_EQ(found, expected) << "kind " << kind;
        EXPECT_EQ(counted, expected) << "kind " << kind;
    }
}

TEST_P(MobReading, PrimaryMobsExistOnlyIn2xFiles) {
    omfInt32 count = -1;
    omfObject_t composition = nullptr;
    ASSERT_EQ(findMobByName(file_, "Composition", &composition), 0);
    omfErr_t error = 0;
    if (is2x()) {
        EXPECT_EQ(omfiCountMobs(file_, kPrimaryMob, &count), 0);
        EXPECT_EQ(count, 1);
        EXPECT_TRUE(omfiMobIsPrimary(file_, composition, &error));
        EXPECT_EQ(error, 0);
    } else {
        EXPECT_EQ(omfiCountMobs(file_, kPrimaryMob, &count), 174);
        EXPECT_FALSE(omfiMobIsPrimary(file_, composition, &error));
        EXPECT_EQ(error, 174);
    }
    EXPECT_EQ(omfiCountMobs(file_, static_cast<omfMobKind_t>(9), &count), 183);
}

TEST_P(MobReading, IteratorMisuseIsRefused) {
    omfObject_t mob = nullptr, track = nullptr;
    ASSERT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 0);
    EXPECT_EQ(omfiNextTrackOf(iterator_, mob, nullptr, &track), 151);
    ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
    omfSearchCrit_t byClass{};
    byClass.searchTag = kOmfByClass;
    EXPECT_EQ(omfiNextMatchingMob(iterator_, &byClass, &mob), 152);
    // The failed first call left the iterator fresh, so a track walk may start.
    omfObject_t composition = nullptr;
    ASSERT_EQ(findMobByName(file_, "Composition", &composition), 0);
    ASSERT_EQ(omfiNextTrackOf(iterator_, composition, nullptr, &track), 0);
    EXPECT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 151);

    omfIterRec* bogus = reinterpret_cast<omfIterRec*>(&mob);
    mob = nullptr;
    EXPECT_EQ(omfiNextMatchingMob(bogus, nullptr, &track), 149);
    EXPECT_EQ(omfiSearchDispose(file_, nullptr), 149);
}

TEST_P(MobReading, TracksCarryTheirIDsRatesAndDataKinds) {
    omfObject_t composition = nullptr, track = nullptr;
    ASSERT_EQ(findMobByName(file_, "Composition", &composition), 0);
    omfInt32 count = 0;
    ASSERT_EQ(omfiMobGetNumTracks(file_, composition, &count), 0);
    EXPECT_EQ(count, 2);

    omfSearchCrit_t sound{};
    sound.searchTag = kOmfByDatakind;
    sound.tags.datakind = "omfi:data:Sound";
    ASSERT_EQ(omfiNextTrackOf(iterator_, composition, &sound, &track), 0);
    omfRational_t rate{};
    omfPosition_t origin = -1;
    omfTrackID_t trackID = 0;
    omfObject_t segment = nullptr;
    char name[32];
    ASSERT_EQ(omfiTrackGetInfo(file_, composition, track, &rate, sizeof name, name, &origin,
                               &trackID, &segment),
              0);
    // 1.x tracks are numbered per kind, so the sound track is the first of its kind.
    EXPECT_EQ(trackID, is2x() ? 2u : 1u);
    EXPECT_STREQ(name, is2x() ? "Sound" : "");
    EXPECT_EQ(rate.numerator, 25);
    EXPECT_EQ(rate.denominator, 1);
    EXPECT_EQ(origin, 0);
    EXPECT_EQ(classOf(file_, segment), "FILL");
    EXPECT_EQ(omfiNextTrackOf(iterator_, composition, &sound, &track), 150);

    // The second master's file mob has its own sample rate.
    omfObject_t fileMob = nullptr;
    ASSERT_EQ(findMobByName(file_, "File 2", &fileMob), 0);
    ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
    ASSERT_EQ(omfiNextTrackOf(iterator_, fileMob, nullptr, &track), 0);
    ASSERT_EQ(
        omfiTrackGetInfo(file_, fileMob, track, &rate, 0, nullptr, nullptr, nullptr, &segment), 0);
    EXPECT_EQ(rate.numerator, 50);
    omfLength_t length = 0;
    ASSERT_EQ(omfiComponentLength(file_, segment, &length), 0);
    EXPECT_EQ(length, 200);
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
    EXPECT_EQ(classOf(file_, descriptor), "MDFL");
}

TEST_P(MobReading, TheCompositionSequenceReadsBackPieceByPiece) {
    omfObject_t sequence = compositionSequence();
    ASSERT_NE(sequence, nullptr);
    omfLength_t length = 0;
    ASSERT_EQ(omfiComponentLength(file_, sequence, &length), 0);
    EXPECT_EQ(length, kFixtureSequenceLength);
    char kind[64];
    ASSERT_EQ(omfiComponentDataKind(file_, sequence, sizeof kind, kind), 0);
    EXPECT_STREQ(kind, "omfi:data:Picture");
    EXPECT_EQ(omfiComponentDataKind(file_, sequence, sizeof kind, nullptr), 177);

    std::vector<omfObject_t> parts = components(sequence);
    ASSERT_EQ(parts.size(), 7u);
    std::vector<std::string> classes;
    for (omfObject_t part : parts)
        classes.push_back(classOf(file_, part));
    if (is2x()) {
        EXPECT_EQ(classes, (std::vector<std::string>{"SCLP", "FILL", "TRAN", "SCLP", "EFFE", "NEST",
                                                     "SLCT"}));
    } else {
        EXPECT_EQ(classes, (std::vector<std::string>{"SCLP", "FILL", "TRAN", "SCLP", "TRKG", "TRKG",
                                                     "SLCT"}));
    }
    std::vector<omfLength_t> lengths;
    for (omfObject_t part : parts) {
        ASSERT_EQ(omfiComponentLength(file_, part, &length), 0);
        lengths.push_back(length);
    }
    EXPECT_EQ(lengths, (std::vector<omfLength_t>{10, 5, 4, 20, 8, 6, 7}));

    omfSourceRef_t ref{};
    ASSERT_EQ(omfiSourceClipGetInfo(file_, parts[3], nullptr, &length, &ref), 0);
    EXPECT_EQ(key(ref.sourceID), key(ids_.master2));
    EXPECT_EQ(ref.sourceTrackID, 1u);
    EXPECT_EQ(ref.startTime, 10);

    omfPosition_t cut = 0;
    ASSERT_EQ(omfiTransitionGetInfo(file_, parts[2], nullptr, &length, &cut, nullptr), 0);
    EXPECT_EQ(cut, 2);
    char effectID[64];
    ASSERT_EQ(omfiEffectGetEffectID(file_, parts[2], sizeof effectID, effectID), 0);
    EXPECT_STREQ(effectID, is2x() ? kFixtureTransitionEffect : kFixtureTransitionEffect1x);
    ASSERT_EQ(omfiEffectGetEffectID(file_, parts[4], sizeof effectID, effectID), 0);
    EXPECT_STREQ(effectID, is2x() ? kFixtureEffect : kFixtureEffect1x);
}

TEST_P(MobReading, EffectsScopesAndSelectorsExposeTheirInputs) {
    std::vector<omfObject_t> parts = components(compositionSequence());
    ASSERT_EQ(parts.size(), 7u);
    omfInt32 count = 0;
    ASSERT_EQ(omfiEffectGetNumSlots(file_, parts[4], &count), 0);
    EXPECT_EQ(count, 1);
    omfObject_t slot = nullptr, segment = nullptr;
    ASSERT_EQ(omfiEffectGetNextSlot(iterator_, parts[4], nullptr, &slot), 0);
    omfInt32 argID = 0;
    ASSERT_EQ(omfiEffectSlotGetInfo(file_, slot, &argID, &segment), 0);
    EXPECT_EQ(argID, fixtureEffectInput(is2x()));
    omfSourceRef_t ref{};
    ASSERT_EQ(omfiSourceClipGetRef(file_, segment, &ref), 0);
    EXPECT_EQ(ref.startTime, 20);

    ASSERT_EQ(omfiNestedScopeGetNumSlots(file_, parts[5], &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
    std::vector<std::string> scoped;
    while (omfiNestedScopeGetNextSlot(iterator_, parts[5], nullptr, &segment) == 0) {
        scoped.push_back(classOf(file_, segment));
    }
    ASSERT_EQ(scoped.size(), 2u);
    EXPECT_EQ(scoped[0], "SCLP");
    EXPECT_EQ(scoped[1], is2x() ? "SREF" : "TRKR");
    omfUInt32 relativeScope = 9, relativeSlot = 9;
    ASSERT_EQ(omfiScopeRefGetInfo(file_, segment, nullptr, nullptr, &relativeScope, &relativeSlot),
              0);
    EXPECT_EQ(relativeScope, 0u);
    EXPECT_EQ(relativeSlot, 1u);

    omfObject_t selected = nullptr;
    omfLength_t length = 0;
    ASSERT_EQ(omfiReadSelector(file_, parts[6], nullptr, &length, &selected), 0);
    EXPECT_EQ(length, 7);
    ASSERT_EQ(omfiSourceClipGetRef(file_, selected, &ref), 0);
    EXPECT_EQ(key(ref.sourceID), key(ids_.master1));
    ASSERT_EQ(omfiSelectorGetNumAltSlots(file_, parts[6], &count), 0);
    EXPECT_EQ(count, 1);
    ASSERT_EQ(omfiSearchReset(file_, iterator_), 0);
    std::vector<omfUID_t> alternates;
    while (omfiSelectorGetNextAltSlot(iterator_, parts[6], nullptr, &segment) == 0) {
        ASSERT_EQ(omfiSourceClipGetRef(file_, segment, &ref), 0);
        alternates.push_back(ref.sourceID);
    }
    ASSERT_EQ(alternates.size(), 1u);
    EXPECT_EQ(key(alternates[0]), key(ids_.master2));
}

TEST_P(MobReading, ArrayWalksFilterByClass) {
    omfObject_t sequence = compositionSequence();
    omfSearchCrit_t clips{};
    clips.searchTag = kOmfByClass;
    std::memcpy(clips.tags.objClass, "SCLP", 4);
    omfObject_t component = nullptr;
    int found = 0;
    while (omfiSequenceGetNextCpnt(iterator_, sequence, &clips, &component) == 0) {
        EXPECT_EQ(classOf(file_, component), "SCLP");
        ++found;
    }
    EXPECT_EQ(found, 2);
}

TEST_P(MobReading, ObjectTreeWalkCountsPrunesAndStops) {
    omfObject_t sequence = compositionSequence();
    auto everything = [](omfHdl_t, omfObject_t, void*) -> omfBool { return true; };
    auto countClips = [](omfHdl_t file, omfObject_t object, omfInt32, void* clips) -> omfErr_t {
        if (classOf(file, object) == "SCLP") ++*static_cast<int*>(clips);
        return 0;
    };
    int clips = 0;
    omfInt32 count = 0;
    ASSERT_EQ(
        omfiWalkObjectTree(file_, sequence, 0, everything, nullptr, countClips, &clips, &count), 0);
    // Six clips: two in the sequence, the effect input, the scoped clip and
    // both selector choices.
    EXPECT_EQ(clips, 6);
    EXPECT_GT(count, 13);

    // Pruning the effect hides it and its input clip.
    int unpruned = 0;
    omfInt32 pruned = 0;
    auto prunedWalk = [](omfHdl_t file, omfObject_t object, omfInt32 depth,
                         void* clips) -> omfErr_t {
        std::string name = classOf(file, object);
        omfLength_t length = 0;
        if ((name == "EFFE" || name == "TRKG") && depth == 1 &&
            omfiComponentLength(file, object, &length) == 0 && length == 8) {
            return 150;
        }
        if (name == "SCLP") ++*static_cast<int*>(clips);
        return 0;
    };
    ASSERT_EQ(
        omfiWalkObjectTree(file_, sequence, 0, everything, nullptr, prunedWalk, &unpruned, &pruned),
        0);
    EXPECT_EQ(unpruned, 5);
    EXPECT_LT(pruned, count - 2);

    auto failOnFiller = [](omfHdl_t file, omfObject_t object, omfInt32, void*) -> omfErr_t {
        return classOf(file, object) == "FILL" ? 190 : 0;
    };
    EXPECT_EQ(
        omfiWalkObjectTree(file_, sequence, 0, everything, nullptr, failOnFiller, nullptr, &count),
        190);
    EXPECT_EQ(omfiWalkObjectTree(file_, sequence, 0, nullptr, nullptr, countClips, &clips, &count),
              154);
    EXPECT_EQ(omfiWalkObjectTree(file_, sequence, 0, everything, nullptr, nullptr, nullptr, &count),
              155);
}

TEST_P(MobReading, NullArgumentsAreRefused) {
    omfUID_t id{};
    omfObject_t mob = nullptr;
    EXPECT_EQ(omfiReadMobID(file_, nullptr, &id), 116);
    ASSERT_EQ(omfiNextMatchingMob(iterator_, nullptr, &mob), 0);
    EXPECT_EQ(omfiReadMobID(file_, mob, nullptr), 177);
    EXPECT_EQ(omfiReadMobID(nullptr, mob, &id), 20);
    omfErr_t error = 0;
    EXPECT_FALSE(omfiObjectIsTrack(file_, nullptr, &error));
    EXPECT_EQ(error, 116);
    omfLength_t length = 0;
    EXPECT_EQ(omfiComponentLength(file_, mob, &length), is2x() ? 193 : 0);
}

INSTANTIATE_TEST_SUITE_P(Revisions, MobReading, ::testing::Values(kOmfRev1x, kOmfRev2x),
                         [](const auto& info) {
                             return std::string(info.param == kOmfRev2x ? "Rev2x" : "Rev1x");
                         });

} // namespace
