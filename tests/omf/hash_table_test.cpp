// Hash tables: key kinds and their buckets, insert modes, lookups, removal,
// iteration and disposal, and the errors of each call.
#include "omf/internal/hash_table.h"
#include "omf/tables/table_records.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

// The text hash written out independently: h = 2h + uppercase(c) over every
// byte and the terminating NUL, wrapping at 32 bits.
omfInt32 referenceTextHash(const std::string& text) {
    uint32_t hash = 0;
    for (unsigned char c : text)
        hash = 2 * hash + uint32_t(std::toupper(c));
    return omfInt32(hash * 2); // the NUL adds nothing but one more doubling
}

// Owns a table for the length of a test.
struct Table {
    omfTable_t table = nullptr;
    ~Table() {
        if (table != nullptr) omfsTableDispose(table);
    }
};

std::vector<void*> walk(omfTable_t table) {
    std::vector<void*> values;
    omfTableIterate_t iterator;
    omfBool found = false;
    EXPECT_EQ(omfsTableFirstEntry(table, &iterator, &found), 0);
    while (found) {
        values.push_back(iterator.value);
        EXPECT_EQ(omfsTableNextEntry(&iterator, &found), 0);
    }
    return values;
}

void* tag(intptr_t n) {
    return reinterpret_cast<void*>(n);
}

TEST(HashTableBuckets, NegativeHashesAreMovedIntoRangeAndOthersKeepTheirRemainder) {
    EXPECT_EQ(omfsTableBucketIndex(-1, 100), 99);
    EXPECT_EQ(omfsTableBucketIndex(-100, 100), 0);
    EXPECT_EQ(omfsTableBucketIndex(-250, 100), 50);
    EXPECT_EQ(omfsTableBucketIndex(INT32_MIN, 300), 300 + INT32_MIN % 300);
    EXPECT_EQ(omfsTableBucketIndex(250, 100), 50);
    EXPECT_EQ(omfsTableBucketIndex(INT32_MAX, 7), INT32_MAX % 7);
}

