#include "master_mob_search.h"

#include "mob_search.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"

namespace omftool {

namespace {

// The first track of a master mob with data kind `kind` that resolves to a file mob, or 0.
omfTrackID_t trackOfKind(omfHdl_t file, omfObject_t mob, omfObject_t kind) {
    MobSearch tracks(file);
    omfObject_t track = nullptr;
    while (omfiNextTrackOf(tracks.get(), mob, nullptr, &track) == 0) {
        omfRational_t editRate{};
        omfPosition_t origin = 0;
        omfTrackID_t trackID = 0;
        omfObject_t segment = nullptr;
        omfObject_t dataKind = nullptr;
        omfLength_t length = 0;
        char trackName[128] = {};
        if (omfiTrackGetInfo(file, mob, track, &editRate, sizeof trackName, trackName, &origin,
                             &trackID, &segment) != 0 ||
            omfiComponentGetInfo(file, segment, &dataKind, &length) != 0 || dataKind != kind) {
            continue;
        }
        omfSourceSearchResult_t result{};
        omfObject_t found = nullptr;
        if (FindSource(file, mob, trackID, 0, kFileMob, nullptr, kOmfNoEffectChoice, &found,
                       &result) == 0 &&
            result.mob != nullptr) {
            return trackID;
        }
    }
    return 0;
}

std::string mobName(omfHdl_t file, omfObject_t mob) {
    char name[256] = {};
    if (omfiMobGetName(file, mob, sizeof name, name) != 0) return std::string();
    return name;
}

} // namespace

bool findMasterMob(omfHdl_t file, const MediaKind& kind, const MasterMobChoice& choice,
                   MediaMob& found, MediaFailure& failure) {
    const bool byName = !choice.name.empty();
    const std::string media = kind.word;
    const std::string wanted =
        byName ? "no master mob named \"" + choice.name + "\" has " + media + " media"
               : "the file has fewer than " + std::to_string(choice.index) + " master mobs with " +
                     media + " media";
    omfObject_t dataKind = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kind.dataKind, &dataKind, &status)) {
        return fail(failure, OM_ERR_MOB_NOT_FOUND, wanted);
    }
    MobSearch mobs(file);
    omfObject_t mob = nullptr;
    int64_t seen = 0;
    while (omfiNextMatchingMob(mobs.get(), nullptr, &mob) == 0) {
        omfErr_t error = 0;
        if (!omfiMobIsMaster(file, mob, &error)) continue;
        const std::string name = mobName(file, mob);
        if (byName && name != choice.name) continue;
        const omfTrackID_t trackID = trackOfKind(file, mob, dataKind);
        if (trackID == 0) continue;
        if (byName || ++seen == choice.index) {
            found = {mob, trackID, name};
            return true;
        }
    }
    return fail(failure, OM_ERR_MOB_NOT_FOUND, wanted);
}

} // namespace omftool
