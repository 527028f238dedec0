// Calling side of remote calls.
#include "remote_client.h"

#include "socket_io.h"
#include "tarsel/remote.h"
#include "value_storage.h"

#include <chrono>
#include <thread>

#include <cerrno>
#include <sys/socket.h>
#include <sys/time.h>

namespace tarsel::detail {

// Pause between attempts to reach a server that is not accepting yet.
constexpr int kConnectRetryMs = 10;

namespace {

const std::shared_ptr<RemoteObjectRef>* RemoteOf(const ScriptVal& value) {
    return std::get_if<std::shared_ptr<RemoteObjectRef>>(&value.storage());
}

void SetReceiveTimeout(int fd, int timeoutMs) {
    timeval limit{};
    limit.tv_sec = timeoutMs / 1000;
    limit.tv_usec = (timeoutMs % 1000) * 1000;
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
}

} // namespace

ClientLink::~ClientLink() {
    connection_->Close();
}

RemoteObjectRef::~RemoteObjectRef() {
    Connection().DropRemote(this, handle_, received_.load(std::memory_order_relaxed));
}

ClientConnection::~ClientConnection() {
    CloseFd(fd_);
}

bool ClientConnection::Send(const WireMessage& message) {
    EncodedFrame frame;
    if (!EncodeMessage(message, *this, frame)) return false;
    std::lock_guard guard(writeLock_);
    return SendFrame(fd_, frame);
}

ScriptVal ClientConnection::ReadHello(const std::shared_ptr<ClientLink>& link, int timeoutMs) {
    {
        std::lock_guard guard(proxiesLock_);
        link_ = link;
    }
    if (!WaitReadable(fd_, timeoutMs)) return ScriptVal();
    // A server that starts a greeting must finish it promptly.
    SetReceiveTimeout(fd_, timeoutMs > 0 ? timeoutMs : 1);
    FrameBody body;
    ReadResult read = ReadFrame(fd_, body);
    SetReceiveTimeout(fd_, 0);
    WireMessage hello;
    if (read != ReadResult::Frame || !DecodeMessage(body.data(), body.size(), *this, hello) ||
        hello.kind != MessageKind::Hello || hello.version != kProtocolVersion)
        return ScriptVal();
    return hello.value;
}

void ClientConnection::ReadUntilDone(const PendingCall& mine) {
    FrameBody& body = readBuffer_; // kept between calls: its memory is reused
    bool failed = false;
    while (!failed) {
        if (ReadFrame(fd_, body) != ReadResult::Frame) break;
        WireMessage message;
        // A server only answers calls made; anything else ends the connection.
        if (!DecodeMessage(body.data(), body.size(), *this, message) ||
            message.kind != MessageKind::Reply) {
            failed = true;
            break;
        }
        bool known = false;
        Complete(message.callId, std::move(message.value), known);
        if (!known) {
            failed = true;
            break;
        }
        std::lock_guard guard(callsLock_);
        if (mine.done) {
            // Reading passes to another waiting caller, if any.
            reading_ = false;
            callsDone_.notify_all();
            return;
        }
    }
    // End of stream, a read error or a protocol violation.
    Close();
    std::lock_guard guard(callsLock_);
    reading_ = false;
}

void ClientConnection::Complete(uint64_t callId, ScriptVal result, bool& known) {
    std::shared_ptr<PendingCall> call;
    {
        std::lock_guard guard(callsLock_);
        auto found = pending_.find(callId);
        known = found != pending_.end();
        if (!known) return;
        call = std::move(found->second);
        pending_.erase(found);
        call->result = std::move(result);
        call->done = true;
    }
    callsDone_.notify_all();
}

ScriptVal ClientConnection::Call(const ScriptVal& target, std::string_view method,
                                 const ScriptVal& args) {
    auto call = std::make_shared<PendingCall>();
    WireMessage message;
    message.kind = MessageKind::Call;
    message.target = target; // travels as the server's own handle
    message.method = std::string(method);
    message.value = MakeArgumentTable(args);
    {
        std::lock_guard guard(callsLock_);
        if (closed_) return ScriptVal();
        message.callId = nextCallId_++;
        pending_.emplace(message.callId, call);
    }
    EncodedFrame frame;
    if (message.method.size() > kMaxMethodName || !EncodeMessage(message, *this, frame)) {
        // Arguments that cannot travel: this call fails, the connection stays.
        std::lock_guard guard(callsLock_);
        pending_.erase(message.callId);
        return ScriptVal();
    }
    bool sent;
    {
        std::lock_guard guard(writeLock_);
        sent = SendFrame(fd_, frame);
    }
    if (!sent) {
        Close(); // the server is gone; this and every waiting call answer nil
        return ScriptVal();
    }
    // Whoever waits reads: one caller at a time reads answers from the socket
    // and hands each to its caller; when its own has come, another waiting
    // caller takes over. The answer thus wakes the thread that needs it.
    std::unique_lock held(callsLock_);
    while (!call->done) {
        if (reading_) {
            callsDone_.wait(held);
            continue;
        }
        reading_ = true;
        held.unlock();
        ReadUntilDone(*call);
        held.lock();
    }
    return std::move(call->result);
}

void ClientConnection::DropRemote(const RemoteObjectRef* remote, uint64_t handle, uint64_t count) {
    {
        std::lock_guard guard(proxiesLock_);
        auto found = proxies_.find(handle);
        // A newer proxy for the same handle may already stand in this entry.
        if (found != proxies_.end() && found->second.address == remote) proxies_.erase(found);
    }
    if (!IsOpen()) return;
    WireMessage release;
    release.kind = MessageKind::Release;
    release.handle = handle;
    release.count = count;
    Send(release);
}

void ClientConnection::Close() {
    // Wakes the reader (and the server sees the end); the descriptor itself
    // is closed when the last user of the connection is gone.
    shutdown(fd_, SHUT_RDWR);
    std::unordered_map<uint64_t, std::shared_ptr<PendingCall>> failed;
    {
        std::lock_guard guard(callsLock_);
        closed_ = true;
        failed.swap(pending_);
        for (auto& [id, call] : failed) {
            call->result = ScriptVal();
            call->done = true;
        }
    }
    callsDone_.notify_all();
}

bool ClientConnection::IsOpen() {
    {
        std::lock_guard guard(callsLock_);
        if (closed_) return false;
        // While calls are under way their reader notices the end itself.
        if (reading_ || !pending_.empty()) return true;
    }
    // Idle: the server has nothing to say, so anything readable is its end
    // (or a message it must not send).
    if (!WaitReadable(fd_, 0)) return true;
    Close();
    return false;
}

bool ClientConnection::ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) {
    // Only the server's own objects can go back to it; objects of this
    // process or of other connections cross as nil.
    const std::shared_ptr<RemoteObjectRef>* remote = RemoteOf(object);
    if (!remote || &(*remote)->Connection() != this) return false;
    extType = kReceiverObject;
    handle = (*remote)->Handle();
    return true;
}

