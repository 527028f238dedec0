// manifest.json of omftool export: what each written file holds and where it came from.
#pragma once

#include "omf/omf_mobs.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace omftool {

struct ExportedFile {
    std::string path; // relative to the folder; empty for a master whose media is missing
    std::string kind; // "sound", "picture", "timeline", "edl"
    std::string masterMob;
    std::string mobID;
    omfTrackID_t trackID = 0; // the master's track, or the composition track of a clip
    std::optional<int> clip;  // the clip's index among its track's clips
    int64_t sourceStart = 0;  // in the media's samples or frames, handles included
    int64_t length = 0;
    std::optional<int64_t> timelineStart; // clips: the first unit's place on the timeline
    double sampleRate = 0;                // samples or frames a second
    int channels = 0;
    int bits = 0;
    bool missing = false;
};

struct ExportManifest {
    std::string source;      // the OMF file as given
    std::string composition; // its name
    omfRational_t editRate{0, 1};
    std::string startTimecode;
    std::vector<ExportedFile> files;
};

nlohmann::ordered_json manifestJson(const ExportManifest& manifest);

} // namespace omftool
