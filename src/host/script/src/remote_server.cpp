// Serving side of remote calls: the listening socket, one reader thread per
// connection, handler threads, and the objects each connection holds.
#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include "socket_io.h"
#include "value_storage.h"
#include "wire_format.h"
#include "worker_pool.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

ScriptConfig* g_ScriptConfig = nullptr;

namespace tarsel::detail {
namespace {

// Handler threads serving all connections at most.
constexpr size_t kMaxHandlerThreads = 64;
// A connection stops reading while this many of its calls are unanswered,
// or while their argument frames hold this many bytes.
constexpr size_t kMaxCallsInFlight = 1024;
constexpr size_t kMaxBytesInFlight = 256u << 20;
// A client that takes no bytes of a frame for this long is disconnected.
constexpr int64_t kDefaultSendTimeoutMs = 20000;

class Server;

// One client connection: its socket, the objects it holds, and the calls it
// has running.
class ServerConnection : public ObjectCodec, public std::enable_shared_from_this<ServerConnection> {
  public:
    ServerConnection(int fd, int id) : fd_(fd), id_(id) {}
    ~ServerConnection() override { CloseFd(fd_); }

    int Id() const { return id_; }

    // Sends a frame; false when it cannot be encoded or the peer is gone.
    // Sends a frame. A frame the peer does not take within the send time-out
    // ends the connection: a client that stops reading must not hold the
    // handler threads every other client needs.
    bool Send(const WireMessage& message) {
        EncodedFrame frame;
        if (!EncodeMessage(message, *this, frame)) {
            if (message.kind != MessageKind::Reply) return false;
            // A result that cannot travel (too large, too deep) answers nil,
            // so the caller still gets its answer.
            WireMessage nil = message;
            nil.value = ScriptVal();
            if (!EncodeMessage(nil, *this, frame)) return false;
        }
        bool sent;
        {
            std::lock_guard guard(writeLock_);
            sent = SendFrame(fd_, frame);
        }
        if (!sent) Shutdown();
        return sent;
    }

    void SendReply(uint64_t callId, const ScriptVal& result) {
        WireMessage reply;
        reply.kind = MessageKind::Reply;
        reply.callId = callId;
        reply.value = result;
        Send(reply);
    }

    // Flow control: the reader waits for room before taking another call.
    bool WaitForRoom() {
        std::unique_lock held(flowLock_);
        room_.wait(held, [this] {
            return closed_ ||
                   (callsInFlight_ < kMaxCallsInFlight && bytesInFlight_ < kMaxBytesInFlight);
        });
        return !closed_;
    }
    void StartCall(size_t bytes) {
        std::lock_guard guard(flowLock_);
        ++callsInFlight_;
        bytesInFlight_ += bytes;
    }
    void FinishCall(size_t bytes) {
        {
            std::lock_guard guard(flowLock_);
            --callsInFlight_;
            bytesInFlight_ -= bytes;
        }
        room_.notify_all();
    }

    // Ends the connection: wakes its reader and refuses further work.
    void Shutdown() {
        shutdown(fd_, SHUT_RDWR);
        {
            std::lock_guard guard(flowLock_);
            closed_ = true;
        }
        room_.notify_all();
    }

    void Release(uint64_t handle, uint64_t count) {
        RefObject<ScriptObject> dropped; // released after the lock is let go
        std::lock_guard guard(exportsLock_);
        auto found = exports_.find(handle);
        if (found == exports_.end()) return;
        if (count < found->second.count) {
            found->second.count -= count;
            return;
        }
        dropped = std::move(found->second.object);
        handles_.erase(dropped.get());
        exports_.erase(found);
    }

    void DropAllExports() {
        std::unordered_map<uint64_t, Export> dropped;
        {
            std::lock_guard guard(exportsLock_);
            dropped.swap(exports_);
            handles_.clear();
        }
    }

    bool ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) override {
        ScriptObject* local = object.ToLocalObject();
        if (!local) return false; // remote objects of other servers do not cross
        std::lock_guard guard(exportsLock_);
        auto known = handles_.find(local);
        if (known != handles_.end()) {
            handle = known->second;
            ++exports_[handle].count;
        } else {
            handle = nextHandle_++;
            handles_.emplace(local, handle);
            exports_.emplace(handle, Export{RefObject<ScriptObject>(local), 1});
        }
        extType = kSenderObject;
        return true;
    }

    ScriptVal ImportObject(int8_t extType, uint64_t handle) override {
        if (extType != kReceiverObject) return ScriptVal();
        std::lock_guard guard(exportsLock_);
        auto found = exports_.find(handle);
        return found == exports_.end() ? ScriptVal() : ScriptVal(found->second.object.get());
    }

    int Fd() const { return fd_; }

  private:
    struct Export {
        RefObject<ScriptObject> object;
        uint64_t count; // times sent, less the releases received
    };

