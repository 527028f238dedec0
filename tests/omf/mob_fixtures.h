// Compositions built in code for tests, in 1.x and 2.x files:
//   - two file mobs ("File 1" at 25 frames per second, 100 frames; "File 2"
//     at 50 per second, 200 samples), each with one picture track (ID 1)
//     holding a source clip that ends the chain;
//   - two picture master mobs ("Master 1", "Master 2"), one picture track
//     (ID 1, 25/1) each, a clip of 100 frames onto track 1 of their file mob;
//   - a composition ("Composition"; primary in 2.x files) with a picture
//     track (ID 1, 25/1, origin 0) holding a sequence of
//       clip 10 (Master 1 @0), filler 5, transition 4 (cut point 2),
//       clip 20 (Master 2 @10), effect 8 around a clip (Master 1 @20,
//       argument fixtureEffectInput),
//       nested scope 6 (slot 1: clip Master 2 @0; slot 2: scope reference
//       0/1), selector 7 (selected clip Master 1 @30, alternate clip
//       Master 2 @30)
//     (length 10 + 5 - 4 + 20 + 8 + 6 + 7 = 52), and a sound track (ID 2)
//     holding a filler of 52.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <string>

namespace omf_test {

#define MOB_FIXTURE_CHECK(expression)                                                              \
    do {                                                                                           \
        omfErr_t mobFixtureStatus_ = (expression);                                                 \
        if (mobFixtureStatus_ != 0) return mobFixtureStatus_;                                      \
    } while (0)

// The mob IDs of the fixture.
struct MobFixtureIDs {
    omfUID_t file1{7, 1, 1};
    omfUID_t file2{7, 1, 2};
    omfUID_t master1{7, 1, 3};
    omfUID_t master2{7, 1, 4};
    omfUID_t composition{7, 1, 5};
};

constexpr omfLength_t kFixtureSequenceLength = 52;
constexpr const char* kFixtureTransitionEffect = "omfi:effect:SimpleVideoDissolve";
constexpr const char* kFixtureEffect = "omfi:effect:VideoFadeToBlack";
constexpr const char* kFixtureTransitionEffect1x = "Blend:Dissolve";
constexpr const char* kFixtureEffect1x = "Fade:ToBlack";
// The effect's input argument: -1 in 2.x files; 1.x effect inputs are
// tracks, whose label numbers cannot be negative.
inline omfInt32 fixtureEffectInput(bool is2x) {
    return is2x ? -1 : 1;
}

inline bool fixtureIs2x(omfHdl_t file) {
    omfFileRev_t revision{};
    omfsFileRevision(file, &revision);
    return revision == kOmfRev2x;
}

// The picture and sound data kinds of a file (1.x tokens or 2.x DDEFs).
inline omfErr_t fixtureDataKinds(omfHdl_t file, omfObject_t* picture, omfObject_t* sound) {
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", picture, &status))
        return status ? status : 124;
    if (!omfsFindDataKind(file, "omfi:data:Sound", sound, &status)) return status ? status : 124;
    return 0;
}

inline omfErr_t fixtureClip(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                            omfUID_t source, omfPosition_t start, omfObject_t* clip) {
    omfSourceRef_t ref{source, 1, start};
    return omfiMakeSourceClip(file, dataKind, length, ref, clip);
}

// A file mob and the master mob that refers to it.
inline omfErr_t buildMasterWithFileMob(omfHdl_t file, const std::string& index,
                                       omfRational_t fileRate, omfLength_t fileLength,
                                       omfUID_t fileID, omfUID_t masterID, omfObject_t* master) {
    omfObject_t picture = nullptr, sound = nullptr;
    MOB_FIXTURE_CHECK(fixtureDataKinds(file, &picture, &sound));
    omfObject_t descriptor = nullptr, fileMob = nullptr, fileClip = nullptr;
    MOB_FIXTURE_CHECK(omfiFileDescriptorNew(file, "MDFL", fileRate, fileLength, &descriptor));
    MOB_FIXTURE_CHECK(
        omfiSourceMobNew(file, ("File " + index).c_str(), fileID, descriptor, &fileMob));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, fileLength, omfUID_t{0, 0, 0}, 0, &fileClip));
    MOB_FIXTURE_CHECK(omfiAddTrackToMob(file, fileMob, fileRate, fileClip, 0, 1, nullptr, nullptr));
    omfObject_t masterClip = nullptr;
    MOB_FIXTURE_CHECK(omfiMasterMobNew(file, ("Master " + index).c_str(), false, masterID, master));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 100, fileID, 0, &masterClip));
    MOB_FIXTURE_CHECK(
        omfiAddTrackToMob(file, *master, omfRational_t{25, 1}, masterClip, 0, 1, "V1", nullptr));
    return 0;
}

// The transition's effect: an EFFE of its definition in 2.x files; 1.x
// transitions carry the effect ID themselves.
inline omfErr_t fixtureTransition(omfHdl_t file, omfObject_t picture, omfObject_t* transition) {
    if (!fixtureIs2x(file)) {
        MOB_FIXTURE_CHECK(omfiTransitionNew(file, picture, 4, 2, nullptr, transition));
        return omfsWriteString(file, *transition, kOmfProperty_CPNT_EffectID,
                               kFixtureTransitionEffect1x);
    }
    omfObject_t effect = nullptr;
    MOB_FIXTURE_CHECK(omfiEffectNew(file, picture, 4, kFixtureTransitionEffect, &effect));
    return omfiTransitionNew(file, picture, 4, 2, effect, transition);
}

