// Building mobs, tracks and components: mob registration, 1.x label numbers
// and edit rates, length narrowing, track descriptions, sequences, effect
// definitions and the 2.x-only components; files are closed and reopened
// where what was written matters.
#include "mob_fixtures.h"
#include "omf_fixture.h"

#include "container/cm_api.h"
#include "omf/internal/file_support.h"

#include <cstring>
#include <set>
#include <tuple>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace omf_test;

namespace {

// Every object of the file's container, to see that failed builders leave
// nothing behind.
int objectCount(omfHdl_t file) {
    CMContainer container = nullptr;
    EXPECT_EQ(omfsGetContainer(file, &container), 0);
    int count = 0;
    for (CMObject object = CMGetNextObject(container, nullptr); object != nullptr;
         object = CMGetNextObject(container, object)) {
        ++count;
    }
    return count;
}

omfRational_t readRate1x(omfHdl_t file, omfObject_t object) {
    int32_t fields[2] = {-1, -1};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(omfsReadValueBytes(file, object, kOmfProperty_CPNT_EditRate, 4 * i, 0,
                                     kOmfType_ExactEditRate, 4, &fields[i]),
                  0);
    }
    return omfRational_t{fields[0], fields[1]};
}

void writeRate1x(omfHdl_t file, omfObject_t object, omfRational_t rate) {
    const int32_t fields[2] = {rate.numerator, rate.denominator};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(omfsWriteValueBytes(file, object, kOmfProperty_CPNT_EditRate, 4 * i,
                                      kOmfType_ExactEditRate, 4, &fields[i]),
                  0);
    }
}

class MobBuilding : public ToolkitTest {
  protected:
    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }
    void create(omfFileRev_t revision, const std::string& name = "built.omf") {
        ASSERT_EQ(omfsNewFile(path(name).c_str(), session_, revision, &file_), 0);
        ASSERT_EQ(fixtureDataKinds(file_, &picture_, &sound_), 0);
    }
    void reopen(const std::string& name = "built.omf") {
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path(name).c_str(), session_, &file_), 0);
        ASSERT_EQ(fixtureDataKinds(file_, &picture_, &sound_), 0);
    }
    omfObject_t filler(omfObject_t kind, omfLength_t length) {
        omfObject_t object = nullptr;
        EXPECT_EQ(omfiFillerNew(file_, kind, length, &object), 0);
        return object;
    }
    omfObject_t clip(omfLength_t length) {
        omfObject_t object = nullptr;
        EXPECT_EQ(omfiMakeSourceClip(file_, picture_, length, omfSourceRef_t{}, &object), 0);
        return object;
    }
    omfObject_t transition(omfLength_t length) {
        omfObject_t effect = nullptr, object = nullptr;
        if (fixtureIs2x(file_)) {
            omfObject_t definition = nullptr;
            if (!omfiFindEffectDef(file_, "Dissolve", &definition, nullptr)) {
                EXPECT_EQ(omfiEffectDefNew(file_, "Dissolve", nullptr, nullptr, false, &definition),
                          0);
            }
            EXPECT_EQ(omfiEffectNew(file_, picture_, length, "Dissolve", &effect), 0);
        }
        EXPECT_EQ(omfiTransitionNew(file_, picture_, length, 0, effect, &object), 0);
        return object;
    }
    std::vector<omfTrackID_t> trackIDs(omfObject_t mob) {
        std::vector<omfTrackID_t> ids;
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfObject_t track = nullptr;
        while (omfiNextTrackOf(iterator, mob, nullptr, &track) == 0) {
            omfTrackID_t id = 0;
            EXPECT_EQ(
                omfiTrackGetInfo(file_, mob, track, nullptr, 0, nullptr, nullptr, &id, nullptr), 0);
            ids.push_back(id);
        }
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        return ids;
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr, sound_ = nullptr;
};

