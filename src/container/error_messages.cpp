// The container library's numbered messages and their formatting.
#include "container/cm_api.h"
#include "handlers/message_format.h"

#include <cstdio>
#include <iterator>

namespace {

// Message texts by error number. "^n" stands for the n-th string argument.
// clang-format off
constexpr const char* kMessages[] = {
    /*   0 */ "^0",
    /*   1 */ "TOC index table size out of range (^0 <= range <= ^1)",
    /*   2 */ "Unable to allocate session (task) global data",
    /*   3 */ "Cannot allocate space for handler for type \"^0\"",
    /*   4 */ "Cannot do a CMOpenNewContainer(...^0...) with useFlags set for update-in-place",
    /*   5 */ "Cannot allocate CCB space for type \"^0\"",
    /*   6 */ "Metahandler was not defined for type \"^0\"",
    /*   7 */ "Allocation problem while looking up handler for type \"^0\"",
    /*   8 */ "Null metahandler pointer for type \"^0\"",
    /*   9 */ "Handler routine(s) missing for operation type(s): ^0",
    /*  10 */ "Cannot allocate TOC for container \"^0\"",
    /*  11 */ "Cannot do a CMOpenContainer(...\"^0\"...) with useFlags set for ^1",
    /*  12 */ "Invalid magic byte sequence in label for container \"^0\" - expected \"^1\", got \"^2\"",
    /*  13 */ "Invalid version fields in label for container \"^0\" - expected ^1.^2, got ^3.^4",
    /*  14 */ "Incorrect byte length read while reading TOC for container \"^0\"",
    /*  15 */ "Cannot allocate space for TOC object entry for container \"^0\"",
    /*  16 */ "Multiple definition for TOC object ^0 for container \"^1\"",
    /*  17 */ "Cannot allocate space for TOC property entry for container \"^0\"",
    /*  18 */ "Invalid continued value (inconsistent types) in container \"^0\"",
    /*  19 */ "Cannot allocate space for TOC value entry for container \"^0\"",
    /*  20 */ "Invalid offset or value (^0, ^1) for TOC value entry for container \"^2\"",
    /*  21 */ "There is (are) ^0 undefined object(s) in container \"^1\"",
    /*  22 */ "Cannot allocate space for constant value in container \"^0\"",
    /*  23 */ "Cannot add dup base type \"^0\" to type \"^1\" in container \"^2\"",
    /*  24 */ "Incorrect byte length written while writing TOC for \"^0\"",
    /*  25 */ "Have global name tied to value of wrong type in containter \"^0\"",
    /*  26 */ "Incorrect byte length written while writing global name \"^0\" in container \"^1\"",
    /*  27 */ "Duplicate global name definition for \"^0\" in container \"^1\"",
    /*  28 */ "Object ^0 alread defined -- trying to redefine it for \"^1\" (container \"^2\")",
    /*  29 */ "Cannot allocate space for global name \"^0\" in container \"^1\"",
    /*  30 */ "Cannot allocate space for global name during load in container \"^0\"",
    /*  31 */ "Incorrect byte length read while reading global name in container \"^0\"",
    /*  32 */ "Invalid global name string read in container \"^0\"",
    /*  33 */ "Invalid ^0 type passed to ^1 for container \"^2\"",
    /*  34 */ "Objects not in same containers (containers \"^0\" and \"^1\")",
    /*  35 */ "Objects not in same containers (containers \"^0\", \"^1\", and \"^2\")",
    /*  36 */ "Min ID seed value missing in TOC object 1 in container \"^0\"",
    /*  37 */ "TOC object ID 1 missing in TOC in container \"^0\"",
    /*  38 */ "Cannot use CMDefineValueData except for converting container \"^0\"",
    /*  39 */ "Attempt to define offset (^0) out of range in container \"^1\"",
    /*  40 */ "Attempt to use a deleted value in container \"^0\"",
    /*  41 */ "Attempt to use a deleted object in container \"^0\"",
    /*  42 */ "Container for ^0 (\"^1\") does not belong to the container being used (\"^2\")",
    /*  43 */ "No value defined for object ID ^0, property \"^1\" in container \"^2\"",
    /*  44 */ "Cannot set a (sub)value to an already defined value (container \"^0\")",
    /*  45 */ "Attempting to release a value already completely released in container \"^0\"",
    /*  46 */ "A dynamic value has not been fully released in container \"^0\"",
    /*  47 */ "Total free space value missing in TOC object 1 in container \"^0\"",
    /*  48 */ "Attempt to insert two values with the same type (^0) in container \"^1\"",
    /*  49 */ "No value defined for CMReadValueData in container \"^0\"",
    /*  50 */ "Write error writing to container \"^0\"",
    /*  51 */ "Cannot write to a global name in container \"^0\"",
    /*  52 */ "Write/insert offset (^0) beyond end of a value in container \"^1\"",
    /*  53 */ "Internal error! Unknown flags setting (0x^0)",
    /*  54 */ "ID seed value missing in TOC object 1 in container \"^0\"",
    /*  55 */ "^0 object is ambiguous in container \"^1\"",
    /*  56 */ "^0 object is not for a global name in container \"^1\"",
    /*  57 */ "Internal error - empty free list for property in container \"^0\"",
    /*  58 */ "A \"new value\" handler is not defined for type \"^0\"",
    /*  59 */ "Object ID ^0 from a reference is undefined in container \"^1\"",
    /*  60 */ "Invalid kind of object -- expected ^0 in container \"^1\"",
    /*  61 */ "Cannot write to a container (\"^0\") opened for reading",
    /*  62 */ "Attempt to write to a protected object in container \"^0\"",
    /*  63 */ "Cannot read from a container (\"^0\") opened for writing",
    /*  64 */ "Size value missing in TOC object 1 in container \"^0\"",
    /*  65 */ "Inconsistent size values between container label and TOC (container \"^0\")",
    /*  66 */ "Internal error! TOC offset to offset/size value not found in container \"^0\"",
    /*  67 */ "Attempt to delete to a protected object in container \"^0\"",
    /*  68 */ "Attempt to delete to a property with a protected value in container \"^0\"",
    /*  69 */ "Attempt to delete to a protected value in container \"^0\"",
    /*  70 */ "Container \"^0\" is still open at session close time",
    /*  71 */ "Cannot read from an empty embedded container value (container \"^0\")",
    /*  72 */ "Cannot allocate space to save embedding status while opening container \"^0\"",
    /*  73 */ "Invalid generation number (^0) passed to ^1 (container \"^2\")",
    /*  74 */ "Connot allocate space for an object reference in container \"^0\")",
    /*  75 */ "CMGetBaseValue() may only be called from a dynamic value handler in container \"^0\"",
    /*  76 */ "Attempt to register a ^0 name (^1) in container \"^2\" -- already defined as a ^3",
    /*  77 */ "Embedded container (\"^0\") must be opened in same mode as its parent (\"^1\")",
    /*  78 */ "Cannot delete a value currently in use in container \"^0\"",
    /*  79 */ "Memory allocator and dealocator handlers must be supplied",
    /*  80 */ "Unable to allocate private temporary buffer while opening type \"^0\"",
    /*  81 */ "Cannot move a value in a container (\"^0\") not opened for writing",
    /*  82 */ "Attempt to delete ^0 in a container (\"^1\") not opened for writing",
    /*  83 */ "Attempt to define additional data for a immediate value in container \"^0\"",
    /*  84 */ "Cannot allocate space for TOC dynamic value entry for type \"^0\" in container \"^1\"",
    /*  85 */ "Attempt to use dynamic value handler for ^0() recursively in container \"^1\"",
    /*  86 */ "Invalid base (\"real\") value passed to ^0() in container \"^1\"",
    /*  87 */ "A value operations metahandler is not defined for type \"^0\" in container \"^1\"",
    /*  88 */ "A \"use value\" metahandler did not create a dynamic value in container \"^0\"",
    /*  89 */ "Cannot allocate globally unique name table for container \"^0\"",
    /*  90 */ "Invalid metadata format spec"
              "ification (%^0) for type \"^1\" in container \"^2\"",
    /*  91 */ "Internal error - empty \"deletes\" list for property in container \"^0\"",
    /*  92 */ "Cannot allocate space for data packet for type \"^0\" in container \"^1\"",
    /*  93 */ "A dynamic value release handler attempted to release its base in container \"^0\"",
    /*  94 */ "\"Use value\" handler for type \"^0\" in container \"^1\" MUST return a metahandler",
    /*  95 */ "Total container size value missing in TOC object 1 in container \"^0\"",
    /*  96 */ "Internal error! TOC offset to container value not found in container \"^0\"",
    /*  97 */ "Ambiguous updating useFlags passed to CMOpenNewContainer(...\"^0\"...) - ^1",
    /*  98 */ "Dynamic value type handler not defined for updating in container \"^0\"",
    /*  99 */ "Dynamic value in container \"^0\" not created to access target for updating",
    /* 100 */ "A \"metadata\" handler is not defined for type \"^0\"",
    /* 101 */ "Cannot allocate space for data I/O buffer in container \"^0\"",
    /* 102 */ "Incorrect byte length read while reading updates in container \"^0\"",
    /* 103 */ "Write error while writing updates in container \"^0\"",
    /* 104 */ "Internal error! End-of-updates signal not detected in container \"^0\"",
    /* 105 */ "Internal error! TOC offset to updates TOC subsection not found in container \"^0\"",
    /* 106 */ "\"New values\" TOC offset/size missing in TOC object 1 in container \"^0\"",
    /* 107 */ "Too many objects in container \"^0\" or next user object ID > 0xFFFFFFFF",
    /* 108 */ "Cannot allocate space for recording updating operation in container \"^0\"",
    /* 109 */ "Container \"^0\" updating -- cannot find object ID ^1 to be ^2",
    /* 110 */ "Container \"^0\" updating -- cannot find a property ID ^1 in object ID ^2 to be ^3",
    /* 111 */ "Container \"^0\" updating -- unknown control byte read (0x^1, during ^2)",
    /* 112 */ "Container \"^0\" updating -- cannot find value (type ID ^1) in object ^2, property ^3",
    /* 113 */ "Container \"^0\" updating -- cannot find ^1 (ID ^2) to use in ^3",
    /* 114 */ "Container \"^0\" updating -- invalid generation number (^1)",
    /* 115 */ "Container \"^0\" updating -- bad updating info (0 segment insert encountered)",
    /* 116 */ "Container \"^0\" updating -- insert offset (^1) beyond end of a value",
    /* 117 */ "Container \"^0\" updating -- attempt to replace non-immediate with immediate",
    /* 118 */ "Container \"^0\" updating -- attempt to replace non-base type value with a base type",
    /* 119 */ "Value and referenced object not in the same containers (containers \"^0\" and \"^1\")",
    /* 120 */ "Allocation problem while looking up global name \"^0\" in container \"^1\"",
    /* 121 */ "Error detected in flushing output while closing container \"^0\"",
    /* 122 */ "Cannot delete an object with unreleased dynamic values in use in container \"^0\"",
    /* 123 */ "Cannot allocate space for TOC I/O buffer in container \"^0\"",
    /* 124 */ "Invalid TOC code read (0x^0) from TOC in container \"^1\"",
    /* 125 */ "TOC reading out-of-sync (trying to read across buffer boundary) in container \"^0\"",
    /* 126 */ "TOC \"parse\" error - expected object ID, got 0x^0 in container \"^1\"",
    /* 127 */ "TOC \"parse\" error - got 0x^0 at an unexpected time in container \"^1\"",
    /* 128 */ "8-byte offset in container \"^0\" are not supported in this implementation",
    /* 129 */ "Cannot delete an object currently in use in container \"^0\"",
    /* 130 */ "Attempting to release an object already completely released in container \"^0\"",
    /* 131 */ "Read error while reading references in container \"^0\"",
    /* 132 */ "Internal error! Missing reference property or value in container \"^0\"",
    /* 133 */ "Attempt to use a CMReference key of 0 in container \"^0\"",
    /* 134 */ "Cannot allocate space to record reference in container \"^0\"",
    /* 135 */ "Invalid global name (file \"^0\" possibly transfered as text at some point)",
};
// clang-format on

constexpr CMErrorNbr kMessageCount = static_cast<CMErrorNbr>(std::size(kMessages));
static_assert(kMessageCount == 136, "the message table holds numbers 0 to 135");

} // namespace

extern "C" {

const char* CMErrorTemplate(CMErrorNbr errorNumber) {
    if (errorNumber < 0 || errorNumber >= kMessageCount) return nullptr;
    return kMessages[errorNumber];
}

size_t CMFormatErrorMessage(char* out, size_t outSize, CMErrorNbr errorNumber, int argc,
                            const char* const* argv) {
    const char* messageTemplate = CMErrorTemplate(errorNumber);
    if (messageTemplate != nullptr) {
        return container::substituteMessageArguments(out, outSize, messageTemplate, argc, argv);
    }
    // An unknown number is shown as such rather than dropped.
    char undefined[64];
    std::snprintf(undefined, sizeof undefined, "Undefined error message for error #%ld",
                  static_cast<long>(errorNumber));
    return container::substituteMessageArguments(out, outSize, undefined, 0, nullptr);
}

} // extern "C"
