// ScriptVal: construction, conversions, tables and memory blocks.
#include "tarsel/script_val.h"

#include "tarsel/script_object.h"
#include "value_storage.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>

using tarsel::detail::MemBlockStorage;
using tarsel::detail::ScriptTable;

namespace {

// Parses a whole text as a decimal integer or a number; false when it is not one.
template <typename T> bool ParseWhole(std::string_view text, T& out) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// The text of a string or TsID value; nothing for the other kinds.
std::optional<std::string_view> TextOf(const ScriptVal::Storage& value) {
    if (auto string = std::get_if<std::string>(&value)) return *string;
    if (auto id = std::get_if<TsID>(&value)) return id->view();
    return std::nullopt;
}

// Truncates toward zero, saturating at the integer range; NaN gives 0.
int64_t DoubleToInteger(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
    if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
    return static_cast<int64_t>(value);
}

} // namespace

std::shared_ptr<MemBlockStorage> MemBlockStorage::Allocate(size_t size, bool zeroed) {
    auto storage = std::make_shared<MemBlockStorage>();
    if (size > 0) {
        storage->bytes = zeroed ? std::make_unique<std::byte[]>(size)
                                : std::make_unique_for_overwrite<std::byte[]>(size);
    }
    storage->block = {storage->bytes.get(), size};
    return storage;
}

ScriptVal tarsel::detail::MakeArgumentTable(const ScriptVal& args) {
    ScriptVal table = ScriptVal::NewTable();
    if (args.IsTable()) {
        args.ForEachKey([&](const ScriptKey& key, const ScriptVal& value) {
            if (!key.IsName() && key.Number() == kScriptResultKey) return;
            table.Set(key, value);
        });
    } else if (!args.IsNil()) {
        table.Set(1, args);
    }
    return table;
}

// ---- Construction and copying ----

ScriptVal::ScriptVal(const char* text) {
    if (text) value_ = std::string(text);
}

ScriptVal::ScriptVal(ScriptObject* object) {
    if (object) {
        object->AddRef();
        value_ = LocalRef{object};
    }
}

ScriptVal::ScriptVal(Storage storage) : value_(std::move(storage)) {
    if (auto local = std::get_if<LocalRef>(&value_)) local->object->AddRef();
}

ScriptVal::ScriptVal(const ScriptVal& other) : value_(other.value_) {
    if (auto local = std::get_if<LocalRef>(&value_)) local->object->AddRef();
}

ScriptVal::ScriptVal(ScriptVal&& other) noexcept : value_(std::move(other.value_)) {
    other.value_ = std::monostate();
}

ScriptVal& ScriptVal::operator=(const ScriptVal& other) {
    if (this != &other) {
        ScriptVal copy(other);
        *this = std::move(copy);
    }
    return *this;
}

ScriptVal& ScriptVal::operator=(ScriptVal&& other) noexcept {
    if (this != &other) {
        // Keep the old value alive until the new one is in place: releasing
        // it may destroy an object that owns `other`.
        Storage old = std::move(value_);
        value_ = std::move(other.value_);
        other.value_ = std::monostate();
        if (auto local = std::get_if<LocalRef>(&old)) local->object->Release();
    }
    return *this;
}

ScriptVal::~ScriptVal() {
    Reset();
}

void ScriptVal::Reset() {
    Storage old = std::move(value_);
    value_ = std::monostate();
    if (auto local = std::get_if<LocalRef>(&old)) local->object->Release();
}

ScriptVal ScriptVal::NewTable() {
    return ScriptVal(Storage(std::make_shared<ScriptTable>()));
}

ScriptVal ScriptVal::NewMemBlock(const void* data, size_t size) {
    auto storage = MemBlockStorage::Allocate(size, data == nullptr);
    if (data && size) std::memcpy(storage->block.data, data, size);
    return ScriptVal(Storage(std::move(storage)));
}

// ---- Type and conversions ----

