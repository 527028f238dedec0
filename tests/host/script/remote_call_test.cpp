// Remote calls between this process and script_test_server.
#include "server_process.h"

#include "socket_io.h"
#include "tarsel/remote.h"
#include "tarsel/script_object.h"
#include "wire_format.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <random>
#include <string_view>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Content hash of a memory block; the test and its server share the
// standard library, so they compute the same value.
uint64_t ContentHash(const void* data, size_t size) {
    return std::hash<std::string_view>()(std::string_view(static_cast<const char*>(data), size));
}

// An argument table whose argument 1 is `value` (a table given directly to
// CallMember is the argument table itself).
ScriptVal FirstArgument(const ScriptVal& value) {
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, value);
    return args;
}

// Fills `data` with `size` pseudo-random bytes, eight at a time.
void FillRandom(std::vector<unsigned char>& data, size_t size, std::mt19937_64& random) {
    data.resize(size);
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        uint64_t word = random();
        std::memcpy(data.data() + i, &word, 8);
    }
    for (; i < size; ++i)
        data[i] = static_cast<unsigned char>(random());
}

int64_t LiveObjects(const ScriptVal& app) {
    return app.CallMember("LiveObjects").ToInteger();
}

TEST(RemoteCalls, ValuesRoundTripThroughTheServer) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ASSERT_TRUE(IsRemoteObject(app));

    ScriptVal table = ScriptVal::NewTable();
    table.Set("Width", 720);
    table.Set("Rate", 29.97);
    table.Set("Name", "clip");
    table.Set("Flag", false);
    table[1]["Compressor"] = "AVdv";
    ScriptVal answer = app.CallMember("Echo", FirstArgument(table));
    ASSERT_TRUE(answer.IsTable());
    EXPECT_EQ(answer.ToInteger("Width"), 720);
    EXPECT_DOUBLE_EQ(answer.ToNumber("Rate"), 29.97);
    EXPECT_EQ(answer.ToString("Name"), "clip");
    EXPECT_TRUE(answer.FindKeyConst("Flag")->IsBoolean());
    EXPECT_FALSE(answer.ToBoolean("Flag", true));
    EXPECT_EQ(answer.FindKeyConst(1)->ToString("Compressor"), "AVdv");

    // A method that sets no result, and one that does not exist, answer nil.
    EXPECT_TRUE(app.CallMember("Empty").IsNil());
    EXPECT_TRUE(app.CallMember("NoSuchMethod").IsNil());
    // A table given directly is the argument table: its key 1 is argument 1.
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, "positional");
    args.Set(2, "second");
    EXPECT_EQ(app.CallMember("Echo", args).ToString(), "positional");
}

// 8 threads x 1000 calls on one connection, each with a table and a 1.4 MB
// memory block. SCRIPT_TEST_BIG_EVERY=N keeps the 1.4 MB block for every Nth
// call only (the others up to 4 KB), for slow builds such as the sanitizer
// one. Every answer is checked both ways: the server's hash of what it
// received, and the inverted bytes it sent back.
TEST(RemoteCalls, ManyThreadsShareOneConnection) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    constexpr int kThreads = 8, kCalls = 1000;
    const char* bigEvery = std::getenv("SCRIPT_TEST_BIG_EVERY");
    const int kBigEvery = bigEvery && std::atoi(bigEvery) > 0 ? std::atoi(bigEvery) : 1;
    constexpr size_t kBig = 1400 * 1024;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937_64 random(t);
            std::vector<unsigned char> data;
            for (int i = 0; i < kCalls; ++i) {
                size_t size = (i % kBigEvery == 0) ? kBig : 1 + random() % 4096;
                FillRandom(data, size, random);
                ScriptVal request = ScriptVal::NewTable();
                request.Set("Index", t * kCalls + i);
                request.Set("Tag", "thread" + std::to_string(t));
                request.Set("Data", ScriptVal::NewMemBlock(data.data(), data.size()));
                ScriptVal answer = app.CallMember("Transform", FirstArgument(request));
                const ScriptVal* out = answer.FindKeyConst("Data");
                bool ok = answer.ToInteger("Index", -1) == t * kCalls + i &&
                          answer.ToString("Tag") == "thread" + std::to_string(t) &&
                          static_cast<uint64_t>(answer.ToInteger("Hash")) ==
                              ContentHash(data.data(), data.size()) &&
                          answer.ToInteger("Size") == static_cast<int64_t>(size) && out &&
                          out->IsMemBlock() && out->GetData()->size == size;
                if (ok) {
                    for (auto& byte : data)
                        byte = static_cast<unsigned char>(~byte);
                    ok = std::memcmp(out->GetData()->data, data.data(), size) == 0;
                }
                if (!ok) ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(RemoteCalls, HandlersRunConcurrently) {
    // The server method returns true only when all four callers are inside
    // it at the same time.
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    std::vector<std::future<bool>> results;
    for (int i = 0; i < 4; ++i)
        results.push_back(std::async(std::launch::async, [&] {
            return app.CallMember("Rendezvous", ScriptVal(4)).ToBoolean();
        }));
    for (auto& result : results)
        EXPECT_TRUE(result.get());
}

TEST(RemoteObjects, ReleasedWhenTheClientDropsThem) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ScriptVal item = app.CallMember("NewItem", ScriptVal(11));
    ASSERT_TRUE(item.IsRemoteObject());
    EXPECT_EQ(item.CallMember("Id").ToInteger(), 11);
    EXPECT_EQ(LiveObjects(app), 1);
    item = ScriptVal();
    EXPECT_TRUE(Eventually([&] { return LiveObjects(app) == 0; }));
}

