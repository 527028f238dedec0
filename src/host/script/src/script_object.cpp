// ScriptObject, its class information and method symbols, and the type
// relation registry.
#include "tarsel/script_object.h"

#include "value_storage.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <unordered_map>

using tarsel::detail::ReplyChannel;

namespace {

// The answer of a call made in this process: the caller waits for it.
class LocalReply : public ReplyChannel {
  public:
    ScriptVal Wait() {
        std::unique_lock held(lock_);
        arrived_.wait(held, [this] { return done_; });
        return result_;
    }

  protected:
    void DoDeliver(const ScriptVal& result) override {
        {
            std::lock_guard guard(lock_);
            result_ = result;
            done_ = true;
        }
        arrived_.notify_all();
    }

  private:
    std::mutex lock_; // guards result_ and done_
    std::condition_variable arrived_;
    ScriptVal result_;
    bool done_ = false;
};

// Type name -> base type name, as recorded by SetTypeInfo.
class TypeRelations {
  public:
    void Set(TsID type, TsID base) {
        std::lock_guard guard(lock_);
        bases_[type.c_str()] = base;
    }
    TsID BaseOf(TsID type) {
        std::lock_guard guard(lock_);
        auto found = bases_.find(type.c_str());
        return found == bases_.end() ? NOID : found->second;
    }

  private:
    std::mutex lock_; // guards bases_
    // Keyed by the interned text pointer: one entry per distinct TsID.
    std::unordered_map<const char*, TsID> bases_;
};

TypeRelations& Relations() {
    static TypeRelations* relations = new TypeRelations; // used during static init and exit
    return *relations;
}

} // namespace

// ---- Method symbols and classes ----

ScriptSymbol::ScriptSymbol(int /*version*/, const char* name, uint32_t flags, ScriptHandler handler,
                           ScriptInfo* classInfo)
    : name_(name ? name : ""), flags_(flags), handler_(handler) {
    if (classInfo) classInfo->AddMethod(this);
}

void ScriptSymbolTags::Init(int version, const char* name, int /*kind*/, ScriptHandler handler,
                            ScriptInfo* classInfo, const TagList& tags) {
    tags_ = tags;
    if (!classInfo || !name) return;
    if (!classInfo->FindMethod(name)) {
        ownSymbol_ =
            std::make_unique<ScriptSymbol>(version, name, kScriptSymbolMethod, handler, classInfo);
    }
    classInfo->SetMethodTags(name, &tags_);
}

ScriptInfo::ScriptInfo(int /*version*/, const char* className, const char* baseName,
                       const char* help)
    : className_(className), baseName_(baseName), help_(help ? help : "") {}

const ScriptSymbol* ScriptInfo::FindMethod(std::string_view name) const {
    std::shared_lock guard(methodsLock_);
    for (const Entry& entry : methods_)
        if (entry.symbol->Name() == name) return entry.symbol;
    return nullptr;
}

std::vector<std::string> ScriptInfo::MethodNames() const {
    std::shared_lock guard(methodsLock_);
    std::vector<std::string> names;
    for (const Entry& entry : methods_)
        names.emplace_back(entry.symbol->Name());
    return names;
}

void ScriptInfo::AddMethod(const ScriptSymbol* symbol) {
    if (!symbol) return;
    std::unique_lock guard(methodsLock_);
    for (Entry& entry : methods_) {
        if (std::string_view(entry.symbol->Name()) == symbol->Name()) {
            entry.symbol = symbol;
            return;
        }
    }
    methods_.push_back({symbol, nullptr});
}

void ScriptInfo::SetMethodTags(std::string_view name, const TagList* tags) {
    std::unique_lock guard(methodsLock_);
    for (Entry& entry : methods_)
        if (entry.symbol->Name() == name) entry.tags = tags;
}

const TagList* ScriptInfo::MethodTags(std::string_view name) const {
    std::shared_lock guard(methodsLock_);
    for (const Entry& entry : methods_)
        if (entry.symbol->Name() == name) return entry.tags;
    return nullptr;
}

