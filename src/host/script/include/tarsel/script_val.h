// ScriptVal: the value type of the scripting library. A value is nil, a
// boolean, a 64-bit integer, a double, a text, a TsID, a table keyed by
// numbers and names, a memory block, a local object or a remote object.
//
// Scalars and texts are held by value. Tables, memory blocks and objects are
// held by reference: copying a ScriptVal shares them, as in the scripting
// language the library serves. A table may be read from several threads at
// once; writers need the same outside synchronisation as any container.
//
// As a call's argument table, keys 1, 2, 3 ... hold the arguments and key -1
// is the result slot.
#pragma once

#include "tarsel/ts_id.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

class ScriptObject;

// Type codes answered by ScriptVal::Type().
enum : int {
    kScriptNil = 0,
    kScriptBoolean = 1,
    kScriptNumber = 2, // double
    kScriptString = 3,
    kScriptTable = 4,   // a fresh table is empty
    kScriptInteger = 5, // 64-bit integer
    kScriptID = 6,      // TsID
    kScriptLocalObject = 7,
    kScriptRemoteObject = 8,
    kScriptMemBlock = 9,
};

// Key of the result slot in a call's argument table.
inline constexpr int64_t kScriptResultKey = -1;

// The data of a memory block: where its bytes are and how many there are.
struct MemBlock {
    void* data = nullptr;
    size_t size = 0;
};

namespace tarsel::detail {
class ScriptTable;
struct MemBlockStorage;
class RemoteObjectRef;
} // namespace tarsel::detail

// A table key: a number or a name. Names are only borrowed for the call.
class ScriptKey {
  public:
    template <std::integral T> ScriptKey(T number) : number_(static_cast<int64_t>(number)) {}
    ScriptKey(const char* name) : name_(name ? name : ""), isName_(true) {}
    ScriptKey(std::string_view name) : name_(name), isName_(true) {}
    ScriptKey(const std::string& name) : name_(name), isName_(true) {}
    ScriptKey(TsID id) : name_(id.view()), isName_(true) {}

    bool IsName() const { return isName_; }
    int64_t Number() const { return number_; }
    std::string_view Name() const { return name_; }

  private:
    int64_t number_ = 0;
    std::string_view name_;
    bool isName_ = false;
};

class ScriptVal {
  public:
    ScriptVal() = default; // nil
    ScriptVal(std::nullptr_t) {}
    ScriptVal(bool b) : value_(b) {}
    template <std::integral T>
    requires(!std::same_as<T, bool>) ScriptVal(T number) : value_(static_cast<int64_t>(number)) {}
    template <std::floating_point T> ScriptVal(T number) : value_(static_cast<double>(number)) {}
    ScriptVal(const char* text);
    ScriptVal(std::string_view text) : value_(std::string(text)) {}
    ScriptVal(const std::string& text) : value_(text) {}
    ScriptVal(std::string&& text) : value_(std::move(text)) {}
    ScriptVal(TsID id) : value_(id) {}
    // A local object; takes a reference (null gives nil).
    ScriptVal(ScriptObject* object);
    // Other pointers must not silently become booleans.
    ScriptVal(const void*) = delete;

    ScriptVal(const ScriptVal&);
    ScriptVal(ScriptVal&&) noexcept;
    ScriptVal& operator=(const ScriptVal&);
    ScriptVal& operator=(ScriptVal&&) noexcept;
    ~ScriptVal();

    // A new empty table.
    static ScriptVal NewTable();
    // A new memory block of `size` bytes, copied from `data`, or zero-filled
    // when `data` is null.
    static ScriptVal NewMemBlock(const void* data, size_t size);

    // ---- Type ----
    int Type() const;
    bool IsNil() const { return Type() == kScriptNil; }
    bool IsBoolean() const { return Type() == kScriptBoolean; }
    bool IsInteger() const { return Type() == kScriptInteger; }
    bool IsNumber() const { return Type() == kScriptInteger || Type() == kScriptNumber; }
    bool IsString() const { return Type() == kScriptString || Type() == kScriptID; }
    bool IsID() const { return Type() == kScriptID; }
    bool IsTable() const { return Type() == kScriptTable; }
    bool IsMemBlock() const { return Type() == kScriptMemBlock; }
    bool IsLocalObject() const { return Type() == kScriptLocalObject; }
    bool IsRemoteObject() const { return Type() == kScriptRemoteObject; }
    bool IsObject() const { return IsLocalObject() || IsRemoteObject(); }

