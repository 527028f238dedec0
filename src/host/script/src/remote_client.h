// The calling side of remote calls: a connection to a server and the remote
// objects it hands out.
#pragma once

#include "socket_io.h"
#include "tarsel/script_val.h"
#include "wire_format.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

namespace tarsel::detail {

class ClientConnection;

// Keeps a connection open for its users: the connection closes when the last
// link goes. Every remote object holds the link of its connection.
class ClientLink {
  public:
    explicit ClientLink(std::shared_ptr<ClientConnection> connection)
        : connection_(std::move(connection)) {}
    ~ClientLink();
    ClientConnection& Connection() const { return *connection_; }

  private:
    std::shared_ptr<ClientConnection> connection_;
};

// One server object held by this process. There is at most one live
// RemoteObjectRef per handle and connection; it counts how often the server
// sent the handle and gives that count back when it goes.
class RemoteObjectRef {
  public:
    RemoteObjectRef(std::shared_ptr<ClientLink> link, uint64_t handle)
        : link_(std::move(link)), handle_(handle) {}
    RemoteObjectRef(const RemoteObjectRef&) = delete;
    RemoteObjectRef& operator=(const RemoteObjectRef&) = delete;
    ~RemoteObjectRef();

    ClientConnection& Connection() const { return link_->Connection(); }
    uint64_t Handle() const { return handle_; }
    void CountReceived() { received_.fetch_add(1, std::memory_order_relaxed); }

  private:
    std::shared_ptr<ClientLink> link_;
    const uint64_t handle_;
    std::atomic<uint64_t> received_{1};
};

class ClientConnection : public ObjectCodec, public std::enable_shared_from_this<ClientConnection> {
  public:
    explicit ClientConnection(int fd) : fd_(fd) {}
    ~ClientConnection() override;

    // Reads the server's greeting (within `timeoutMs`) and answers its
    // application object; nil when the greeting is missing or malformed.
    ScriptVal ReadHello(const std::shared_ptr<ClientLink>& link, int timeoutMs);

    // Runs `method` of `target` (a remote object of this connection) and
    // waits for the answer; nil when the connection fails or closes.
    ScriptVal Call(const ScriptVal& target, std::string_view method, const ScriptVal& args);
    // Forgets a remote object that is going and tells the server.
    void DropRemote(const RemoteObjectRef* remote, uint64_t handle, uint64_t count);

    // Stops the connection: pending calls answer nil, later calls too.
    void Close();
    bool IsOpen();

    bool ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) override;
    ScriptVal ImportObject(int8_t extType, uint64_t handle) override;

  private:
    struct PendingCall {
        bool done = false;
        ScriptVal result;
    };
    struct ProxyEntry {
        std::weak_ptr<RemoteObjectRef> remote;
        const RemoteObjectRef* address;
    };

    bool Send(const WireMessage& message);
    // Reads answers, handing each to its caller, until `mine` has its answer
    // or the connection ends.
    void ReadUntilDone(const PendingCall& mine);
    // Hands a reply to its waiting caller; `known` tells whether the call existed.
    void Complete(uint64_t callId, ScriptVal result, bool& known);

    const int fd_;
    std::mutex writeLock_; // serialises frames on the socket
    // Lock order: callsLock_ and proxiesLock_ are never held together;
    // writeLock_ is taken with neither held.
    std::mutex callsLock_; // guards pending_, nextCallId_, closed_, reading_, and calls' results
    std::condition_variable callsDone_;
    std::unordered_map<uint64_t, std::shared_ptr<PendingCall>> pending_;
    uint64_t nextCallId_ = 1;
    bool closed_ = false;
    bool reading_ = false;   // a caller is reading answers from the socket
    FrameBody readBuffer_;   // used by the caller that is reading
    std::mutex proxiesLock_; // guards proxies_, link_
    std::unordered_map<uint64_t, ProxyEntry> proxies_;
    std::weak_ptr<ClientLink> link_;
};

} // namespace tarsel::detail
