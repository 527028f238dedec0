// The data checks of typed accessors: a property's data rule is run on the
// value a setter is about to write (a failure is OM_ERR_INPUT_DATA_CHECK) or a getter has just
// read (OM_ERR_OUTPUT_DATA_CHECK), with the rule's own code raised into the trace first.
#include "checks/check_support.h"
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "omf/omf_checks.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace omf {
namespace {

// How an integer value is laid out: its size in bytes (0 for values that
// are not one integer) and whether it is signed.
struct IntegerLayout {
    size_t size = 0;
    bool isSigned = true;
};

// Layout of the numbers the toolkit's own types hold; enumerations are
// handled apart, from their registered size.
IntegerLayout fixedLayout(omfType_t type) {
    switch (type) {
    case kOmfType_Boolean:
    case kOmfType_UInt8:
        return {1, false};
    case kOmfType_Char:
        return {1, true};
    case kOmfType_Int16:
        return {2, true};
    case kOmfType_UInt16:
        return {2, false};
    case kOmfType_Int32:
    case kOmfType_Position32:
    case kOmfType_Length32:
        return {4, true};
    case kOmfType_UInt32:
        return {4, false};
    case kOmfType_Int64:
    case kOmfType_Position64:
    case kOmfType_Length64:
        return {8, true};
    default:
        return {};
    }
}

// The layout a value has in the caller's memory: enumerations are held as
// 32-bit numbers by the typed accessors whatever their stored size.
IntegerLayout memoryLayout(omfHdl_t file, omfType_t type) {
    const TypeRecord* record = fileTypeRecord(file, type);
    if (record != nullptr && record->enumerationSize != 0) return {4, true};
    return fixedLayout(type);
}

// The layout a property's rule reads: the stored size of its first type.
IntegerLayout ruleLayout(omfHdl_t file, omfType_t type) {
    const TypeRecord* record = fileTypeRecord(file, type);
    if (record != nullptr && record->enumerationSize != 0) {
        return {static_cast<size_t>(record->enumerationSize), true};
    }
    return fixedLayout(type);
}

int64_t loadInteger(const void* data, IntegerLayout layout) {
    switch (layout.size) {
    case 1: {
        uint8_t value;
        std::memcpy(&value, data, 1);
        return layout.isSigned ? int64_t(int8_t(value)) : int64_t(value);
    }
    case 2: {
        uint16_t value;
        std::memcpy(&value, data, 2);
        return layout.isSigned ? int64_t(int16_t(value)) : int64_t(value);
    }
    case 4: {
        uint32_t value;
        std::memcpy(&value, data, 4);
        return layout.isSigned ? int64_t(int32_t(value)) : int64_t(value);
    }
    default: {
        int64_t value;
        std::memcpy(&value, data, 8);
        return value;
    }
    }
}

template <typename T> void storeClamped(int64_t value, void* out) {
    T narrow = static_cast<T>(
        std::clamp<int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    std::memcpy(out, &narrow, sizeof narrow);
}

// Stores `value` in `layout`, clamped into its range. Rules compare numbers
// with small bounds, and clamping (unlike cutting off high bytes) keeps the
// answer of every such comparison: a 64-bit length of -1 stays negative
// and one of 2^32 + 5 stays large.
void storeInteger(int64_t value, IntegerLayout layout, void* out) {
    switch (layout.size) {
    case 1:
        layout.isSigned ? storeClamped<int8_t>(value, out) : storeClamped<uint8_t>(value, out);
        break;
    case 2:
        layout.isSigned ? storeClamped<int16_t>(value, out) : storeClamped<uint16_t>(value, out);
        break;
    case 4:
        layout.isSigned ? storeClamped<int32_t>(value, out) : storeClamped<uint32_t>(value, out);
        break;
    default:
        std::memcpy(out, &value, sizeof value);
        break;
    }
}

bool isReferenceType(omfType_t type) {
    return type == kOmfType_MobIndex || type == kOmfType_ObjRefArray || type == kOmfType_ObjRef;
}

// Runs the property's data rule on `size` bytes of data of `type`; answers
// 0 or the rule's code. Reference properties are checked on the referenced
// object when the reference is made or read, not here.
omfErr_t runDataRule(omfHdl_t file, omfProperty_t property, omfType_t type, const void* data,
                     size_t size) {
    if (!file->checking) return 0;
    const PropertyRecord* record = filePropertyRecord(file, property);
    type = revisionType(file, property, type);
    if (record == nullptr || record->dataRule == nullptr || !record->allows(type) ||
        isReferenceType(type)) {
        return 0;
    }
    // A number of another width than the rule reads (a 64-bit length for a
    // 32-bit rule, an enumeration held as 32 bits for a 16-bit rule) is
    // handed to the rule in the width it reads.
    IntegerLayout given = memoryLayout(file, type);
    IntegerLayout wanted = ruleLayout(file, record->types[0]);
    unsigned char converted[8] = {};
    if (data != nullptr && given.size != 0 && wanted.size != 0 && size != wanted.size &&
        (size == 1 || size == 2 || size == 4 || size == 8)) {
        given.size = size;
        storeInteger(loadInteger(data, given), wanted, converted);
        data = converted;
    }
    omfErr_t code = 0;
    {
        ChecksSuspended suspended(file);
        if (record->dataRule(file, data, &code)) return 0;
    }
    // A rule that refuses without naming a code still fails the check.
    return code != 0 ? code : OM_ERR_INPUT_DATA_CHECK;
}

} // namespace

omfErr_t checkWrite(omfHdl_t file, omfObject_t, omfProperty_t property, omfType_t type,
                    const void* data, size_t size) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (file->mediaStreamWriting != nullptr && file->mediaStreamWriting(file)) {
        OMF_RAISE(file, OM_ERR_NONCONTIGUOUS_MEDIA);
    }
    omfErr_t code = runDataRule(file, property, type, data, size);
    if (code != 0) {
        // The rule's own code is the raised error; the report passes it on.
        raise(file, code, __FILE__, __LINE__);
        return propagate(file, OM_ERR_INPUT_DATA_CHECK, __FILE__, __LINE__);
    }
    return 0;
}

omfErr_t checkRead(omfHdl_t file, omfObject_t, omfProperty_t property, omfType_t type,
                   const void* data, size_t size) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    omfErr_t code = runDataRule(file, property, type, data, size);
    if (code != 0) {
        // The rule's own code is the raised error; the report passes it on.
        raise(file, code, __FILE__, __LINE__);
        return propagate(file, OM_ERR_OUTPUT_DATA_CHECK, __FILE__, __LINE__);
    }
    return 0;
}

} // namespace omf

extern "C" {

omfErr_t omfsCheckData(omfHdl_t file, omfProperty_t property, omfType_t type, const void* data) {
    if (!omf::validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    // The data is held as the typed accessors hold a value of `type`.
    return omf::runDataRule(file, property, type, data, omf::memoryLayout(file, type).size);
}

} // extern "C"
