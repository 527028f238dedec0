// 64-bit integer helpers. Sums, differences and products wrap without
// overflow checks; narrowing reports values that do not fit.
#include "omf/omf_errors.h"
#include "omf/omf_int64.h"

#include <cstring>
#include <limits>
#include <string>

namespace {

omfInt64 wrapAdd(omfInt64 a, omfInt64 b) {
    return static_cast<omfInt64>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

} // namespace

extern "C" {

omfErr_t omfsSubInt64fromInt64(omfInt64 amount, omfInt64* value) {
    if (value == nullptr) return OM_ERR_NULL_PARAM;
    *value = static_cast<omfInt64>(static_cast<uint64_t>(*value) - static_cast<uint64_t>(amount));
    return 0;
}

omfErr_t omfsSumInt64(omfInt64 amount, omfInt64* value) {
    if (value == nullptr) return OM_ERR_NULL_PARAM;
    *value = wrapAdd(*value, amount);
    return 0;
}

omfErr_t omfsIncInt64(omfUInt32 amount, omfInt64* value) {
    if (value == nullptr) return OM_ERR_NULL_PARAM;
    *value = wrapAdd(*value, amount);
    return 0;
}

omfErr_t omfsScaleInt64(omfInt32 factor, omfInt64 value, omfInt64* product) {
    if (product == nullptr) return OM_ERR_NULL_PARAM;
    *product = static_cast<omfInt64>(static_cast<uint64_t>(value) *
                                     static_cast<uint64_t>(static_cast<omfInt64>(factor)));
    return 0;
}

omfErr_t omfsTruncInt64toUInt32(omfInt64 value, omfUInt32* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = static_cast<omfUInt32>(value);
    return (value < 0 || value > std::numeric_limits<omfUInt32>::max()) ? OM_ERR_INT64_TRUNCATION
                                                                        : 0;
}

omfErr_t omfsNarrowInt64toInt32(omfInt64 value, omfInt32* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = static_cast<omfInt32>(static_cast<uint32_t>(value));
    bool fits = value >= std::numeric_limits<omfInt32>::min() &&
                value <= std::numeric_limits<omfInt32>::max();
    return fits ? 0 : OM_ERR_INT64_TRUNCATION;
}

omfErr_t omfsJoinInt64(omfUInt32 high, omfUInt32 low, omfInt64* value) {
    if (value == nullptr) return OM_ERR_NULL_PARAM;
    *value = static_cast<omfInt64>((static_cast<uint64_t>(high) << 32) | low);
    return 0;
}

omfErr_t omfsSplitInt64(omfInt64 value, omfUInt32* high, omfUInt32* low) {
    if (high == nullptr || low == nullptr) return OM_ERR_NULL_PARAM;
    *high = static_cast<omfUInt32>(static_cast<uint64_t>(value) >> 32);
    *low = static_cast<omfUInt32>(value);
    return 0;
}

omfErr_t omfsMaskInt64(omfInt64 mask, omfInt64* value) {
    if (value == nullptr) return OM_ERR_NULL_PARAM;
    *value &= mask;
    return 0;
}

omfErr_t omfsInt64ToText(omfInt64 value, omfInt32 radix, omfInt32 bufferSize, char* text) {
    if (text == nullptr) return OM_ERR_NULL_PARAM;
    if (bufferSize <= 0) return 0;
    if (radix < 2 || radix > 10) radix = 10;
    std::string digits;
    // Work on the magnitude as unsigned so the most negative value converts too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + magnitude % radix));
        magnitude /= radix;
    } while (magnitude != 0);
    if (value < 0) digits.insert(digits.begin(), '-');
    if (digits.size() + 1 > static_cast<size_t>(bufferSize)) digits = "*err*";
    size_t count = std::min(digits.size(), static_cast<size_t>(bufferSize) - 1);
    std::memcpy(text, digits.data(), count);
    text[count] = '\0';
    return 0;
}

omfErr_t omfsDivInt64(omfInt64 value, omfInt64 divisor, omfInt64* quotient, omfInt64* remainder) {
    if (quotient == nullptr || remainder == nullptr) return OM_ERR_NULL_PARAM;
    if (divisor == 0) return OM_ERR_DIVIDE_BY_ZERO;
    if (value == std::numeric_limits<omfInt64>::min() && divisor == -1) {
        *quotient = value; // wraps, as the other helpers do
        *remainder = 0;
        return 0;
    }
    *quotient = value / divisor;
    *remainder = value % divisor;
    return 0;
}

} // extern "C"