int ScriptVal::Type() const {
    static constexpr int kCodes[] = {
        kScriptNil, kScriptBoolean, kScriptInteger,  kScriptNumber,      kScriptString,
        kScriptID,  kScriptTable,   kScriptMemBlock, kScriptLocalObject, kScriptRemoteObject};
    static_assert(std::variant_size_v<Storage> == std::size(kCodes));
    return kCodes[value_.index()];
}

int64_t ScriptVal::ToInteger() const {
    if (auto number = std::get_if<int64_t>(&value_)) return *number;
    if (auto real = std::get_if<double>(&value_)) return DoubleToInteger(*real);
    if (auto flag = std::get_if<bool>(&value_)) return *flag ? 1 : 0;
    const std::optional<std::string_view> text = TextOf(value_);
    if (!text) return 0;
    int64_t parsed = 0;
    if (ParseWhole(*text, parsed)) return parsed;
    double real = 0;
    return ParseWhole(*text, real) ? DoubleToInteger(real) : 0;
}

double ScriptVal::ToNumber() const {
    if (auto real = std::get_if<double>(&value_)) return *real;
    if (auto number = std::get_if<int64_t>(&value_)) return static_cast<double>(*number);
    if (auto flag = std::get_if<bool>(&value_)) return *flag ? 1.0 : 0.0;
    const std::optional<std::string_view> text = TextOf(value_);
    double real = 0;
    return text && ParseWhole(*text, real) ? real : 0.0;
}

bool ScriptVal::ToBoolean() const {
    if (std::holds_alternative<std::monostate>(value_)) return false;
    if (auto flag = std::get_if<bool>(&value_)) return *flag;
    if (auto number = std::get_if<int64_t>(&value_)) return *number != 0;
    if (auto real = std::get_if<double>(&value_)) return *real != 0.0;
    return true;
}

std::string ScriptVal::ToString() const {
    if (auto text = TextOf(value_)) return std::string(*text);
    if (auto number = std::get_if<int64_t>(&value_)) return std::to_string(*number);
    if (auto real = std::get_if<double>(&value_)) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", *real);
        return text;
    }
    if (auto flag = std::get_if<bool>(&value_)) return *flag ? "true" : "false";
    return {};
}

ScriptObject* ScriptVal::ToLocalObject() const {
    if (auto local = std::get_if<LocalRef>(&value_)) return local->object;
    return nullptr;
}

// ---- Tables ----

ScriptTable* ScriptVal::Table() const {
    if (auto table = std::get_if<std::shared_ptr<ScriptTable>>(&value_)) return table->get();
    return nullptr;
}

ScriptTable& ScriptVal::MakeTable() {
    if (ScriptTable* table = Table()) return *table;
    *this = NewTable();
    return *Table();
}

ScriptVal* ScriptVal::FindKey(const ScriptKey& key) {
    return const_cast<ScriptVal*>(FindKeyConst(key));
}

const ScriptVal* ScriptVal::FindKeyConst(const ScriptKey& key) const {
    ScriptTable* table = Table();
    if (!table) return nullptr;
    if (key.IsName()) {
        auto found = table->named.find(key.Name());
        return found == table->named.end() ? nullptr : &found->second;
    }
    auto found = table->numbered.find(key.Number());
    return found == table->numbered.end() ? nullptr : &found->second;
}

ScriptVal& ScriptVal::operator[](const ScriptKey& key) {
    ScriptTable& table = MakeTable();
    if (key.IsName()) {
        auto found = table.named.find(key.Name());
        if (found != table.named.end()) return found->second;
        return table.named.emplace(std::string(key.Name()), ScriptVal()).first->second;
    }
    return table.numbered[key.Number()];
}

void ScriptVal::Set(const ScriptKey& key, ScriptVal value) {
    if (value.IsNil()) {
        Remove(key);
        return;
    }
    (*this)[key] = std::move(value);
}