TEST_F(MobBuilding, ASecondMobWithTheSameIDIsRefusedAndRemoved) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        const std::string name = "dup" + std::to_string(revision) + ".omf";
        create(revision, name);
        omfObject_t first = nullptr, second = nullptr;
        ASSERT_EQ(omfiCompMobNew(file_, "First", false, omfUID_t{1, 2, 3}, &first), 0);
        int objects = objectCount(file_);
        EXPECT_EQ(omfiCompMobNew(file_, "Second", false, omfUID_t{1, 2, 3}, &second), 141);
        EXPECT_EQ(objectCount(file_), objects);
        reopen(name);
        omfInt32 count = 0;
        ASSERT_EQ(omfiCountMobs(file_, kAllMobs, &count), 0);
        EXPECT_EQ(count, 1);
        omfObject_t found = nullptr;
        EXPECT_EQ(findMobByName(file_, "First", &found), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_F(MobBuilding, ReregisteringAMobMovesItToItsNewID) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        const std::string name = "move" + std::to_string(revision) + ".omf";
        create(revision, name);
        omfObject_t mob = nullptr;
        ASSERT_EQ(omfiCompMobNew(file_, "Moved", false, omfUID_t{1, 1, 1}, &mob), 0);
        ASSERT_EQ(omfiSetMobIdentity(file_, mob, omfUID_t{1, 1, 2}), 0);
        // The old ID is free again.
        omfObject_t other = nullptr;
        ASSERT_EQ(omfiCompMobNew(file_, "Other", false, omfUID_t{1, 1, 1}, &other), 0);
        reopen(name);
        omfInt32 count = 0;
        ASSERT_EQ(omfiCountMobs(file_, kAllMobs, &count), 0);
        EXPECT_EQ(count, 2);
        omfIterHdl_t iterator = nullptr;
        ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t byID{};
        byID.searchTag = kOmfByMobID;
        byID.tags.mobID = omfUID_t{1, 1, 2};
        ASSERT_EQ(omfiNextMatchingMob(iterator, &byID, &mob), 0);
        char text[32];
        ASSERT_EQ(omfiMobGetName(file_, mob, sizeof text, text), 0);
        EXPECT_STREQ(text, "Moved");
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
    EXPECT_EQ(omfiSetMobIdentity(nullptr, nullptr, omfUID_t{}), 20);
}

TEST_F(MobBuilding, OneXTracksAreNumberedPerTrackKind) {
    create(kOmfRev1x);
    omfUID_t id{3, 3, 3};
    omfObject_t mob = nullptr;
    ASSERT_EQ(omfiCompMobNew(file_, "Labels", false, id, &mob), 0);
    omfRational_t rate{25, 1};
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, rate, filler(picture_, 5), 0, 1, nullptr, nullptr), 0);
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, rate, filler(sound_, 5), 0, 2, nullptr, nullptr), 0);
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, rate, filler(picture_, 5), 0, 3, nullptr, nullptr), 0);
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, rate, filler(sound_, 5), 0, 4, nullptr, nullptr), 0);
    EXPECT_EQ(trackIDs(mob), (std::vector<omfTrackID_t>{1, 1, 2, 2}));

    omfInt16 label = 0;
    ASSERT_EQ(omfiLookupTrackLabel(file_, id, picture_, 3, &label), 0);
    EXPECT_EQ(label, 2);
    ASSERT_EQ(omfiLookupTrackLabel(file_, id, sound_, 2, &label), 0);
    EXPECT_EQ(label, 1);
    EXPECT_EQ(omfiLookupTrackLabel(file_, id, sound_, 3, &label), 137);
    EXPECT_EQ(omfiLookupTrackLabel(file_, id, picture_, 9, &label), 137);
    EXPECT_EQ(omfiLookupTrackLabel(file_, omfUID_t{9, 9, 9}, picture_, 1, &label), 142);
    // A track ID is recorded once per mob.
    int objects = objectCount(file_);
    EXPECT_EQ(omfiAddTrackToMob(file_, mob, rate, filler(sound_, 5), 0, 1, nullptr, nullptr), 201);
    EXPECT_EQ(objectCount(file_), objects + 1); // the filler, not a TRAK

    reopen();
    ASSERT_EQ(findMobByName(file_, "Labels", &mob), 0);
    EXPECT_EQ(trackIDs(mob), (std::vector<omfTrackID_t>{1, 1, 2, 2}));
    // A reopened file knows its tracks by their labels.
    ASSERT_EQ(omfiLookupTrackLabel(file_, id, sound_, 2, &label), 0);
    EXPECT_EQ(label, 2);
    EXPECT_EQ(omfiLookupTrackLabel(file_, id, sound_, 3, &label), 137);
}

TEST_F(MobBuilding, OneXLengthsMustFitThirtyTwoBits) {
    create(kOmfRev1x);
    const omfLength_t tooLong = omfLength_t{1} << 31;
    int objects = objectCount(file_);
    omfObject_t object = nullptr;
    EXPECT_EQ(omfiMakeSourceClip(file_, picture_, tooLong, omfSourceRef_t{}, &object), 171);
    EXPECT_EQ(omfiFillerNew(file_, picture_, tooLong, &object), 171);
    EXPECT_EQ(objectCount(file_), objects);
    omfSourceRef_t farStart{{0, 0, 0}, 1, tooLong};
    EXPECT_EQ(omfiMakeSourceClip(file_, picture_, 10, farStart, &object), 171);
    EXPECT_EQ(objectCount(file_), objects);

    omfObject_t mob = nullptr;
    ASSERT_EQ(omfiCompMobNew(file_, "Origin", false, omfUID_t{4, 4, 4}, &mob), 0);
    EXPECT_EQ(
        omfiAddTrackToMob(file_, mob, omfRational_t{25, 1}, clip(10), tooLong, 1, nullptr, nullptr),
        171);
    omfInt32 tracks = -1;
    ASSERT_EQ(omfiMobGetNumTracks(file_, mob, &tracks), 0);
    EXPECT_EQ(tracks, 0);
}

