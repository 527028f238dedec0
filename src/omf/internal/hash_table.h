// The toolkit's hash tables: a fixed number of buckets chosen at creation,
// each a singly linked list of entries holding a copy of their key and a
// value pointer. They hold the registry, the per-file caches, the mob and
// media-data tables and the codec tables.
//
// Iteration visits buckets in ascending order and, inside a bucket, the
// newest entry first; callers that write files in table order depend on it.
// A table must not change while an iterator walks it.
#pragma once

#include "omf/omf_types.h"

#include <memory>

extern "C" {

constexpr uint32_t kOmfTableTag = 0x5461626C;         // "Tabl"
constexpr uint32_t kOmfTableIteratorTag = 0x494C4254; // "ILBT"

// Hash of `length` key bytes; any 32-bit value (negative ones included).
typedef omfInt32 (*omfTableHash_t)(const void* key, omfInt32 length);
// Whether two keys of `length` bytes are equal.
typedef omfBool (*omfTableEqual_t)(const void* key1, const void* key2, omfInt32 length);
// Releases a stored value when its entry is removed or the table disposed.
typedef void (*omfTableDispose_t)(void* value);

// What inserting a key that is already present does.
typedef enum {
    kOmfTableUnique = 0,     // OM_ERR_TABLE_DUPLICATE_KEY
    kOmfTableReplace = 1,    // every equal entry is removed first
    kOmfTableDuplicates = 2, // both are kept; the new one is found first
} omfTableInsertMode_t;

// How an iterator walks.
typedef enum {
    kOmfIterateAll = 0,      // every entry
    kOmfIterateMatching = 1, // the entries equal to one key, newest first
} omfTableIterateMode_t;

typedef struct omfTableRec* omfTable_t;
struct omfTableEntry;

// A table walk, kept by the caller (usually on its stack). After a call that
// answers found, `key`, `keyLength` and `value` describe the current entry.
typedef struct {
    uint32_t tag;
    omfTable_t table;
    omfInt32 currentBucket; // -1 before the first step
    struct omfTableEntry* currentEntry;
    omfTableIterateMode_t mode;
    const void* key;
    omfInt32 keyLength;
    void* value;
} omfTableIterate_t;

// Creates a table of `numBuckets` buckets (a count below 1 makes one bucket)
// whose errors go to `file` (null for session tables). A key length of 0
// means keys are NUL-terminated texts whose length includes the NUL.
// A null hash routine or result is OM_ERR_NULL_PARAM; allocation failure OM_ERR_NO_MEMORY.
omfErr_t omfsNewTable(omfHdl_t file, omfInt32 numBuckets, omfTableHash_t hash,
                      omfTableEqual_t equal, omfInt32 defaultKeyLength, omfTable_t* result);

// Tables of the standard key kinds.
// Text keys: h = 2h + uppercase(c) over every byte including the NUL;
// equality exact or ignoring letter case.
omfErr_t omfsNewStringTable(omfHdl_t file, omfBool caseSensitive, omfInt32 numBuckets,
                            omfTable_t* result);
// Four-character class IDs: hashed as a big-endian 32-bit number.
omfErr_t omfsNewClassIDTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result);
// 32-bit codes (omfInt32 keys): the hash is the code itself.
omfErr_t omfsNewDefaultTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result);
// Mob IDs (omfUID_t keys): (prefix x 31 + major) x 31 + minor, unsigned
// 32-bit arithmetic, so that mobs of one prefix and major number with
// consecutive minor numbers fall into consecutive buckets.
omfErr_t omfsNewUIDTable(omfHdl_t file, omfInt32 numBuckets, omfTable_t* result);

// Installs the routine that releases values (null: values are not owned).
omfErr_t omfsSetTableDispose(omfTable_t table, omfTableDispose_t dispose);

// The bucket a hash falls into: hash modulo the bucket count; a negative
// hash is brought into range by adding the bucket count to its remainder.
omfInt32 omfsTableBucketIndex(omfInt32 hash, omfInt32 numBuckets);

// Inserts `value` under a copy of `key`. `keyLength` 0 takes the table's
// default key length (or the text length with its NUL for text tables).
omfErr_t omfsTableAddValue(omfTable_t table, const void* key, omfInt32 keyLength, void* value,
                           omfTableInsertMode_t mode);
omfErr_t omfsTableAddString(omfTable_t table, const char* key, void* value,
                            omfTableInsertMode_t mode);
omfErr_t omfsTableAddInt32(omfTable_t table, omfInt32 key, void* value, omfTableInsertMode_t mode);
omfErr_t omfsTableAddClassID(omfTable_t table, const char* classID, void* value,
                             omfTableInsertMode_t mode);
omfErr_t omfsTableAddUID(omfTable_t table, omfUID_t key, void* value, omfTableInsertMode_t mode);

// Finds the newest entry equal to `key`: *found tells whether there is one,
// *value is its value (null when not found).
omfErr_t omfsTableLookupPtr(omfTable_t table, const void* key, omfInt32 keyLength, void** value,
                            omfBool* found);
omfErr_t omfsTableLookupString(omfTable_t table, const char* key, void** value, omfBool* found);
omfErr_t omfsTableLookupInt32(omfTable_t table, omfInt32 key, void** value, omfBool* found);
omfErr_t omfsTableLookupClassID(omfTable_t table, const char* classID, void** value,
                                omfBool* found);
omfErr_t omfsTableLookupUID(omfTable_t table, omfUID_t key, void** value, omfBool* found);

// Removes every entry equal to `key` (running the disposal routine on each);
// *removed, when given, tells whether there was one.
omfErr_t omfsTableRemove(omfTable_t table, const void* key, omfInt32 keyLength, omfBool* removed);

omfErr_t omfsTableNumEntries(omfTable_t table, omfInt32* count);

// Starts a walk over every entry; *found is false for an empty table.
omfErr_t omfsTableFirstEntry(omfTable_t table, omfTableIterate_t* iterator, omfBool* found);
// Starts a walk over the entries equal to `key`, newest first.
omfErr_t omfsTableFirstEntryMatching(omfTable_t table, omfTableIterate_t* iterator, const void* key,
                                     omfInt32 keyLength, omfBool* found);
// Steps on; *found is false once the walk is over.
omfErr_t omfsTableNextEntry(omfTableIterate_t* iterator, omfBool* found);

// Disposes every value (when a disposal routine is set), frees the entries and
// the table and clears its tag.
omfErr_t omfsTableDispose(omfTable_t table);

} // extern "C"

namespace omf {

// Owns a table inside C++ records.
struct TableDisposer {
    void operator()(omfTableRec* table) const { omfsTableDispose(table); }
};
using TableHandle = std::unique_ptr<omfTableRec, TableDisposer>;

} // namespace omf
