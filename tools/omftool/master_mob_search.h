// Choosing a master mob by the media it has: the first one of a name, or the N-th in mob-table
// order, among the master mobs with a track of one data kind that resolves to a file mob.
#pragma once

#include "media_failure.h"

#include "omf/omf_mobs.h"

#include <cstdint>
#include <string>

namespace omftool {

// A kind of media: its data kind, and the word naming it in messages and help.
struct MediaKind {
    const char* dataKind;
    const char* word;
};
inline constexpr MediaKind kPictureMedia{"omfi:data:Picture", "picture"};
inline constexpr MediaKind kSoundMedia{"omfi:data:Sound", "sound"};

// Which master mob: the first one named `name`, or (when `name` is empty) the `index`-th in
// mob-table order, counted from 1, among those with media of the kind asked for.
struct MasterMobChoice {
    std::string name;
    int64_t index = 0;
};

struct MediaMob {
    omfObject_t mob = nullptr;
    omfTrackID_t trackID = 0; // its first track of the kind that resolves to a file mob
    std::string name;
};

// Finds the chosen master mob with media of `kind`; false with OM_ERR_MOB_NOT_FOUND when there
// is none (or the file defines no such data kind).
bool findMasterMob(omfHdl_t file, const MediaKind& kind, const MasterMobChoice& choice,
                   MediaMob& found, MediaFailure& failure);

} // namespace omftool