    // ---- Conversions of this value ----
    // Integers and doubles convert into each other (doubles truncate toward
    // zero, saturating); booleans give 1 or 0; texts that hold a whole number
    // are parsed; anything else gives 0.
    int64_t ToInteger() const;
    double ToNumber() const;
    // nil and false are false; numbers are true when non-zero; other values are true.
    bool ToBoolean() const;
    // Texts and TsIDs as they are, numbers in decimal, booleans as
    // "true"/"false"; other values give "".
    std::string ToString() const;
    TsID ToID() const { return TsID(ToString()); }
    // The local object, or null when this is not one.
    ScriptObject* ToLocalObject() const;
    template <class T> T* ToLocalObject() const { return dynamic_cast<T*>(ToLocalObject()); }

    // ---- Table access (all answer "absent" when this is not a table) ----
    // The stored value of a key, or null. The pointer stays valid until that
    // key is removed or the table is destroyed.
    ScriptVal* FindKey(const ScriptKey& key);
    const ScriptVal* FindKeyConst(const ScriptKey& key) const;
    bool HasKey(const ScriptKey& key) const { return FindKeyConst(key) != nullptr; }
    // The value of a key, created as nil when absent. A nil value becomes a
    // table first; other non-table values are replaced by a table.
    ScriptVal& operator[](const ScriptKey& key);
    // Stores a value under a key (making this a table as operator[] does);
    // storing nil removes the key.
    void Set(const ScriptKey& key, ScriptVal value);
    void Remove(const ScriptKey& key);
    // Number of keys of every kind.
    size_t NumKeys() const;
    // Calls `visit` for every key: numbered keys ascending, then names in
    // byte order. The table must not be changed during the walk.
    void ForEachKey(const std::function<void(const ScriptKey&, const ScriptVal&)>& visit) const;

    // Keyed conversions; `def` is answered when the key is absent.
    int64_t ToInteger(const ScriptKey& key, int64_t def = 0) const;
    double ToNumber(const ScriptKey& key, double def = 0.0) const;
    bool ToBoolean(const ScriptKey& key, bool def = false) const;
    std::string ToString(const ScriptKey& key, std::string_view def = {}) const;
    ScriptObject* ToLocalObject(const ScriptKey& key) const;
    bool IsNil(const ScriptKey& key) const;

    // ---- Memory blocks ----
    // {data, size} of a memory block, or null when this is not one. The bytes
    // may be written; the record itself belongs to the block.
    const MemBlock* GetData() const;
    // Makes this a new memory block of `size` bytes copied from `data`; with a
    // null `data` the library allocates `size` zeroed bytes for the caller to
    // fill. Answers the block's record.
    const MemBlock* SetMemBlock(const void* data, size_t size);

    // Sets this value from a type code and its raw data: kScriptNil (data
    // unused), kScriptTable (a new empty table), kScriptBoolean (bool*),
    // kScriptInteger (int64_t*), kScriptNumber (double*), kScriptString
    // (const char*), kScriptMemBlock (MemBlock*: a null data pointer makes the
    // library allocate that size). Answers false, leaving the value
    // unchanged, for an unknown code or a missing pointer.
    bool SetTyped(int type, const void* data);

    // ---- Result slot of an argument table ----
    void Return(const ScriptVal& result) { Set(kScriptResultKey, result); }
    void ReturnNil() { Remove(kScriptResultKey); }
    void ReturnBoolean(bool result) { Set(kScriptResultKey, ScriptVal(result)); }
    void ReturnObject(ScriptObject* object) { Set(kScriptResultKey, ScriptVal(object)); }
    ScriptVal Result() const;

    // ---- Method calls ----
    // Runs method `name` of the object this value holds, local or remote, and
    // answers its result; nil on any failure (not an object, unknown method,
    // lost connection). `args` is the argument table (keys 1, 2, ...); a
    // value that is not a table is passed as the single argument 1. Blocks
    // until the method answers, including a deferred answer.
    ScriptVal CallMember(std::string_view name, const ScriptVal& args = ScriptVal()) const;

    // Internal representation, for the library's own code.
    struct LocalRef {
        ScriptObject* object = nullptr;
    };
    using Storage = std::variant<std::monostate, bool, int64_t, double, std::string, TsID,
                                 std::shared_ptr<tarsel::detail::ScriptTable>,
                                 std::shared_ptr<tarsel::detail::MemBlockStorage>, LocalRef,
                                 std::shared_ptr<tarsel::detail::RemoteObjectRef>>;
    const Storage& storage() const { return value_; }
    explicit ScriptVal(Storage storage);

  private:
    void Reset();
    tarsel::detail::ScriptTable* Table() const;
    tarsel::detail::ScriptTable& MakeTable();

    Storage value_;
};

// True when the value is an object served by another process.
inline bool IsRemoteObject(const ScriptVal& value) {
    return value.IsRemoteObject();
}