    const int fd_;
    const int id_;
    std::mutex writeLock_;   // serialises frames on the socket
    std::mutex exportsLock_; // guards exports_, handles_, nextHandle_
    std::unordered_map<uint64_t, Export> exports_;
    std::unordered_map<ScriptObject*, uint64_t> handles_;
    uint64_t nextHandle_ = 1;
    std::mutex flowLock_; // guards callsInFlight_, bytesInFlight_, closed_
    std::condition_variable room_;
    size_t callsInFlight_ = 0;
    size_t bytesInFlight_ = 0;
    bool closed_ = false;
};

// The answer of one remote call: sent back on the connection if it is still there.
class RemoteReply : public ReplyChannel {
  public:
    RemoteReply(std::weak_ptr<ServerConnection> connection, uint64_t callId, size_t bytes)
        : connection_(std::move(connection)), callId_(callId), bytes_(bytes) {}

  protected:
    void DoDeliver(const ScriptVal& result) override {
        std::shared_ptr<ServerConnection> connection = connection_.lock();
        if (!connection) return;
        connection->SendReply(callId_, result);
        connection->FinishCall(bytes_);
    }

  private:
    std::weak_ptr<ServerConnection> connection_;
    const uint64_t callId_;
    const size_t bytes_;
};

class Server {
  public:
    Server(ScriptConfig& config, int64_t sendTimeoutMs)
        : config_(config),
          sendTimeoutMs_(sendTimeoutMs > 0 ? sendTimeoutMs : kDefaultSendTimeoutMs) {}
    ~Server() { Stop(); }

    bool Start() {
        if (!config_.connectionArg) return false;
        path_ = config_.connectionArg;
        if (pipe2(wakePipe_, O_CLOEXEC) != 0) return false;
        listenFd_ = ListenUnix(path_, &madeFolder_);
        if (listenFd_ < 0) {
            CloseWakePipe();
            return false;
        }
        acceptThread_ = std::thread([this] { AcceptLoop(); });
        return true;
    }

    void Stop() {
        if (listenFd_ < 0) return;
        // Stop accepting first, so no connection arrives during the rest.
        char wake = 1;
        ssize_t ignored = write(wakePipe_[1], &wake, 1);
        (void)ignored;
        acceptThread_.join();
        CloseFd(listenFd_);
        listenFd_ = -1;
        RemoveListenPath(path_, madeFolder_);
        CloseWakePipe();
        {
            std::unique_lock held(connectionsLock_);
            for (auto& connection : connections_)
                connection->Shutdown();
            readersDone_.wait(held, [this] { return readers_ == 0; });
        }
        handlers_.Stop();
    }

    int NumConnections() const { return numConnections_.load(); }

  private:
    void CloseWakePipe() {
        CloseFd(wakePipe_[0]);
        CloseFd(wakePipe_[1]);
        wakePipe_[0] = wakePipe_[1] = -1;
    }

    void AcceptLoop() {
        pollfd waits[2] = {{listenFd_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        for (;;) {
            int ready = poll(waits, 2, -1);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0 || (waits[1].revents & POLLIN)) return;
            if (!(waits[0].revents & POLLIN)) continue;
            int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                // Out of descriptors or a connection gone before accept:
                // pause briefly rather than spin.
                if (errno != EINTR && errno != ECONNABORTED) poll(nullptr, 0, 10);
                continue;
            }
            // Only this user may call: anyone else is closed on unanswered.
            if (!PeerIsSameUser(fd)) {
                CloseFd(fd);
                continue;
            }
            timeval limit{static_cast<time_t>(sendTimeoutMs_ / 1000),
                          static_cast<suseconds_t>(sendTimeoutMs_ % 1000 * 1000)};
            setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
            auto connection = std::make_shared<ServerConnection>(fd, nextConnectionId_++);
            {
                std::lock_guard guard(connectionsLock_);
                connections_.push_back(connection);
                ++readers_;
            }
            numConnections_.fetch_add(1);
            std::thread([this, connection] { Serve(connection); }).detach();
        }
    }

    // Greets the client, then reads its messages until it goes.
    void Serve(const std::shared_ptr<ServerConnection>& connection) {
        if (config_.onConnect) config_.onConnect(connection->Id());
        WireMessage hello;
        hello.kind = MessageKind::Hello;
        hello.version = kProtocolVersion;
        if (config_.getAppObject) hello.value = ScriptVal(config_.getAppObject());
        bool open = connection->Send(hello);
        hello.value = ScriptVal();

        FrameBody body;
        while (open && ReadFrame(connection->Fd(), body) == ReadResult::Frame) {
            WireMessage message;
            if (!DecodeMessage(body.data(), body.size(), *connection, message)) break;
            if (message.kind == MessageKind::Release) {
                connection->Release(message.handle, message.count);
            } else if (message.kind == MessageKind::Call) {
                if (!connection->WaitForRoom()) break;
                Dispatch(connection, std::move(message), body.size());
            } else {
                break; // clients send only calls and releases
            }
        }
        Finish(connection);
    }

