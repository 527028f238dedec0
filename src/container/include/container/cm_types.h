// Basic types of the container library's C-style API.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef uint32_t CMObjectID;      // object, property and type IDs
typedef uint64_t CMSize;          // byte counts and stream positions (64-bit throughout)
typedef uint64_t CMCount;         // element counts
typedef uint32_t CMGeneration;    // value generation number
typedef uint32_t CMValueFlags;    // caller-visible value flags (TOC code 15)
typedef uint16_t CMContainerUseMode;
typedef uint16_t CMContainerFlags;
typedef int32_t CMErrorNbr;
typedef int CMBoolean;
typedef void* CMRefCon;
typedef void* CMPtr;
typedef const char* CMGlobalName;
typedef unsigned char CMMagicBytes[8];
typedef unsigned char CMReference[4]; // an object reference key as stored in value data

typedef struct CMSessionRecord* CMSession;
typedef struct CMContainerRecord* CMContainer;
typedef struct CMObjectRecord* CMObject; // plain objects, property and type definitions
typedef CMObject CMProperty;
typedef CMObject CMType;
typedef struct CMValueRecord* CMValue;

// A handler routine as returned by a metahandler; the caller casts it to the
// signature of the operation it asked for (see cm_handlers.h).
typedef void (*CMHandlerAddr)(void);

// A metahandler maps an operation-type name to its routine, or to null when
// the handler does not provide that operation.
typedef CMHandlerAddr (*CMMetaHandler)(CMType targetType, const char* operationType);

// Container use modes (useFlags).
enum : CMContainerUseMode {
    kCMReading = 0x0001,        // set by CMOpenContainer
    kCMWriting = 0x0002,        // set by CMOpenNewContainer; TOC and label written at close
    kCMReadWrite = 0x0004,      // open an existing container "rb+"
    kCMUpdateByAppend = 0x0008, // new values appended after the existing label
    kCMUpdateTarget = 0x0010,   // updates applied through a target container
    kCMConverting = 0x0020,     // existing raw data described by CMDefineValueData
    kCMReuseFlag = 0x0040,      // open an existing stream "rb+" without a label; write at its end
};

// Container flags given to CMOpenNewContainer.
enum : CMContainerFlags {
    kCMDefaultFlags = 0x0000,
    kCMVersion1TOC = 0x0001, // write the fixed 24-byte entry TOC and label version 1.0
};

// The first user object ID: 1 to 0xFFFF are standard objects.
constexpr CMObjectID kCMMinUserObjectID = 0x10000;

} // extern "C"
