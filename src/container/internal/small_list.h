// Lists held by a container's records, in blocks of the container's list
// memory; every call that may take or give back a block is passed it. The
// lists need no destructor, since what they hold goes back with the list
// memory when the container closes, so the records holding them need none
// either. Elements are plain data, copied as bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <new>
#include <type_traits>

namespace container {

template <typename Element>
Element* allocateElements(std::pmr::memory_resource& memory, uint32_t capacity) {
    return static_cast<Element*>(memory.allocate(capacity * sizeof(Element), alignof(Element)));
}

template <typename Element>
void releaseElements(std::pmr::memory_resource& memory, Element* elements, uint32_t capacity) {
    memory.deallocate(elements, capacity * sizeof(Element), alignof(Element));
}

// The capacity after `capacity` when a list grows.
inline uint32_t grownCapacity(uint32_t capacity) {
    if (capacity > UINT32_MAX / 2) throw std::bad_alloc();
    return capacity * 2;
}

// A vector in one block: for an object's property list.
template <typename Element> class PooledVector {
    static_assert(std::is_trivially_copyable_v<Element> &&
                  std::is_trivially_destructible_v<Element>);

  public:
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    Element* begin() const { return elements_; }
    Element* end() const { return elements_ + size_; }
    Element& back() const { return elements_[size_ - 1]; }

    void reserve(size_t capacity, std::pmr::memory_resource& memory) {
        if (capacity <= capacity_) return;
        if (capacity > UINT32_MAX) throw std::bad_alloc();
        Element* elements = allocateElements<Element>(memory, static_cast<uint32_t>(capacity));
        std::copy_n(elements_, size_, elements);
        if (elements_ != nullptr) releaseElements(memory, elements_, capacity_);
        elements_ = elements;
        capacity_ = static_cast<uint32_t>(capacity);
    }
    void push_back(const Element& element, std::pmr::memory_resource& memory) {
        if (size_ == capacity_) reserve(capacity_ == 0 ? 1 : grownCapacity(capacity_), memory);
        elements_[size_++] = element;
    }
    // Removes the element at `position`; answers the position after it.
    Element* erase(Element* position) {
        std::copy(position + 1, end(), position);
        --size_;
        return position;
    }
    void clear(std::pmr::memory_resource& memory) {
        if (elements_ != nullptr) releaseElements(memory, elements_, capacity_);
        elements_ = nullptr;
        size_ = capacity_ = 0;
    }

  private:
    Element* elements_ = nullptr;
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};

// A list that holds its only element inline and moves to a block from the
// second on: almost every property of a container has a single value.
template <typename Element> class InlineFirstList {
    static_assert(std::is_trivially_copyable_v<Element> &&
                  std::is_trivially_destructible_v<Element>);
    static constexpr uint32_t kFirstBlockCapacity = 4;

  public:
    InlineFirstList() : single_{} {}

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Element* begin() { return size_ > 1 ? elements_ : &single_; }
    Element* end() { return begin() + size_; }
    const Element* begin() const { return size_ > 1 ? elements_ : &single_; }
    const Element* end() const { return begin() + size_; }
    const Element& front() const { return begin()[0]; }

    void push_back(const Element& element, std::pmr::memory_resource& memory) {
        if (size_ == 0) {
            single_ = element;
        } else if (size_ == 1) {
            Element* elements = allocateElements<Element>(memory, kFirstBlockCapacity);
            elements[0] = single_;
            elements[1] = element;
            elements_ = elements;
            capacity_ = kFirstBlockCapacity;
        } else {
            if (size_ == capacity_) {
                const uint32_t capacity = grownCapacity(capacity_);
                Element* elements = allocateElements<Element>(memory, capacity);
                std::copy_n(elements_, size_, elements);
                releaseElements(memory, elements_, capacity_);
                elements_ = elements;
                capacity_ = capacity;
            }
            elements_[size_] = element;
        }
        ++size_;
    }
    void clear(std::pmr::memory_resource& memory) {
        if (size_ > 1) releaseElements(memory, elements_, capacity_);
        single_ = Element{};
        size_ = capacity_ = 0;
    }
    // Removes the element at `position`.
    void erase(Element* position, std::pmr::memory_resource& memory) {
        if (size_ > 1) {
            std::copy(position + 1, end(), position);
            if (size_ == 2) {
                Element* elements = elements_;
                single_ = elements[0];
                releaseElements(memory, elements, capacity_);
                capacity_ = 0;
            }
        }
        --size_;
    }

  private:
    union {
        Element single_;    // while there is at most one element
        Element* elements_; // every element once there are two or more
    };
    uint32_t size_ = 0;
    uint32_t capacity_ = 0;
};

} // namespace container
