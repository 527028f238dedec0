// Plain value data: segments in the stream or immediate bytes in the TOC.
#include "container/internal/container_ops.h"
#include "container/internal/report.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace container {

namespace {

constexpr CMSize kImmediateLimit = 4;

// Moves a value's immediate bytes out to a new stream segment.
bool moveImmediateToStream(CMValueRecord* value, const unsigned char* extra, CMSize extraSize) {
    CMContainerRecord* container = value->object->container;
    Segment& last = segmentsOf(value).back();
    std::vector<unsigned char> bytes(last.data.begin(), last.data.begin() + last.length);
    bytes.insert(bytes.end(), extra, extra + extraSize);
    CMSize start = container->endOfData;
    CMSize written = streamAppend(container, bytes.data(), bytes.size());
    if (written != bytes.size()) {
        report(container, CM_ERR_BAD_WRITE, {nameOf(container)});
        return false;
    }
    last.immediate = false;
    last.offset = start;
    last.length = bytes.size();
    last.data = {};
    value->size += extraSize;
    return true;
}

// Writes zero bytes up to the container's data alignment.
bool alignEndOfData(CMContainerRecord* container) {
    if (container->dataAlignment <= 1) return true;
    CMSize pad = (container->dataAlignment - container->endOfData % container->dataAlignment) %
                 container->dataAlignment;
    if (pad == 0) return true;
    std::vector<unsigned char> zeros(pad, 0);
    return streamAppend(container, zeros.data(), pad) == pad;
}

// Writes the bytes at the end of the data as a new segment of the value.
CMSize appendNewSegment(CMValueRecord* value, const unsigned char* bytes, CMSize size) {
    CMContainerRecord* container = value->object->container;
    Segment segment;
    segment.offset = container->endOfData;
    CMSize written = streamAppend(container, bytes, size);
    segment.length = written;
    if (written > 0) {
        segmentsOf(value).push_back(segment);
        value->size += written;
    }
    if (written != size) report(container, CM_ERR_BAD_WRITE, {nameOf(container)});
    return written;
}

CMSize appendData(CMValueRecord* value, const unsigned char* bytes, CMSize size) {
    CMContainerRecord* container = value->object->container;
    if (segmentsOf(value).empty()) {
        if (size <= kImmediateLimit) {
            Segment segment;
            segment.immediate = true;
            segment.length = size;
            std::memcpy(segment.data.data(), bytes, size);
            segmentsOf(value).push_back(segment);
            value->size += size;
            return size;
        }
        if (!alignEndOfData(container)) {
            report(container, CM_ERR_BAD_WRITE, {nameOf(container)});
            return 0;
        }
        return appendNewSegment(value, bytes, size);
    }
    Segment& last = segmentsOf(value).back();
    if (last.immediate) {
        if (last.length + size <= kImmediateLimit) {
            std::memcpy(last.data.data() + last.length, bytes, size);
            last.length += size;
            value->size += size;
            return size;
        }
        return moveImmediateToStream(value, bytes, size) ? size : 0;
    }
    if (last.offset + last.length == container->endOfData) {
        CMSize written = streamAppend(container, bytes, size);
        last.length += written;
        value->size += written;
        if (written != size) report(container, CM_ERR_BAD_WRITE, {nameOf(container)});
        return written;
    }
    return appendNewSegment(value, bytes, size);
}

// Overwrites existing bytes from `offset`; answers the bytes overwritten.
CMSize overwriteData(CMValueRecord* value, const unsigned char* bytes, CMSize offset,
                     CMSize size) {
    CMContainerRecord* container = value->object->container;
    CMSize done = 0;
    CMSize segmentStart = 0;
    for (Segment& segment : segmentsOf(value)) {
        CMSize segmentEnd = segmentStart + segment.length;
        if (done < size && offset + done < segmentEnd) {
            CMSize within = offset + done - segmentStart;
            CMSize count = std::min(segment.length - within, size - done);
            if (segment.immediate) {
                std::memcpy(segment.data.data() + within, bytes + done, count);
            } else {
                CMSize written =
                    streamWriteAt(container, segment.offset + within, bytes + done, count);
                if (written != count) {
                    report(container, CM_ERR_BAD_WRITE, {nameOf(container)});
                    return done + written;
                }
            }
            done += count;
        }
        segmentStart = segmentEnd;
        if (done == size) break;
    }
    return done;
}

} // namespace