TEST_F(MobBuilding, TwoXLengthsBeyondThirtyTwoBitsReadBack) {
    create(kOmfRev2x);
    const omfLength_t longLength = (omfLength_t{1} << 33) + 5;
    omfObject_t object = nullptr;
    ASSERT_EQ(
        omfiMakeSourceClip(file_, picture_, longLength, omfSourceRef_t{{1, 1, 1}, 2, 7}, &object),
        0);
    omfLength_t length = 0;
    omfSourceRef_t ref{};
    ASSERT_EQ(omfiSourceClipGetInfo(file_, object, nullptr, &length, &ref), 0);
    EXPECT_EQ(length, longLength);
    EXPECT_EQ(ref.sourceTrackID, 2u);
    EXPECT_EQ(ref.startTime, 7);
}

TEST_F(MobBuilding, OneXTracksHandTheirEditRateToSegmentsWithoutOne) {
    create(kOmfRev1x);
    omfObject_t sequence = nullptr;
    ASSERT_EQ(omfiSequenceNew(file_, picture_, &sequence), 0);
    omfObject_t first = clip(10), second = clip(20);
    writeRate1x(file_, second, omfRational_t{30, 1});
    ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, first), 0);
    ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, second), 0);
    omfObject_t mob = nullptr, track = nullptr;
    ASSERT_EQ(omfiCompMobNew(file_, "Rates", false, omfUID_t{5, 5, 5}, &mob), 0);
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, omfRational_t{25, 1}, sequence, 12, 1, nullptr, &track),
              0);
    // A shorter second track leaves the mob's length alone; a later rate
    // does not replace the mob's first one.
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, omfRational_t{50, 1}, filler(sound_, 7), 3, 2, nullptr,
                                nullptr),
              0);
    reopen();
    ASSERT_EQ(findMobByName(file_, "Rates", &mob), 0);
    ASSERT_EQ(findTrackSegment(file_, mob, 1, &sequence), 0);
    omfIterHdl_t iterator = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    ASSERT_EQ(omfiSequenceGetNextCpnt(iterator, sequence, nullptr, &first), 0);
    ASSERT_EQ(omfiSequenceGetNextCpnt(iterator, sequence, nullptr, &second), 0);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
    EXPECT_EQ(readRate1x(file_, sequence).numerator, 25);
    EXPECT_EQ(readRate1x(file_, first).numerator, 25);
    EXPECT_EQ(readRate1x(file_, second).numerator, 30);
    EXPECT_EQ(readRate1x(file_, mob).numerator, 25);
    EXPECT_EQ(readRate1x(file_, mob).denominator, 1);

    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    ASSERT_EQ(omfiNextTrackOf(iterator, mob, nullptr, &track), 0);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
    EXPECT_FALSE(
        omfsPropertyPresent(file_, track, kOmfProperty_CPNT_EditRate, kOmfType_ExactEditRate));
    omfInt32 groupLength = 0, start = 0;
    ASSERT_EQ(omfsReadInt32(file_, mob, kOmfProperty_TRKG_GroupLength, &groupLength), 0);
    EXPECT_EQ(groupLength, 30);
    ASSERT_EQ(omfsReadInt32(file_, mob, kOmfProperty_MOBJ_StartPosition, &start), 0);
    EXPECT_EQ(start, 12);
}

