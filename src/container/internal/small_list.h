// The segments of one value. Almost every value has a single segment, so
// the first is held inline and more move to the heap.
#pragma once

#include <cstddef>
#include <vector>

namespace container {

template <typename Segment> class SegmentList {
  public:
    SegmentList() = default;
    SegmentList(const std::vector<Segment>& segments) { *this = segments; }

    SegmentList& operator=(const std::vector<Segment>& segments) {
        clear();
        for (const Segment& segment : segments) push_back(segment);
        return *this;
    }

    void push_back(const Segment& segment) {
        if (size_ == 0) {
            inline_ = segment;
        } else {
            if (size_ == 1) heap_.assign(1, inline_);
            heap_.push_back(segment);
        }
        ++size_;
    }
    void assign(size_t count, const Segment& segment) {
        clear();
        for (size_t i = 0; i < count; ++i) push_back(segment);
    }
    void clear() {
        heap_.clear();
        size_ = 0;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Segment* begin() { return size_ > 1 ? heap_.data() : &inline_; }
    Segment* end() { return begin() + size_; }
    const Segment* begin() const { return size_ > 1 ? heap_.data() : &inline_; }
    const Segment* end() const { return begin() + size_; }
    Segment& operator[](size_t index) { return begin()[index]; }
    const Segment& operator[](size_t index) const { return begin()[index]; }
    Segment& back() { return begin()[size_ - 1]; }
    const Segment& back() const { return begin()[size_ - 1]; }

  private:
    Segment inline_{};
    std::vector<Segment> heap_; // all segments once there are two or more
    size_t size_ = 0;
};

} // namespace container