TEST(RemoteObjects, AnObjectSentTwiceLivesUntilItsLastReferenceGoes) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ScriptVal item = app.CallMember("NewItem", ScriptVal(5));
    ASSERT_TRUE(item.IsRemoteObject());
    // Handing the object back: the server sees its own object, and the
    // answer is the same object again.
    EXPECT_EQ(app.CallMember("ItemIdOf", item).ToInteger(), 5);
    ScriptVal again = app.CallMember("Echo", item);
    ASSERT_TRUE(again.IsRemoteObject());
    item = ScriptVal();
    // Still held through `again`: calls keep working.
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(again.CallMember("Id").ToInteger(), 5);
    EXPECT_EQ(LiveObjects(app), 1);
    again = ScriptVal();
    EXPECT_TRUE(Eventually([&] { return LiveObjects(app) == 0; }));
}

TEST(RemoteObjects, ReleasesRacingWithNewCopiesNeverLoseTheHandle) {
    // Threads keep fetching and dropping the same server object, so releases
    // of one copy cross answers carrying the next. Every copy must stay callable.
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    std::atomic<int> lost{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 300; ++i) {
                ScriptVal shared = app.CallMember("Shared");
                if (shared.CallMember("Id").ToInteger() != 77) ++lost;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(lost.load(), 0);
}

TEST(RemoteObjects, ReleasedWhenTheClientDisconnects) {
    ServerProcess server;
    ScriptVal observer = server.Connect();
    ScriptVal other = server.Connect();
    ASSERT_TRUE(other.IsRemoteObject());
    std::vector<ScriptVal> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(other.CallMember("NewItem", ScriptVal(i)));
    EXPECT_EQ(LiveObjects(observer), 5);
    ASSERT_TRUE(CloseScriptConnection(other));
    EXPECT_FALSE(IsScriptConnectionOpen(other));
    EXPECT_TRUE(Eventually([&] { return LiveObjects(observer) == 0; }));
    // The client's values stay usable as values; calls on them answer nil.
    EXPECT_TRUE(items[0].IsRemoteObject());
    EXPECT_TRUE(items[0].CallMember("Id").IsNil());
    EXPECT_TRUE(other.CallMember("Echo", ScriptVal(1)).IsNil());
}

TEST(RemoteObjects, ObjectsOfOneConnectionDoNotCrossToAnother) {
    ServerProcess server;
    ScriptVal first = server.Connect();
    ScriptVal second = server.Connect();
    ScriptVal item = first.CallMember("NewItem", ScriptVal(3));
    ASSERT_TRUE(item.IsRemoteObject());
    EXPECT_TRUE(second.CallMember("ItemIdOf", item).IsNil());
    EXPECT_EQ(first.CallMember("ItemIdOf", item).ToInteger(), 3);
}

TEST(DeferredReplies, ArriveWhenTheServerSendsThem) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, 21);
    args.Set(2, 100);
    auto started = Clock::now();
    EXPECT_EQ(app.CallMember("Deferred", args).ToInteger(), 42);
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(100));
}