TEST_F(MobBuilding, SequencesSubtractTransitionsAndRefuseMisplacedOnes) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        create(revision, "seq" + std::to_string(revision) + ".omf");
        omfObject_t sequence = nullptr;
        ASSERT_EQ(omfiSequenceNew(file_, picture_, &sequence), 0);
        EXPECT_EQ(omfiSequenceAppendCpnt(file_, sequence, transition(5)), 159);
        ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, clip(10)), 0);
        ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, transition(5)), 0);
        EXPECT_EQ(omfiSequenceAppendCpnt(file_, sequence, transition(5)), 158);
        ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, clip(20)), 0);
        omfLength_t length = 0;
        ASSERT_EQ(omfiComponentLength(file_, sequence, &length), 0);
        EXPECT_EQ(length, 25) << "revision " << revision;
        omfInt32 count = 0;
        ASSERT_EQ(omfiSequenceGetNumCpnts(file_, sequence, &count), 0);
        EXPECT_EQ(count, 3);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_F(MobBuilding, TwoXSlotsWithoutTrackDescriptionAreNotTracks) {
    create(kOmfRev2x);
    omfObject_t mob = nullptr, track = nullptr, bare = nullptr;
    ASSERT_EQ(omfiCompMobNew(file_, "Slots", false, omfUID_t{6, 6, 6}, &mob), 0);
    ASSERT_EQ(omfsObjectNew(file_, "MSLT", &bare), 0);
    ASSERT_EQ(omfsWriteRational(file_, bare, kOmfProperty_MSLT_EditRate, omfRational_t{25, 1}), 0);
    ASSERT_EQ(omfsWriteObjRef(file_, bare, kOmfProperty_MSLT_Segment, filler(picture_, 3)), 0);
    ASSERT_EQ(omfsAppendObjRefArray(file_, mob, kOmfProperty_MOBJ_Slots, bare), 0);
    ASSERT_EQ(omfiAddTrackToMob(file_, mob, omfRational_t{25, 1}, filler(picture_, 3), 0, 4, "Only",
                                &track),
              0);
    EXPECT_EQ(omfiSetPhysicalTrack(file_, bare, 2), 166);
    ASSERT_EQ(omfiSetPhysicalTrack(file_, track, 2), 0);
    EXPECT_EQ(omfiAddTrackToMob(file_, mob, omfRational_t{25, 1}, filler(picture_, 3), 0, 4,
                                nullptr, nullptr),
              138);
    reopen();
    ASSERT_EQ(findMobByName(file_, "Slots", &mob), 0);
    omfInt32 slots = 0, tracks = 0;
    ASSERT_EQ(omfiMobGetNumSlots(file_, mob, &slots), 0);
    ASSERT_EQ(omfiMobGetNumTracks(file_, mob, &tracks), 0);
    EXPECT_EQ(slots, 2);
    EXPECT_EQ(tracks, 1);
    EXPECT_EQ(trackIDs(mob), (std::vector<omfTrackID_t>{4}));
    omfIterHdl_t iterator = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    ASSERT_EQ(omfiNextTrackOf(iterator, mob, nullptr, &track), 0);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
    omfUInt32 physical = 0;
    ASSERT_EQ(omfiTrackGetPhysicalNum(file_, track, &physical), 0);
    EXPECT_EQ(physical, 2u);
    omfErr_t error = 0;
    EXPECT_TRUE(omfiObjectIsTrack(file_, track, &error));
}

TEST_F(MobBuilding, TrackDescriptionsAreReusedAndTwoXOnly) {
    create(kOmfRev2x);
    omfObject_t slot = nullptr, first = nullptr, second = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "MSLT", &slot), 0);
    ASSERT_EQ(omfiMakeTrackDesc(file_, slot, 0, 1, "One", &first), 0);
    ASSERT_EQ(omfiMakeTrackDesc(file_, slot, 5, 2, nullptr, &second), 0);
    EXPECT_EQ(first, second);
    omfUInt32 trackID = 0;
    ASSERT_EQ(omfsReadUInt32(file_, second, kOmfProperty_TRKD_TrackID, &trackID), 0);
    EXPECT_EQ(trackID, 2u);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;

    create(kOmfRev1x, "one.omf");
    omfObject_t track = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "TRAK", &track), 0);
    EXPECT_EQ(omfiMakeTrackDesc(file_, track, 0, 1, nullptr, &first), 174);
    EXPECT_EQ(omfiSetPhysicalTrack(file_, track, 1), 174);
    omfObject_t dataKind = nullptr;
    EXPECT_EQ(omfsDefineDataKind(file_, "omfi:data:Picture", &dataKind), 174);
    EXPECT_EQ(omfiInitComponent(file_, clip(1), 1, nullptr), 124);
}

