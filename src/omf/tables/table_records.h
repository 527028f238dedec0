// The records behind table handles, shared by the table's own files.
#pragma once

#include "omf/internal/hash_table.h"

// One stored key and value. The key bytes follow the record in the same block.
struct omfTableEntry {
    omfTableEntry* next; // next entry of the bucket
    void* value;
    omfInt32 keyLength;
    omfTableEntry* previousEqual; // the older entry with an equal key, when added as a duplicate
    omfBool duplicate;            // added while an equal key was present

    unsigned char* key() { return reinterpret_cast<unsigned char*>(this + 1); }
    const unsigned char* key() const { return reinterpret_cast<const unsigned char*>(this + 1); }
};

struct omfTableRec {
    uint32_t tag;
    omfHdl_t file; // owner: errors are raised into its trace
    omfInt32 numBuckets;
    omfTableHash_t hash;
    omfTableEqual_t equal;
    omfInt32 defaultKeyLength; // 0: NUL-terminated text keys
    omfTableDispose_t dispose;
    omfInt32 numEntries;
    omfTableEntry** buckets;
};

namespace omf {

inline bool validTable(omfTable_t table) {
    return table != nullptr && table->tag == kOmfTableTag;
}

// The length of `key` as stored: the given length, else the table's default,
// else the text length with its NUL.
omfInt32 tableKeyLength(omfTable_t table, const void* key, omfInt32 keyLength);

// Whether `entry` holds a key equal to `key` of `keyLength` bytes.
bool entryMatches(omfTable_t table, const omfTableEntry* entry, const void* key,
                  omfInt32 keyLength);

// The newest entry equal to `key` in its bucket, or null.
omfTableEntry* findEntry(omfTable_t table, const void* key, omfInt32 keyLength);

} // namespace omf
