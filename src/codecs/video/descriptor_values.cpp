// Numeric and component-array properties of picture descriptors.
#include "video/descriptor_values.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <cstring>

namespace omf::codecs::video {

namespace {

// Stored size of component-code and component-size arrays.
constexpr omfInt32 kComponentArrayBytes = 8;
// Flag of types whose values move as bytes, never byte-swapped.
constexpr omfInt32 kMovedAsBytes = 1;

} // namespace

omfErr_t readNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    omfInt32* value) {
    switch (type) {
    case kOmfType_Int32:
        OMF_CHECK(file, omfsReadInt32(file, object, property, value));
        return 0;
    case kOmfType_UInt32: {
        omfUInt32 number = 0;
        OMF_CHECK(file, omfsReadUInt32(file, object, property, &number));
        *value = static_cast<omfInt32>(number);
        return 0;
    }
    case kOmfType_Int16: {
        omfInt16 number = 0;
        OMF_CHECK(file, omfsReadInt16(file, object, property, &number));
        *value = number;
        return 0;
    }
    default:
        OMF_CHECK(file, omfsReadEnum(file, object, property, type, value));
        return 0;
    }
}

omfErr_t readOptionalNumber(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfInt32 fallback, omfInt32* value) {
    if (!omfsPropertyPresent(file, object, property, type)) {
        *value = fallback;
        return 0;
    }
    OMF_CHECK(file, readNumber(file, object, property, type, value));
    return 0;
}

omfErr_t writeNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                     omfInt32 value) {
    switch (type) {
    case kOmfType_Int32:
        OMF_CHECK(file, omfsWriteInt32(file, object, property, value));
        return 0;
    case kOmfType_UInt32:
        OMF_CHECK(file, omfsWriteUInt32(file, object, property, static_cast<omfUInt32>(value)));
        return 0;
    case kOmfType_Int16:
        OMF_CHECK(file, omfsWriteInt16(file, object, property, static_cast<omfInt16>(value)));
        return 0;
    default:
        OMF_CHECK(file, omfsWriteEnum(file, object, property, type, value));
        return 0;
    }
}

omfErr_t readComponentBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfUInt8 bytes[8]) {
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    omfUInt8 stored[kComponentArrayBytes] = {};
    omfInt32 size = static_cast<omfInt32>(std::min<omfInt64>(length, kComponentArrayBytes));
    if (size > 0) {
        OMF_CHECK(file,
                  omfsReadValueBytes(file, object, property, 0, kMovedAsBytes, type, size, stored));
    }
    const omfUInt8* first = stored;
    const omfUInt8* end = std::find(first, first + kComponentArrayBytes, 0);
    std::memset(bytes, 0, kComponentArrayBytes);
    std::copy(first, end, bytes);
    return 0;
}

omfErr_t writeComponentBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfType_t type, const omfUInt8 bytes[8]) {
    omfUInt8 stored[kComponentArrayBytes] = {};
    const omfUInt8* end = std::find(bytes, bytes + kComponentArrayBytes, 0);
    std::copy(bytes, end, stored);
    OMF_CHECK(file,
              omfsWriteValueBytes(file, object, property, 0, type, kComponentArrayBytes, stored));
    return 0;
}

} // namespace omf::codecs::video

namespace omf::codecs::video {

omfErr_t readCompressionText(omfHdl_t file, omfObject_t descriptor, char (&text)[16]) {
    text[0] = '\0';
    if (!omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_Compression, kOmfType_String))
        return 0;
    OMF_CHECK(file,
              omfsReadString(file, descriptor, kOmfProperty_DIDD_Compression, text, sizeof text));
    return 0;
}

} // namespace omf::codecs::video
