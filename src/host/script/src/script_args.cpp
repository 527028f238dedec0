// ScriptArgs: a call's argument table and its (possibly deferred) answer.
#include "tarsel/script_object.h"
#include "value_storage.h"

using tarsel::detail::ReplyChannel;

ScriptArgs::ScriptArgs() : ScriptVal(ScriptVal::NewTable()) {}

ScriptArgs::ScriptArgs(ScriptVal table, std::shared_ptr<ReplyChannel> reply)
    : ScriptVal(table.IsTable() ? std::move(table) : ScriptVal::NewTable()),
      reply_(std::move(reply)) {}

ScriptArgs::~ScriptArgs() {
    // A deferred call dropped without an answer answers nil, so its caller
    // does not wait forever. Delivery is once-only, so after SendReply this
    // does nothing.
    if (owner_ && deferred_ && reply_) reply_->Deliver(ScriptVal());
}

std::unique_ptr<ScriptArgs> ScriptArgs::DeferReply() {
    if (deferred_) return nullptr;
    auto detached = std::make_unique<ScriptArgs>(static_cast<const ScriptVal&>(*this), reply_);
    detached->deferred_ = true;
    deferred_ = true;
    owner_ = false;
    return detached;
}

void ScriptArgs::SendReply() {
    if (reply_) reply_->Deliver(Result());
}