namespace {

uint64_t propertyBit(const CMObjectRecord* property) {
    return uint64_t(1) << (property->id % 64);
}

} // namespace

CMPropertyEntry* findPropertyEntry(CMObjectRecord* object, const CMObjectRecord* property) {
    if (!(object->propertyBits & propertyBit(property))) return nullptr;
    for (CMPropertyEntry& entry : object->properties) {
        if (entry.property == property) return &entry;
    }
    return nullptr;
}

CMPropertyEntry& propertyEntry(CMObjectRecord* object, CMObjectRecord* property) {
    if (!object->properties.empty() && object->properties.back().property == property) {
        return object->properties.back();
    }
    if (CMPropertyEntry* entry = findPropertyEntry(object, property)) return *entry;
    // Objects mostly carry a handful of properties: room for them at once
    // saves growing the list one step at a time.
    constexpr size_t kFirstPropertyCapacity = 4;
    std::pmr::memory_resource& memory = object->container->listMemory;
    if (object->properties.capacity() == 0) {
        object->properties.reserve(kFirstPropertyCapacity, memory);
    }
    object->properties.push_back(CMPropertyEntry{property, {}}, memory);
    object->propertyBits |= propertyBit(property);
    return object->properties.back();
}

CMValueRecord* findValue(CMObjectRecord* object, const CMObjectRecord* property,
                         const CMObjectRecord* type) {
    CMPropertyEntry* entry = findPropertyEntry(object, property);
    if (entry == nullptr) return nullptr;
    for (CMValueRecord* value : entry->values) {
        if (value->type == type) return value;
    }
    return nullptr;
}

namespace {

CMValueRecord* newValue(CMObjectRecord* object, CMObjectRecord* property, CMObjectRecord* type) {
    CMContainerRecord* container = object->container;
    auto* value = newRecord<CMValueRecord>(container);
    if (value == nullptr) {
        report(container, CM_ERR_NO_VALUE_ENTRY_MEMORY, {nameOf(container)});
        return nullptr;
    }
    ++container->plainValuesAdded;
    value->object = object;
    value->property = property;
    value->type = type;
    value->generation = container->generation;
    return value;
}

} // namespace

CMValueRecord* addValue(CMObjectRecord* object, CMObjectRecord* property, CMObjectRecord* type) {
    CMValueRecord* value = newValue(object, property, type);
    if (value != nullptr) {
        propertyEntry(object, property).values.push_back(value, object->container->listMemory);
    }
    return value;
}

CMValueRecord* addValue(CMObjectRecord* object, CMPropertyEntry& entry, CMObjectRecord* type) {
    CMValueRecord* value = newValue(object, entry.property, type);
    if (value != nullptr) entry.values.push_back(value, object->container->listMemory);
    return value;
}

CMValueRecord* plainValueOf(CMValueRecord* value) {
    while (value != nullptr && (value->flags & kValueDynamic)) {
        value = asDynamic(value)->base;
    }
    return value;
}

