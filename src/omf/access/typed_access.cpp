// Typed getters and setters, one pair per property type. Multi-field types
// (rationals, UIDs, time stamps, product versions) are moved field by field
// so each number is byte-swapped on its own.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace omf {
namespace {

constexpr omfInt32 kMinimumStringSize = 5; // short strings are padded with NULs

template <typename T>
omfErr_t readNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    T* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 0, type, sizeof(T), value));
    OMF_CHECK(file, checkRead(file, object, property, type, value, sizeof(T)));
    return 0;
}

template <typename T>
omfErr_t writeNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                     T value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, type, &value, sizeof(T)));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, sizeof(T), &value));
    return 0;
}

// Reads `count` consecutive 32-bit or 16-bit numbers of one value.
template <typename T>
omfErr_t readFields(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    T* fields, int count) {
    for (int i = 0; i < count; ++i) {
        OMF_CHECK(file, omfsReadValueBytes(file, object, property, i * omfInt64(sizeof(T)), 0,
                                           type, sizeof(T), &fields[i]));
    }
    return 0;
}

template <typename T>
omfErr_t writeFields(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                     const T* fields, int count) {
    for (int i = 0; i < count; ++i) {
        OMF_CHECK(file, omfsWriteValueBytes(file, object, property, i * omfInt64(sizeof(T)),
                                            type, sizeof(T), &fields[i]));
    }
    return 0;
}

// Shrinks an existing value to `size` bytes (after rewriting a shorter one).
void truncateValue(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                   CMSize size) {
    if (CMValue value = findValue(file, object, property, type)) {
        CMSize current = CMGetValueSize(value);
        if (current > size) CMDeleteValueData(value, size, current - size);
    }
}

omfErr_t readText(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                  char* text, omfInt32 capacity) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (text == nullptr || capacity <= 0) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    omfInt32 count = static_cast<omfInt32>(std::min<omfInt64>(length, capacity - 1));
    std::vector<char> bytes(static_cast<size_t>(count) + 1, '\0');
    if (count > 0) {
        OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 1, type, count,
                                           bytes.data()));
    }
    std::memcpy(text, bytes.data(), static_cast<size_t>(count));
    text[count] = '\0'; // a value longer than the buffer is cut
    OMF_CHECK(file, checkRead(file, object, property, type, text, std::strlen(text)));
    return 0;
}

omfErr_t writeText(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                   const char* text) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (text == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    size_t length = std::strlen(text);
    OMF_CHECK(file, checkWrite(file, object, property, type, text, length));
    std::vector<char> bytes(text, text + length);
    bytes.resize(std::max<size_t>(length + 1, kMinimumStringSize), '\0');
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type,
                                        static_cast<omfInt32>(bytes.size()), bytes.data()));
    truncateValue(file, object, property, type, bytes.size());
    return 0;
}

omfErr_t readFourCharacters(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, char* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 1, type, 4, value));
    return 0;
}

omfErr_t writeFourCharacters(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfType_t type, const char* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    OMF_CHECK(file, checkWrite(file, object, property, type, value, 4));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, 4, value));
    return 0;
}

