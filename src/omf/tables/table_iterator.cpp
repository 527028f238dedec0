// Walking a hash table: every entry bucket by bucket, or the entries equal
// to one key through their chain of older equal entries.
#include "omf/internal/error_flow.h"
#include "tables/table_records.h"

namespace {

void startIterator(omfTable_t table, omfTableIterate_t* iterator, omfTableIterateMode_t mode) {
    iterator->tag = kOmfTableIteratorTag;
    iterator->table = table;
    iterator->currentBucket = -1;
    iterator->currentEntry = nullptr;
    iterator->mode = mode;
    iterator->key = nullptr;
    iterator->keyLength = 0;
    iterator->value = nullptr;
}

// Makes `entry` current (or ends the walk when it is null); answers found.
omfBool settle(omfTableIterate_t* iterator, omfTableEntry* entry) {
    iterator->currentEntry = entry;
    if (entry == nullptr) {
        iterator->key = nullptr;
        iterator->keyLength = 0;
        iterator->value = nullptr;
        return false;
    }
    iterator->key = entry->key();
    iterator->keyLength = entry->keyLength;
    iterator->value = entry->value;
    return true;
}

// The first entry of the buckets after the current one, moving the current bucket.
omfTableEntry* nextFilledBucket(omfTableIterate_t* iterator) {
    omfTable_t table = iterator->table;
    while (iterator->currentBucket + 1 < table->numBuckets) {
        ++iterator->currentBucket;
        omfTableEntry* first = table->buckets[iterator->currentBucket];
        if (first != nullptr) return first;
    }
    return nullptr;
}

} // namespace

extern "C" {

omfErr_t omfsTableFirstEntry(omfTable_t table, omfTableIterate_t* iterator, omfBool* found) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (iterator == nullptr || found == nullptr) OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    startIterator(table, iterator, kOmfIterateAll);
    *found = settle(iterator, nextFilledBucket(iterator));
    return 0;
}

omfErr_t omfsTableFirstEntryMatching(omfTable_t table, omfTableIterate_t* iterator, const void* key,
                                     omfInt32 keyLength, omfBool* found) {
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (iterator == nullptr || key == nullptr || found == nullptr) {
        OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    }
    if (table->equal == nullptr) OMF_RAISE(table->file, OM_ERR_TABLE_MISSING_COMPARE);
    startIterator(table, iterator, kOmfIterateMatching);
    omfInt32 length = omf::tableKeyLength(table, key, keyLength);
    iterator->currentBucket = omfsTableBucketIndex(table->hash(key, length), table->numBuckets);
    *found = settle(iterator, omf::findEntry(table, key, length));
    return 0;
}

omfErr_t omfsTableNextEntry(omfTableIterate_t* iterator, omfBool* found) {
    if (iterator == nullptr || iterator->tag != kOmfTableIteratorTag) {
        OMF_RAISE(nullptr, OM_ERR_BAD_TABLE_ITERATOR);
    }
    omfTable_t table = iterator->table;
    if (!omf::validTable(table)) OMF_RAISE(nullptr, OM_ERR_BAD_TABLE);
    if (found == nullptr) OMF_RAISE(table->file, OM_ERR_NULL_PARAM);
    omfTableEntry* current = iterator->currentEntry;
    if (current == nullptr) {
        // The walk is over (or found nothing); it stays over.
        *found = false;
        return 0;
    }
    omfTableEntry* next = nullptr;
    if (iterator->mode == kOmfIterateMatching) {
        next = current->previousEqual;
    } else {
        next = current->next != nullptr ? current->next : nextFilledBucket(iterator);
    }
    *found = settle(iterator, next);
    return 0;
}

} // extern "C"
