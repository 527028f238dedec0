// In-memory records behind the container library's opaque handles.
#pragma once

#include "container/cm_handlers.h"
#include "container/internal/object_index.h"
#include "container/internal/record_memory.h"
#include "container/internal/small_list.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <memory_resource>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace container {

constexpr uint32_t kSessionTag = 0x42534553;   // "BSES"
constexpr uint32_t kContainerTag = 0x42434e54; // "BCNT"
constexpr uint32_t kObjectTag = 0x424f424a;    // "BOBJ"
constexpr uint32_t kValueTag = 0x4256414c;     // "BVAL"
constexpr CMObjectID kLastStandardID = 30;     // standard objects have IDs 1 to 30

// Kind bits of an object record.
enum ObjectKind : uint8_t {
    kKindObject = 0x01,
    kKindProperty = 0x02,
    kKindType = 0x04,
};

// Flags of an object record.
enum ObjectFlags : uint8_t {
    kObjectProtected = 0x01,
    kObjectDeleted = 0x02,
    kObjectUndefined = 0x04, // referenced by the TOC but not (yet) defined in it
    kObjectStandard = 0x08,  // a predefined object, recreated by every reader
};

// Flags of a value record.
enum ValueFlags : uint8_t {
    kValueProtected = 0x01,
    kValueGlobalName = 0x02,
    kValueDynamic = 0x04,
    kValueDeleted = 0x08,
    kValueHasUserFlags = 0x10,
};

struct Segment {
    CMSize offset = 0; // stream offset; unused for immediate data
    CMSize length = 0;
    bool immediate = false;
    std::array<unsigned char, 4> data{}; // immediate bytes in stored order
};

// A value's segments: the only one inline, or two or more in a block of
// `capacity` taken from the container's list memory.
union SegmentStorage {
    Segment single{};
    struct {
        Segment* elements;
        uint32_t capacity;
    } block;
};

} // namespace container

struct CMObjectRecord;

struct CMContainerRecord;

// Fields are ordered so that the record packs tightly: a container holds one
// per value, a million of them in a large file. Records are never
// destroyed one by one (their memory goes back with the container's chunks
// and list memory), so every field is trivially destructible.
struct CMValueRecord {
    uint32_t tag = container::kValueTag;
    CMGeneration generation = 1;
    CMObjectRecord* object = nullptr;
    CMObjectRecord* property = nullptr;
    CMObjectRecord* type = nullptr;
    CMSize size = 0;
    // The segments, reached through container::segmentsOf: `segmentCount`
    // tells which member of the storage is in use.
    container::SegmentStorage segmentStorage;
    uint32_t segmentCount = 0;
    CMValueFlags userFlags = 0;
    uint8_t flags = 0;
    uint32_t dynamicValuesInUse = 0; // on a plain value: dynamic values layered on it
};

namespace container {

// A dynamic value: a value record (flag kValueDynamic) with the layer below,
// the operations and refCon its type handler gave it. Only dynamic values
// carry these, so plain values, a million in a large file, stay small.
struct DynamicValue : CMValueRecord {
    CMValueRecord* base = nullptr;
    CMMetaHandler operations = nullptr;
    CMRefCon refCon = nullptr;
    int useCount = 1;
    bool busy = false; // its handler is running on it
};

// The dynamic value behind `value`, which must carry kValueDynamic.
inline DynamicValue* asDynamic(CMValueRecord* value) {
    return static_cast<DynamicValue*>(value);
}

} // namespace container

struct CMPropertyEntry {
    CMObjectRecord* property = nullptr;
    container::InlineFirstList<CMValueRecord*> values; // in the container's list memory
};

namespace container {
// Object references held by an object's values: key -> object ID.
using ReferenceTable = std::unordered_map<uint32_t, CMObjectID>;
} // namespace container

// Like value records, object records are never destroyed one by one.
struct CMObjectRecord {
    uint32_t tag = container::kObjectTag;
    CMObjectID id = 0;
    CMContainerRecord* container = nullptr;
    uint8_t kind = 0;
    uint8_t flags = 0;
    int useCount = 1;
    container::PooledVector<CMPropertyEntry> properties; // in the container's list memory
    const std::string* globalName = nullptr;             // key in the container's name table
    container::ReferenceTable* references = nullptr;     // owned by the container
    // Bit (ID % 64) of every property given an entry in `properties`: a clear
    // bit answers "absent" without a search (a set one may be stale).
    uint64_t propertyBits = 0;
};

