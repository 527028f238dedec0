// The value-level routines every property access goes through.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_checks.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace omf {

namespace {

constexpr bool kHostIsLittleEndian = std::endian::native == std::endian::little;

bool swapsFor(uint16_t byteOrder) {
    return (byteOrder == kOmfLittleEndian) != kHostIsLittleEndian;
}

// Steps shared by reading and writing: handles, then codes.
omfErr_t resolve(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                 const void* buffer, CMProperty* propertyObject, CMType* typeObject, int* flag) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (file->rawFile) OMF_RAISE(file, OM_ERR_INVALID_FILE_TYPE);
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    OMF_CHECK(file, lookupProperty(file, property, propertyObject));
    OMF_CHECK(file, lookupType(file, type, typeObject, flag));
    OMF_CHECK(file, omfsCheckObjectProperty(file, object, property, type));
    return 0;
}

// As resolve, for a value that must exist (else OM_ERR_PROPERTY_MISSING). The value is looked
// for under the type the file's revision gives the property; a file whose writer stored it
// under the type the caller named instead (a 1.x SampleRate as a Rational) still reads.
omfErr_t resolveExisting(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                         const void* buffer, CMValue* value, int* flag) {
    omfType_t stored = revisionType(file, property, type);
    CMProperty propertyObject = nullptr;
    CMType typeObject = nullptr;
    OMF_CHECK(file,
              resolve(file, object, property, stored, buffer, &propertyObject, &typeObject, flag));
    if (CMCountValues(object, propertyObject, typeObject) == 0 && stored != type) {
        int namedFlag = 0;
        CMType named = nullptr;
        if (lookupType(file, type, &named, &namedFlag) == 0 && named != nullptr &&
            namedFlag == *flag && CMCountValues(object, propertyObject, named) != 0) {
            typeObject = named;
        }
    }
    if (CMCountValues(object, propertyObject, typeObject) == 0)
        OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    *value = CMUseValue(object, propertyObject, typeObject);
    if (*value == nullptr) OMF_RAISE(file, OM_ERR_PROPERTY_MISSING);
    return 0;
}

} // namespace

void reverseBytes(void* bytes, size_t size) {
    auto* data = static_cast<unsigned char*>(bytes);
    std::reverse(data, data + size);
}

bool needsSwap(omfHdl_t file, omfObject_t object) {
    if (file->revision == kOmfRev2x || object == nullptr) return swapsFor(file->byteOrder);
    // A 1.x object may carry its own byte order. "II" and "MM" read the same
    // either way round, so no swapping is needed to read the order itself.
    CMValue value = findValue(file, object, kOmfProperty_ByteOrder, kOmfType_Int16);
    unsigned char order[2];
    if (value != nullptr && CMReadValueData(value, order, 0, 2) == 2 && order[0] == order[1] &&
        (order[0] == 'I' || order[0] == 'M')) {
        return swapsFor(order[0] == 'I' ? kOmfLittleEndian : kOmfBigEndian);
    }
    return swapsFor(file->byteOrder);
}

namespace {

CMValue findValueOfType(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type) {
    CMProperty propertyObject = nullptr;
    CMType typeObject = nullptr;
    int flag = 0;
    if (lookupProperty(file, property, &propertyObject) != 0 ||
        lookupType(file, type, &typeObject, &flag) != 0) {
        return nullptr;
    }
    if (CMCountValues(object, propertyObject, typeObject) == 0) return nullptr;
    return CMUseValue(object, propertyObject, typeObject);
}

} // namespace

CMValue findValue(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type) {
    omfType_t stored = revisionType(file, property, type);
    CMValue value = findValueOfType(file, object, property, stored);
    if (value == nullptr && stored != type) value = findValueOfType(file, object, property, type);
    return value;
}

} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsReadValueBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfInt64 offset, omfInt32 expectedFlag, omfType_t type, omfInt32 size,
                            void* buffer) {
    int flag = 0;
    CMValue value = nullptr;
    OMF_CHECK(file, resolveExisting(file, object, property, type, buffer, &value, &flag));
    if (expectedFlag != flag) OMF_RAISE(file, OM_ERR_TYPE_OUT_OF_RANGE);
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    if (offset < 0 || size < 0) OMF_RAISE(file, OM_ERR_READ_PAST_END);
    CMSize valueSize = CMGetValueSize(value);
    if (valueSize < static_cast<CMSize>(offset)) OMF_RAISE(file, OM_ERR_READ_PAST_END);
    CMSize got =
        CMReadValueData(value, buffer, static_cast<CMSize>(offset), static_cast<CMSize>(size));
    if (flag == 0 && size > 1 && needsSwap(file, object)) {
        if (size != 2 && size != 4 && size != 8) OMF_RAISE(file, OM_ERR_CANNOT_SWAB_SIZE);
        reverseBytes(buffer, static_cast<size_t>(size));
    }
    if (got < static_cast<CMSize>(size)) OMF_RAISE(file, OM_ERR_READ_PAST_END);
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    return 0;
}

omfErr_t omfsWriteValueBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfInt64 offset, omfType_t type, omfInt32 size, const void* data) {
    CMProperty propertyObject = nullptr;
    CMType typeObject = nullptr;
    int flag = 0;
    // Values are stored only under a type the file's revision lists for the property.
    type = revisionType(file, property, type);
    if (validFile(file) && !typeListedFor(file, property, type))
        OMF_RAISE(file, OM_ERR_PROPERTY_TYPE_MISMATCH);
    OMF_CHECK(file,
              resolve(file, object, property, type, data, &propertyObject, &typeObject, &flag));
    CMValue value = CMCountValues(object, propertyObject, typeObject) == 0
                        ? CMNewValue(object, propertyObject, typeObject)
                        : CMUseValue(object, propertyObject, typeObject);
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    if (value == nullptr) OMF_RAISE(file, OM_ERR_BENTO);
    if (offset < 0 || size < 0) OMF_RAISE(file, OM_ERR_READ_PAST_END);
    std::vector<unsigned char> copy(static_cast<const unsigned char*>(data),
                                    static_cast<const unsigned char*>(data) + size);
    if (flag == 0 && size > 1 && swapsFor(file->byteOrder)) {
        if (size != 2 && size != 4 && size != 8) OMF_RAISE(file, OM_ERR_CANNOT_SWAB_SIZE);
        reverseBytes(copy.data(), copy.size());
    }
    CMWriteValueData(value, copy.data(), static_cast<CMSize>(offset), copy.size());
    if (file->bentoError.pending) {
        OMF_BENTO_CHECK(file, file->bentoError.number == CM_ERR_BAD_WRITE ? OM_ERR_CONTAINER_WRITE
                                                                          : OM_ERR_BENTO);
    }
    return 0;
}

omfErr_t omfsValueLength(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                         omfInt64* length) {
    CMValue value = nullptr;
    int flag = 0;
    OMF_CHECK(file, resolveExisting(file, object, property, type, length, &value, &flag));
    *length = static_cast<omfInt64>(CMGetValueSize(value));
    OMF_BENTO_CHECK(file, OM_ERR_BENTO);
    return 0;
}

omfBool omfsPropertyPresent(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type) {
    if (!validFile(file) || file->rawFile || object == nullptr) return 0;
    return findValue(file, object, property, type) != nullptr;
}

} // extern "C"
