// Sample rates in the 80-bit IEEE 754 extended form AIFC headers keep
// (big-endian: sign and 15-bit exponent biased by 16383, then a 64-bit
// mantissa with an explicit integer bit), and rates as rationals.
#pragma once

#include "omf/omf_types.h"

#include <cstdint>

namespace omf::codecs::audio {

constexpr int kExtendedBytes = 10;

double extendedToDouble(const uint8_t bytes[kExtendedBytes]);
void doubleToExtended(double value, uint8_t bytes[kExtendedBytes]);

// A rate as a rational: whole rates over 1, others as the closest fraction
// with a denominator up to 1001000 (29.97 is 30000/1001). Rates that are not
// finite, are negative or do not fit 32 bits are 0/1.
omfRational_t rateFromDouble(double value);
// 0 when the denominator is 0.
double rateToDouble(omfRational_t rate);

} // namespace omf::codecs::audio
