// The segments of a plain value as a list. Almost every value has a single
// segment, held inline in the value record; a value of two or more keeps them
// in a block from its container's list memory, which goes back when the
// container closes, so value records need no destructor.
#pragma once

#include "container/internal/records.h"

#include <cstddef>
#include <span>

namespace container {

class SegmentList {
  public:
    explicit SegmentList(CMValueRecord* value) : value_(value) {}

    size_t size() const { return value_->segmentCount; }
    bool empty() const { return value_->segmentCount == 0; }
    Segment* begin() const {
        return value_->segmentCount > 1 ? value_->segmentStorage.block.elements
                                        : &value_->segmentStorage.single;
    }
    Segment* end() const { return begin() + value_->segmentCount; }
    Segment& operator[](size_t index) const { return begin()[index]; }
    Segment& front() const { return begin()[0]; }
    Segment& back() const { return begin()[value_->segmentCount - 1]; }

    void push_back(const Segment& segment);
    // Replaces every segment with `segments`.
    void assign(std::span<const Segment> segments);
    void assign(const Segment& segment) { assign(std::span<const Segment>(&segment, 1)); }
    void clear();

  private:
    CMValueRecord* value_;
};

inline SegmentList segmentsOf(CMValueRecord* value) {
    return SegmentList(value);
}

} // namespace container