TEST_F(MobBuilding, EffectDefinitionsAreFoundWithOrWithoutTheirPrefix) {
    create(kOmfRev2x);
    omfObject_t definition = nullptr, found = nullptr, effect = nullptr;
    ASSERT_EQ(omfiEffectDefNew(file_, "Wipe", "A wipe", "desc", false, &definition), 0);
    EXPECT_EQ(omfiEffectDefNew(file_, "omfi:effect:Wipe", nullptr, nullptr, false, &found), 143);
    omfErr_t error = 0;
    EXPECT_TRUE(omfiFindEffectDef(file_, "omfi:effect:Wipe", &found, &error));
    EXPECT_EQ(found, definition);
    EXPECT_FALSE(omfiFindEffectDef(file_, "Unknown", &found, &error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(omfiEffectNew(file_, picture_, 3, "Unknown", &effect), 144);
    reopen();
    ASSERT_TRUE(omfiFindEffectDef(file_, "Wipe", &found, &error));
    char effectID[64], name[64];
    ASSERT_EQ(
        omfiEffectDefGetInfo(file_, found, sizeof effectID, effectID, sizeof name, name, nullptr),
        0);
    EXPECT_STREQ(effectID, "omfi:effect:Wipe");
    EXPECT_STREQ(name, "A wipe");
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;

    create(kOmfRev1x, "one.omf");
    EXPECT_FALSE(omfiFindEffectDef(file_, "Wipe", &found, &error));
    EXPECT_EQ(error, 174);
}

TEST_F(MobBuilding, TwoXOnlyComponentsReadBack) {
    create(kOmfRev2x);
    omfObject_t group = nullptr, still = clip(1), choice = clip(9), pulldown = nullptr;
    ASSERT_EQ(omfiMediaGroupNew(file_, picture_, 9, &group), 0);
    ASSERT_EQ(omfiMediaGroupAddChoice(file_, group, choice), 0);
    ASSERT_EQ(omfiMediaGroupAddChoice(file_, group, clip(9)), 0);
    ASSERT_EQ(omfiMediaGroupSetStillFrame(file_, group, still), 0);
    EXPECT_EQ(omfiPulldownNew(file_, picture_, 10, kOmfTwoThreePD, static_cast<omfPulldownDir_t>(4),
                              0, clip(8), &pulldown),
              161);
    ASSERT_EQ(omfiPulldownNew(file_, picture_, 10, kOmfTwoThreePD, kOmfFilmToTapeSpeed, 3, group,
                              &pulldown),
              0);
    omfObject_t dataKind = nullptr, value = nullptr;
    omfErr_t error = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Int32", &dataKind, &error));
    const omfInt32 level = 0x01020304;
    ASSERT_EQ(omfiConstValueNew(file_, dataKind, 10, sizeof level, &level, &value), 0);

    omfInt32 count = 0;
    ASSERT_EQ(omfiMediaGroupGetNumChoices(file_, group, &count), 0);
    EXPECT_EQ(count, 2);
    omfObject_t read = nullptr;
    ASSERT_EQ(omfiMediaGroupGetStillFrame(file_, group, &read), 0);
    EXPECT_EQ(read, still);
    omfIterHdl_t iterator = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    ASSERT_EQ(omfiMediaGroupGetNextChoice(iterator, group, nullptr, &read), 0);
    EXPECT_EQ(read, choice);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
    omfPulldownKind_t kind{};
    omfPulldownDir_t direction{};
    omfInt32 phase = 0;
    ASSERT_EQ(omfiPulldownGetInfo(file_, pulldown, &kind, &direction, &phase, &read), 0);
    EXPECT_EQ(kind, kOmfTwoThreePD);
    EXPECT_EQ(direction, kOmfFilmToTapeSpeed);
    EXPECT_EQ(phase, 3);
    EXPECT_EQ(read, group);
    omfInt32 stored = 0, bytes = 0;
    ASSERT_EQ(omfiConstValueGetInfo(file_, value, nullptr, nullptr, sizeof stored, &stored, &bytes),
              0);
    EXPECT_EQ(stored, level);
    EXPECT_EQ(bytes, 4);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;

    create(kOmfRev1x, "one.omf");
    EXPECT_EQ(omfiMediaGroupNew(file_, picture_, 9, &group), 174);
    EXPECT_EQ(omfiPulldownNew(file_, picture_, 10, kOmfTwoThreePD, kOmfFilmToTapeSpeed, 0, clip(1),
                              &pulldown),
              174);
}

TEST_F(MobBuilding, OneXSelectorsAnswerNoSelectionForAnUnknownLabel) {
    create(kOmfRev1x);
    omfObject_t selector = nullptr, selected = clip(4);
    ASSERT_EQ(omfiSelectorNew(file_, picture_, 4, &selector), 0);
    ASSERT_EQ(omfiSelectorAddAlt(file_, selector, clip(4)), 0);
    ASSERT_EQ(omfiSelectorSetSelected(file_, selector, selected), 0);
    omfObject_t read = nullptr;
    ASSERT_EQ(omfiReadSelector(file_, selector, nullptr, nullptr, &read), 0);
    EXPECT_EQ(read, selected);
    ASSERT_EQ(omfsWriteInt16(file_, selector, kOmfProperty_SLCT_SelectedTrack, 9), 0);
    ASSERT_EQ(omfiReadSelector(file_, selector, nullptr, nullptr, &read), 0);
    EXPECT_EQ(read, nullptr);
    // With nothing selected, every track is an alternate.
    omfIterHdl_t iterator = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    int alternates = 0;
    while (omfiSelectorGetNextAltSlot(iterator, selector, nullptr, &read) == 0)
        ++alternates;
    EXPECT_EQ(alternates, 2);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
}

TEST_F(MobBuilding, AMobReferencedBeforeItExistsTakesOverItsEntry) {
    create(kOmfRev2x);
    const omfUID_t id{8, 8, 8};
    // Entries without a mob stand for mobs that are only referenced so far.
    ASSERT_EQ(omf::addMob(file_, id, nullptr), 0);
    omfIterHdl_t iterator = nullptr;
    omfObject_t mob = nullptr, found = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    EXPECT_EQ(omfiNextMatchingMob(iterator, nullptr, &found), 150);
    ASSERT_EQ(omfiSearchReset(file_, iterator), 0);
    ASSERT_EQ(omfiMasterMobNew(file_, "Late", false, id, &mob), 0);
    ASSERT_EQ(omfiNextMatchingMob(iterator, nullptr, &found), 0);
    EXPECT_EQ(found, mob);
    EXPECT_EQ(omfiNextMatchingMob(iterator, nullptr, &found), 150);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);

    omfUID_t fresh{};
    ASSERT_EQ(omfiMobIDNew(file_, &fresh), 0);
    EXPECT_FALSE(fresh.prefix == id.prefix && fresh.major == id.major && fresh.minor == id.minor);
    EXPECT_EQ(omfiCompMobNew(file_, "Fresh", false, fresh, &mob), 0);
}

TEST_F(MobBuilding, OneXEditRateWalkSkipsObjectsThatAreNotComponents) {
    create(kOmfRev1x);
    omfObject_t attributes = nullptr, mob = nullptr;
    omfObject_t withAttributes = clip(6);
    ASSERT_EQ(omfsObjectNew(file_, "ATTR", &attributes), 0);
    ASSERT_EQ(omfsWriteObjRef(file_, withAttributes, kOmfProperty_CPNT_Attributes, attributes), 0);
    ASSERT_EQ(omfiCompMobNew(file_, "Attributes", false, omfUID_t{2, 2, 2}, &mob), 0);
    ASSERT_EQ(
        omfiAddTrackToMob(file_, mob, omfRational_t{24, 1}, withAttributes, 0, 1, nullptr, nullptr),
        0);
    EXPECT_EQ(readRate1x(file_, withAttributes).numerator, 24);
    EXPECT_FALSE(
        omfsPropertyPresent(file_, attributes, kOmfProperty_CPNT_EditRate, kOmfType_ExactEditRate));
}

TEST_F(MobBuilding, ObjectTreeWalkDoesNotFollowReferencesBackUpItsPath) {
    create(kOmfRev2x);
    omfObject_t scope = nullptr;
    ASSERT_EQ(omfiNestedScopeNew(file_, picture_, 4, &scope), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, clip(4)), 0);
    ASSERT_EQ(omfiNestedScopeAppendSlot(file_, scope, scope), 0);
    auto scopes = [](omfHdl_t file, omfObject_t object, void*) -> omfBool {
        return omfiIsTypeOf(file, object, "NEST", nullptr);
    };
    auto accept = [](omfHdl_t, omfObject_t, omfInt32, void*) -> omfErr_t { return 0; };
    omfInt32 count = 0;
    ASSERT_EQ(omfiWalkObjectTree(file_, scope, 0, scopes, nullptr, accept, nullptr, &count), 0);
    EXPECT_EQ(count, 1);
}

