// The container library's error numbers: each number, the name the code
// uses for it and its message text, in one table. "^n" in a text stands for
// the n-th string argument of the report.
#pragma once

#include "container/cm_types.h"

// X(number, name, text) for every error number, in ascending order.
// clang-format off
#define CM_ERROR_TABLE(X) \
    X(  0, CM_ERR_MESSAGE, "^0") \
    X(  1, CM_ERR_TOC_INDEX_SIZE, "TOC index table size out of range (^0 <= range <= ^1)") \
    X(  2, CM_ERR_NO_SESSION_MEMORY, "Unable to allocate session (task) global data") \
    X(  3, CM_ERR_NO_HANDLER_MEMORY, "Cannot allocate space for handler for type \"^0\"") \
    X(  4, CM_ERR_NEW_UPDATE_IN_PLACE, "Cannot do a CMOpenNewContainer(...^0...) with useFlags set for update-in-place") \
    X(  5, CM_ERR_NO_CCB_MEMORY, "Cannot allocate CCB space for type \"^0\"") \
    X(  6, CM_ERR_NO_METAHANDLER, "Metahandler was not defined for type \"^0\"") \
    X(  7, CM_ERR_HANDLER_LOOKUP_MEMORY, "Allocation problem while looking up handler for type \"^0\"") \
    X(  8, CM_ERR_NULL_METAHANDLER, "Null metahandler pointer for type \"^0\"") \
    X(  9, CM_ERR_MISSING_HANDLERS, "Handler routine(s) missing for operation type(s): ^0") \
    X( 10, CM_ERR_NO_TOC_MEMORY, "Cannot allocate TOC for container \"^0\"") \
    X( 11, CM_ERR_OPEN_USE_FLAGS, "Cannot do a CMOpenContainer(...\"^0\"...) with useFlags set for ^1") \
    X( 12, CM_ERR_BAD_MAGIC, "Invalid magic byte sequence in label for container \"^0\" - expected \"^1\", got \"^2\"") \
    X( 13, CM_ERR_BAD_VERSION, "Invalid version fields in label for container \"^0\" - expected ^1.^2, got ^3.^4") \
    X( 14, CM_ERR_BAD_TOC_READ, "Incorrect byte length read while reading TOC for container \"^0\"") \
    X( 15, CM_ERR_NO_OBJECT_ENTRY_MEMORY, "Cannot allocate space for TOC object entry for container \"^0\"") \
    X( 16, CM_ERR_DUPLICATE_OBJECT, "Multiple definition for TOC object ^0 for container \"^1\"") \
    X( 17, CM_ERR_NO_PROPERTY_ENTRY_MEMORY, "Cannot allocate space for TOC property entry for container \"^0\"") \
    X( 18, CM_ERR_BAD_CONTINUED_VALUE, "Invalid continued value (inconsistent types) in container \"^0\"") \
    X( 19, CM_ERR_NO_VALUE_ENTRY_MEMORY, "Cannot allocate space for TOC value entry for container \"^0\"") \
    X( 20, CM_ERR_BAD_VALUE_ENTRY, "Invalid offset or value (^0, ^1) for TOC value entry for container \"^2\"") \
    X( 21, CM_ERR_UNDEFINED_OBJECTS, "There is (are) ^0 undefined object(s) in container \"^1\"") \
    X( 22, CM_ERR_NO_CONSTANT_MEMORY, "Cannot allocate space for constant value in container \"^0\"") \
    X( 23, CM_ERR_DUPLICATE_BASE_TYPE, "Cannot add dup base type \"^0\" to type \"^1\" in container \"^2\"") \
    X( 24, CM_ERR_BAD_TOC_WRITE, "Incorrect byte length written while writing TOC for \"^0\"") \
    X( 25, CM_ERR_GLOBAL_NAME_TYPE, "Have global name tied to value of wrong type in containter \"^0\"") \
    X( 26, CM_ERR_BAD_GLOBAL_NAME_WRITE, "Incorrect byte length written while writing global name \"^0\" in container \"^1\"") \
    X( 27, CM_ERR_DUPLICATE_GLOBAL_NAME, "Duplicate global name definition for \"^0\" in container \"^1\"") \
    X( 28, CM_ERR_OBJECT_REDEFINED, "Object ^0 alread defined -- trying to redefine it for \"^1\" (container \"^2\")") \
    X( 29, CM_ERR_NO_GLOBAL_NAME_MEMORY, "Cannot allocate space for global name \"^0\" in container \"^1\"") \
    X( 30, CM_ERR_NO_GLOBAL_NAME_LOAD_MEMORY, "Cannot allocate space for global name during load in container \"^0\"") \
    X( 31, CM_ERR_BAD_GLOBAL_NAME_READ, "Incorrect byte length read while reading global name in container \"^0\"") \
    X( 32, CM_ERR_BAD_GLOBAL_NAME, "Invalid global name string read in container \"^0\"") \
    X( 33, CM_ERR_BAD_TYPE_ARGUMENT, "Invalid ^0 type passed to ^1 for container \"^2\"") \
    X( 34, CM_ERR_DIFFERENT_CONTAINERS, "Objects not in same containers (containers \"^0\" and \"^1\")") \
    X( 35, CM_ERR_DIFFERENT_CONTAINERS_3, "Objects not in same containers (containers \"^0\", \"^1\", and \"^2\")") \
    X( 36, CM_ERR_NO_MIN_SEED, "Min ID seed value missing in TOC object 1 in container \"^0\"") \
    X( 37, CM_ERR_NO_TOC_OBJECT, "TOC object ID 1 missing in TOC in container \"^0\"") \
    X( 38, CM_ERR_DEFINE_DATA_NOT_CONVERTING, "Cannot use CMDefineValueData except for converting container \"^0\"") \
    X( 39, CM_ERR_OFFSET_RANGE, "Attempt to define offset (^0) out of range in container \"^1\"") \
    X( 40, CM_ERR_DELETED_VALUE, "Attempt to use a deleted value in container \"^0\"") \
    X( 41, CM_ERR_DELETED_OBJECT, "Attempt to use a deleted object in container \"^0\"") \
    X( 42, CM_ERR_FOREIGN_CONTAINER, "Container for ^0 (\"^1\") does not belong to the container being used (\"^2\")") \
    X( 43, CM_ERR_NO_VALUE, "No value defined for object ID ^0, property \"^1\" in container \"^2\"") \
    X( 44, CM_ERR_VALUE_ALREADY_SET, "Cannot set a (sub)value to an already defined value (container \"^0\")") \
    X( 45, CM_ERR_VALUE_RELEASED, "Attempting to release a value already completely released in container \"^0\"") \
    X( 46, CM_ERR_DYNAMIC_VALUE_UNRELEASED, "A dynamic value has not been fully released in container \"^0\"") \
    X( 47, CM_ERR_NO_FREE_SPACE, "Total free space value missing in TOC object 1 in container \"^0\"") \
    X( 48, CM_ERR_DUPLICATE_VALUE_TYPE, "Attempt to insert two values with the same type (^0) in container \"^1\"") \
    X( 49, CM_ERR_NO_VALUE_TO_READ, "No value defined for CMReadValueData in container \"^0\"") \
    X( 50, CM_ERR_BAD_WRITE, "Write error writing to container \"^0\"") \
    X( 51, CM_ERR_WRITE_GLOBAL_NAME, "Cannot write to a global name in container \"^0\"") \
    X( 52, CM_ERR_WRITE_OFFSET, "Write/insert offset (^0) beyond end of a value in container \"^1\"") \
    X( 53, CM_ERR_UNKNOWN_FLAGS, "Internal error! Unknown flags setting (0x^0)") \
    X( 54, CM_ERR_NO_SEED, "ID seed value missing in TOC object 1 in container \"^0\"") \
    X( 55, CM_ERR_AMBIGUOUS_OBJECT, "^0 object is ambiguous in container \"^1\"") \
    X( 56, CM_ERR_NOT_GLOBAL_NAME, "^0 object is not for a global name in container \"^1\"") \
    X( 57, CM_ERR_EMPTY_FREE_LIST, "Internal error - empty free list for property in container \"^0\"") \
    X( 58, CM_ERR_NO_NEW_VALUE_HANDLER, "A \"new value\" handler is not defined for type \"^0\"") \
    X( 59, CM_ERR_UNDEFINED_REFERENCE, "Object ID ^0 from a reference is undefined in container \"^1\"") \
    X( 60, CM_ERR_WRONG_OBJECT_KIND, "Invalid kind of object -- expected ^0 in container \"^1\"") \
    X( 61, CM_ERR_READ_ONLY, "Cannot write to a container (\"^0\") opened for reading") \
    X( 62, CM_ERR_PROTECTED_WRITE, "Attempt to write to a protected object in container \"^0\"") \
    X( 63, CM_ERR_WRITE_ONLY, "Cannot read from a container (\"^0\") opened for writing") \
    X( 64, CM_ERR_NO_TOC_SIZE, "Size value missing in TOC object 1 in container \"^0\"") \
    X( 65, CM_ERR_TOC_SIZE_MISMATCH, "Inconsistent size values between container label and TOC (container \"^0\")") \
    X( 66, CM_ERR_NO_TOC_OFFSET_PATCH, "Internal error! TOC offset to offset/size value not found in container \"^0\"") \
    X( 67, CM_ERR_PROTECTED_OBJECT_DELETE, "Attempt to delete to a protected object in container \"^0\"") \
    X( 68, CM_ERR_PROTECTED_PROPERTY_DELETE, "Attempt to delete to a property with a protected value in container \"^0\"") \
    X( 69, CM_ERR_PROTECTED_VALUE_DELETE, "Attempt to delete to a protected value in container \"^0\"") \
    X( 70, CM_ERR_STILL_OPEN, "Container \"^0\" is still open at session close time") \
    X( 71, CM_ERR_EMPTY_EMBEDDED, "Cannot read from an empty embedded container value (container \"^0\")") \
    X( 72, CM_ERR_NO_EMBEDDING_MEMORY, "Cannot allocate space to save embedding status while opening container \"^0\"") \
    X( 73, CM_ERR_BAD_GENERATION, "Invalid generation number (^0) passed to ^1 (container \"^2\")") \
    X( 74, CM_ERR_NO_REFERENCE_MEMORY, "Connot allocate space for an object reference in container \"^0\")") \
    X( 75, CM_ERR_BASE_VALUE_CALLER, "CMGetBaseValue() may only be called from a dynamic value handler in container \"^0\"") \
    X( 76, CM_ERR_NAME_KIND_CONFLICT, "Attempt to register a ^0 name (^1) in container \"^2\" -- already defined as a ^3") \
    X( 77, CM_ERR_EMBEDDED_MODE, "Embedded container (\"^0\") must be opened in same mode as its parent (\"^1\")") \
    X( 78, CM_ERR_VALUE_IN_USE, "Cannot delete a value currently in use in container \"^0\"") \
    X( 79, CM_ERR_NO_MEMORY_HANDLERS, "Memory allocator and dealocator handlers must be supplied") \
    X( 80, CM_ERR_NO_TEMP_BUFFER, "Unable to allocate private temporary buffer while opening type \"^0\"") \
    X( 81, CM_ERR_MOVE_NOT_WRITING, "Cannot move a value in a container (\"^0\") not opened for writing") \
    X( 82, CM_ERR_DELETE_NOT_WRITING, "Attempt to delete ^0 in a container (\"^1\") not opened for writing") \
    X( 83, CM_ERR_IMMEDIATE_DATA, "Attempt to define additional data for a immediate value in container \"^0\"") \
    X( 84, CM_ERR_NO_DYNAMIC_ENTRY_MEMORY, "Cannot allocate space for TOC dynamic value entry for type \"^0\" in container \"^1\"") \
    X( 85, CM_ERR_DYNAMIC_RECURSION, "Attempt to use dynamic value handler for ^0() recursively in container \"^1\"") \
    X( 86, CM_ERR_BAD_BASE_VALUE, "Invalid base (\"real\") value passed to ^0() in container \"^1\"") \
    X( 87, CM_ERR_NO_VALUE_METAHANDLER, "A value operations metahandler is not defined for type \"^0\" in container \"^1\"") \
    X( 88, CM_ERR_NO_DYNAMIC_VALUE, "A \"use value\" metahandler did not create a dynamic value in container \"^0\"") \
    X( 89, CM_ERR_NO_NAME_TABLE_MEMORY, "Cannot allocate globally unique name table for container \"^0\"") \
    X( 90, CM_ERR_BAD_METADATA_FORMAT, "Invalid metadata format spec" \
                                       "ification (%^0) for type \"^1\" in container \"^2\"") \
    X( 91, CM_ERR_EMPTY_DELETES_LIST, "Internal error - empty \"deletes\" list for property in container \"^0\"") \
    X( 92, CM_ERR_NO_DATA_PACKET_MEMORY, "Cannot allocate space for data packet for type \"^0\" in container \"^1\"") \
    X( 93, CM_ERR_RELEASED_BASE, "A dynamic value release handler attempted to release its base in container \"^0\"") \
    X( 94, CM_ERR_USE_VALUE_RESULT, "\"Use value\" handler for type \"^0\" in container \"^1\" MUST return a metahandler") \
    X( 95, CM_ERR_NO_CONTAINER_SIZE, "Total container size value missing in TOC object 1 in container \"^0\"") \
    X( 96, CM_ERR_NO_CONTAINER_PATCH, "Internal error! TOC offset to container value not found in container \"^0\"") \
    X( 97, CM_ERR_AMBIGUOUS_UPDATE_FLAGS, "Ambiguous updating useFlags passed to CMOpenNewContainer(...\"^0\"...) - ^1") \
    X( 98, CM_ERR_NO_UPDATE_HANDLER, "Dynamic value type handler not defined for updating in container \"^0\"") \
    X( 99, CM_ERR_NO_UPDATE_TARGET, "Dynamic value in container \"^0\" not created to access target for updating") \
    X(100, CM_ERR_NO_METADATA_HANDLER, "A \"metadata\" handler is not defined for type \"^0\"") \
    X(101, CM_ERR_NO_IO_BUFFER, "Cannot allocate space for data I/O buffer in container \"^0\"") \
    X(102, CM_ERR_BAD_UPDATES_READ, "Incorrect byte length read while reading updates in container \"^0\"") \
    X(103, CM_ERR_BAD_UPDATES_WRITE, "Write error while writing updates in container \"^0\"") \
    X(104, CM_ERR_NO_UPDATES_END, "Internal error! End-of-updates signal not detected in container \"^0\"") \
    X(105, CM_ERR_NO_UPDATES_TOC_PATCH, "Internal error! TOC offset to updates TOC subsection not found in container \"^0\"") \
    X(106, CM_ERR_NO_NEW_VALUES_TOC, "\"New values\" TOC offset/size missing in TOC object 1 in container \"^0\"") \
    X(107, CM_ERR_TOO_MANY_OBJECTS, "Too many objects in container \"^0\" or next user object ID > 0xFFFFFFFF") \
    X(108, CM_ERR_NO_UPDATE_RECORD_MEMORY, "Cannot allocate space for recording updating operation in container \"^0\"") \
    X(109, CM_ERR_UPDATE_NO_OBJECT, "Container \"^0\" updating -- cannot find object ID ^1 to be ^2") \
    X(110, CM_ERR_UPDATE_NO_PROPERTY, "Container \"^0\" updating -- cannot find a property ID ^1 in object ID ^2 to be ^3") \
    X(111, CM_ERR_UPDATE_BAD_CONTROL, "Container \"^0\" updating -- unknown control byte read (0x^1, during ^2)") \
    X(112, CM_ERR_UPDATE_NO_VALUE, "Container \"^0\" updating -- cannot find value (type ID ^1) in object ^2, property ^3") \
    X(113, CM_ERR_UPDATE_NO_REFERENT, "Container \"^0\" updating -- cannot find ^1 (ID ^2) to use in ^3") \
    X(114, CM_ERR_UPDATE_BAD_GENERATION, "Container \"^0\" updating -- invalid generation number (^1)") \
    X(115, CM_ERR_UPDATE_EMPTY_INSERT, "Container \"^0\" updating -- bad updating info (0 segment insert encountered)") \
    X(116, CM_ERR_UPDATE_INSERT_OFFSET, "Container \"^0\" updating -- insert offset (^1) beyond end of a value") \
    X(117, CM_ERR_UPDATE_IMMEDIATE, "Container \"^0\" updating -- attempt to replace non-immediate with immediate") \
    X(118, CM_ERR_UPDATE_BASE_TYPE, "Container \"^0\" updating -- attempt to replace non-base type value with a base type") \
    X(119, CM_ERR_REFERENCE_CONTAINERS, "Value and referenced object not in the same containers (containers \"^0\" and \"^1\")") \
    X(120, CM_ERR_NAME_LOOKUP_MEMORY, "Allocation problem while looking up global name \"^0\" in container \"^1\"") \
    X(121, CM_ERR_FLUSH, "Error detected in flushing output while closing container \"^0\"") \
    X(122, CM_ERR_DELETE_DYNAMIC_IN_USE, "Cannot delete an object with unreleased dynamic values in use in container \"^0\"") \
    X(123, CM_ERR_NO_TOC_BUFFER, "Cannot allocate space for TOC I/O buffer in container \"^0\"") \
    X(124, CM_ERR_BAD_TOC_CODE, "Invalid TOC code read (0x^0) from TOC in container \"^1\"") \
    X(125, CM_ERR_TOC_OUT_OF_SYNC, "TOC reading out-of-sync (trying to read across buffer boundary) in container \"^0\"") \
    X(126, CM_ERR_TOC_EXPECTED_OBJECT, "TOC \"parse\" error - expected object ID, got 0x^0 in container \"^1\"") \
    X(127, CM_ERR_TOC_UNEXPECTED_CODE, "TOC \"parse\" error - got 0x^0 at an unexpected time in container \"^1\"") \
    X(128, CM_ERR_WIDE_OFFSET, "8-byte offset in container \"^0\" are not supported in this implementation") \
    X(129, CM_ERR_OBJECT_IN_USE, "Cannot delete an object currently in use in container \"^0\"") \
    X(130, CM_ERR_OBJECT_RELEASED, "Attempting to release an object already completely released in container \"^0\"") \
    X(131, CM_ERR_BAD_REFERENCES_READ, "Read error while reading references in container \"^0\"") \
    X(132, CM_ERR_NO_REFERENCE_PROPERTY, "Internal error! Missing reference property or value in container \"^0\"") \
    X(133, CM_ERR_ZERO_REFERENCE_KEY, "Attempt to use a CMReference key of 0 in container \"^0\"") \
    X(134, CM_ERR_NO_REFERENCE_RECORD_MEMORY, "Cannot allocate space to record reference in container \"^0\"") \
    X(135, CM_ERR_TEXT_TRANSFERRED, "Invalid global name (file \"^0\" possibly transfered as text at some point)")
// clang-format on

// The named error numbers: CM_ERR_BAD_MAGIC is 12, CM_ERR_BAD_WRITE is 50 ...
#define CM_ERROR_CONSTANT(number, name, text) inline constexpr CMErrorNbr name = number;
CM_ERROR_TABLE(CM_ERROR_CONSTANT)
#undef CM_ERROR_CONSTANT
