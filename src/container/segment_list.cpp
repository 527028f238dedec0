#include "container/internal/segment_list.h"

#include <algorithm>

namespace container {
namespace {

constexpr uint32_t kFirstBlockCapacity = 4;

std::pmr::memory_resource& listMemoryOf(const CMValueRecord* value) {
    return value->object->container->listMemory;
}

} // namespace

void SegmentList::push_back(const Segment& segment) {
    SegmentStorage& storage = value_->segmentStorage;
    const uint32_t count = value_->segmentCount;
    if (count == 0) {
        storage.single = segment;
    } else if (count == 1) {
        Segment* elements = allocateElements<Segment>(listMemoryOf(value_), kFirstBlockCapacity);
        elements[0] = storage.single;
        elements[1] = segment;
        storage.block.elements = elements;
        storage.block.capacity = kFirstBlockCapacity;
    } else {
        if (count == storage.block.capacity) {
            const uint32_t capacity = grownCapacity(storage.block.capacity);
            Segment* elements = allocateElements<Segment>(listMemoryOf(value_), capacity);
            std::copy_n(storage.block.elements, count, elements);
            releaseElements(listMemoryOf(value_), storage.block.elements, storage.block.capacity);
            storage.block.elements = elements;
            storage.block.capacity = capacity;
        }
        storage.block.elements[count] = segment;
    }
    value_->segmentCount = count + 1;
}

void SegmentList::assign(std::span<const Segment> segments) {
    clear();
    for (const Segment& segment : segments)
        push_back(segment);
}

void SegmentList::clear() {
    SegmentStorage& storage = value_->segmentStorage;
    if (value_->segmentCount > 1) {
        releaseElements(listMemoryOf(value_), storage.block.elements, storage.block.capacity);
    }
    storage.single = Segment{};
    value_->segmentCount = 0;
}

} // namespace container
