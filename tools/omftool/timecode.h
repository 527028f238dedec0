// SMPTE timecode as text: frame counts at a whole number of frames a second, with drop-frame
// counting for the 30000/1001 and 60000/1001 rates.
#pragma once

#include "omf/omf_types.h"

#include <cstdint>
#include <optional>
#include <string>

namespace omftool {

// How a timeline counts its frames.
struct TimecodeRate {
    unsigned framesPerSecond = 25; // nominal: 24, 25, 30, 50, 60...
    bool drop = false;             // 30000/1001 and 60000/1001 drop frame numbers
};

// The timecode rate of an edit rate: the nearest whole number of frames a second, drop frame
// for the NTSC rates 30000/1001 and 60000/1001.
TimecodeRate timecodeRateOf(omfRational_t editRate);

// "HH:MM:SS:FF" ("HH:MM:SS;FF" when dropping) of `frame` counted from 00:00:00:00; hours wrap
// at 24.
std::string timecodeText(int64_t frame, TimecodeRate rate);

// The frame count of "HH:MM:SS:FF" (or with ';' or '.' before the frames); nothing when the
// text is not a timecode of that rate (fields out of range, a dropped frame number).
std::optional<int64_t> parseTimecode(const std::string& text, TimecodeRate rate);

// `units` of `editRate` as frames of `rate`, rounded to the nearest.
int64_t unitsToFrames(int64_t units, omfRational_t editRate, TimecodeRate rate);

} // namespace omftool
