// Loading a container's TOC (both formats) into the object index.
#include "container/internal/container_ops.h"
#include "container/internal/report.h"
#include "container/internal/toc_format.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace container {

namespace {

// Builds values from TOC entries, keeping the current object, property, type
// and generation across entries.
class TocLoader {
  public:
    explicit TocLoader(CMContainerRecord* container) : container_(container) {}

    void setObject(CMObjectID id) {
        if (id == 0) {
            fail(container_, CM_ERR_TOC_EXPECTED_OBJECT, {hexadecimal(0), nameOf(container_)});
        }
        object_ = objectForID(container_, id);
        if (object_ == nullptr) throw Abandon{};
        object_->flags &= ~kObjectUndefined;
        if (!addKind(object_, kKindObject)) throw Abandon{};
    }
    void setProperty(CMObjectID id) { property_ = definition(id, kKindProperty); }
    void setType(CMObjectID id) { type_ = definition(id, kKindType); }
    bool hasObject() const { return object_ != nullptr; }
    void setGeneration(CMGeneration generation) { generation_ = generation; }
    void setFlags(CMValueFlags flags) {
        flags_ = flags;
        hasFlags_ = true;
    }

    void newSegment(const Segment& segment) {
        checkSegment(segment);
        CMPropertyEntry& entry = propertyEntry(object_, property_);
        for (const CMValueRecord* value : entry.values) {
            if (value->type == type_) {
                fail(container_, CM_ERR_DUPLICATE_VALUE_TYPE,
                     {describeObject(type_), nameOf(container_)});
            }
        }
        value_ = addValue(object_, entry, type_);
        if (value_ == nullptr) throw Abandon{};
        value_->generation = generation_;
        if (hasFlags_) {
            value_->userFlags = flags_;
            value_->flags |= kValueHasUserFlags;
            hasFlags_ = false;
        }
        append(segment);
    }

    void continuedSegment(const Segment& segment, CMObjectID object, CMObjectID property,
                          CMObjectID type) {
        checkSegment(segment);
        if (value_ == nullptr || value_->object->id != object || value_->property->id != property ||
            value_->type->id != type) {
            fail(container_, CM_ERR_BAD_CONTINUED_VALUE, {nameOf(container_)});
        }
        append(segment);
    }
    void continuedSegment(const Segment& segment) {
        if (value_ == nullptr) fail(container_, CM_ERR_BAD_CONTINUED_VALUE, {nameOf(container_)});
        continuedSegment(segment, value_->object->id, value_->property->id, value_->type->id);
    }

    CMObjectID objectID() const { return object_ ? object_->id : 0; }
    CMObjectID propertyID() const { return property_ ? property_->id : 0; }
    CMObjectID typeID() const { return type_ ? type_->id : 0; }

  private:
    CMObjectRecord* definition(CMObjectID id, uint8_t kind) {
        // A TOC names the same few properties and types over and over.
        CMObjectRecord*& cached = recentDefinitions_[id % kRecentDefinitions];
        if (cached != nullptr && cached->id == id && (cached->kind & kind)) return cached;
        if (id == 0) {
            fail(container_, CM_ERR_TOC_EXPECTED_OBJECT, {hexadecimal(0), nameOf(container_)});
        }
        CMObjectRecord* object = objectForID(container_, id);
        if (object == nullptr || !addKind(object, kind)) throw Abandon{};
        cached = object;
        return object;
    }

    static constexpr size_t kRecentDefinitions = 64;
    CMObjectRecord* recentDefinitions_[kRecentDefinitions] = {};

    void checkSegment(const Segment& segment) {
        if (segment.immediate) return;
        CMSize size = container_->physicalSize;
        if (segment.offset > size || segment.length > size - segment.offset) {
            fail(container_, CM_ERR_BAD_VALUE_ENTRY,
                 {decimal(segment.offset), decimal(segment.length), nameOf(container_)});
        }
    }