static_assert(sizeof(CMValueRecord) <= 80, "a value record stays small");
static_assert(std::is_trivially_destructible_v<CMValueRecord> &&
                  std::is_trivially_destructible_v<container::DynamicValue> &&
                  std::is_trivially_destructible_v<CMObjectRecord>,
              "records are released with their chunks, without destructors");

struct CMContainerRecord {
    uint32_t tag = container::kContainerTag;
    CMSessionRecord* session = nullptr;
    std::string typeName;
    CMRefCon refCon = nullptr;
    CMContainerUseMode useFlags = 0;
    CMContainerFlags containerFlags = 0;
    CMGeneration generation = 1;

    struct StreamOps {
        CMOpenStreamHandler open = nullptr;
        CMCloseStreamHandler close = nullptr;
        CMFlushStreamHandler flush = nullptr;
        CMSetPosStreamHandler seek = nullptr;
        CMGetPosStreamHandler tell = nullptr;
        CMReadStreamHandler read = nullptr;
        CMWriteStreamHandler write = nullptr;
        CMEofStreamHandler eof = nullptr;
        CMTruncateStreamHandler truncate = nullptr;
        CMSizeStreamHandler size = nullptr;
        CMReadLabelHandler readLabel = nullptr;
        CMWriteLabelHandler writeLabel = nullptr;
        CMReturnParentValueHandler parentValue = nullptr;
        CMReturnContainerNameHandler containerName = nullptr;
        CMTargetContainerDynamicValueTypeHandler targetType = nullptr;
        CMExtractDataHandler extract = nullptr;
        CMFormatDataHandler format = nullptr;
    } ops;

    // Label fields.
    CMMagicBytes magic{};
    uint16_t labelFlags = 0;
    uint16_t labelBufSize = 1;
    uint16_t majorVersion = 2;
    uint16_t minorVersion = 0;
    CMSize tocOffset = 0;
    CMSize tocSize = 0;
    CMSize tocBufferSize = 1024;

    CMObjectID nextUserID = kCMMinUserObjectID; // the seed
    CMSize endOfData = 0;                       // where the next value data is written
    CMSize highestWritten = 0;                  // highest stream position written
    CMSize physicalSize = 0;                    // stream size at open
    CMSize dataAlignment = 1;
    CMCount undefinedObjects = 0;

    int dynamicRecursion = 0; // guards dynamic value handlers against re-entry
    int handlerDepth = 0;     // > 0 while a dynamic value handler runs
    bool aborting = false;
    bool closing = false;
    bool modified = false; // a read/write container needs a new TOC at close

    // The TOC index and the lists the records hold (an object's properties,
    // a property's values, the segments of a value of several): a TOC of a
    // million objects makes no allocation of its own for them, blocks given
    // back are reused, and all of it goes back when the container closes.
    container::ListMemory listMemory{this};
    container::ObjectIndex objects{&listMemory}; // by ascending ID
    std::array<CMObjectRecord*, container::kLastStandardID + 1> standardObjects{}; // by ID
    std::unordered_map<std::string, CMObjectRecord*> globalNames;
    std::vector<container::DynamicValue*> dynamicValues; // dynamic values still in use
    // Chunks holding the records and the list memory.
    container::RecordChunks recordChunks;
    // The reference tables of the objects that have loaded or made one.
    std::vector<std::unique_ptr<container::ReferenceTable>> referenceTables;
    size_t plainValuesAdded = 0; // a capacity hint for listing the values
    // The type last found to have no type handler, while the session's handlers
    // stay as they were then: a container of many values of one type looks its
    // handler up once, not once per value.
    CMObjectRecord* typeWithoutHandler = nullptr;
    uint64_t typeWithoutHandlerSeen = 0; // the session's typeHandlerChanges then
};

struct CMSessionRecord {
    uint32_t tag = container::kSessionTag;
    CMMetaHandler metaHandler = nullptr;
    CMRefCon refCon = nullptr;
    CMReportErrorHandler reportError = nullptr;
    CMAllocMemoryHandler allocMemory = nullptr;
    CMFreeMemoryHandler freeMemory = nullptr;
    CMFreeCtrMemoryHandler freeCtrMemory = nullptr;
    std::map<std::string, CMMetaHandler> typeHandlers;
    uint64_t typeHandlerChanges = 0; // counts changes of typeHandlers
    std::vector<CMContainerRecord*> containers;
    uint64_t reportCount = 0;   // errors reported so far, to notice a handler's report
    bool abortingClose = false; // suppresses TOC writing while a close is aborted
    bool ended = false;
    char scratch[256] = {};
    uint32_t tocIndexSize = 256;
    const char* banner = "<<< 1.0d5 >>>";
};
