// Scriptable objects, their classes and method tables, and a call's arguments.
//
// A class is described by a ScriptInfo; each method is a ScriptSymbol bound
// to it. An object binds itself to its class with _SetScriptInfo and can then
// be called by method name, in this process or from another one.
#pragma once

#include "tarsel/script_val.h"
#include "tarsel/tags.h"
#include "tarsel/ts_id.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <vector>

class ScriptObject;
class ScriptArgs;
class ScriptInfo;

// A method handler: the object called and the call's arguments. Handlers run
// on library threads, possibly several at once.
using ScriptHandler = void (*)(ScriptObject* self, ScriptArgs& args);

// Flags of a method symbol as classes register them.
inline constexpr uint32_t kScriptSymbolMethod = 0x40000001;
// Help-text tags of a method's tag list.
inline constexpr Tag kScriptSymbolHelpTag = 0x30000000;
inline constexpr Tag kScriptSymbolArgsTag = 0x38000000;

namespace tarsel::detail {
class ReplyChannel;
}

// The argument table of one call (keys 1, 2, ...; result slot -1) and the
// way its answer travels back.
class ScriptArgs : public ScriptVal {
  public:
    // A fresh argument table with no caller behind it (answers go nowhere).
    ScriptArgs();
    ScriptArgs(ScriptVal table, std::shared_ptr<tarsel::detail::ReplyChannel> reply);
    ScriptArgs(const ScriptArgs&) = delete;
    ScriptArgs& operator=(const ScriptArgs&) = delete;
    // A deferred call whose answer was never sent answers nil here, so its
    // caller never waits forever.
    ~ScriptArgs();

    // Detaches the call from its handler: when the handler returns, the caller
    // keeps waiting. The answer goes back when SendReply is called on the
    // returned arguments (which share this call's table), or as nil when they
    // are destroyed unsent. Answers null when the call is already deferred.
    std::unique_ptr<ScriptArgs> DeferReply();
    // Delivers the result slot (key -1) to the caller. Only the first answer
    // of a call is delivered.
    void SendReply();

    bool IsDeferred() const { return deferred_; }

  private:
    std::shared_ptr<tarsel::detail::ReplyChannel> reply_;
    bool deferred_ = false;
    bool owner_ = true; // this instance answers the call (false once deferred away)
};

// Method table entry.
class ScriptSymbol {
  public:
    // Registers method `name` with `classInfo` (when given). The symbol must
    // outlive the class information; classes define both as statics.
    ScriptSymbol(int version, const char* name, uint32_t flags, ScriptHandler handler,
                 ScriptInfo* classInfo);
    ScriptSymbol(const ScriptSymbol&) = delete;
    ScriptSymbol& operator=(const ScriptSymbol&) = delete;

    const char* Name() const { return name_.c_str(); }
    uint32_t Flags() const { return flags_; }
    ScriptHandler Handler() const { return handler_; }

  private:
    std::string name_;
    uint32_t flags_;
    ScriptHandler handler_;
};

// Describes a method further (its help texts) after its symbol.
class ScriptSymbolTags {
  public:
    ScriptSymbolTags() = default;
    // Attaches `tags` to method `name` of `classInfo`, registering the method
    // with `handler` when the class does not have it yet.
    void Init(int version, const char* name, int kind, ScriptHandler handler, ScriptInfo* classInfo,
              const TagList& tags);
    const TagList& Tags() const { return tags_; }

  private:
    std::unique_ptr<ScriptSymbol> ownSymbol_;
    TagList tags_;
};

// A scriptable class: its name and its methods.
class ScriptInfo {
  public:
    ScriptInfo(int version, const char* className, const char* baseName, const char* help);
    ScriptInfo(const ScriptInfo&) = delete;
    ScriptInfo& operator=(const ScriptInfo&) = delete;

    TsID ClassName() const { return className_; }
    TsID BaseName() const { return baseName_; }

    // The method of this name, or null.
    const ScriptSymbol* FindMethod(std::string_view name) const;
    // Method names in registration order.
    std::vector<std::string> MethodNames() const;

