// A list that holds its first element inline and moves to the heap from the
// second on. Almost every value has a single segment and almost every
// property a single value, so a container of a million values makes no heap
// allocation for either; the list is three words where a vector with its
// allocation is five.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace container {

template <typename Element> class SmallList {
  public:
    SmallList() = default;
    SmallList(const std::vector<Element>& elements) { *this = elements; }
    SmallList(const SmallList& other) { *this = other; }
    SmallList& operator=(const SmallList& other) {
        if (this == &other) return *this;
        clear();
        for (const Element& element : other)
            push_back(element);
        return *this;
    }
    SmallList& operator=(const std::vector<Element>& elements) {
        clear();
        for (const Element& element : elements)
            push_back(element);
        return *this;
    }

    void push_back(const Element& element) {
        if (size_ == 0) {
            inline_ = element;
        } else {
            if (size_ == 1) {
                if (!heap_) heap_ = std::make_unique<std::vector<Element>>();
                heap_->assign(1, inline_);
            }
            heap_->push_back(element);
        }
        ++size_;
    }
    void assign(size_t count, const Element& element) {
        clear();
        for (size_t i = 0; i < count; ++i)
            push_back(element);
    }
    // Removes the element at `position`; answers the position after it.
    Element* erase(Element* position) {
        const size_t index = static_cast<size_t>(position - begin());
        if (size_ > 1) {
            heap_->erase(heap_->begin() + static_cast<std::ptrdiff_t>(index));
            if (size_ == 2) inline_ = heap_->front();
        }
        --size_;
        return begin() + index;
    }
    void clear() {
        if (heap_) heap_->clear();
        size_ = 0;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Element* begin() { return size_ > 1 ? heap_->data() : &inline_; }
    Element* end() { return begin() + size_; }
    const Element* begin() const { return size_ > 1 ? heap_->data() : &inline_; }
    const Element* end() const { return begin() + size_; }
    Element& operator[](size_t index) { return begin()[index]; }
    const Element& operator[](size_t index) const { return begin()[index]; }
    Element& front() { return begin()[0]; }
    const Element& front() const { return begin()[0]; }
    Element& back() { return begin()[size_ - 1]; }
    const Element& back() const { return begin()[size_ - 1]; }

  private:
    Element inline_{};
    std::unique_ptr<std::vector<Element>> heap_; // every element once there are two or more
    uint32_t size_ = 0;
};

} // namespace container