// Positions and lengths: whichever of the 32- and 64-bit types the value
// holds in 2.x files; the 1.x Long otherwise.
omfErr_t readWide(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t narrow,
                  omfType_t wide, omfInt64* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    if (file->revision == kOmfRev2x && omfsPropertyPresent(file, object, property, wide)) {
        OMF_CHECK(file, readNumber(file, object, property, wide, value));
        return 0;
    }
    omfInt32 small = 0;
    omfErr_t status = readNumber(file, object, property,
                                 file->revision == kOmfRev2x ? narrow : kOmfType_Int32, &small);
    *value = small; // delivered even when its check fails (OM_ERR_OUTPUT_DATA_CHECK)
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

omfErr_t writeWide(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t narrow,
                   omfType_t wide, omfInt64 value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    bool fits = value >= std::numeric_limits<omfInt32>::min() &&
                value <= std::numeric_limits<omfInt32>::max();
    if (file->revision != kOmfRev2x) {
        if (!fits) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        OMF_CHECK(file, writeNumber(file, object, property, kOmfType_Int32,
                                    static_cast<omfInt32>(value)));
        return 0;
    }
    // Keep one representation: 64 bits once a value needs them or already has them.
    if (!fits || omfsPropertyPresent(file, object, property, wide)) {
        OMF_CHECK(file, writeNumber(file, object, property, wide, value));
    } else {
        OMF_CHECK(file, writeNumber(file, object, property, narrow, static_cast<omfInt32>(value)));
    }
    return 0;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsReadString(omfHdl_t file, omfObject_t object, omfProperty_t property, char* text,
                        omfInt32 capacity) {
    return readText(file, object, property, kOmfType_String, text, capacity);
}
omfErr_t omfsWriteString(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         const char* text) {
    return writeText(file, object, property, kOmfType_String, text);
}
omfErr_t omfsReadUniqueName(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            char* text, omfInt32 capacity) {
    return readText(file, object, property, kOmfType_UniqueName, text, capacity);
}
omfErr_t omfsWriteUniqueName(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             const char* text) {
    return writeText(file, object, property, kOmfType_UniqueName, text);
}

omfErr_t omfsReadBoolean(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfBool* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    uint8_t stored = 0;
    omfErr_t status = readNumber(file, object, property, kOmfType_Boolean, &stored);
    *value = stored != 0; // delivered even when its check fails (OM_ERR_OUTPUT_DATA_CHECK)
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}
omfErr_t omfsWriteBoolean(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfBool value) {
    return writeNumber(file, object, property, kOmfType_Boolean, uint8_t(value ? 1 : 0));
}

#define OMF_NUMBER_ACCESSORS(Name, Type, Code)                                                 \
    omfErr_t omfsRead##Name(omfHdl_t file, omfObject_t object, omfProperty_t property,         \
                            Type* value) {                                                     \
        return readNumber(file, object, property, Code, value);                                \
    }                                                                                          \
    omfErr_t omfsWrite##Name(omfHdl_t file, omfObject_t object, omfProperty_t property,        \
                             Type value) {                                                     \
        return writeNumber(file, object, property, Code, value);                               \
    }

OMF_NUMBER_ACCESSORS(Int8, omfInt8, kOmfType_Char)
OMF_NUMBER_ACCESSORS(UInt8, omfUInt8, kOmfType_UInt8)
OMF_NUMBER_ACCESSORS(Int16, omfInt16, kOmfType_Int16)
OMF_NUMBER_ACCESSORS(UInt16, omfUInt16, kOmfType_UInt16)
OMF_NUMBER_ACCESSORS(Int32, omfInt32, kOmfType_Int32)
OMF_NUMBER_ACCESSORS(UInt32, omfUInt32, kOmfType_UInt32)
OMF_NUMBER_ACCESSORS(Int64, omfInt64, kOmfType_Int64)
#undef OMF_NUMBER_ACCESSORS

omfErr_t omfsReadPosition(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfInt64* value) {
    return readWide(file, object, property, kOmfType_Position32, kOmfType_Position64, value);
}
omfErr_t omfsWritePosition(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfInt64 value) {
    return writeWide(file, object, property, kOmfType_Position32, kOmfType_Position64, value);
}
omfErr_t omfsReadLength(omfHdl_t file, omfObject_t object, omfProperty_t property,
                        omfInt64* value) {
    return readWide(file, object, property, kOmfType_Length32, kOmfType_Length64, value);
}
omfErr_t omfsWriteLength(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfInt64 value) {
    return writeWide(file, object, property, kOmfType_Length32, kOmfType_Length64, value);
}

omfErr_t omfsReadRational(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          omfRational_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    int32_t fields[2];
    OMF_CHECK(file, readFields(file, object, property, kOmfType_Rational, fields, 2));
    *value = omfRational_t{fields[0], fields[1]};
    OMF_CHECK(file, checkRead(file, object, property, kOmfType_Rational, value, sizeof *value));
    return 0;
}
omfErr_t omfsWriteRational(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfRational_t value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_Rational, &value, sizeof value));
    const int32_t fields[2] = {value.numerator, value.denominator};
    OMF_CHECK(file, writeFields(file, object, property, kOmfType_Rational, fields, 2));
    return 0;
}

omfErr_t omfsReadTimeStamp(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfTimeStamp_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    uint32_t seconds = 0;
    uint8_t isGMT = 0;
    OMF_CHECK(file, readFields(file, object, property, kOmfType_TimeStamp, &seconds, 1));
    OMF_CHECK(file,
              omfsReadValueBytes(file, object, property, 4, 0, kOmfType_TimeStamp, 1, &isGMT));
    *value = omfTimeStamp_t{seconds, isGMT};
    return 0;
}
omfErr_t omfsWriteTimeStamp(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfTimeStamp_t value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_TimeStamp, &value, sizeof value));
    OMF_CHECK(file, writeFields(file, object, property, kOmfType_TimeStamp, &value.TimeVal, 1));
    OMF_CHECK(file,
              omfsWriteValueBytes(file, object, property, 4, kOmfType_TimeStamp, 1, &value.IsGMT));
    return 0;
}

