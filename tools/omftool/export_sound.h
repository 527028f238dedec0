// omftool export's sound: a master track's media written whole as a Broadcast WAVE file and,
// with clips asked for, one file per clip that plays it, all from one pass over the media.
#pragma once

#include "edit_timeline.h"
#include "export_folder.h"
#include "export_plan.h"
#include "media_failure.h"

namespace omftool {

struct SoundExportSettings {
    bool clips = false;
    double handleSeconds = 0;
    TimelineTimecode start;        // the timeline's start
    omfRational_t editRate{25, 1}; // the timeline's
};

// Writes the files of `master` into `folder`, each named in its manifest once complete; false
// with the cause (nothing when SIGINT or SIGTERM arrived).
bool exportSoundMaster(omfHdl_t file, const MasterUse& master, const SoundExportSettings& settings,
                       ExportFolder& folder, MediaFailure& failure);

} // namespace omftool