    void Dispatch(const std::shared_ptr<ServerConnection>& connection, WireMessage message,
                  size_t bytes) {
        connection->StartCall(bytes);
        auto reply = std::make_shared<RemoteReply>(connection, message.callId, bytes);
        auto task = [this, connection, reply, message = std::move(message)]() mutable {
            if (config_.onCall) config_.onCall(connection->Id());
            RunCall(message, reply);
        };
        if (!handlers_.Submit(std::move(task))) reply->Deliver(ScriptVal());
    }

    static void RunCall(WireMessage& message, const std::shared_ptr<RemoteReply>& reply) {
        // The target value holds a reference for the whole call, so a release
        // arriving meanwhile cannot destroy the object under its handler.
        ScriptObject* object = message.target.ToLocalObject();
        ScriptArgs args(std::move(message.value), reply);
        args.Remove(kScriptResultKey);
        bool found = false;
        if (object) {
            try {
                found = object->_Do(message.method, args);
            } catch (...) {
                found = false;
            }
        }
        if (!found)
            reply->Deliver(ScriptVal());
        else if (!args.IsDeferred())
            reply->Deliver(args.Result());
    }

    void Finish(const std::shared_ptr<ServerConnection>& connection) {
        connection->Shutdown();
        connection->DropAllExports();
        {
            std::lock_guard guard(connectionsLock_);
            std::erase(connections_, connection);
        }
        // The hook runs before the count drops, so a count without this client
        // means its disconnect has been handled.
        if (config_.onDisconnect) config_.onDisconnect(connection->Id());
        numConnections_.fetch_sub(1);
        {
            std::lock_guard guard(connectionsLock_);
            --readers_;
        }
        readersDone_.notify_all();
    }

    ScriptConfig& config_;
    const int64_t sendTimeoutMs_;
    std::string path_;
    bool madeFolder_ = false; // the listener created the socket's folder
    int listenFd_ = -1;
    int wakePipe_[2] = {-1, -1};
    std::thread acceptThread_;
    int nextConnectionId_ = 1;   // used by the accept thread only
    std::mutex connectionsLock_; // guards connections_, readers_
    std::condition_variable readersDone_;
    std::vector<std::shared_ptr<ServerConnection>> connections_;
    int readers_ = 0;
    std::atomic<int> numConnections_{0};
    WorkerPool handlers_{kMaxHandlerThreads};
};

// The serving state of this process, between StartScripting and CleanupScripting.
std::mutex g_serverLock; // guards g_server and g_ScriptConfig changes
std::unique_ptr<Server> g_server;

} // namespace
} // namespace tarsel::detail

using tarsel::detail::g_server;
using tarsel::detail::g_serverLock;

bool InitScripting(ScriptConfig* config, const TagList* /*tags*/) {
    std::lock_guard guard(g_serverLock);
    if (!config || g_ScriptConfig) return false;
    g_ScriptConfig = config;
    return true;
}

bool StartScripting(const ScriptVal& /*arg*/, const TagList* tags) {
    ScriptConfig* config;
    {
        std::lock_guard guard(g_serverLock);
        if (!g_ScriptConfig || g_server) return false;
        config = g_ScriptConfig;
    }
    // The hook runs without the lock, so it may ask for the connection count.
    if (config->startHook && config->startHook() != 0) return false;
    int64_t sendTimeoutMs =
        tags ? tags->GetInt(kScriptSendTimeoutTag, tarsel::detail::kDefaultSendTimeoutMs)
             : tarsel::detail::kDefaultSendTimeoutMs;
    std::lock_guard guard(g_serverLock);
    if (g_ScriptConfig != config || g_server) return false; // changed meanwhile
    auto server = std::make_unique<tarsel::detail::Server>(*config, sendTimeoutMs);
    if (!server->Start()) return false;
    g_server = std::move(server);
    return true;
}

int GetNumConnections() {
    std::lock_guard guard(g_serverLock);
    return g_server ? g_server->NumConnections() : 0;
}

void CleanupScripting(const TagList* /*tags*/) {
    std::unique_ptr<tarsel::detail::Server> server;
    {
        std::lock_guard guard(g_serverLock);
        server = std::move(g_server);
    }
    // Stopped outside the lock: handlers still finishing may ask for the
    // connection count.
    server.reset();
    std::lock_guard guard(g_serverLock);
    g_ScriptConfig = nullptr;
}

int RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument, bool wait) {
    if (!func) return 0;
    ScriptConfig* config = g_ScriptConfig;
    if (config && config->runOnMainThread)
        return config->runOnMainThread(func, user, argument, wait);
    return func(user, argument);
}
