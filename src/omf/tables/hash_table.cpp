// Creating, filling, searching and disposing of hash tables.
#include "omf/internal/error_flow.h"
#include "tables/table_records.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

omfTableEntry*& bucketOf(omfTable_t table, const void* key, omfInt32 keyLength) {
    omfInt32 hash = table->hash(key, keyLength);
    return table->buckets[omfsTableBucketIndex(hash, table->numBuckets)];
}

void freeEntry(omfTable_t table, omfTableEntry* entry) {
    if (table->dispose != nullptr) table->dispose(entry->value);
    std::free(entry);
}

// Unlinks and frees every entry equal to the key; answers how many there were.
omfInt32 removeEqualEntries(omfTable_t table, const void* key, omfInt32 keyLength) {
    omfTableEntry** link = &bucketOf(table, key, keyLength);
    omfInt32 removed = 0;
    while (*link != nullptr) {
        omfTableEntry* entry = *link;
        if (omf::entryMatches(table, entry, key, keyLength)) {
            *link = entry->next;
            freeEntry(table, entry);
            --table->numEntries;
            ++removed;
        } else {
            link = &entry->next;
        }
    }
    return removed;
}

} // namespace

namespace omf {

omfInt32 tableKeyLength(omfTable_t table, const void* key, omfInt32 keyLength) {
    if (keyLength > 0) return keyLength;
    if (table->defaultKeyLength > 0) return table->defaultKeyLength;
    return omfInt32(std::strlen(static_cast<const char*>(key)) + 1);
}

bool entryMatches(omfTable_t table, const omfTableEntry* entry, const void* key,
                  omfInt32 keyLength) {
    return entry->keyLength == keyLength && table->equal(entry->key(), key, keyLength);
}

omfTableEntry* findEntry(omfTable_t table, const void* key, omfInt32 keyLength) {
    for (omfTableEntry* entry = bucketOf(table, key, keyLength); entry != nullptr;
         entry = entry->next) {
        if (entryMatches(table, entry, key, keyLength)) return entry;
    }
    return nullptr;
}

} // namespace omf

extern "C" {

omfInt32 omfsTableBucketIndex(omfInt32 hash, omfInt32 numBuckets) {
    // The remainder keeps the sign of the hash: a negative one (long names
    // overflow the text hash) is moved into range instead of indexing before
    // the bucket array. Non-negative hashes keep their plain remainder.
    omfInt32 index = hash % numBuckets;
    return index < 0 ? index + numBuckets : index;
}

omfErr_t omfsNewTable(omfHdl_t file, omfInt32 numBuckets, omfTableHash_t hash,
                      omfTableEqual_t equal, omfInt32 defaultKeyLength, omfTable_t* result) {
    if (result == nullptr || hash == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    if (numBuckets < 1) numBuckets = 1;
    auto* table = new (std::nothrow) omfTableRec{};
    if (table == nullptr) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    table->buckets = new (std::nothrow) omfTableEntry* [size_t(numBuckets)] {};
    if (table->buckets == nullptr) {
        delete table;
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
    table->tag = kOmfTableTag;
    table->file = file;
    table->numBuckets = numBuckets;
    table->hash = hash;
    table->equal = equal;
    table->defaultKeyLength = defaultKeyLength > 0 ? defaultKeyLength : 0;
    *result = table;
    return 0;
}

omfErr_t omfsSetTableDispose(omfTable_t table, omfTableDispose_t dispose) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    table->dispose = dispose;
    return 0;
}

omfErr_t omfsTableAddValue(omfTable_t table, const void* key, omfInt32 keyLength, void* value,
                           omfTableInsertMode_t mode) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (key == nullptr) OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    if (table->equal == nullptr) OMF_RAISE(table->file, OM_ERR_TABLE_MISSING_COMPARE);
    keyLength = omf::tableKeyLength(table, key, keyLength);

    omfTableEntry* previous = omf::findEntry(table, key, keyLength);
    if (previous != nullptr) {
        if (mode == kOmfTableUnique) OMF_RAISE(table->file, OM_ERR_TABLE_DUPLICATE_KEY);
        if (mode == kOmfTableReplace) {
            removeEqualEntries(table, key, keyLength);
            previous = nullptr;
        }
    }

    void* block = std::malloc(sizeof(omfTableEntry) + size_t(keyLength));
    if (block == nullptr) OMF_RAISE(table->file, OM_ERR_NO_MEMORY);
    auto* entry = static_cast<omfTableEntry*>(block);
    omfTableEntry*& bucket = bucketOf(table, key, keyLength);
    entry->next = bucket;
    entry->value = value;
    entry->keyLength = keyLength;
    entry->previousEqual = previous;
    entry->duplicate = previous != nullptr;
    std::memcpy(entry->key(), key, size_t(keyLength));
    bucket = entry;
    ++table->numEntries;
    return 0;
}

omfErr_t omfsTableLookupPtr(omfTable_t table, const void* key, omfInt32 keyLength, void** value,
                            omfBool* found) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (key == nullptr || value == nullptr || found == nullptr) {
        OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    }
    if (table->equal == nullptr) OMF_RAISE(table->file, OM_ERR_TABLE_MISSING_COMPARE);
    omfTableEntry* entry = omf::findEntry(table, key, omf::tableKeyLength(table, key, keyLength));
    *found = entry != nullptr;
    *value = entry != nullptr ? entry->value : nullptr;
    return 0;
}

omfErr_t omfsTableRemove(omfTable_t table, const void* key, omfInt32 keyLength, omfBool* removed) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (key == nullptr) OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    if (table->equal == nullptr) OMF_RAISE(table->file, OM_ERR_TABLE_MISSING_COMPARE);
    omfInt32 count = removeEqualEntries(table, key, omf::tableKeyLength(table, key, keyLength));
    if (removed != nullptr) *removed = count > 0;
    return 0;
}

omfErr_t omfsTableNumEntries(omfTable_t table, omfInt32* count) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (count == nullptr) OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    *count = table->numEntries;
    return 0;
}

omfErr_t omfsTableDispose(omfTable_t table) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    for (omfInt32 bucket = 0; bucket < table->numBuckets; ++bucket) {
        omfTableEntry* entry = table->buckets[bucket];
        while (entry != nullptr) {
            omfTableEntry* next = entry->next;
            freeEntry(table, entry);
            entry = next;
        }
    }
    delete[] table->buckets;
    table->tag = 0;
    delete table;
    return 0;
}

} // extern "C"