void ScriptVal::Remove(const ScriptKey& key) {
    ScriptTable* table = Table();
    if (!table) return;
    // Move the value out before destroying it: its destruction may reach
    // this table again (an object's destructor reading its owner).
    ScriptVal removed;
    if (key.IsName()) {
        auto found = table->named.find(key.Name());
        if (found == table->named.end()) return;
        removed = std::move(found->second);
        table->named.erase(found);
    } else {
        auto found = table->numbered.find(key.Number());
        if (found == table->numbered.end()) return;
        removed = std::move(found->second);
        table->numbered.erase(found);
    }
}

size_t ScriptVal::NumKeys() const {
    ScriptTable* table = Table();
    return table ? table->Count() : 0;
}

void ScriptVal::ForEachKey(
    const std::function<void(const ScriptKey&, const ScriptVal&)>& visit) const {
    ScriptTable* table = Table();
    if (!table) return;
    for (const auto& [number, value] : table->numbered)
        visit(ScriptKey(number), value);
    for (const auto& [name, value] : table->named)
        visit(ScriptKey(name), value);
}

int64_t ScriptVal::ToInteger(const ScriptKey& key, int64_t def) const {
    const ScriptVal* value = FindKeyConst(key);
    return value ? value->ToInteger() : def;
}

double ScriptVal::ToNumber(const ScriptKey& key, double def) const {
    const ScriptVal* value = FindKeyConst(key);
    return value ? value->ToNumber() : def;
}

bool ScriptVal::ToBoolean(const ScriptKey& key, bool def) const {
    const ScriptVal* value = FindKeyConst(key);
    return value ? value->ToBoolean() : def;
}

std::string ScriptVal::ToString(const ScriptKey& key, std::string_view def) const {
    const ScriptVal* value = FindKeyConst(key);
    return value ? value->ToString() : std::string(def);
}

ScriptObject* ScriptVal::ToLocalObject(const ScriptKey& key) const {
    const ScriptVal* value = FindKeyConst(key);
    return value ? value->ToLocalObject() : nullptr;
}

bool ScriptVal::IsNil(const ScriptKey& key) const {
    const ScriptVal* value = FindKeyConst(key);
    return !value || value->IsNil();
}

ScriptVal ScriptVal::Result() const {
    const ScriptVal* value = FindKeyConst(kScriptResultKey);
    return value ? *value : ScriptVal();
}

// ---- Memory blocks ----

const MemBlock* ScriptVal::GetData() const {
    if (auto block = std::get_if<std::shared_ptr<MemBlockStorage>>(&value_))
        return &(*block)->block;
    return nullptr;
}

const MemBlock* ScriptVal::SetMemBlock(const void* data, size_t size) {
    *this = NewMemBlock(data, size);
    return GetData();
}

bool ScriptVal::SetTyped(int type, const void* data) {
    switch (type) {
    case kScriptNil:
        Reset();
        return true;
    case kScriptTable:
        *this = NewTable();
        return true;
    case kScriptBoolean:
        if (!data) return false;
        *this = ScriptVal(*static_cast<const bool*>(data));
        return true;
    case kScriptInteger:
        if (!data) return false;
        *this = ScriptVal(*static_cast<const int64_t*>(data));
        return true;
    case kScriptNumber:
        if (!data) return false;
        *this = ScriptVal(*static_cast<const double*>(data));
        return true;
    case kScriptString:
        if (!data) return false;
        *this = ScriptVal(static_cast<const char*>(data));
        return true;
    case kScriptMemBlock: {
        if (!data) return false;
        const auto* block = static_cast<const MemBlock*>(data);
        SetMemBlock(block->data, block->size);
        return true;
    }
    default:
        return false;
    }
}

// ---- Calls ----

ScriptVal ScriptVal::CallMember(std::string_view name, const ScriptVal& args) const {
    if (ScriptObject* object = ToLocalObject()) return object->Call(name, args);
    if (IsRemoteObject()) return tarsel::detail::CallRemoteMember(*this, name, args);
    return ScriptVal();
}
