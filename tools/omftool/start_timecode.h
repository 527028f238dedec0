// The clock a start timecode counts on, so that its frames become samples since midnight.
#pragma once

#include "edit_timeline.h"

namespace omftool {

// The rate `timecode` counts frames at, in frames a second: the edit rate itself when that is
// not whole and the timecode counts its nominal frames (30 at 30000/1001), else the
// timecode's own rate.
omfRational_t timecodeClock(const TimelineTimecode& timecode, omfRational_t editRate);

} // namespace omftool