    // Every byte of a value lies in the file, so a value larger than the file
    // repeats its segments: refused, so later reads never size a buffer by it.
    void append(const Segment& segment) {
        if (segment.length > container_->physicalSize - value_->size) {
            fail(container_, CM_ERR_BAD_VALUE_ENTRY,
                 {decimal(segment.offset), decimal(segment.length), nameOf(container_)});
        }
        segmentsOf(value_).push_back(segment);
        value_->size += segment.length;
    }

    CMContainerRecord* container_;
    CMObjectRecord* object_ = nullptr;
    CMObjectRecord* property_ = nullptr;
    CMObjectRecord* type_ = nullptr;
    CMValueRecord* value_ = nullptr;
    CMGeneration generation_ = 1;
    CMValueFlags flags_ = 0;
    bool hasFlags_ = false;
};

uint64_t extract64(CMContainerRecord* container, const unsigned char* bytes) {
    return (uint64_t(extract32(container, bytes)) << 32) | extract32(container, bytes + 4);
}

void readCodeByteToc(CMContainerRecord* container) {
    TocLoader loader(container);
    const CMSize bufferSize = container->tocBufferSize;
    std::vector<unsigned char> buffer(std::min(bufferSize, container->tocSize));
    CMSize position = container->tocOffset;
    CMSize remaining = container->tocSize;
    bool needValue = false; // after codes 1-3 a value code must come
    while (remaining > 0) {
        CMSize count = std::min(bufferSize, remaining);
        if (streamReadAt(container, position, buffer.data(), count) != count) {
            fail(container, CM_ERR_BAD_TOC_READ, {nameOf(container)});
        }
        position += count;
        remaining -= count;
        CMSize at = 0;
        while (at < count) {
            uint8_t code = buffer[at++];
            if (code == kFiller) continue;
            if (code == kEndOfBuffer) break;
            if (code == 0 || code > kContinued64 || (code >= 16 && code <= 23)) {
                fail(container, CM_ERR_BAD_TOC_CODE, {hexadecimal(code), nameOf(container)});
            }
            CMSize length = kTocDataLength[code];
            if (length > count - at) fail(container, CM_ERR_TOC_OUT_OF_SYNC, {nameOf(container)});
            const unsigned char* data = buffer.data() + at;
            at += length;
            if (!loader.hasObject() && code != kNewObject) {
                fail(container, CM_ERR_TOC_EXPECTED_OBJECT, {hexadecimal(code), nameOf(container)});
            }
            bool valueCode = (code >= kSegment32 && code <= kContinuedImmediate) ||
                             code == kSegment64 || code == kContinued64;
            if (needValue && !valueCode && code != kGeneration && code != kValueFlags) {
                fail(container, CM_ERR_TOC_UNEXPECTED_CODE, {hexadecimal(code), nameOf(container)});
            }
            Segment segment;
            switch (code) {
            case kNewObject:
                loader.setObject(extract32(container, data));
                loader.setProperty(extract32(container, data + 4));
                loader.setType(extract32(container, data + 8));
                needValue = true;
                continue;
            case kNewProperty:
                loader.setProperty(extract32(container, data));
                loader.setType(extract32(container, data + 4));
                needValue = true;
                continue;
            case kNewType:
                loader.setType(extract32(container, data));
                needValue = true;
                continue;
            case kGeneration:
                loader.setGeneration(extract32(container, data));
                continue;
            case kValueFlags:
                loader.setFlags(extract32(container, data));
                continue;
            case kSegment32:
            case kContinued32:
                segment.offset = extract32(container, data);
                segment.length = extract32(container, data + 4);
                break;
            case kSegment64Offset:
            case kContinued64Offset:
                segment.offset = extract64(container, data);
                segment.length = extract32(container, data + 8);
                break;
            case kSegment64:
            case kContinued64:
                segment.offset = extract64(container, data);
                segment.length = extract64(container, data + 8);
                break;
            default: // immediates: the data bytes are copied raw
                segment.immediate = true;
                segment.length = code == kContinuedImmediate ? 4 : code - kImmediate0;
                if (length > 0) std::memcpy(segment.data.data(), data, 4);
                break;
            }
            bool continued = code == kContinued32 || code == kContinued64Offset ||
                             code == kContinued64 || code == kContinuedImmediate;
            if (continued) {
                if (needValue) fail(container, CM_ERR_BAD_CONTINUED_VALUE, {nameOf(container)});
                loader.continuedSegment(segment);
            } else {
                if (!needValue) {
                    fail(container, CM_ERR_TOC_UNEXPECTED_CODE,
                         {hexadecimal(code), nameOf(container)});
                }
                loader.newSegment(segment);
                needValue = false;
            }
        }
    }
    if (needValue) {
        fail(container, CM_ERR_TOC_UNEXPECTED_CODE, {hexadecimal(kEndOfBuffer), nameOf(container)});
    }
}

void readVersion1Toc(CMContainerRecord* container) {
    if (container->tocSize % kVersion1EntrySize != 0) {
        fail(container, CM_ERR_BAD_TOC_READ, {nameOf(container)});
    }
    TocLoader loader(container);
    constexpr CMSize kEntriesPerRead = 256;
    std::vector<unsigned char> buffer(kEntriesPerRead * kVersion1EntrySize);
    CMSize position = container->tocOffset;
    CMSize remaining = container->tocSize;
    while (remaining > 0) {
        CMSize count = std::min<CMSize>(buffer.size(), remaining);
        if (streamReadAt(container, position, buffer.data(), count) != count) {
            fail(container, CM_ERR_BAD_TOC_READ, {nameOf(container)});
        }
        position += count;
        remaining -= count;
        for (CMSize at = 0; at < count; at += kVersion1EntrySize) {
            const unsigned char* entry = buffer.data() + at;
            CMObjectID object = extract32(container, entry);
            CMObjectID property = extract32(container, entry + 4) & 0x00FFFFFF;
            CMObjectID type = extract32(container, entry + 8) & 0x00FFFFFF;
            uint16_t generation = extract16(container, entry + 20);
            uint16_t flags = extract16(container, entry + 22);
            Segment segment;
            segment.length = extract32(container, entry + 16);
            if (flags & kVersion1Immediate) {
                if (segment.length > 4) {
                    fail(container, CM_ERR_BAD_VALUE_ENTRY,
                         {"immediate", decimal(segment.length), nameOf(container)});
                }
                segment.immediate = true;
                std::memcpy(segment.data.data(), entry + 12, 4);
            } else {
                segment.offset = extract32(container, entry + 12);
            }
            if (flags & kVersion1Continued) {
                loader.continuedSegment(segment, object, property, type);
                continue;
            }
            loader.setObject(object);
            loader.setProperty(property);
            loader.setType(type);
            loader.setGeneration(generation);
            loader.newSegment(segment);
        }
    }
}

CMValueRecord* tocValue(CMContainerRecord* container, StandardID property) {
    return findValue(standardObject(container, kTocObjectID), standardObject(container, property),
                     standardObject(container, kTocType));
}

void checkTocObject(CMContainerRecord* container) {
    CMObjectRecord* tocObject = standardObject(container, kTocObjectID);
    if (tocObject->properties.empty()) fail(container, CM_ERR_NO_TOC_OBJECT, {nameOf(container)});
    const std::string name = nameOf(container);
    if (tocValue(container, kTocSeedProperty) == nullptr) fail(container, CM_ERR_NO_SEED, {name});
    if (tocValue(container, kTocMinSeedProperty) == nullptr) {
        fail(container, CM_ERR_NO_MIN_SEED, {name});
    }
    CMValueRecord* tocSize = tocValue(container, kTocObjectProperty);
    if (tocSize == nullptr) fail(container, CM_ERR_NO_TOC_SIZE, {name});
    if (tocValue(container, kTocContainerProperty) == nullptr ||
        tocValue(container, kTocDeletedProperty) == nullptr) {
        fail(container, CM_ERR_NO_CONTAINER_SIZE, {name});
    }
    auto present = [&](StandardID property) {
        return findPropertyEntry(tocObject, standardObject(container, property)) != nullptr;
    };
    if (present(kTocNewValuesTocProperty) && tocValue(container, kTocNewValuesTocProperty) == nullptr) {
        fail(container, CM_ERR_NO_NEW_VALUES_TOC, {name});
    }
    if (present(kTocFreeProperty) && tocValue(container, kTocFreeProperty) == nullptr) {
        fail(container, CM_ERR_EMPTY_FREE_LIST, {name});
    }
    if (present(kTocDeleteListProperty) &&
        tocValue(container, kTocDeleteListProperty) == nullptr) {
        fail(container, CM_ERR_EMPTY_DELETES_LIST, {name});
    }
    if (tocSize->size != container->tocSize) fail(container, CM_ERR_TOC_SIZE_MISMATCH, {name});
    // The container's own numbers are protected; other values of object 1 are not.
    for (CMPropertyEntry& entry : tocObject->properties) {
        if (entry.property->id > kTocDeleteListProperty) continue;
        for (CMValueRecord* value : entry.values) {
            if (value->type->id == kTocType) value->flags |= kValueProtected;
        }
    }

    // The seed: never below an ID already in use, so new objects cannot collide.
    CMValueRecord* seed = tocValue(container, kTocSeedProperty);
    unsigned char bytes[4] = {};
    CMObjectID next = kCMMinUserObjectID;
    if (readPlain(seed, bytes, 0, 4) == 4) next = extract32(container, bytes);
    if (next != 0 && next < kCMMinUserObjectID) next = kCMMinUserObjectID;
    CMObjectID highest = container->objects.highestID();
    if (next != 0 && highest >= next) next = highest + 1; // 0 once the IDs are exhausted
    container->nextUserID = next;
}

void countUndefinedObjects(CMContainerRecord* container) {
    CMCount undefined = 0;
    for (const auto& [id, object] : container->objects) {
        if (object->flags & kObjectUndefined) ++undefined;
    }
    container->undefinedObjects = undefined;
    if (undefined > 0) {
        fail(container, CM_ERR_UNDEFINED_OBJECTS, {decimal(undefined), nameOf(container)});
    }
}

// Reads the names of type and property definitions into the global-name table.
void loadGlobalNames(CMContainerRecord* container) {
    CMObjectRecord* nameProperty = standardObject(container, kGlobalNameProperty);
    CMObjectRecord* typeName = standardObject(container, kTypeNameType);
    CMObjectRecord* propertyName = standardObject(container, kPropertyNameType);
    std::vector<char> text;
    for (const auto& [id, object] : container->objects) {
        CMPropertyEntry* entry = findPropertyEntry(object, nameProperty);
        if (entry == nullptr) continue;
        if (entry->values.size() != 1) {
            fail(container, CM_ERR_AMBIGUOUS_OBJECT, {"CMGetGlobalName", nameOf(container)});
        }
        CMValueRecord* value = entry->values.front();
        uint8_t kind = 0;
        if (value->type == typeName) {
            kind = kKindType;
        } else if (value->type == propertyName) {
            kind = kKindProperty;
        } else {
            fail(container, CM_ERR_GLOBAL_NAME_TYPE, {nameOf(container)});
        }
        if (value->size == 0) fail(container, CM_ERR_BAD_GLOBAL_NAME, {nameOf(container)});
        text.resize(value->size);
        if (readPlain(value, text.data(), 0, text.size()) != text.size()) {
            fail(container, CM_ERR_BAD_GLOBAL_NAME_READ, {nameOf(container)});
        }
        if (text.back() != '\0' || std::memchr(text.data(), '\0', text.size() - 1) != nullptr) {
            fail(container, CM_ERR_BAD_GLOBAL_NAME, {nameOf(container)});
        }
        if (!addKind(object, kind)) throw Abandon{};
        if (object->globalName == nullptr && !bindGlobalName(object, text.data())) throw Abandon{};
        value->flags |= kValueGlobalName;
    }
}

} // namespace

void readToc(CMContainerRecord* container) {
    if (container->majorVersion < 2) {
        readVersion1Toc(container);
    } else {
        readCodeByteToc(container);
    }
    checkTocObject(container);
    countUndefinedObjects(container);
    loadGlobalNames(container);
}

} // namespace container
