// The "timeline" command: a file's compositions as an OpenTimelineIO document or a CMX 3600 EDL.
#pragma once

#include "omf/omf_mobs.h"

#include <ostream>
#include <string>
#include <vector>

namespace omftool {

enum class TimelineFormat { kOtio, kEdl };

struct TimelineOptions {
    std::string file;
    std::string composition; // "N" (from 1, in mob-table order) or a name; empty: every one
    TimelineFormat format = TimelineFormat::kOtio;
    std::string output; // empty: standard output
    std::vector<std::string> mediaFolders;
    bool clip1 = false;
    std::vector<omfTrackID_t> tracks; // empty: every picture and sound track
    std::string start;                // a timecode for the timeline's start; empty: its own
};

// Runs the command; answers the exit status (2 with the cause on `err` when the file, an option
// or the output cannot be used).
int runTimeline(const TimelineOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