TEST(HashTableBuckets, ALongNameWhoseHashIsNegativeIsStoredFoundAndWalked) {
    std::string name(40, 'z');
    name += "Property";
    ASSERT_LT(referenceTextHash(name), 0) << "the name must overflow the hash";
    Table t;
    ASSERT_EQ(omfsNewStringTable(nullptr, true, 100, &t.table), 0);
    ASSERT_EQ(omfsTableAddString(t.table, name.c_str(), tag(7), kOmfTableUnique), 0);

    void* value = nullptr;
    omfBool found = false;
    ASSERT_EQ(omfsTableLookupString(t.table, name.c_str(), &value, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(value, tag(7));

    omfTableIterate_t iterator;
    ASSERT_EQ(omfsTableFirstEntry(t.table, &iterator, &found), 0);
    ASSERT_TRUE(found);
    omfInt32 remainder = referenceTextHash(name) % 100;
    EXPECT_EQ(iterator.currentBucket, (remainder + 100) % 100);
    EXPECT_STREQ(static_cast<const char*>(iterator.key), name.c_str());
}

TEST(HashTableBuckets, TextKeysWithNonNegativeHashesUseThePlainRemainder) {
    Table t;
    ASSERT_EQ(omfsNewStringTable(nullptr, true, 100, &t.table), 0);
    ASSERT_EQ(omfsTableAddString(t.table, "MobID", tag(1), kOmfTableUnique), 0);
    omfTableIterate_t iterator;
    omfBool found = false;
    ASSERT_EQ(omfsTableFirstEntry(t.table, &iterator, &found), 0);
    ASSERT_TRUE(found);
    ASSERT_GE(referenceTextHash("MobID"), 0);
    EXPECT_EQ(iterator.currentBucket, referenceTextHash("MobID") % 100);
    EXPECT_EQ(iterator.keyLength, 6); // the NUL is part of the key
}

TEST(HashTableBuckets, ClassIDsHashAsBigEndianNumbers) {
    Table t;
    ASSERT_EQ(omfsNewClassIDTable(nullptr, 100, &t.table), 0);
    ASSERT_EQ(omfsTableAddClassID(t.table, "ABCD", tag(1), kOmfTableUnique), 0);
    omfTableIterate_t iterator;
    omfBool found = false;
    ASSERT_EQ(omfsTableFirstEntry(t.table, &iterator, &found), 0);
    ASSERT_TRUE(found);
    const uint32_t bigEndian = 'A' << 24 | 'B' << 16 | 'C' << 8 | 'D';
    EXPECT_EQ(iterator.currentBucket, omfInt32(bigEndian % 100));
}

TEST(HashTableIteration, WalksBucketsInOrderAndTheNewestEntryOfABucketFirst) {
    Table t;
    ASSERT_EQ(omfsNewDefaultTable(nullptr, 100, &t.table), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 5, tag(5), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 105, tag(105), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 3, tag(3), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 99, tag(99), kOmfTableUnique), 0);
    EXPECT_EQ(walk(t.table), (std::vector<void*>{tag(3), tag(105), tag(5), tag(99)}));
}

TEST(HashTableIteration, VisitsEveryEntryExactlyOnce) {
    Table t;
    ASSERT_EQ(omfsNewDefaultTable(nullptr, 37, &t.table), 0);
    for (intptr_t code = -500; code < 1500; code += 3) {
        ASSERT_EQ(omfsTableAddInt32(t.table, omfInt32(code), tag(code), kOmfTableUnique), 0);
    }
    std::map<void*, int> seen;
    for (void* value : walk(t.table))
        ++seen[value];
    omfInt32 count = 0;
    ASSERT_EQ(omfsTableNumEntries(t.table, &count), 0);
    EXPECT_EQ(count, 667);
    EXPECT_EQ(seen.size(), 667u);
    for (intptr_t code = -500; code < 1500; code += 3)
        EXPECT_EQ(seen[tag(code)], 1) << code;
}

TEST(HashTableIteration, AnEmptyTableEndsAtOnceAndAFinishedWalkStaysFinished) {
    Table t;
    ASSERT_EQ(omfsNewDefaultTable(nullptr, 10, &t.table), 0);
    omfTableIterate_t iterator;
    omfBool found = true;
    ASSERT_EQ(omfsTableFirstEntry(t.table, &iterator, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(omfsTableNextEntry(&iterator, &found), 0);
    EXPECT_FALSE(found);
}

TEST(HashTableText, CaseInsensitiveTablesFindOtherCasesAndCaseSensitiveOnesDoNot) {
    Table insensitive, sensitive;
    ASSERT_EQ(omfsNewStringTable(nullptr, false, 50, &insensitive.table), 0);
    ASSERT_EQ(omfsNewStringTable(nullptr, true, 50, &sensitive.table), 0);
    ASSERT_EQ(omfsTableAddString(insensitive.table, "omfi:data:Picture", tag(1), kOmfTableUnique),
              0);
    ASSERT_EQ(omfsTableAddString(sensitive.table, "omfi:data:Picture", tag(1), kOmfTableUnique), 0);

    void* value = nullptr;
    omfBool found = false;
    ASSERT_EQ(omfsTableLookupString(insensitive.table, "OMFI:DATA:picture", &value, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_EQ(value, tag(1));
    ASSERT_EQ(omfsTableLookupString(sensitive.table, "OMFI:DATA:picture", &value, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(value, nullptr);
    ASSERT_EQ(omfsTableLookupString(sensitive.table, "omfi:data:Picture", &value, &found), 0);
    EXPECT_TRUE(found);
    // A prefix of a key is another key.
    ASSERT_EQ(omfsTableLookupString(insensitive.table, "omfi:data:Pict", &value, &found), 0);
    EXPECT_FALSE(found);
}

TEST(HashTableText, ACaseInsensitiveTableRejectsTheSameNameInAnotherCase) {
    Table t;
    ASSERT_EQ(omfsNewStringTable(nullptr, false, 50, &t.table), 0);
    ASSERT_EQ(omfsTableAddString(t.table, "Name", tag(1), kOmfTableUnique), 0);
    EXPECT_EQ(omfsTableAddString(t.table, "NAME", tag(2), kOmfTableUnique), 201);
}

TEST(HashTableKeys, MobIDsDifferingInAnyPartAreDistinct) {
    Table t;
    ASSERT_EQ(omfsNewUIDTable(nullptr, 1000, &t.table), 0);
    const omfUID_t ids[] = {{42, 1000, 1}, {42, 1000, 2}, {42, 1001, 1}, {43, 1000, 1}};
    for (intptr_t i = 0; i < 4; ++i) {
        ASSERT_EQ(omfsTableAddUID(t.table, ids[i], tag(i + 1), kOmfTableUnique), 0);
    }
    for (intptr_t i = 0; i < 4; ++i) {
        void* value = nullptr;
        omfBool found = false;
        ASSERT_EQ(omfsTableLookupUID(t.table, ids[i], &value, &found), 0);
        EXPECT_TRUE(found);
        EXPECT_EQ(value, tag(i + 1));
    }
    void* value = nullptr;
    omfBool found = true;
    ASSERT_EQ(omfsTableLookupUID(t.table, omfUID_t{42, 1001, 2}, &value, &found), 0);
    EXPECT_FALSE(found);
}

// Counts the values a table disposes of.
std::vector<void*>& disposed() {
    static std::vector<void*> values;
    return values;
}
void recordDisposal(void* value) {
    disposed().push_back(value);
}

class HashTableModes : public ::testing::Test {
  protected:
    void SetUp() override {
        disposed().clear();
        ASSERT_EQ(omfsNewDefaultTable(nullptr, 10, &t.table), 0);
        ASSERT_EQ(omfsSetTableDispose(t.table, recordDisposal), 0);
        ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(1), kOmfTableUnique), 0);
    }
    void* lookup(omfInt32 key) {
        void* value = nullptr;
        omfBool found = false;
        EXPECT_EQ(omfsTableLookupInt32(t.table, key, &value, &found), 0);
        return found ? value : nullptr;
    }
    omfInt32 count() {
        omfInt32 n = -1;
        EXPECT_EQ(omfsTableNumEntries(t.table, &n), 0);
        return n;
    }
    Table t;
};

TEST_F(HashTableModes, UniqueRejectsAnEqualKeyAndKeepsTheFirstValue) {
    EXPECT_EQ(omfsTableAddInt32(t.table, 7, tag(2), kOmfTableUnique), 201);
    EXPECT_EQ(lookup(7), tag(1));
    EXPECT_EQ(count(), 1);
    EXPECT_TRUE(disposed().empty());
}

TEST_F(HashTableModes, ReplaceDisposesOfTheOldEntry) {
    ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(2), kOmfTableDuplicates), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(3), kOmfTableReplace), 0);
    EXPECT_EQ(lookup(7), tag(3));
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(disposed().size(), 2u);
}

TEST_F(HashTableModes, DuplicatesAreFoundNewestFirstAndWalkedThroughTheirChain) {
    ASSERT_EQ(omfsTableAddInt32(t.table, 17, tag(9), kOmfTableUnique), 0); // same bucket
    ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(2), kOmfTableDuplicates), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(3), kOmfTableDuplicates), 0);
    EXPECT_EQ(lookup(7), tag(3));
    EXPECT_EQ(count(), 4);

    std::vector<void*> matching;
    omfTableIterate_t iterator;
    omfBool found = false;
    omfInt32 key = 7;
    ASSERT_EQ(omfsTableFirstEntryMatching(t.table, &iterator, &key, 0, &found), 0);
    while (found) {
        matching.push_back(iterator.value);
        ASSERT_EQ(omfsTableNextEntry(&iterator, &found), 0);
    }
    EXPECT_EQ(matching, (std::vector<void*>{tag(3), tag(2), tag(1)}));
}