// ---- ScriptObject ----

ScriptObject::~ScriptObject() = default;

int ScriptObject::lw_push(void* /*interpreter*/) {
    return 0;
}

bool ScriptObject::_Do(std::string_view name, ScriptArgs& args) {
    const ScriptInfo* info = GetObjectInfo();
    if (!info) return false;
    const ScriptSymbol* symbol = info->FindMethod(name);
    if (!symbol || !symbol->Handler()) return false;
    symbol->Handler()(this, args);
    return true;
}

int32_t ScriptObject::AddRef() {
    return refCount_.fetch_add(1, std::memory_order_relaxed) + 1;
}

int32_t ScriptObject::Release() {
    int32_t count = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0) delete this;
    return count;
}

std::string ScriptObject::DoInfo() const {
    const ScriptInfo* info = GetObjectInfo();
    char text[160];
    std::snprintf(text, sizeof text, "%s@%p refs=%d", info ? info->ClassName().c_str() : "Object",
                  static_cast<const void*>(this), static_cast<int>(RefCount()));
    return text;
}

std::string ScriptObject::DoDumpMem() const {
    return DoInfo() + " size=" + std::to_string(SizeOf());
}

bool ScriptObject::SetAttrsTagList(const TagList* /*tags*/) {
    return true;
}

bool ScriptObject::CopyAttr(Tag /*tag*/, void* /*out*/) {
    return false;
}

bool ScriptObject::AddNotify(ScriptObject* target, uint32_t message) {
    if (!target) return false;
    std::lock_guard guard(notifyLock_);
    for (const NotifyTarget& entry : notifyTargets_)
        if (entry.target == target && entry.message == message) return true;
    notifyTargets_.push_back({target, message});
    return true;
}

bool ScriptObject::RemoveNotify(ScriptObject* target, uint32_t message) {
    std::lock_guard guard(notifyLock_);
    return std::erase_if(notifyTargets_, [&](const NotifyTarget& entry) {
               return entry.target == target && entry.message == message;
           }) > 0;
}

bool ScriptObject::RemoveNotify(ScriptObject* target) {
    std::lock_guard guard(notifyLock_);
    return std::erase_if(notifyTargets_,
                         [&](const NotifyTarget& entry) { return entry.target == target; }) > 0;
}

void ScriptObject::Notify(uint32_t message, const ScriptVal& data) {
    // Copy the list so that targets may change registrations while notified.
    std::vector<NotifyTarget> targets;
    {
        std::lock_guard guard(notifyLock_);
        targets = notifyTargets_;
    }
    for (const NotifyTarget& entry : targets)
        if (entry.message == 0 || entry.message == message)
            entry.target->OnNotify(this, message, data);
}

void ScriptObject::OnNotify(ScriptObject* /*sender*/, uint32_t /*message*/,
                            const ScriptVal& /*data*/) {}

ScriptVal ScriptObject::Call(std::string_view name, const ScriptVal& args) {
    auto reply = std::make_shared<LocalReply>();
    {
        ScriptArgs callArgs(tarsel::detail::MakeArgumentTable(args), reply);
        bool found = false;
        try {
            found = _Do(name, callArgs);
        } catch (...) {
            found = false;
        }
        if (!found)
            reply->Deliver(ScriptVal());
        else if (!callArgs.IsDeferred())
            reply->Deliver(callArgs.Result());
    }
    return reply->Wait();
}

// ---- Type relations ----

void SetTypeInfo(TsID type, TsID base) {
    if (!type.IsNoID()) Relations().Set(type, base);
}

TsID GetBaseType(TsID type) {
    return Relations().BaseOf(type);
}

bool IsTypeOf(TsID type, TsID base) {
    // Bounded walk: a relation loop recorded by mistake must not hang.
    for (int depth = 0; depth < 64 && !type.IsNoID(); ++depth) {
        if (type == base) return true;
        type = Relations().BaseOf(type);
    }
    return false;
}
