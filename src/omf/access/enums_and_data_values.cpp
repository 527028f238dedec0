// Enumerated values and constant data values with a data kind.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <string>
#include <vector>

namespace omf {
namespace {

constexpr omfInt32 kDataKindNameSize = 64;

// How a data kind's numbers are swapped: the size of each number (0: bytes).
omfErr_t numberSizeOf(omfHdl_t file, omfObject_t dataKind, omfInt32* numberSize,
                      bool* twoNumbers) {
    *numberSize = 0;
    *twoNumbers = false;
    if (dataKind == nullptr || file->revision != kOmfRev2x) return 0;
    char name[kDataKindNameSize] = {};
    OMF_CHECK(file,
              omfsReadUniqueName(file, dataKind, kOmfProperty_DDEF_DataKindID, name, sizeof name));
    std::string kind = name;
    if (kind == "omfi:data:Int16" || kind == "omfi:data:UInt16") *numberSize = 2;
    if (kind == "omfi:data:Int32" || kind == "omfi:data:UInt32") *numberSize = 4;
    if (kind == "omfi:data:Rational") {
        *numberSize = 4;
        *twoNumbers = true;
    }
    return 0;
}

void swapNumbers(unsigned char* bytes, omfInt32 size, omfInt32 numberSize) {
    for (omfInt32 at = 0; at + numberSize <= size; at += numberSize) {
        reverseBytes(bytes + at, static_cast<size_t>(numberSize));
    }
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsReadEnum(omfHdl_t file, omfObject_t object, omfProperty_t property,
                      omfType_t type, omfInt32* value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (value == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    if (length != 1 && length != 2 && length != 4) OMF_RAISE(file, OM_ERR_CANNOT_SWAB_SIZE);
    unsigned char bytes[4] = {};
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 0, type,
                                       static_cast<omfInt32>(length), bytes));
    switch (length) {
    case 1: *value = bytes[0]; break;
    case 2: {
        uint16_t number;
        std::memcpy(&number, bytes, 2);
        *value = number;
        break;
    }
    default: std::memcpy(value, bytes, 4); break;
    }
    OMF_CHECK(file, checkRead(file, object, property, type, value, sizeof *value));
    return 0;
}

omfErr_t omfsWriteEnum(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfType_t type, omfInt32 value) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    const TypeRecord* record = fileTypeRecord(file, type);
    if (record == nullptr) OMF_RAISE(file, OM_ERR_TYPE_OUT_OF_RANGE);
    OMF_CHECK(file, checkWrite(file, object, property, type, &value, sizeof value));
    if (record->enumerationSize == 2) {
        if (value < 0 || value > 0xFFFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        uint16_t narrow = static_cast<uint16_t>(value);
        OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, 2, &narrow));
    } else {
        OMF_CHECK(file, omfsWriteValueBytes(file, object, property, 0, type, 4, &value));
    }
    return 0;
}

omfErr_t omfsReadDataValue(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfObject_t dataKind, void* buffer, omfInt32 size,
                           omfInt32* bytesRead) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (buffer == nullptr || bytesRead == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt32 numberSize = 0;
    bool twoNumbers = false;
    OMF_CHECK(file, numberSizeOf(file, dataKind, &numberSize, &twoNumbers));
    if (twoNumbers && size < 8) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    OMF_CHECK(file, omfsReadDataBytes(file, object, property, kOmfType_DataValue, 0, size,
                                      buffer, bytesRead));
    if (numberSize > 0 && needsSwap(file, object)) {
        swapNumbers(static_cast<unsigned char*>(buffer), *bytesRead, numberSize);
    }
    return 0;
}

omfErr_t omfsWriteDataValue(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfObject_t dataKind, const void* data, omfInt32 size) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (data == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfInt32 numberSize = 0;
    bool twoNumbers = false;
    OMF_CHECK(file, numberSizeOf(file, dataKind, &numberSize, &twoNumbers));
    if (twoNumbers && size < 8) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    std::vector<unsigned char> bytes(static_cast<const unsigned char*>(data),
                                     static_cast<const unsigned char*>(data) + size);
    if (numberSize > 0 && needsSwap(file, object)) swapNumbers(bytes.data(), size, numberSize);
    OMF_CHECK(file, omfsWriteDataBytes(file, object, property, kOmfType_DataValue, 0, size,
                                       bytes.data()));
    return 0;
}

} // extern "C"
