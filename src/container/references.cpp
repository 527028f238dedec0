// Object references between values and objects.
//
// A reference key is 4 bytes that the caller stores in its value data. We
// write each key as the referenced object's ID in the container's byte
// order, and also record on the object that holds the referring value a
// table of (key, object ID) pairs: one value of property 20 with type 22,
// 32-bit numbers in the container's byte order, appended as references are
// made. On reading, a key resolves through the holder's table when it has
// one and the key is listed there; otherwise the key is the object ID. Files
// that keep such tables and files that store plain IDs both read back.
#include "container/cm_api.h"
#include "container/internal/container_ops.h"
#include "container/internal/report.h"

#include <vector>

using namespace container;

namespace {

CMValueRecord* tableValue(CMObjectRecord* holder) {
    CMContainerRecord* container = holder->container;
    return findValue(holder, standardObject(container, kReferencesProperty),
                     standardObject(container, kReferenceDataType));
}

// Loads the holder's reference table on first use; false on a read error.
bool loadTable(CMObjectRecord* holder) {
    if (holder->references != nullptr) return true;
    CMContainerRecord* container = holder->container;
    auto references = std::make_unique<ReferenceTable>();
    CMValueRecord* table = tableValue(holder);
    if (table != nullptr && table->size > 0) {
        std::vector<unsigned char> bytes(table->size);
        if (readPlain(table, bytes.data(), 0, bytes.size()) != bytes.size()) {
            report(container, CM_ERR_BAD_REFERENCES_READ, {nameOf(container)});
            return false;
        }
        for (size_t at = 0; at + 8 <= bytes.size(); at += 8) {
            uint32_t key = extract32(container, bytes.data() + at);
            (*references)[key] = extract32(container, bytes.data() + at + 4);
        }
    }
    holder->references = references.get();
    container->referenceTables.push_back(std::move(references));
    return true;
}

} // namespace

extern "C" {

CMReference* CMNewReference(CMValue value, CMObject referenced, CMReference key) {
    if (!validValue(value) || !validObject(referenced) || key == nullptr) return nullptr;
    CMValueRecord* plain = plainValueOf(value);
    CMObjectRecord* holder = plain->object;
    CMContainerRecord* container = holder->container;
    if (referenced->container != container) {
        report(container, CM_ERR_REFERENCE_CONTAINERS,
               {nameOf(container), nameOf(referenced->container)});
        return nullptr;
    }
    if (referenced->flags & kObjectDeleted) {
        report(container, CM_ERR_DELETED_OBJECT, {nameOf(container)});
        return nullptr;
    }
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return nullptr;
    }
    if (!loadTable(holder)) return nullptr;
    format32(container, key, referenced->id);
    uint32_t number = referenced->id;
    auto found = holder->references->find(number);
    if (found != holder->references->end() && found->second == referenced->id) {
        return reinterpret_cast<CMReference*>(key);
    }
    CMValueRecord* table = tableValue(holder);
    if (table == nullptr) {
        table = addValue(holder, standardObject(container, kReferencesProperty),
                         standardObject(container, kReferenceDataType));
        if (table == nullptr) {
            report(container, CM_ERR_NO_REFERENCE_MEMORY, {nameOf(container)});
            return nullptr;
        }
    }
    unsigned char pair[8];
    format32(container, pair, number);
    format32(container, pair + 4, referenced->id);
    if (writePlain(table, pair, table->size, sizeof pair) != sizeof pair) return nullptr;
    (*holder->references)[number] = referenced->id;
    return reinterpret_cast<CMReference*>(key);
}

CMObject CMGetReferencedObject(CMValue value, const CMReference key) {
    if (!validValue(value) || key == nullptr) return nullptr;
    CMValueRecord* plain = plainValueOf(value);
    CMObjectRecord* holder = plain->object;
    CMContainerRecord* container = holder->container;
    uint32_t number = extract32(container, key);
    if (number == 0) {
        report(container, CM_ERR_ZERO_REFERENCE_KEY, {nameOf(container)});
        return nullptr;
    }
    if (!loadTable(holder)) return nullptr;
    CMObjectID id = number;
    auto listed = holder->references->find(number);
    if (listed != holder->references->end()) id = listed->second;
    CMObjectRecord* found = container->objects.find(id);
    if (found == nullptr || (found->flags & (kObjectDeleted | kObjectUndefined))) {
        report(container, CM_ERR_UNDEFINED_REFERENCE, {decimal(id), nameOf(container)});
        return nullptr;
    }
    return found;
}

} // extern "C"