TEST_F(HashTableModes, RemoveTakesEveryEqualEntryAndOnlyThose) {
    ASSERT_EQ(omfsTableAddInt32(t.table, 17, tag(9), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 7, tag(2), kOmfTableDuplicates), 0);
    omfInt32 key = 7;
    omfBool removed = false;
    ASSERT_EQ(omfsTableRemove(t.table, &key, 0, &removed), 0);
    EXPECT_TRUE(removed);
    EXPECT_EQ(lookup(7), nullptr);
    EXPECT_EQ(lookup(17), tag(9));
    EXPECT_EQ(count(), 1);
    EXPECT_EQ(disposed(), (std::vector<void*>{tag(2), tag(1)}));
    ASSERT_EQ(omfsTableRemove(t.table, &key, 0, &removed), 0);
    EXPECT_FALSE(removed);
}

TEST_F(HashTableModes, DisposingATableDisposesOfEveryValue) {
    ASSERT_EQ(omfsTableAddInt32(t.table, 8, tag(2), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableDispose(t.table), 0);
    t.table = nullptr;
    EXPECT_EQ(disposed().size(), 2u);
}

omfInt32 constantHash(const void*, omfInt32) {
    return 0;
}

TEST(HashTableErrors, BadHandlesMissingEqualityAndNullArgumentsAreReported) {
    omfTableRec notATable{};
    omfTableIterate_t notAnIterator{};
    void* value = nullptr;
    omfBool found = false;
    omfInt32 count = 0;
    EXPECT_EQ(omfsTableAddInt32(&notATable, 1, nullptr, kOmfTableUnique), 203);
    EXPECT_EQ(omfsTableLookupInt32(&notATable, 1, &value, &found), 203);
    EXPECT_EQ(omfsTableNumEntries(&notATable, &count), 203);
    EXPECT_EQ(omfsTableDispose(&notATable), 203);
    EXPECT_EQ(omfsTableNextEntry(&notAnIterator, &found), 204);
    EXPECT_EQ(omfsTableNextEntry(nullptr, &found), 204);

    Table t;
    ASSERT_EQ(omfsNewTable(nullptr, 10, constantHash, nullptr, 4, &t.table), 0);
    EXPECT_EQ(omfsTableAddInt32(t.table, 1, nullptr, kOmfTableUnique), 202);
    EXPECT_EQ(omfsTableLookupInt32(t.table, 1, &value, &found), 202);

    EXPECT_EQ(omfsNewTable(nullptr, 10, nullptr, nullptr, 4, &t.table), 177);
    EXPECT_EQ(omfsNewDefaultTable(nullptr, 10, nullptr), 177);
    EXPECT_EQ(omfsTableLookupPtr(t.table, nullptr, 4, &value, &found), 177);
    EXPECT_EQ(omfsTableFirstEntry(t.table, nullptr, &found), 177);
}

TEST(HashTableErrors, ABucketCountBelowOneStillMakesAWorkingTable) {
    Table t;
    ASSERT_EQ(omfsNewDefaultTable(nullptr, 0, &t.table), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, -3, tag(1), kOmfTableUnique), 0);
    ASSERT_EQ(omfsTableAddInt32(t.table, 12, tag(2), kOmfTableUnique), 0);
    EXPECT_EQ(walk(t.table).size(), 2u);
}

} // namespace