TEST(DeferredReplies, DroppedUnansweredTheCallerGetsNil) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    EXPECT_TRUE(app.CallMember("DeferDropped").IsNil());
    // The connection is still fine afterwards.
    EXPECT_EQ(app.CallMember("Echo", ScriptVal(7)).ToInteger(), 7);
}

TEST(ServerLoss, ACallInProgressAnswersNilWithinASecond) {
    ServerProcess server;
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ASSERT_EQ(app.CallMember("Echo", ScriptVal(1)).ToInteger(), 1);
    auto call =
        std::async(std::launch::async, [&] { return app.CallMember("Sleep", ScriptVal(60000)); });
    // Let the call reach the server before killing it.
    ASSERT_EQ(call.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    server.Kill();
    auto killed = Clock::now();
    ASSERT_EQ(call.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_LT(Clock::now() - killed, std::chrono::seconds(1));
    EXPECT_TRUE(call.get().IsNil());
    // Later calls answer nil at once.
    auto before = Clock::now();
    EXPECT_TRUE(app.CallMember("Echo", ScriptVal(2)).IsNil());
    EXPECT_LT(Clock::now() - before, std::chrono::seconds(1));
    EXPECT_FALSE(IsScriptConnectionOpen(app));
}

TEST(Connections, CountFollowsConnectsAndDisconnects) {
    ServerProcess server;
    ScriptVal first = server.Connect();
    ASSERT_TRUE(first.IsRemoteObject());
    EXPECT_EQ(first.CallMember("NumConnections").ToInteger(), 1);
    ScriptVal second = server.Connect();
    ASSERT_TRUE(second.IsRemoteObject());
    EXPECT_EQ(first.CallMember("NumConnections").ToInteger(), 2);
    // Dropping the last remote object of a connection closes it.
    second = ScriptVal();
    EXPECT_TRUE(Eventually([&] { return first.CallMember("NumConnections").ToInteger() == 1; }));
    ScriptVal counts = first.CallMember("HookCounts");
    EXPECT_EQ(counts.ToInteger("Connects"), 2);
    EXPECT_EQ(counts.ToInteger("Disconnects"), 1);
    EXPECT_GE(counts.ToInteger("Calls"), 4);
}

TEST(Connections, NobodyListeningAnswersNilAfterTheTimeOut) {
    std::string path = "/tmp/tarsel-nobody-" + std::to_string(getpid()) + ".sock";
    auto started = Clock::now();
    EXPECT_TRUE(ConnectScriptServer(path, 200).IsNil());
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(150));
    std::string tooLong(200, 'x');
    EXPECT_TRUE(ConnectScriptServer("/tmp/" + tooLong, 100).IsNil());
}

// A peer that sends garbage is disconnected; the server keeps serving others.
class HostilePeer : public ::testing::Test {
  protected:
    // Sends raw bytes on a fresh connection (after reading the greeting) and
    // answers whether the server then closed it.
    bool ServerClosesAfter(const std::vector<unsigned char>& bytes) {
        int fd = tarsel::detail::ConnectUnix(server_.path());
        if (fd < 0) return false;
        tarsel::detail::FrameBody hello;
        bool closed = false;
        if (tarsel::detail::ReadFrame(fd, hello) == tarsel::detail::ReadResult::Frame &&
            tarsel::detail::SendAll(fd, reinterpret_cast<const char*>(bytes.data()),
                                    bytes.size())) {
            timeval limit{10, 0};
            setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
            char byte;
            // Closed: end of stream, or a reset when our extra bytes were
            // left unread. A time-out (EAGAIN) means it stayed open.
            ssize_t got = recv(fd, &byte, 1, 0);
            closed = got == 0 || (got < 0 && errno == ECONNRESET);
        }
        close(fd);
        return closed;
    }

    void SetUp() override {
        app_ = server_.Connect();
        ASSERT_TRUE(app_.IsRemoteObject());
    }

    ServerProcess server_;
    ScriptVal app_;
};

TEST_F(HostilePeer, GarbageBodyClosesTheConnection) {
    EXPECT_TRUE(ServerClosesAfter({5, 0, 0, 0, 0xc1, 0xc1, 0xc1, 0xc1, 0xc1}));
    EXPECT_EQ(app_.CallMember("Echo", ScriptVal(3)).ToInteger(), 3);
}

TEST_F(HostilePeer, OversizedFrameHeaderClosesTheConnection) {
    EXPECT_TRUE(ServerClosesAfter({0xff, 0xff, 0xff, 0xff, 1, 2, 3}));
    EXPECT_EQ(app_.CallMember("Echo", ScriptVal(4)).ToInteger(), 4);
}

TEST_F(HostilePeer, ServerOnlyMessagesFromAClientCloseTheConnection) {
    // A well-formed reply [1, 1, nil] is not something a client may send.
    EXPECT_TRUE(ServerClosesAfter({4, 0, 0, 0, 0x93, 0x01, 0x01, 0xc0}));
    EXPECT_EQ(app_.CallMember("Echo", ScriptVal(5)).ToInteger(), 5);
}

TEST_F(HostilePeer, UnknownHandlesAndReleasesAreHarmless) {
    // A call on a handle that was never handed out answers nil, and a release
    // of it does nothing; the connection stays open.
    int fd = tarsel::detail::ConnectUnix(server_.path());
    ASSERT_GE(fd, 0);
    timeval limit{10, 0}; // a broken exchange fails the test instead of hanging it
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    tarsel::detail::FrameBody frame;
    ASSERT_EQ(tarsel::detail::ReadFrame(fd, frame), tarsel::detail::ReadResult::Frame);
    const unsigned char release[] = {4, 0, 0, 0, 0x93, 0x02, 0x63, 0x05};
    const unsigned char call[] = {19, 0, 0, 0, 0x95, 0x00, 0x07, 0xd7, 0x03, 0,   0,   0,
                                  0,  0, 0, 0, 99,   0xa4, 'E',  'c',  'h',  'o', 0x80};
    ASSERT_TRUE(
        tarsel::detail::SendAll(fd, reinterpret_cast<const char*>(release), sizeof release));
    ASSERT_TRUE(tarsel::detail::SendAll(fd, reinterpret_cast<const char*>(call), sizeof call));
    ASSERT_EQ(tarsel::detail::ReadFrame(fd, frame), tarsel::detail::ReadResult::Frame);
    // The reply [1, 7, nil].
    EXPECT_EQ(std::vector<char>(frame.begin(), frame.end()),
              (std::vector<char>{'\x93', '\x01', '\x07', '\xc0'}));
    close(fd);
}

} // namespace

