#include "source_resolution.h"

#include <cstring>

#include "locator_path.h"
#include "mob_iterator.h"
#include "omf/omf_access.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"

namespace omfplugin {

namespace {

bool SameMobID(const omfUID_t& a, const omfUID_t& b) {
    return a.prefix == b.prefix && a.major == b.major && a.minor == b.minor;
}

omfObject_t FindMob(omfHdl_t file, const omfMobID_t& id) {
    MobIterator search(file);
    if (search.OpenError()) return nullptr;
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobID;
    criteria.tags.mobID = id;
    omfObject_t mob = nullptr;
    return omfiNextMatchingMob(search.get(), &criteria, &mob) == 0 ? mob : nullptr;
}

// Whether a 1.x file holds media data for the mob (its HEAD's media data index names it).
bool HoldsMediaData1x(omfHdl_t file, const omfMobID_t& id) {
    omfObject_t head = nullptr;
    if (omfsGetHeadObject(file, &head) != 0) return false;
    const omfInt32 count = omfsLengthMobIndex(file, head, kOmfProperty_MediaData);
    for (omfInt32 index = 1; index <= count; ++index) {
        omfUID_t dataID{};
        if (omfsGetNthMobIndex(file, head, kOmfProperty_MediaData, index, &dataID, nullptr) == 0 &&
            SameMobID(dataID, id)) {
            return true;
        }
    }
    return false;
}

} // namespace

void ResolveSourceClip(omfHdl_t file, omfFileRev_t revision, omfObject_t clip,
                       SegmentEntry& segment) {
    omfSourceRef_t reference{};
    if (omfiSourceClipGetRef(file, clip, &reference) != 0) return;
    segment.SourceOffset = static_cast<int32_t>(reference.startTime);
    omfObject_t sourceMob = FindMob(file, reference.sourceID);
    if (!sourceMob) return;
    segment.SourceMob = sourceMob;
    omfiMobGetName(file, sourceMob, sizeof segment.MobName, segment.MobName);
    segment.MobName[sizeof segment.MobName - 1] = '\0';

    if (revision > kOmfRev2x) return;
    const bool is1x = revision != kOmfRev2x;
    omfErr_t error = 0;
    if (omfiMobIsComposition(file, sourceMob, &error)) return;

    omfSourceSearchResult_t found{};
    if (FindSource(file, sourceMob, reference.sourceTrackID, 0, kFileMob, nullptr,
                   kOmfNoEffectChoice, nullptr, &found) != 0 ||
        !found.mob) {
        return;
    }
    omfMobID_t fileMobID{};
    char fileMobName[kTimelineTextSize] = {};
    if (omfiReadMobID(file, found.mob, &fileMobID) != 0) return;
    omfiMobGetName(file, found.mob, sizeof fileMobName - 1, fileMobName);
    const bool named = fileMobName[0] != '\0';
    omfObject_t descriptor = nullptr;
    omfiMobGetDescriptor(file, found.mob, &descriptor);
    const omfInt32 locators =
        descriptor ? omfsLengthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator) : 0;

    if (locators <= 0) {
        if (is1x && named && !HoldsMediaData1x(file, fileMobID))
            NormaliseLocatorPath(fileMobName, segment.Path);
        return;
    }
    for (omfInt32 index = 1; index <= locators; ++index) {
        omfObject_t locator = nullptr;
        if (omfsGetNthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator, &locator, index) !=
            0) {
            return;
        }
        char type[4] = {};
        char text[kLocatorPathSize + 1] = {};
        if (omfmReadLocator(file, locator, type, kLocatorPathSize, text) != 0) {
            if (is1x && named) NormaliseLocatorPath(fileMobName, segment.Path);
            return;
        }
        NormaliseLocatorPath(text, segment.Path); // the last readable locator wins
    }
}

} // namespace omfplugin
