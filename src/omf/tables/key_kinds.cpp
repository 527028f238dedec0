// The standard key kinds of hash tables (text, class ID, 32-bit code, mob ID):
// their hash and equality routines, and typed ways to create, fill and search
// tables of each kind.
#include "omf/internal/error_flow.h"
#include "tables/table_records.h"

#include <cctype>
#include <cstring>

namespace {

constexpr omfInt32 kClassIDLength = 4;
constexpr omfInt32 kCodeLength = sizeof(omfInt32);
constexpr omfInt32 kUIDLength = sizeof(omfUID_t);
static_assert(sizeof(omfUID_t) == 12, "a mob ID key is three 32-bit numbers");

unsigned char upper(unsigned char c) {
    return static_cast<unsigned char>(std::toupper(c));
}

// h = 2h + uppercase(c) over every byte, the terminating NUL included, in
// wrapping 32-bit arithmetic. Bytes count as unsigned values.
omfInt32 hashText(const void* key, omfInt32 length) {
    const auto* bytes = static_cast<const unsigned char*>(key);
    uint32_t hash = 0;
    for (omfInt32 i = 0; i < length; ++i)
        hash = 2 * hash + upper(bytes[i]);
    return static_cast<omfInt32>(hash);
}

omfBool textEqual(const void* key1, const void* key2, omfInt32 length) {
    return std::memcmp(key1, key2, size_t(length)) == 0;
}

omfBool textEqualIgnoringCase(const void* key1, const void* key2, omfInt32 length) {
    const auto* a = static_cast<const unsigned char*>(key1);
    const auto* b = static_cast<const unsigned char*>(key2);
    for (omfInt32 i = 0; i < length; ++i) {
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

omfBool bytesEqual(const void* key1, const void* key2, omfInt32 length) {
    return std::memcmp(key1, key2, size_t(length)) == 0;
}

// The four characters as a big-endian number, whatever the host's order.
omfInt32 hashClassID(const void* key, omfInt32) {
    const auto* bytes = static_cast<const unsigned char*>(key);
    uint32_t value = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
                     uint32_t(bytes[3]);
    return static_cast<omfInt32>(value);
}

omfInt32 hashCode(const void* key, omfInt32) {
    omfInt32 code;
    std::memcpy(&code, key, sizeof code);
    return code;
}

omfInt32 hashUID(const void* key, omfInt32) {
    omfUID_t id;
    std::memcpy(&id, key, sizeof id);
    uint32_t hash = (id.prefix * 31u + id.major) * 31u + id.minor;
    return static_cast<omfInt32>(hash);
}

} // namespace

extern "C" {

omfErr_t omfsNewStringTable(omfHdl_t file, omfBool caseSensitive, omfInt32 numBuckets,
                            omfTable_t* result) {
    OMF_CHECK(file, omfsNewTable(file, numBuckets, hashText,
                                 caseSensitive ? textEqual : textEqualIgnoringCase, 0, result));
    return 0;
}

omfErr_t omfsNewClassIDTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result) {
    OMF_CHECK(file,
              omfsNewTable(file, numBuckets, hashClassID, bytesEqual, kClassIDLength, result));
    return 0;
}

omfErr_t omfsNewDefaultTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result) {
    OMF_CHECK(file, omfsNewTable(file, numBuckets, hashCode, bytesEqual, kCodeLength, result));
    return 0;
}

omfErr_t omfsNewUIDTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result) {
    OMF_CHECK(file, omfsNewTable(file, numBuckets, hashUID, bytesEqual, kUIDLength, result));
    return 0;
}

omfErr_t omfsTableAddString(omfTable_t table, const char* key, void* value,
                            omfTableInsertMode_t mode) {
    return omfsTableAddValue(table, key, 0, value, mode);
}

omfErr_t omfsTableAddInt32(omfTable_t table, omfInt32 key, void* value, omfTableInsertMode_t mode) {
    return omfsTableAddValue(table, &key, kCodeLength, value, mode);
}

omfErr_t omfsTableAddClassID(omfTable_t table, const char* classID, void* value,
                             omfTableInsertMode_t mode) {
    return omfsTableAddValue(table, classID, kClassIDLength, value, mode);
}

omfErr_t omfsTableAddUID(omfTable_t table, omfUID_t key, void* value, omfTableInsertMode_t mode) {
    return omfsTableAddValue(table, &key, kUIDLength, value, mode);
}

omfErr_t omfsTableLookupString(omfTable_t table, const char* key, void** value, omfBool* found) {
    return omfsTableLookupPtr(table, key, 0, value, found);
}

omfErr_t omfsTableLookupInt32(omfTable_t table, omfInt32 key, void** value, omfBool* found) {
    return omfsTableLookupPtr(table, &key, kCodeLength, value, found);
}

omfErr_t omfsTableLookupClassID(omfTable_t table, const char* classID, void** value,
                                omfBool* found) {
    return omfsTableLookupPtr(table, classID, kClassIDLength, value, found);
}

omfErr_t omfsTableLookupUID(omfTable_t table, omfUID_t key, void** value, omfBool* found) {
    return omfsTableLookupPtr(table, &key, kUIDLength, value, found);
}

} // extern "C"
