// Readers of constant effect arguments: CVAL objects whose data kind names
// the value's type and whose Value holds its bytes in the file's byte order.
#include "effects/effect_support.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstring>

namespace omf::effects {
namespace {

constexpr omfInt32 kDataKindNameSize = 64;

// The CVAL's data kind must be the one named; a kind the file lacks is
// defined first so that a later writer finds it.
omfErr_t requireDataKind(omfHdl_t file, omfObject_t value, const char* kindName) {
    omfObject_t wanted = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kindName, &wanted, &status)) {
        if (status != 0) return propagate(file, status, __FILE__, __LINE__);
        OMF_CHECK(file, omfsDefineDataKind(file, kindName, &wanted));
    }
    omfObject_t actual = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, value, kOmfProperty_CPNT_DataKind, &actual));
    if (actual == nullptr) OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE);
    if (actual == wanted) return 0;
    // Two handles may name one object: compare the IDs as well.
    char actualName[kDataKindNameSize] = {};
    if (omfsReadUniqueName(file, actual, kOmfProperty_DDEF_DataKindID, actualName,
                           sizeof actualName) != 0 ||
        std::strcmp(actualName, kindName) != 0) {
        OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE);
    }
    return 0;
}

// Reads exactly `size` bytes of a constant of the named data kind; any
// other object, data kind or size is OM_ERR_INVALID_CONSTANT_VALUE.
omfErr_t readConstant(omfHdl_t file, omfObject_t value, const char* kindName, omfInt32 size,
                      unsigned char* bytes) {
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (bytes == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (file->revision != kOmfRev2x)
        OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE); // no constants in 1.x files
    bool isConstant = false;
    OMF_CHECK(file, objectIsA(file, value, "CVAL", &isConstant));
    if (!isConstant) OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE);
    OMF_CHECK(file, requireDataKind(file, value, kindName));
    omfInt64 stored = 0;
    OMF_CHECK(file,
              omfsValueLength(file, value, kOmfProperty_CVAL_Value, kOmfType_DataValue, &stored));
    if (stored != size) OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE);
    omfInt32 read = 0;
    OMF_CHECK(file, omfsReadDataBytes(file, value, kOmfProperty_CVAL_Value, kOmfType_DataValue, 0,
                                      size, bytes, &read));
    if (read != size) OMF_RAISE(file, OM_ERR_INVALID_CONSTANT_VALUE);
    return 0;
}

// A 32-bit number stored in the file's byte order.
uint32_t decode32(omfHdl_t file, const unsigned char* bytes) {
    if (file->byteOrder == kOmfLittleEndian) {
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
               uint32_t(bytes[3]) << 24;
    }
    return uint32_t(bytes[3]) | uint32_t(bytes[2]) << 8 | uint32_t(bytes[1]) << 16 |
           uint32_t(bytes[0]) << 24;
}

} // namespace
} // namespace omf::effects

using namespace omf;
using namespace omf::effects;

extern "C" {

omfErr_t omfiReadConstRational(omfHdl_t file, omfObject_t argValue, omfRational_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char bytes[8];
    OMF_CHECK(file, readConstant(file, argValue, "omfi:data:Rational", 8,
                                 value == nullptr ? nullptr : bytes));
    value->numerator = static_cast<omfInt32>(decode32(file, bytes));
    value->denominator = static_cast<omfInt32>(decode32(file, bytes + 4));
    return 0;
}

omfErr_t omfiReadConstUInt32(omfHdl_t file, omfObject_t argValue, omfUInt32* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char bytes[4];
    OMF_CHECK(file, readConstant(file, argValue, "omfi:data:UInt32", 4,
                                 value == nullptr ? nullptr : bytes));
    *value = decode32(file, bytes);
    return 0;
}

omfErr_t omfiReadConstInt32(omfHdl_t file, omfObject_t argValue, omfInt32* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char bytes[4];
    OMF_CHECK(file, readConstant(file, argValue, "omfi:data:Int32", 4,
                                 value == nullptr ? nullptr : bytes));
    *value = static_cast<omfInt32>(decode32(file, bytes));
    return 0;
}

omfErr_t omfiReadConstBoolean(omfHdl_t file, omfObject_t argValue, omfBool* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    unsigned char byte = 0;
    OMF_CHECK(file, readConstant(file, argValue, "omfi:data:Boolean", 1,
                                 value == nullptr ? nullptr : &byte));
    *value = byte != 0;
    return 0;
}

} // extern "C"