namespace {

// Speaks the wire protocol by hand: holds the application object's handle
// from the greeting and can aim calls at it.
class RawClient : public tarsel::detail::ObjectCodec {
  public:
    explicit RawClient(const std::string& path) : fd_(tarsel::detail::ConnectUnix(path)) {
        tarsel::detail::FrameBody body;
        tarsel::detail::WireMessage hello;
        ok_ = fd_ >= 0 &&
              tarsel::detail::ReadFrame(fd_, body) == tarsel::detail::ReadResult::Frame &&
              tarsel::detail::DecodeMessage(body.data(), body.size(), *this, hello) && appHandle_;
    }
    ~RawClient() override { tarsel::detail::CloseFd(fd_); }
    bool ok() const { return ok_; }
    int fd() const { return fd_; }

    bool SendCall(uint64_t id, const char* method, const ScriptVal& args) {
        tarsel::detail::WireMessage call;
        call.kind = tarsel::detail::MessageKind::Call;
        call.callId = id;
        call.target = ScriptVal(standIn_.get()); // encoded as the application's handle
        call.method = method;
        call.value = args;
        std::vector<char> frame;
        return tarsel::detail::EncodeMessage(call, *this, frame) &&
               tarsel::detail::SendAll(fd_, frame.data(), frame.size());
    }