CMSize readPlain(CMValueRecord* value, void* buffer, CMSize offset, CMSize maxSize) {
    CMContainerRecord* container = value->object->container;
    if (maxSize == 0 || buffer == nullptr) return 0;
    if (value->flags & kValueGlobalName && segmentsOf(value).empty() &&
        value->object->globalName != nullptr) {
        // A global name not yet written: its data is the string and its NUL.
        const std::string& name = *value->object->globalName;
        if (offset > name.size()) return 0;
        CMSize count = std::min<CMSize>(maxSize, name.size() + 1 - offset);
        std::memcpy(buffer, name.c_str() + offset, count);
        return count;
    }
    if (segmentsOf(value).empty()) {
        report(container, CM_ERR_NO_VALUE_TO_READ, {nameOf(container)});
        return 0;
    }
    if (offset >= value->size) return 0;
    auto* out = static_cast<unsigned char*>(buffer);
    CMSize done = 0;
    CMSize segmentStart = 0;
    for (const Segment& segment : segmentsOf(value)) {
        CMSize segmentEnd = segmentStart + segment.length;
        if (offset + done < segmentEnd) {
            CMSize within = offset + done - segmentStart;
            CMSize count = std::min(segment.length - within, maxSize - done);
            if (segment.immediate) {
                std::memcpy(out + done, segment.data.data() + within, count);
                done += count;
            } else {
                CMSize got = streamReadAt(container, segment.offset + within, out + done, count);
                done += got;
                if (got != count) return done; // short read: stop early
            }
        }
        segmentStart = segmentEnd;
        if (done == maxSize) break;
    }
    return done;
}

CMSize writePlain(CMValueRecord* value, const void* buffer, CMSize offset, CMSize size) {
    CMContainerRecord* container = value->object->container;
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return 0;
    }
    if ((value->flags & kValueProtected) || (value->object->flags & kObjectProtected)) {
        report(container, CM_ERR_PROTECTED_WRITE, {nameOf(container)});
        return 0;
    }
    if (value->flags & kValueGlobalName) {
        report(container, CM_ERR_WRITE_GLOBAL_NAME, {nameOf(container)});
        return 0;
    }
    if (offset > value->size) {
        report(container, CM_ERR_WRITE_OFFSET, {decimal(offset), nameOf(container)});
        return 0;
    }
    if (size == 0 || buffer == nullptr) return 0;
    container->modified = true;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    CMSize done = 0;
    if (offset < value->size) {
        CMSize overlap = std::min(size, value->size - offset);
        done = overwriteData(value, bytes, offset, overlap);
        if (done != overlap) return done;
    }
    if (done < size) done += appendData(value, bytes + done, size - done);
    return done;
}

void deletePlain(CMValueRecord* value, CMSize offset, CMSize size) {
    CMContainerRecord* container = value->object->container;
    if (!isWritable(container)) {
        report(container, CM_ERR_READ_ONLY, {nameOf(container)});
        return;
    }
    if ((value->flags & kValueProtected) || (value->object->flags & kObjectProtected)) {
        report(container, CM_ERR_PROTECTED_WRITE, {nameOf(container)});
        return;
    }
    if (value->flags & kValueGlobalName) {
        report(container, CM_ERR_WRITE_GLOBAL_NAME, {nameOf(container)});
        return;
    }
    if (offset >= value->size || size == 0) return;
    container->modified = true;
    CMSize end = std::min(value->size, offset + size);
    std::vector<Segment> kept;
    CMSize segmentStart = 0;
    for (const Segment& segment : segmentsOf(value)) {
        CMSize segmentEnd = segmentStart + segment.length;
        CMSize cutStart = std::max(offset, segmentStart);
        CMSize cutEnd = std::min(end, segmentEnd);
        if (cutStart >= cutEnd) {
            kept.push_back(segment);
        } else if (segment.immediate) {
            Segment trimmed = segment;
            CMSize from = cutStart - segmentStart;
            CMSize count = cutEnd - cutStart;
            std::memmove(trimmed.data.data() + from, trimmed.data.data() + from + count,
                         segment.length - from - count);
            trimmed.length -= count;
            kept.push_back(trimmed);
        } else {
            if (cutStart > segmentStart) {
                Segment head = segment;
                head.length = cutStart - segmentStart;
                kept.push_back(head);
            }
            if (cutEnd < segmentEnd) {
                Segment tail = segment;
                tail.offset = segment.offset + (cutEnd - segmentStart);
                tail.length = segmentEnd - cutEnd;
                kept.push_back(tail);
            }
        }
        segmentStart = segmentEnd;
    }
    // An emptied value keeps one empty immediate segment, so it still has data.
    if (kept.empty()) {
        Segment empty;
        empty.immediate = true;
        kept.push_back(empty);
    }
    segmentsOf(value).assign(kept);
    value->size -= end - offset;
}

} // namespace container
