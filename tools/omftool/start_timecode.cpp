#include "start_timecode.h"

#include "timecode.h"

namespace omftool {

omfRational_t timecodeClock(const TimelineTimecode& timecode, omfRational_t editRate) {
    if (editRate.denominator != 0 && editRate.numerator % editRate.denominator != 0 &&
        timecodeRateOf(editRate).framesPerSecond == timecode.framesPerSecond)
        return editRate;
    return omfRational_t{omfInt32(timecode.framesPerSecond), 1};
}

} // namespace omftool