    // Adds a method; a later method of the same name replaces the earlier.
    void AddMethod(const ScriptSymbol* symbol);
    void SetMethodTags(std::string_view name, const TagList* tags);
    const TagList* MethodTags(std::string_view name) const;

  private:
    struct Entry {
        const ScriptSymbol* symbol;
        const TagList* tags;
    };
    TsID className_;
    TsID baseName_;
    std::string help_;
    mutable std::shared_mutex methodsLock_; // guards methods_
    std::vector<Entry> methods_;
};

// Reference-counted base of every scriptable object. The count starts at 0;
// ScriptVal and RefObject take and drop references, and the object deletes
// itself when the count returns to 0.
class ScriptObject {
  public:
    ScriptObject() = default;
    ScriptObject(const ScriptObject&) = delete;
    ScriptObject& operator=(const ScriptObject&) = delete;
    virtual ~ScriptObject();

    // Pushes the object onto a script interpreter's stack; there is no
    // interpreter in this library, so nothing is pushed (answers 0).
    virtual int lw_push(void* interpreter);
    // Runs method `name` through the bound class's method table. Answers false
    // when the object has no class or the class no such method.
    virtual bool _Do(std::string_view name, ScriptArgs& args);
    // Take and drop a reference; both answer the new count. Dropping the last
    // reference deletes the object.
    virtual int32_t AddRef();
    virtual int32_t Release();
    virtual const ScriptInfo* GetObjectInfo() const { return info_; }
    // A one-line description ("ClassName@address refs=N").
    virtual std::string DoInfo() const;
    // A description of the memory the object holds.
    virtual std::string DoDumpMem() const;
    virtual size_t SizeOf() const { return sizeof(*this); }
    // Attribute access through tags; the base knows no attributes.
    virtual bool SetAttrsTagList(const TagList* tags);
    virtual bool CopyAttr(Tag tag, void* out);
    // Notification lists: `Notify` calls OnNotify of every target registered
    // for the message (or for message 0, meaning all). Targets are not owned
    // and must remove themselves before they are destroyed.
    virtual bool AddNotify(ScriptObject* target, uint32_t message);
    virtual bool RemoveNotify(ScriptObject* target, uint32_t message);
    virtual bool RemoveNotify(ScriptObject* target);
    virtual void Notify(uint32_t message, const ScriptVal& data);
    // Calls a method of this object in the calling thread and answers its
    // result; nil when there is no such method. Waits for a deferred answer.
    virtual ScriptVal Call(std::string_view name, const ScriptVal& args);
    // Receives notifications (see Notify).
    virtual void OnNotify(ScriptObject* sender, uint32_t message, const ScriptVal& data);

    // Binds the object to its class (method table).
    void _SetScriptInfo(const ScriptInfo* info) { info_ = info; }
    int32_t RefCount() const { return refCount_.load(std::memory_order_acquire); }

  protected:
    std::atomic<int32_t> refCount_{0};

  private:
    struct NotifyTarget {
        ScriptObject* target;
        uint32_t message;
    };
    const ScriptInfo* info_ = nullptr;
    std::mutex notifyLock_; // guards notifyTargets_
    std::vector<NotifyTarget> notifyTargets_;
};

// Holds one reference to a ScriptObject (or subclass) for its lifetime.
template <class T> class RefObject {
  public:
    RefObject() = default;
    RefObject(T* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    RefObject(const RefObject& other) : RefObject(other.object_) {}
    RefObject(RefObject&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    RefObject& operator=(RefObject other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }
    ~RefObject() {
        if (object_) object_->Release();
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    T& operator*() const { return *object_; }
    explicit operator bool() const { return object_ != nullptr; }
    // Gives up the reference without dropping it.
    T* Detach() {
        T* object = object_;
        object_ = nullptr;
        return object;
    }

  private:
    T* object_ = nullptr;
};

// Class hierarchy by type name: records that `type` derives from `base`.
void SetTypeInfo(TsID type, TsID base);
// The recorded base of `type`, or NOID.
TsID GetBaseType(TsID type);
// True when `type` is `base` or derives from it through recorded relations.
bool IsTypeOf(TsID type, TsID base);