TEST_F(MobBuilding, TimecodeEdgecodeAndFadesReadBackInBothRevisions) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        const std::string name = "codes" + std::to_string(revision) + ".omf";
        create(revision, name);
        omfObject_t timecode = nullptr, edgecode = nullptr, faded = clip(30), mob = nullptr;
        ASSERT_EQ(omfiTimecodeNew(file_, 30, omfTimecode_t{108000, true, 30}, &timecode), 0);
        omfEdgecode_t edge{1234, 1, 2, {'K', 'N', '1', '2', '3', '4', '5', '6'}};
        ASSERT_EQ(omfiEdgecodeNew(file_, 30, edge, &edgecode), 0);
        ASSERT_EQ(omfiSourceClipSetFade(file_, faded, 5, 1, 7, 2), 0);
        ASSERT_EQ(omfiCompMobNew(file_, "Codes", false, omfUID_t{9, 1, 1}, &mob), 0);
        ASSERT_EQ(
            omfiAddTrackToMob(file_, mob, omfRational_t{30, 1}, timecode, 0, 1, nullptr, nullptr),
            0);
        ASSERT_EQ(
            omfiAddTrackToMob(file_, mob, omfRational_t{30, 1}, edgecode, 0, 2, nullptr, nullptr),
            0);
        ASSERT_EQ(
            omfiAddTrackToMob(file_, mob, omfRational_t{30, 1}, faded, 0, 3, nullptr, nullptr), 0);
        reopen(name);
        ASSERT_EQ(findMobByName(file_, "Codes", &mob), 0);
        omfObject_t segments[3] = {};
        omfIterHdl_t iterator = nullptr;
        ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        for (omfObject_t& segment : segments) {
            omfObject_t track = nullptr;
            ASSERT_EQ(omfiNextTrackOf(iterator, mob, nullptr, &track), 0);
            ASSERT_EQ(omfiMobSlotGetInfo(file_, track, nullptr, &segment), 0);
        }
        ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);

        omfTimecode_t readTimecode{};
        omfLength_t length = 0;
        ASSERT_EQ(omfiTimecodeGetInfo(file_, segments[0], &length, &readTimecode), 0);
        EXPECT_EQ(length, 30);
        EXPECT_EQ(readTimecode.startFrame, 108000);
        EXPECT_TRUE(readTimecode.drop);
        EXPECT_EQ(readTimecode.fps, 30);
        char kind[64];
        ASSERT_EQ(omfiComponentDataKind(file_, segments[0], sizeof kind, kind), 0);
        EXPECT_STREQ(kind, "omfi:data:Timecode");

        omfEdgecode_t readEdge{};
        ASSERT_EQ(omfiEdgecodeGetInfo(file_, segments[1], nullptr, &readEdge), 0);
        EXPECT_EQ(readEdge.startFrame, 1234);
        EXPECT_EQ(readEdge.filmKind, 1);
        EXPECT_EQ(readEdge.codeFormat, 2);
        EXPECT_EQ(std::memcmp(readEdge.header, edge.header, 8), 0);

        omfLength_t fadeIn = 0, fadeOut = 0;
        omfInt32 inType = 0, outType = 0;
        omfBool inPresent = false, outPresent = false;
        ASSERT_EQ(omfiSourceClipGetFade(file_, segments[2], &fadeIn, &inType, &inPresent, &fadeOut,
                                        &outType, &outPresent),
                  0);
        EXPECT_TRUE(inPresent && outPresent);
        EXPECT_EQ(fadeIn, 5);
        EXPECT_EQ(inType, 1);
        EXPECT_EQ(fadeOut, 7);
        EXPECT_EQ(outType, 2);
        EXPECT_EQ(omfiSourceClipGetFade(file_, segments[0], &fadeIn, &inType, &inPresent, &fadeOut,
                                        &outType, &outPresent),
                  127);

        omfTimeStamp_t modified{}, created{};
        omfUID_t id{};
        ASSERT_EQ(omfiMobGetInfo(file_, mob, &id, 0, nullptr, &modified, &created), 0);
        EXPECT_EQ(id.minor, 1u);
        EXPECT_GT(modified.TimeVal, 0u);
        EXPECT_EQ(created.TimeVal > 0, revision == kOmfRev2x);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_F(MobBuilding, TwoXDefaultFadesAndEditRateConverters) {
    create(kOmfRev2x);
    omfObject_t mob = nullptr, master = nullptr, converter = nullptr, input = clip(50);
    ASSERT_EQ(omfiCompMobNew(file_, "Fades", false, omfUID_t{9, 2, 1}, &mob), 0);
    ASSERT_EQ(omfiMasterMobNew(file_, "Master", false, omfUID_t{9, 2, 2}, &master), 0);
    omfBool present = true;
    ASSERT_EQ(omfiCompMobGetDefaultFade(file_, mob, nullptr, nullptr, nullptr, &present), 0);
    EXPECT_FALSE(present);
    ASSERT_EQ(omfiCompMobSetDefaultFade(file_, mob, 12, 1, omfRational_t{25, 1}), 0);
    EXPECT_EQ(omfiCompMobSetDefaultFade(file_, master, 12, 1, omfRational_t{25, 1}), 165);
    ASSERT_EQ(omfiEditRateConverterNew(file_, picture_, 25, omfRational_t{50, 1}, 10, 5, input,
                                       &converter),
              0);
    omfLength_t length = 0;
    omfInt32 type = 0;
    omfRational_t unit{};
    ASSERT_EQ(omfiCompMobGetDefaultFade(file_, mob, &length, &type, &unit, &present), 0);
    EXPECT_TRUE(present);
    EXPECT_EQ(length, 12);
    EXPECT_EQ(type, 1);
    EXPECT_EQ(unit.numerator, 25);
    omfRational_t rate{};
    omfPosition_t inputOffset = 0, resultOffset = 0;
    omfObject_t read = nullptr;
    ASSERT_EQ(
        omfiEditRateConverterGetInfo(file_, converter, &rate, &inputOffset, &resultOffset, &read),
        0);
    EXPECT_EQ(rate.numerator, 50);
    EXPECT_EQ(inputOffset, 10);
    EXPECT_EQ(resultOffset, 5);
    EXPECT_EQ(read, input);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;

    create(kOmfRev1x, "one.omf");
    EXPECT_EQ(omfiEditRateConverterNew(file_, picture_, 25, omfRational_t{50, 1}, 0, 0, clip(3),
                                       &converter),
              174);
    EXPECT_EQ(omfiCompMobSetDefaultFade(file_, nullptr, 1, 1, omfRational_t{25, 1}), 174);
}