ScriptVal ClientConnection::ImportObject(int8_t extType, uint64_t handle) {
    if (extType != kSenderObject) return ScriptVal();
    std::lock_guard guard(proxiesLock_);
    std::shared_ptr<ClientLink> link = link_.lock();
    if (!link) return ScriptVal();
    auto found = proxies_.find(handle);
    if (found != proxies_.end()) {
        if (std::shared_ptr<RemoteObjectRef> live = found->second.remote.lock()) {
            live->CountReceived();
            return ScriptVal(ScriptVal::Storage(std::move(live)));
        }
    }
    auto remote = std::make_shared<RemoteObjectRef>(std::move(link), handle);
    proxies_[handle] = ProxyEntry{remote, remote.get()};
    return ScriptVal(ScriptVal::Storage(std::move(remote)));
}

ScriptVal CallRemoteMember(const ScriptVal& remote, std::string_view name, const ScriptVal& args) {
    const std::shared_ptr<RemoteObjectRef>* ref = RemoteOf(remote);
    if (!ref) return ScriptVal();
    return (*ref)->Connection().Call(remote, name, args);
}

} // namespace tarsel::detail

using tarsel::detail::ClientConnection;
using tarsel::detail::ClientLink;

ScriptVal ConnectScriptServer(std::string_view connectionArg, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    int fd = -1;
    for (;;) {
        fd = tarsel::detail::ConnectUnix(connectionArg);
        if (fd >= 0) break;
        // Only a server that is not there yet, or not accepting yet (its
        // queue of waiting connections full), is worth waiting for.
        bool worthWaiting = errno == ENOENT || errno == ECONNREFUSED || errno == EAGAIN;
        if (!worthWaiting || Clock::now() >= deadline) return ScriptVal();
        std::this_thread::sleep_for(std::chrono::milliseconds(tarsel::detail::kConnectRetryMs));
    }
    auto connection = std::make_shared<ClientConnection>(fd);
    auto link = std::make_shared<ClientLink>(connection);
    int remaining = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    ScriptVal app = connection->ReadHello(link, std::max(remaining, 1));
    if (!app.IsRemoteObject()) return ScriptVal(); // dropping the link closes the connection
    return app;
}

bool CloseScriptConnection(const ScriptVal& remote) {
    auto ref = std::get_if<std::shared_ptr<tarsel::detail::RemoteObjectRef>>(&remote.storage());
    if (!ref) return false;
    (*ref)->Connection().Close();
    return true;
}

bool IsScriptConnectionOpen(const ScriptVal& remote) {
    auto ref = std::get_if<std::shared_ptr<tarsel::detail::RemoteObjectRef>>(&remote.storage());
    return ref && (*ref)->Connection().IsOpen();
}
