// Basic types of the OMF toolkit's C-style public API. Every call returns an
// omfErr_t: 0 is success, 1 to 209 are the defined failures.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef int32_t omfErr_t;
typedef int32_t omfInt32;
typedef uint32_t omfUInt32;
typedef int16_t omfInt16;
typedef uint16_t omfUInt16;
typedef int8_t omfInt8;
typedef uint8_t omfUInt8;
typedef int64_t omfInt64;
typedef int omfBool;
typedef int32_t omfProperty_t; // property code of the registry
typedef int32_t omfType_t;     // type code of the registry
typedef char omfClassID_t[4];  // four-character class ID
typedef uint32_t omfTimeStamp_tSeconds;

typedef struct omfSessionRec* omfSessionHdl_t;
typedef struct omfFileRec* omfHdl_t;
typedef struct CMObjectRecord* omfObject_t; // a container object of the file

// File revisions.
typedef enum {
    kOmfRev1x = 0,    // 1.x file
    kOmfRevIMA = 1,   // 1.x file in a version-2 container
    kOmfRev2x = 2,    // 2.x file
} omfFileRev_t;

typedef struct {
    int32_t numerator;
    int32_t denominator;
} omfRational_t;

typedef struct {
    uint32_t prefix;
    uint32_t major;
    uint32_t minor;
} omfUID_t;

typedef struct {
    uint32_t TimeVal; // seconds
    uint8_t IsGMT;
} omfTimeStamp_t;

typedef struct {
    uint8_t major;
    uint8_t minor;
} omfVersionType_t;

typedef enum {
    kVersionUnknown = 0,
    kVersionReleased = 1,
    kVersionDebug = 2,
    kVersionPatched = 3,
    kVersionBeta = 4,
    kVersionPrivateBuild = 5,
} omfProductReleaseType_t;

typedef struct {
    uint16_t major;
    uint16_t minor;
    uint16_t tertiary;
    omfProductReleaseType_t type; // stored as its low 16 bits
    uint16_t patchLevel;
} omfProductVersion_t;

// The product identification given when a session starts and written into
// every file it creates.
typedef struct {
    const char* companyName;
    const char* productName;
    const char* productVersionString;
    int32_t productID;
    const char* platform;
    omfProductVersion_t productVersion;
} omfProductIdentification_t;

// Byte orders of a file.
constexpr uint16_t kOmfLittleEndian = 0x4949; // "II"
constexpr uint16_t kOmfBigEndian = 0x4D4D;    // "MM"

} // extern "C"
