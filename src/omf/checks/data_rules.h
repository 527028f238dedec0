// The built-in data rules. Each answers whether the data is acceptable and
// sets *error to its code when it is not. Number rules read the value in
// host order; rules of reference properties receive a pointer to the
// referenced object. Missing data fails with OM_ERR_NULL_OBJECT.
#pragma once

#include "omf/omf_checks.h"
#include "omf/omf_errors.h"

#include <cstdint>
#include <cstring>

namespace omf::rules {

inline omfBool refuse(omfErr_t* error, omfErr_t code) {
    if (error != nullptr) *error = code;
    return false;
}

// A number of type T lying in [Low, High], else `Code`.
template <typename T, int64_t Low, int64_t High, omfErr_t Code>
omfBool numberInRange(omfHdl_t, const void* data, omfErr_t* error) {
    if (data == nullptr) return refuse(error, OM_ERR_NULL_OBJECT);
    T value;
    std::memcpy(&value, data, sizeof value);
    if (int64_t(value) >= Low && int64_t(value) <= High) return true;
    return refuse(error, Code);
}

// The ranges the rules use.
constexpr int64_t kInt16Max = INT16_MAX;
constexpr int64_t kInt32Max = INT32_MAX;

// Rational with numerator >= 0 and denominator > 0, else OM_ERR_NEGATIVE_VALUE.
omfBool editRate(omfHdl_t file, const void* data, omfErr_t* error);
// A 16-bit value below 0, else OM_ERR_POSITIVE_RELATIVE_TRACK; OM_ERR_NOT_IN_2X in 2.x files, which
// have no such property.
omfBool relativeTrack(omfHdl_t file, const void* data, omfErr_t* error);
// A byte value of 0 or 1, else OM_ERR_INVALID_BOOLEAN.
omfBool booleanValue(omfHdl_t file, const void* data, omfErr_t* error);
// A 16-bit byte order of "II" (0x4949) or "MM" (0x4D4D), else OM_ERR_INVALID_BYTE_ORDER.
omfBool byteOrder(omfHdl_t file, const void* data, omfErr_t* error);
// A 32-bit film kind of 0, 1, 2 or 4, else OM_ERR_INVALID_FILM_TYPE.
omfBool filmKind(omfHdl_t file, const void* data, omfErr_t* error);
// Data present, else OM_ERR_NULL_OBJECT.
omfBool dataPresent(omfHdl_t file, const void* data, omfErr_t* error);

// Rules of reference properties, on the referenced object.
// A composition mob: a CMOB in 2.x files (another mob OM_ERR_INVALID_MOB_TYPE, another object
// OM_ERR_INVALID_PROPERTY_OBJECT); a MOBJ without PhysicalMedia in 1.x files (with it
// OM_ERR_INVALID_MOB_TYPE, not a MOBJ OM_ERR_INVALID_PROPERTY_OBJECT).
omfBool compositionMob(omfHdl_t file, const void* data, omfErr_t* error);
// A source mob: an SMOB in 2.x files, a MOBJ in 1.x files, else OM_ERR_INVALID_PROPERTY_OBJECT.
omfBool sourceMob(omfHdl_t file, const void* data, omfErr_t* error);
// Media data: an MDAT in 2.x files; in 1.x files anything but an MDES, a
// component, HEAD, CLSD, TRAK, ATTB or ATTR; else OM_ERR_INVALID_PROPERTY_OBJECT.
omfBool mediaData(omfHdl_t file, const void* data, omfErr_t* error);
// The 1.x object spine: a MOBJ or media data, else OM_ERR_INVALID_PROPERTY_OBJECT; OM_ERR_NOT_IN_2X
// in 2.x files.
omfBool objectSpine(omfHdl_t file, const void* data, omfErr_t* error);
// A locator: a LOCR in 2.x files (else OM_ERR_INVALID_PROPERTY_OBJECT); any object in 1.x files.
omfBool locator(omfHdl_t file, const void* data, omfErr_t* error);
// A definition object: an EDEF or a DDEF, else OM_ERR_INVALID_PROPERTY_OBJECT.
omfBool definitionObject(omfHdl_t file, const void* data, omfErr_t* error);

} // namespace omf::rules
