// TagList: an ordered list of (tag, value) attributes used to pass options
// and registration records. A tag is a 32-bit number; the same tag may occur
// several times (for example one entry per file extension), and lookups find
// the first occurrence.
#pragma once

#include "tarsel/ts_id.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

using Tag = uint32_t;

// Marks the end of a tag sequence where one is needed.
inline constexpr Tag TAG_DONE = 0;

// One attribute. Text is copied into the list; pointers are stored as given.
using TagValue = std::variant<std::monostate, int64_t, double, std::string, TsID, void*>;

struct TagItem {
    Tag tag = TAG_DONE;
    TagValue value;
};

class TagList {
  public:
    TagList() = default;

    // Empties the list.
    void Init() { items_.clear(); }

    // Append an entry (duplicates allowed).
    void Add(Tag tag, const char* text);
    void Add(Tag tag, std::string_view text);
    void Add(Tag tag, TsID id);
    template <std::integral T> void Add(Tag tag, T number) {
        AddInteger(tag, static_cast<int64_t>(number));
    }
    void Add(Tag tag, double number);
    void AddPtr(Tag tag, void* pointer);

    // Replace the first entry with this tag, or append one when there is none.
    void Set(Tag tag, const char* text);
    void Set(Tag tag, std::string_view text);
    void Set(Tag tag, TsID id);
    template <std::integral T> void Set(Tag tag, T number) {
        SetInteger(tag, static_cast<int64_t>(number));
    }
    void Set(Tag tag, double number);
    void SetPtr(Tag tag, void* pointer);

    // Removes every entry with this tag.
    void Remove(Tag tag);

    // First entry with this tag, or null.
    const TagItem* Find(Tag tag) const;
    bool Has(Tag tag) const { return Find(tag) != nullptr; }

    // Typed reads of the first entry with this tag; the default is answered
    // when the tag is absent or holds another kind of value. Integers and
    // doubles convert into each other.
    int64_t GetInt(Tag tag, int64_t def = 0) const;
    double GetDouble(Tag tag, double def = 0.0) const;
    std::string_view GetText(Tag tag, std::string_view def = {}) const;
    TsID GetID(Tag tag, TsID def = NOID) const;
    void* GetPtr(Tag tag, void* def = nullptr) const;

    // Every entry with this tag, in list order.
    std::vector<const TagItem*> FindAll(Tag tag) const;

    size_t Count() const { return items_.size(); }
    bool IsEmpty() const { return items_.empty(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    void AddInteger(Tag tag, int64_t number);
    void SetInteger(Tag tag, int64_t number);
    void Append(Tag tag, TagValue value);
    void Put(Tag tag, TagValue value);

    std::vector<TagItem> items_;
};