omfErr_t omfsReadUID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                     omfUID_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    uint32_t fields[3];
    OMF_CHECK(file, readFields(file, object, property, kOmfType_UID, fields, 3));
    *value = omfUID_t{fields[0], fields[1], fields[2]};
    return 0;
}
omfErr_t omfsWriteUID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                      omfUID_t value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_UID, &value, sizeof value));
    const uint32_t fields[3] = {value.prefix, value.major, value.minor};
    OMF_CHECK(file, writeFields(file, object, property, kOmfType_UID, fields, 3));
    return 0;
}

omfErr_t omfsReadVersionType(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfVersionType_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    uint8_t bytes[2];
    OMF_CHECK(file,
              omfsReadValueBytes(file, object, property, 0, 1, kOmfType_VersionType, 2, bytes));
    *value = omfVersionType_t{bytes[0], bytes[1]};
    return 0;
}
omfErr_t omfsWriteVersionType(omfHdl_t file, omfObject_t object, omfProperty_t property,
                              omfVersionType_t value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, kOmfType_VersionType, &value, sizeof value));
    const uint8_t bytes[2] = {value.major, value.minor};
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, kOmfType_VersionType, 2, bytes));
    return 0;
}

omfErr_t omfsReadProductVersion(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                omfProductVersion_t* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    uint16_t fields[5];
    OMF_CHECK(file, readFields(file, object, property, kOmfType_ProductVersion, fields, 5));
    value->major = fields[0];
    value->minor = fields[1];
    value->tertiary = fields[2];
    value->type = static_cast<omfProductReleaseType_t>(fields[3]);
    value->patchLevel = fields[4];
    return 0;
}
omfErr_t omfsWriteProductVersion(omfHdl_t file, omfObject_t object, omfProperty_t property,
                                 omfProductVersion_t value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file,
              checkWrite(file, object, property, kOmfType_ProductVersion, &value, sizeof value));
    const uint16_t fields[5] = {value.major, value.minor, value.tertiary,
                                static_cast<uint16_t>(value.type & 0xFFFF), value.patchLevel};
    OMF_CHECK(file, writeFields(file, object, property, kOmfType_ProductVersion, fields, 5));
    return 0;
}

omfErr_t omfsReadClassID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                         omfClassID_t value) {
    return readFourCharacters(file, object, property, kOmfType_ClassID, value);
}
omfErr_t omfsWriteClassID(omfHdl_t file, omfObject_t object, omfProperty_t property,
                          const omfClassID_t value) {
    return writeFourCharacters(file, object, property, kOmfType_ClassID, value);
}
omfErr_t omfsReadObjectTag(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfClassID_t value) {
    return readFourCharacters(file, object, property, kOmfType_ObjectTag, value);
}
omfErr_t omfsWriteObjectTag(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            const omfClassID_t value) {
    return writeFourCharacters(file, object, property, kOmfType_ObjectTag, value);
}

omfErr_t omfsReadClassOf(omfHdl_t file, omfObject_t object, omfClassID_t classID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    switch (file->revision) {
    case kOmfRev1x:
    case kOmfRevIMA:
        OMF_CHECK(file, omfsReadObjectTag(file, object, kOmfProperty_ObjID, classID));
        return 0;
    case kOmfRev2x:
        OMF_CHECK(file, omfsReadClassID(file, object, kOmfProperty_OOBJ_ObjClass, classID));
        return 0;
    }
    OMF_RAISE(file, OM_ERR_FILE_REV_UNSUPPORTED);
}

omfErr_t omfsReadDataBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfType_t type, omfInt64 offset, omfInt32 size, void* buffer,
                           omfInt32* bytesRead) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (buffer == nullptr || bytesRead == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    *bytesRead = 0;
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    omfInt64 available = std::max<omfInt64>(0, std::min<omfInt64>(size, length - offset));
    if (available > 0) {
        OMF_CHECK(file, omfsReadValueBytes(file, object, property, offset, 1, type,
                                           static_cast<omfInt32>(available), buffer));
    }
    *bytesRead = static_cast<omfInt32>(available);
    if (available < size) OMF_RAISE(file, OM_ERR_READ_PAST_END);
    return 0;
}

omfErr_t omfsWriteDataBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfInt64 offset, omfInt32 size, const void* data) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, checkWrite(file, object, property, type, data, static_cast<size_t>(size)));
    OMF_CHECK(file, omfsWriteValueBytes(file, object, property, offset, type, size, data));
    return 0;
}

} // extern "C"
