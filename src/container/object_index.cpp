#include "container/internal/object_index.h"

#include <algorithm>

namespace container {

ObjectIndex::Iterator::Iterator(const ObjectIndex* index, size_t position,
                                Late::const_iterator late)
    : index_(index), position_(position), late_(late) {
    skipHoles();
}

void ObjectIndex::Iterator::skipHoles() {
    const std::pmr::vector<Slot>& sorted = index_->sorted_;
    while (position_ < sorted.size() && sorted[position_].second == nullptr)
        ++position_;
}

bool ObjectIndex::Iterator::sortedFirst() const {
    const std::pmr::vector<Slot>& sorted = index_->sorted_;
    if (position_ == sorted.size()) return false;
    return late_ == index_->late_.end() || sorted[position_].first < late_->first;
}

std::pair<CMObjectID, CMObjectRecord*> ObjectIndex::Iterator::operator*() const {
    if (sortedFirst()) return index_->sorted_[position_];
    return *late_;
}

ObjectIndex::Iterator& ObjectIndex::Iterator::operator++() {
    if (sortedFirst()) {
        ++position_;
        skipHoles();
    } else {
        ++late_;
    }
    return *this;
}

ObjectIndex::Iterator ObjectIndex::after(CMObjectID id) const {
    size_t above = 0;
    if (afterHint_ < sorted_.size() && sorted_[afterHint_].first == id) {
        above = afterHint_ + 1; // IDs in the array are unique and ascending
    } else {
        above = static_cast<size_t>(
            std::upper_bound(sorted_.begin(), sorted_.end(), id,
                             [](CMObjectID key, const Slot& slot) { return key < slot.first; }) -
            sorted_.begin());
    }
    afterHint_ = above;
    return Iterator(this, above, late_.upper_bound(id));
}

size_t ObjectIndex::position(CMObjectID id) const {
    if (sorted_.empty() || id > sorted_.back().first) return sorted_.size();
    auto found =
        std::lower_bound(sorted_.begin(), sorted_.end(), id,
                         [](const Slot& slot, CMObjectID key) { return slot.first < key; });
    if (found == sorted_.end() || found->first != id) return sorted_.size();
    return static_cast<size_t>(found - sorted_.begin());
}

CMObjectRecord* ObjectIndex::find(CMObjectID id) const {
    size_t at = position(id);
    if (at < sorted_.size()) return sorted_[at].second;
    if (late_.empty()) return nullptr;
    auto found = late_.find(id);
    return found == late_.end() ? nullptr : found->second;
}

CMObjectID ObjectIndex::highestID() const {
    CMObjectID highest = late_.empty() ? 0 : late_.rbegin()->first;
    for (auto slot = sorted_.rbegin(); slot != sorted_.rend(); ++slot) {
        if (slot->second == nullptr) continue;
        return std::max(highest, slot->first);
    }
    return highest;
}

void ObjectIndex::insert(CMObjectID id, CMObjectRecord* object) {
    if (sorted_.empty() || id > sorted_.back().first) {
        // Squeezing holes can leave IDs of the map above the array's last.
        if (!late_.empty() && id <= late_.rbegin()->first) {
            auto found = late_.find(id);
            if (found != late_.end()) {
                found->second = object;
                return;
            }
        }
        sorted_.emplace_back(id, object);
        return;
    }
    size_t at = position(id);
    if (at < sorted_.size()) {
        if (sorted_[at].second == nullptr) --holes_;
        sorted_[at].second = object;
        return;
    }
    late_.insert_or_assign(id, object);
}

void ObjectIndex::erase(CMObjectID id) {
    size_t at = position(id);
    if (at < sorted_.size()) {
        if (sorted_[at].second == nullptr) return;
        sorted_[at].second = nullptr;
        ++holes_;
        if (holes_ * 2 > sorted_.size()) squeezeHoles();
        return;
    }
    late_.erase(id);
}

void ObjectIndex::squeezeHoles() {
    std::erase_if(sorted_, [](const Slot& slot) { return slot.second == nullptr; });
    holes_ = 0;
}

void ObjectIndex::clear() {
    sorted_.clear();
    sorted_.shrink_to_fit();
    late_.clear();
    holes_ = 0;
}

} // namespace container
