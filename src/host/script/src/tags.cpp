// TagList lookups.
#include "tarsel/tags.h"

#include <algorithm>

void TagList::Append(Tag tag, TagValue value) {
    TagItem& item = items_.emplace_back();
    item.tag = tag;
    item.value.swap(value);
}

void TagList::Add(Tag tag, const char* text) {
    Append(tag, std::string(text ? text : ""));
}
void TagList::Add(Tag tag, std::string_view text) {
    Append(tag, std::string(text));
}
void TagList::Add(Tag tag, TsID id) {
    Append(tag, id);
}
void TagList::Add(Tag tag, double number) {
    Append(tag, number);
}
void TagList::AddInteger(Tag tag, int64_t number) {
    Append(tag, number);
}
void TagList::AddPtr(Tag tag, void* pointer) {
    Append(tag, pointer);
}

void TagList::Set(Tag tag, const char* text) {
    Put(tag, std::string(text ? text : ""));
}
void TagList::Set(Tag tag, std::string_view text) {
    Put(tag, std::string(text));
}
void TagList::Set(Tag tag, TsID id) {
    Put(tag, id);
}
void TagList::Set(Tag tag, double number) {
    Put(tag, number);
}
void TagList::SetInteger(Tag tag, int64_t number) {
    Put(tag, number);
}
void TagList::SetPtr(Tag tag, void* pointer) {
    Put(tag, pointer);
}

void TagList::Put(Tag tag, TagValue value) {
    for (TagItem& item : items_) {
        if (item.tag == tag) {
            item.value = std::move(value);
            return;
        }
    }
    Append(tag, std::move(value));
}

void TagList::Remove(Tag tag) {
    std::erase_if(items_, [tag](const TagItem& item) { return item.tag == tag; });
}

const TagItem* TagList::Find(Tag tag) const {
    for (const TagItem& item : items_)
        if (item.tag == tag) return &item;
    return nullptr;
}

std::vector<const TagItem*> TagList::FindAll(Tag tag) const {
    std::vector<const TagItem*> found;
    for (const TagItem& item : items_)
        if (item.tag == tag) found.push_back(&item);
    return found;
}

int64_t TagList::GetInt(Tag tag, int64_t def) const {
    const TagItem* item = Find(tag);
    if (!item) return def;
    if (auto number = std::get_if<int64_t>(&item->value)) return *number;
    if (auto real = std::get_if<double>(&item->value)) return static_cast<int64_t>(*real);
    return def;
}

double TagList::GetDouble(Tag tag, double def) const {
    const TagItem* item = Find(tag);
    if (!item) return def;
    if (auto real = std::get_if<double>(&item->value)) return *real;
    if (auto number = std::get_if<int64_t>(&item->value)) return static_cast<double>(*number);
    return def;
}

std::string_view TagList::GetText(Tag tag, std::string_view def) const {
    const TagItem* item = Find(tag);
    if (!item) return def;
    if (auto text = std::get_if<std::string>(&item->value)) return *text;
    if (auto id = std::get_if<TsID>(&item->value)) return id->view();
    return def;
}

TsID TagList::GetID(Tag tag, TsID def) const {
    const TagItem* item = Find(tag);
    if (!item) return def;
    if (auto id = std::get_if<TsID>(&item->value)) return *id;
    if (auto text = std::get_if<std::string>(&item->value)) return TsID(*text);
    return def;
}

void* TagList::GetPtr(Tag tag, void* def) const {
    const TagItem* item = Find(tag);
    if (!item) return def;
    if (auto pointer = std::get_if<void*>(&item->value)) return *pointer;
    return def;
}
