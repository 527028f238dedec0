// A timeline as a CMX 3600 edit decision list: cuts and dissolves of one picture track and up to
// four sound tracks, record timecodes from the timeline's start, source timecodes from each
// source's timecode.
#pragma once

#include "edit_timeline.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace omftool {

// Sound tracks one list holds (A, A2, A3, A4).
inline constexpr std::size_t kEdlSoundTracks = 4;
// The record start when the timeline has no timecode and none is given: 01:00:00:00.
inline constexpr int64_t kEdlDefaultStartHours = 1;

struct EdlOptions {
    // The tracks listed, by track ID: at most one picture track and four sound tracks. Empty:
    // the first picture track and the first four sound tracks.
    std::vector<omfTrackID_t> tracks;
    // The record timecode of the timeline's start, in frames of its timecode rate; unset: the
    // timeline's own start timecode, else 01:00:00:00.
    std::optional<int64_t> startFrame;
};

// The list as text into `text`; false with the reason in `why` for tracks the list cannot hold
// (an unknown track ID, two picture tracks, more than four sound tracks). What CMX 3600 cannot
// say (nested stacks, effects other than speed and dissolves) goes into comment lines.
bool timelineEdl(const EditTimeline& timeline, const EdlOptions& options, std::string& text,
                 std::string& why);

} // namespace omftool
