// Conversions between 80-bit extended numbers, doubles and rationals.
#include "audio/extended_rate.h"

#include <cmath>
#include <limits>

namespace omf::codecs::audio {

namespace {

constexpr int kExponentBias = 16383;
constexpr int kLargestDenominator = 1001000;

} // namespace

double extendedToDouble(const uint8_t bytes[kExtendedBytes]) {
    const bool negative = (bytes[0] & 0x80) != 0;
    const int exponent = ((bytes[0] & 0x7F) << 8) | bytes[1];
    uint64_t mantissa = 0;
    for (int i = 2; i < kExtendedBytes; ++i)
        mantissa = (mantissa << 8) | bytes[i];
    double value = 0;
    if (exponent == 0x7FFF) {
        value = mantissa == 0 || mantissa == (uint64_t(1) << 63)
                    ? std::numeric_limits<double>::infinity()
                    : std::numeric_limits<double>::quiet_NaN();
    } else if (mantissa != 0) {
        // mantissa x 2^(exponent - bias - 63); ldexp saturates to infinity or 0.
        value = std::ldexp(double(mantissa), exponent - kExponentBias - 63);
    }
    return negative ? -value : value;
}

void doubleToExtended(double value, uint8_t bytes[kExtendedBytes]) {
    for (int i = 0; i < kExtendedBytes; ++i)
        bytes[i] = 0;
    if (value == 0 || std::isnan(value)) return;
    uint16_t sign = 0;
    if (value < 0) {
        sign = 0x8000;
        value = -value;
    }
    int exponent = 0;
    uint64_t mantissa = 0;
    if (std::isinf(value)) {
        exponent = 0x7FFF;
    } else {
        int binaryExponent = 0;
        const double fraction =
            std::frexp(value, &binaryExponent); // value = fraction x 2^e, [0.5, 1)
        exponent = binaryExponent - 1 + kExponentBias;
        mantissa = uint64_t(std::ldexp(fraction, 64)); // integer bit on top
    }
    const uint16_t head = uint16_t(sign | uint16_t(exponent));
    bytes[0] = uint8_t(head >> 8);
    bytes[1] = uint8_t(head);
    for (int i = 0; i < 8; ++i)
        bytes[2 + i] = uint8_t(mantissa >> (56 - 8 * i));
}

omfRational_t rateFromDouble(double value) {
    if (!std::isfinite(value) || value < 0 || value >= 2147483647.0) return {0, 1};
    if (value == std::floor(value)) return {omfInt32(value), 1};
    // Continued fraction convergents until one is close enough or the
    // denominator grows too large.
    int64_t previousNumerator = 0, numerator = 1;
    int64_t previousDenominator = 1, denominator = 0;
    double remainder = value;
    for (int step = 0; step < 32; ++step) {
        const double whole = std::floor(remainder);
        const int64_t nextNumerator = int64_t(whole) * numerator + previousNumerator;
        const int64_t nextDenominator = int64_t(whole) * denominator + previousDenominator;
        if (nextDenominator > kLargestDenominator || nextNumerator > 2147483647) break;
        previousNumerator = numerator;
        numerator = nextNumerator;
        previousDenominator = denominator;
        denominator = nextDenominator;
        if (std::fabs(double(numerator) / double(denominator) - value) <= value * 1e-12) break;
        const double fraction = remainder - whole;
        if (fraction < 1e-12) break;
        remainder = 1 / fraction;
    }
    if (denominator == 0) return {omfInt32(std::lround(value)), 1};
    return {omfInt32(numerator), omfInt32(denominator)};
}

double rateToDouble(omfRational_t rate) {
    if (rate.denominator == 0) return 0;
    return double(rate.numerator) / double(rate.denominator);
}

} // namespace omf::codecs::audio
