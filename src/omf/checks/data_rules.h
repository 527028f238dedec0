// The built-in data rules. Each answers whether the data is acceptable and
// sets *error to its code when it is not. Number rules read the value in
// host order; rules of reference properties receive a pointer to the
// referenced object. Missing data fails with 116.
#pragma once

#include "omf/omf_checks.h"

#include <cstdint>
#include <cstring>

namespace omf::rules {

constexpr omfErr_t kNullObject = 116;

inline omfBool refuse(omfErr_t* error, omfErr_t code) {
    if (error != nullptr) *error = code;
    return false;
}

// A number of type T lying in [Low, High], else `Code`.
template <typename T, int64_t Low, int64_t High, omfErr_t Code>
omfBool numberInRange(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, kNullObject);
    T value;
    std::memcpy(&value, data, sizeof value);
    if (int64_t(value) >= Low && int64_t(value) <= High) return true;
    return refuse(error, Code);
}

// The ranges the rules use.
constexpr int64_t kInt16Max = INT16_MAX;
constexpr int64_t kInt32Max = INT32_MAX;

// Rational with numerator >= 0 and denominator > 0, else 179.
omfBool editRate(omfHdl_t file, const void* data, omfErr_t* error);
// A 16-bit value below 0, else 189; 175 in 2.x files, which have no such
// property.
omfBool relativeTrack(omfHdl_t file, const void* data, omfErr_t* error);
// A byte value of 0 or 1, else 200.
omfBool booleanValue(omfHdl_t file, const void* data, omfErr_t* error);
// A 16-bit byte order of "II" (0x4949) or "MM" (0x4D4D), else 23.
omfBool byteOrder(omfHdl_t file, const void* data, omfErr_t* error);
// A 32-bit film kind of 0, 1, 2 or 4, else 182.
omfBool filmKind(omfHdl_t file, const void* data, omfErr_t* error);
// Data present, else 116.
omfBool dataPresent(omfHdl_t file, const void* data, omfErr_t* error);

// Rules of reference properties, on the referenced object.
// A composition mob: a CMOB in 2.x files (another mob 183, another object
// 118); a MOBJ without PhysicalMedia in 1.x files (with it 183, not a MOBJ
// 118).
omfBool compositionMob(omfHdl_t file, const void* data, omfErr_t* error);
// A source mob: an SMOB in 2.x files, a MOBJ in 1.x files, else 118.
omfBool sourceMob(omfHdl_t file, const void* data, omfErr_t* error);
// Media data: an MDAT in 2.x files; in 1.x files anything but an MDES, a
// component, HEAD, CLSD, TRAK, ATTB or ATTR; else 118.
omfBool mediaData(omfHdl_t file, const void* data, omfErr_t* error);
// The 1.x object spine: a MOBJ or media data, else 118; 175 in 2.x files.
omfBool objectSpine(omfHdl_t file, const void* data, omfErr_t* error);
// A locator: a LOCR in 2.x files (else 118); any object in 1.x files.
omfBool locator(omfHdl_t file, const void* data, omfErr_t* error);
// A definition object: an EDEF or a DDEF, else 118.
omfBool definitionObject(omfHdl_t file, const void* data, omfErr_t* error);

} // namespace omf::rules
