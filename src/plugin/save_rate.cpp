#include "save_rate.h"

#include <cmath>
#include <cstdint>

namespace omfplugin {

namespace {

// NTSC rates are whole rates slowed by 1000/1001; a rate this close to one is taken as it.
constexpr omfInt32 kNTSCDenominator = 1001;
constexpr omfInt32 kNTSCNumerators[] = {24000, 30000, 48000, 60000, 120000};
constexpr double kNTSCTolerance = 0.001;
constexpr omfInt32 kRateDenominator = 100;

omfInt32 RateInHundredths(double framesPerSecond) {
    const double hundredths = framesPerSecond * kRateDenominator + 0.5;
    if (!(hundredths > 0.0)) return 0;
    if (hundredths >= double(INT32_MAX)) return INT32_MAX;
    return static_cast<omfInt32>(hundredths);
}

} // namespace

omfRational_t SaveRate(double framesPerSecond) {
    for (const omfInt32 numerator : kNTSCNumerators) {
        if (std::fabs(framesPerSecond - double(numerator) / kNTSCDenominator) < kNTSCTolerance)
            return {numerator, kNTSCDenominator};
    }
    return {RateInHundredths(framesPerSecond), kRateDenominator};
}

} // namespace omfplugin