    bool ExportObject(const ScriptVal& object, int8_t& extType, uint64_t& handle) override {
        if (object.ToLocalObject() != standIn_.get()) return false;
        extType = tarsel::detail::kReceiverObject;
        handle = appHandle_;
        return true;
    }
    ScriptVal ImportObject(int8_t, uint64_t handle) override {
        appHandle_ = handle;
        return ScriptVal();
    }

  private:
    int fd_;
    bool ok_ = false;
    uint64_t appHandle_ = 0;
    RefObject<ScriptObject> standIn_{new ScriptObject};
};

TEST(StalledClients, AClientThatStopsReadingIsDisconnectedAndOthersGoOn) {
    ServerProcess server(300);
    ScriptVal observer = server.Connect();
    ASSERT_TRUE(observer.IsRemoteObject());
    RawClient stalled(server.path());
    ASSERT_TRUE(stalled.ok());
    ASSERT_EQ(observer.CallMember("NumConnections").ToInteger(), 2);
    // Four calls whose 1.4 MB answers are never read: more than the socket holds.
    for (uint64_t id = 1; id <= 4; ++id) {
        ScriptVal request = ScriptVal::NewTable();
        request.Set("Index", static_cast<int64_t>(id));
        request.Set("Data", ScriptVal::NewMemBlock(nullptr, 1400 * 1024));
        ASSERT_TRUE(stalled.SendCall(id, "Transform", FirstArgument(request)));
    }
    EXPECT_TRUE(Eventually([&] { return observer.CallMember("NumConnections").ToInteger() == 1; }));
    EXPECT_EQ(observer.CallMember("Echo", ScriptVal(8)).ToInteger(), 8);
}

} // namespace

namespace {

// A fake server on a thread: greets with an application object, then answers
// the first call with the given raw bytes.
class FakeServer {
  public:
    explicit FakeServer(std::vector<unsigned char> answer)
        : path_("/tmp/tarsel-fake-" + std::to_string(getpid()) + "/server.sock"),
          listenFd_(tarsel::detail::ListenUnix(path_)) {
        thread_ = std::thread([this, answer = std::move(answer)] {
            int fd = accept(listenFd_, nullptr, nullptr);
            if (fd < 0) return;
            // [3 hello, 1, application object = the server's handle 1]
            const unsigned char hello[] = {13, 0, 0, 0, 0x93, 0x03, 0x01, 0xd7, 0x02,
                                           0,  0, 0, 0, 0,    0,    0,    1};
            tarsel::detail::FrameBody call;
            if (tarsel::detail::SendAll(fd, reinterpret_cast<const char*>(hello), sizeof hello) &&
                tarsel::detail::ReadFrame(fd, call) == tarsel::detail::ReadResult::Frame)
                tarsel::detail::SendAll(fd, reinterpret_cast<const char*>(answer.data()),
                                        answer.size());
            // Keep the socket open: only the client may end the connection.
            char byte;
            while (recv(fd, &byte, 1, 0) > 0) {
            }
            close(fd);
        });
    }
    ~FakeServer() {
        shutdown(listenFd_, SHUT_RDWR);
        thread_.join();
        tarsel::detail::CloseFd(listenFd_);
        tarsel::detail::RemoveListenPath(path_, true);
    }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
    int listenFd_;
    std::thread thread_;
};

TEST(HostileServer, AMalformedAnswerEndsTheConnectionAndTheCallAnswersNil) {
    FakeServer server({3, 0, 0, 0, 0xc1, 0xc1, 0xc1});
    ScriptVal app = ConnectScriptServer(server.path(), 5000);
    ASSERT_TRUE(app.IsRemoteObject());
    EXPECT_TRUE(app.CallMember("Anything").IsNil());
    EXPECT_TRUE(Eventually([&] { return !IsScriptConnectionOpen(app); }));
}

TEST(HostileServer, AnAnswerToACallNeverMadeEndsTheConnection) {
    // [1 reply, call id 999, true]
    FakeServer server({5, 0, 0, 0, 0x93, 0x01, 0xcd, 0x03, 0xe7});
    ScriptVal app = ConnectScriptServer(server.path(), 5000);
    ASSERT_TRUE(app.IsRemoteObject());
    EXPECT_TRUE(app.CallMember("Anything").IsNil());
    EXPECT_FALSE(IsScriptConnectionOpen(app));
}

} // namespace
