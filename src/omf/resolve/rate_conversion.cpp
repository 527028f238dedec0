// Offset conversion between edit rates and through 2:3 pulldowns.
#include "omf/omf_errors.h"
#include "omf/omf_resolve.h"

#include <limits>

namespace {

using Wide = __int128;

// Quotient rounded toward negative infinity (the divisor is non-zero).
Wide floorDivide(Wide dividend, Wide divisor) {
    Wide quotient = dividend / divisor;
    if ((dividend % divisor != 0) && ((dividend < 0) != (divisor < 0))) --quotient;
    return quotient;
}

// Cadence of 2:3 pulldown: five video frames show four film frames.
constexpr omfInt64 kVideoFramesPerCycle = 5;
constexpr omfInt64 kFilmFramesPerCycle = 4;

omfInt64 cadencePhase(omfInt32 phase) {
    omfInt64 reduced = phase % kVideoFramesPerCycle;
    return reduced < 0 ? reduced + kVideoFramesPerCycle : reduced;
}

// The film frame shown by cadence position w (counted from a film frame 0
// that starts a cycle).
Wide filmAt(Wide cadencePosition) {
    return floorDivide(cadencePosition * kFilmFramesPerCycle, kVideoFramesPerCycle);
}

} // namespace

extern "C" {

omfErr_t omfiConvertEditRate(omfRational_t from, omfPosition_t offset, omfRational_t to,
                             omfPosition_t* converted) {
    if (converted == nullptr) return OM_ERR_NULL_PARAM;
    if (from.numerator == 0 || from.denominator == 0 || to.numerator == 0 || to.denominator == 0) {
        return OM_ERR_ILLEGAL_EDIT_RATE;
    }
    // offset x from.den x to.num stays within 64 + 32 + 32 bits.
    Wide numerator = Wide(offset) * from.denominator * to.numerator;
    Wide denominator = Wide(from.numerator) * to.denominator;
    Wide result = floorDivide(numerator, denominator);
    if (result > std::numeric_limits<omfInt64>::max() ||
        result < std::numeric_limits<omfInt64>::min()) {
        return OM_ERR_INT64_OVERFLOW;
    }
    *converted = static_cast<omfPosition_t>(result);
    return 0;
}

// Video frame v of a pulldown sits at cadence position v + phase; it shows
// the film frame of that position, counted from the film frame shown at
// the pulldown's first video frame.
omfPosition_t omfiPulldownVideoToFilm(omfPosition_t videoFrame, omfInt32 phase) {
    omfInt64 p = cadencePhase(phase);
    return static_cast<omfPosition_t>(filmAt(Wide(videoFrame) + p) - filmAt(p));
}

// A film frame maps to the last video frame that shows it, so that film ->
// video -> film gives the frame back and film frame 0 never maps before the
// pulldown's first video frame.
omfPosition_t omfiPulldownFilmToVideo(omfPosition_t filmFrame, omfInt32 phase) {
    omfInt64 p = cadencePhase(phase);
    Wide absoluteFilm = Wide(filmFrame) + filmAt(p);
    // The first cadence position showing the next film frame, less one.
    Wide nextStart = -floorDivide(-(absoluteFilm + 1) * kVideoFramesPerCycle, kFilmFramesPerCycle);
    return static_cast<omfPosition_t>(nextStart - 1 - p);
}

} // extern "C"
