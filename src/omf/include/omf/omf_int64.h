// 64-bit integer helpers used for positions and lengths throughout the toolkit.
#pragma once

#include "omf/omf_types.h"

extern "C" {

omfErr_t omfsSubInt64fromInt64(omfInt64 amount, omfInt64* value); // value -= amount
omfErr_t omfsSumInt64(omfInt64 amount, omfInt64* value);          // value += amount
omfErr_t omfsIncInt64(omfUInt32 amount, omfInt64* value);         // value += amount
omfErr_t omfsScaleInt64(omfInt32 factor, omfInt64 value, omfInt64* product);
// Stores the low 32 bits; OM_ERR_INT64_TRUNCATION when the value does not fit 32 unsigned bits.
omfErr_t omfsTruncInt64toUInt32(omfInt64 value, omfUInt32* result);
// Stores the low 32 bits; OM_ERR_INT64_TRUNCATION when the value lies outside the signed 32-bit
// range.
omfErr_t omfsNarrowInt64toInt32(omfInt64 value, omfInt32* result);
omfErr_t omfsJoinInt64(omfUInt32 high, omfUInt32 low, omfInt64* value);
omfErr_t omfsSplitInt64(omfInt64 value, omfUInt32* high, omfUInt32* low);
omfErr_t omfsMaskInt64(omfInt64 mask, omfInt64* value); // value &= mask
// Writes the value's digits in `radix` (2 to 10); "*err*" (cut to the
// buffer) when the text and its NUL do not fit.
omfErr_t omfsInt64ToText(omfInt64 value, omfInt32 radix, omfInt32 bufferSize, char* text);
// OM_ERR_DIVIDE_BY_ZERO for a zero divisor.
omfErr_t omfsDivInt64(omfInt64 value, omfInt64 divisor, omfInt64* quotient, omfInt64* remainder);

} // extern "C"
