// The TOC index: a container's objects by ascending ID.
//
// A TOC lists its objects in ascending ID order and new objects take the
// next higher ID, so nearly every insertion is an append: the index keeps a
// sorted array of (ID, object) pairs, 16 bytes an object, searched by
// bisection. An object inserted below the highest ID (a TOC naming a
// property or type before defining it) goes to a small ordered map beside
// the array instead, so that no order of insertion costs more than a tree
// would. A removed object leaves a hole in the array (its ID with no
// object); holes are squeezed out once they make up half of it.
#pragma once

#include "container/cm_types.h"

#include <cstddef>
#include <map>
#include <memory_resource>
#include <utility>
#include <vector>

struct CMObjectRecord;

namespace container {

class ObjectIndex {
    using Slot = std::pair<CMObjectID, CMObjectRecord*>; // no object: a removed one
    using Late = std::pmr::map<CMObjectID, CMObjectRecord*>;

  public:
    explicit ObjectIndex(std::pmr::memory_resource* memory) : sorted_(memory), late_(memory) {}

    // Visits the objects by ascending ID, yielding (ID, object) pairs.
    class Iterator {
      public:
        std::pair<CMObjectID, CMObjectRecord*> operator*() const;
        Iterator& operator++();
        bool operator==(const Iterator& other) const {
            return position_ == other.position_ && late_ == other.late_;
        }

      private:
        friend class ObjectIndex;
        Iterator(const ObjectIndex* index, size_t position, Late::const_iterator late);
        void skipHoles();
        bool sortedFirst() const; // the next object comes from the array

        const ObjectIndex* index_;
        size_t position_;
        Late::const_iterator late_;
    };

    Iterator begin() const { return Iterator(this, 0, late_.begin()); }
    Iterator end() const { return Iterator(this, sorted_.size(), late_.end()); }
    // The first object with an ID above `id`.
    Iterator after(CMObjectID id) const;

    CMObjectRecord* find(CMObjectID id) const;
    // The highest ID of an object in the index; 0 when it is empty.
    CMObjectID highestID() const;
    // Adds `object` under `id`, replacing the object held there.
    void insert(CMObjectID id, CMObjectRecord* object);
    void erase(CMObjectID id);
    void clear();

  private:
    // The array position of `id`, or the array's size when it is not there.
    size_t position(CMObjectID id) const;
    void squeezeHoles();

    std::pmr::vector<Slot> sorted_;
    Late late_;
    size_t holes_ = 0; // slots of removed objects in the array
    // Where the last call of after() started: walking the objects in order
    // asks next for the ID found there, which then needs no bisection.
    mutable size_t afterHint_ = 0;
};

} // namespace container
