// Property and type codes to the file's container definitions.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"

#include <algorithm>
#include <span>

namespace omf {

namespace {

// Types whose values are stored alike (same size, same swapping): a caller naming one of a
// group is served the member the property's revision lists, so a 1.x SampleRate read as a
// Rational finds its ExactEditRate and a 1.x Summary asked as a DataValue its VarLenBytes.
constexpr omfType_t kRateTypes[] = {kOmfType_Rational, kOmfType_ExactEditRate};
constexpr omfType_t kByteDataTypes[] = {kOmfType_DataValue, kOmfType_VarLenBytes};
constexpr omfType_t kSixteenBitTypes[] = {kOmfType_Int16, kOmfType_UInt16};
constexpr omfType_t kThirtyTwoBitTypes[] = {kOmfType_Int32, kOmfType_UInt32, kOmfType_Position32,
                                            kOmfType_Length32};
constexpr std::span<const omfType_t> kSameLayoutTypes[] = {kRateTypes, kByteDataTypes,
                                                           kSixteenBitTypes, kThirtyTwoBitTypes};

// Properties learned from a file's own definitions take values of any type.
bool takesAnyType(const PropertyRecord& record) {
    return record.allows(kOmfType_NoType);
}

} // namespace

omfType_t revisionType(omfHdl_t file, omfProperty_t property, omfType_t type) {
    const PropertyRecord* record = filePropertyRecord(file, property);
    if (record == nullptr || record->allows(type) || takesAnyType(*record)) return type;
    for (std::span<const omfType_t> group : kSameLayoutTypes) {
        if (std::find(group.begin(), group.end(), type) == group.end()) continue;
        for (omfType_t candidate : group) {
            if (record->allows(candidate)) return candidate;
        }
    }
    return type;
}

bool typeListedFor(omfHdl_t file, omfProperty_t property, omfType_t type) {
    const PropertyRecord* record = filePropertyRecord(file, property);
    return record == nullptr || record->allows(type) || takesAnyType(*record);
}

// A known code whose definition a read-only file lacks answers a null
// object: no value of it can exist there, which callers report as absent.
omfErr_t lookupProperty(omfHdl_t file, omfProperty_t property, CMProperty* object) {
    *object = nullptr;
    if (filePropertyRecord(file, property) == nullptr)
        OMF_RAISE(file, OM_ERR_PROPERTY_OUT_OF_RANGE);
    OMF_CHECK(file, omfsPropertyObject(file, property, object));
    return 0;
}

omfErr_t lookupType(omfHdl_t file, omfType_t type, CMType* object, int* flag) {
    *object = nullptr;
    int32_t registered = 0;
    if (fileTypeRecord(file, type) == nullptr) OMF_RAISE(file, OM_ERR_TYPE_OUT_OF_RANGE);
    OMF_CHECK(file, typeFlag(file, type, &registered));
    OMF_CHECK(file, omfsTypeObject(file, type, object));
    *flag = registered;
    return 0;
}

} // namespace omf