// Builds the fixture into an open file.
inline omfErr_t buildMobFixture(omfHdl_t file, const MobFixtureIDs& ids = MobFixtureIDs{}) {
    bool is2x = fixtureIs2x(file);
    omfObject_t picture = nullptr, sound = nullptr;
    MOB_FIXTURE_CHECK(fixtureDataKinds(file, &picture, &sound));
    if (is2x) {
        omfObject_t definition = nullptr;
        MOB_FIXTURE_CHECK(omfiEffectDefNew(file, kFixtureTransitionEffect, "Dissolve", nullptr,
                                           false, &definition));
        MOB_FIXTURE_CHECK(
            omfiEffectDefNew(file, kFixtureEffect, "Fade to black", nullptr, false, &definition));
    }
    omfObject_t master1 = nullptr, master2 = nullptr;
    MOB_FIXTURE_CHECK(buildMasterWithFileMob(file, "1", omfRational_t{25, 1}, 100, ids.file1,
                                             ids.master1, &master1));
    MOB_FIXTURE_CHECK(buildMasterWithFileMob(file, "2", omfRational_t{50, 1}, 200, ids.file2,
                                             ids.master2, &master2));

    omfObject_t sequence = nullptr, part = nullptr;
    MOB_FIXTURE_CHECK(omfiSequenceNew(file, picture, &sequence));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 10, ids.master1, 0, &part));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    MOB_FIXTURE_CHECK(omfiFillerNew(file, picture, 5, &part));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    MOB_FIXTURE_CHECK(fixtureTransition(file, picture, &part));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 20, ids.master2, 10, &part));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));

    omfObject_t effect = nullptr, input = nullptr;
    MOB_FIXTURE_CHECK(
        omfiEffectNew(file, picture, 8, is2x ? kFixtureEffect : kFixtureEffect1x, &effect));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 8, ids.master1, 20, &input));
    MOB_FIXTURE_CHECK(omfiEffectAddNewSlot(file, effect, fixtureEffectInput(is2x), input, nullptr));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, effect));

    omfObject_t scope = nullptr, scoped = nullptr, reference = nullptr;
    MOB_FIXTURE_CHECK(omfiNestedScopeNew(file, picture, 6, &scope));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 6, ids.master2, 0, &scoped));
    MOB_FIXTURE_CHECK(omfiNestedScopeAppendSlot(file, scope, scoped));
    MOB_FIXTURE_CHECK(omfiScopeRefNew(file, picture, 6, 0, 1, &reference));
    MOB_FIXTURE_CHECK(omfiNestedScopeAppendSlot(file, scope, reference));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, scope));

    omfObject_t selector = nullptr, selected = nullptr, alternate = nullptr;
    MOB_FIXTURE_CHECK(omfiSelectorNew(file, picture, 7, &selector));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 7, ids.master1, 30, &selected));
    MOB_FIXTURE_CHECK(omfiSelectorSetSelected(file, selector, selected));
    MOB_FIXTURE_CHECK(fixtureClip(file, picture, 7, ids.master2, 30, &alternate));
    MOB_FIXTURE_CHECK(omfiSelectorAddAlt(file, selector, alternate));
    MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, selector));

    omfObject_t composition = nullptr, silence = nullptr;
    MOB_FIXTURE_CHECK(omfiCompMobNew(file, "Composition", is2x, ids.composition, &composition));
    MOB_FIXTURE_CHECK(omfiAddTrackToMob(file, composition, omfRational_t{25, 1}, sequence, 0, 1,
                                        "Picture", nullptr));
    MOB_FIXTURE_CHECK(omfiFillerNew(file, sound, kFixtureSequenceLength, &silence));
    MOB_FIXTURE_CHECK(omfiAddTrackToMob(file, composition, omfRational_t{25, 1}, silence, 0, 2,
                                        "Sound", nullptr));
    return 0;
}

// Creates `path` of `revision`, builds the fixture and closes the file.
inline omfErr_t writeMobFixtureFile(omfSessionHdl_t session, const std::string& path,
                                    omfFileRev_t revision) {
    omfHdl_t file = nullptr;
    MOB_FIXTURE_CHECK(omfsNewFile(path.c_str(), session, revision, &file));
    omfErr_t status = buildMobFixture(file);
    omfErr_t closed = omfsCloseOMFFile(file);
    return status != 0 ? status : closed;
}

// The first mob named `name`, through a name search.
inline omfErr_t findMobByName(omfHdl_t file, const char* name, omfObject_t* mob) {
    omfIterHdl_t iterator = nullptr;
    MOB_FIXTURE_CHECK(omfiMobOpenSearch(file, &iterator));
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByName;
    criteria.tags.name = name;
    omfErr_t status = omfiNextMatchingMob(iterator, &criteria, mob);
    omfiSearchDispose(file, iterator);
    return status;
}

// The segment of the track with `trackID` of a mob.
inline omfErr_t findTrackSegment(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                                 omfObject_t* segment) {
    omfIterHdl_t iterator = nullptr;
    MOB_FIXTURE_CHECK(omfiMobOpenSearch(file, &iterator));
    omfObject_t track = nullptr;
    omfErr_t status = 0;
    while ((status = omfiNextTrackOf(iterator, mob, nullptr, &track)) == 0) {
        omfTrackID_t id = 0;
        status = omfiTrackGetInfo(file, mob, track, nullptr, 0, nullptr, nullptr, &id, segment);
        if (status != 0 || id == trackID) break;
    }
    omfiSearchDispose(file, iterator);
    return status;
}

} // namespace omf_test