TEST_F(MobBuilding, AnArrayThatChangesDuringItsWalkIsReported) {
    create(kOmfRev2x);
    omfObject_t sequence = nullptr, component = nullptr;
    ASSERT_EQ(omfiSequenceNew(file_, picture_, &sequence), 0);
    ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, clip(2)), 0);
    omfIterHdl_t iterator = nullptr;
    ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
    ASSERT_EQ(omfiSequenceGetNextCpnt(iterator, sequence, nullptr, &component), 0);
    ASSERT_EQ(omfiSequenceAppendCpnt(file_, sequence, clip(3)), 0);
    EXPECT_EQ(omfiSequenceGetNextCpnt(iterator, sequence, nullptr, &component), 153);
    // After a reset the walk sees both components.
    ASSERT_EQ(omfiSearchReset(file_, iterator), 0);
    int seen = 0;
    while (omfiSequenceGetNextCpnt(iterator, sequence, nullptr, &component) == 0)
        ++seen;
    EXPECT_EQ(seen, 2);
    ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
}

} // namespace

namespace {

// Writes `files` files named "<writer>-<n>.omf", each with a composition and a
// master mob under new IDs; the status of a process that ends after it.
int writeFilesWithNewIDs(const std::string& folder, omfSessionHdl_t session, int writer,
                         int files) {
    for (int n = 0; n < files; ++n) {
        const std::string name =
            folder + "/" + std::to_string(writer) + "-" + std::to_string(n) + ".omf";
        omfHdl_t file = nullptr;
        omfMobID_t ids[2]{};
        omfObject_t mob = nullptr;
        if (omfsNewFile(name.c_str(), session, n % 2 ? kOmfRev2x : kOmfRev1x, &file) != 0 ||
            omfiMobIDNew(file, &ids[0]) != 0 ||
            omfiCompMobNew(file, "Edit", false, ids[0], &mob) != 0 ||
            omfiMobIDNew(file, &ids[1]) != 0 ||
            omfiMasterMobNew(file, "Clip", false, ids[1], &mob) != 0 || omfsCloseOMFFile(file) != 0)
            return 1;
    }
    return 0;
}

class MobIDs : public ToolkitTest {};

TEST_F(MobIDs, FilesWrittenByFourProcessesAtOnceShareNoID) {
    constexpr int kWriters = 4;
    constexpr int kFilesEach = 250;
    // The writers are forked from a process that has made IDs of its own.
    ASSERT_EQ(writeFilesWithNewIDs(dir_.string(), session_, kWriters, 1), 0);
    std::vector<pid_t> writers;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t pid = fork();
        if (pid == 0) _exit(writeFilesWithNewIDs(dir_.string(), session_, writer, kFilesEach));
        ASSERT_GT(pid, 0);
        writers.push_back(pid);
    }
    for (pid_t pid : writers) {
        int status = -1;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    const uint32_t prefix = 42 + static_cast<uint32_t>(testIdentification().productID);
    std::set<std::tuple<uint32_t, uint32_t, uint32_t>> seen;
    std::string repeated; // the first ID found twice
    for (int writer = 0; writer <= kWriters; ++writer) {
        for (int n = 0; n < (writer < kWriters ? kFilesEach : 1); ++n) {
            omfHdl_t file = nullptr;
            const std::string name = std::to_string(writer) + "-" + std::to_string(n) + ".omf";
            ASSERT_EQ(omfsOpenFileForRead(path(name).c_str(), session_, &file), 0) << name;
            omfIterHdl_t iterator = nullptr;
            ASSERT_EQ(omfiMobOpenSearch(file, &iterator), 0);
            omfObject_t mob = nullptr;
            while (omfiNextMatchingMob(iterator, nullptr, &mob) == 0) {
                omfUID_t id{};
                ASSERT_EQ(omfiReadMobID(file, mob, &id), 0);
                EXPECT_EQ(id.prefix, prefix);
                if (!seen.insert({id.prefix, id.major, id.minor}).second && repeated.empty())
                    repeated = name + ": " + std::to_string(id.prefix) + "." +
                               std::to_string(id.major) + "." + std::to_string(id.minor);
            }
            ASSERT_EQ(omfiSearchDispose(file, iterator), 0);
            ASSERT_EQ(omfsCloseOMFFile(file), 0);
        }
    }
    EXPECT_EQ(repeated, "");
    EXPECT_EQ(seen.size(), 2u * (kWriters * kFilesEach + 1));
}

} // namespace
