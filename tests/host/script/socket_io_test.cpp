// Frames over sockets: scatter-gather sending, reading with limits, and
// the listening socket's handling of leftover socket files.
#include "socket_io.h"
#include "wire_format.h"

#include "tarsel/script_val.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace tarsel::detail;

class NoObjects : public ObjectCodec {
  public:
    bool ExportObject(const ScriptVal&, int8_t&, uint64_t&) override { return false; }
    ScriptVal ImportObject(int8_t, uint64_t) override { return ScriptVal(); }
};

struct SocketPair {
    int fds[2] = {-1, -1};
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~SocketPair() {
        CloseFd(fds[0]);
        CloseFd(fds[1]);
    }
};

ScriptVal Block(size_t size, unsigned char seed) {
    ScriptVal value = ScriptVal::NewMemBlock(nullptr, size);
    auto* bytes = static_cast<unsigned char*>(value.GetData()->data);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 31);
    return value;
}

TEST(Frames, LargeBlocksAreSentInPlaceAndArriveIntact) {
    // Three 1 MB blocks between small values: far more than a socket buffer,
    // so sending goes in parts while the reader drains.
    ScriptVal table = ScriptVal::NewTable();
    table.Set(1, Block(1 << 20, 1));
    table.Set(2, "between");
    table.Set(3, Block(1 << 20, 2));
    table.Set(4, Block(100, 3)); // small: copied into the frame
    table.Set(5, Block(1 << 20, 4));
    WireMessage reply;
    reply.kind = MessageKind::Reply;
    reply.callId = 9;
    reply.value = table;
    NoObjects codec;
    EncodedFrame frame;
    ASSERT_TRUE(EncodeMessage(reply, codec, frame));
    EXPECT_EQ(frame.inPlace.size(), 3u);
    EXPECT_LT(frame.bytes.size(), 4096u);

    SocketPair pair;
    std::thread sender([&] { EXPECT_TRUE(SendFrame(pair.fds[0], frame)); });
    FrameBody body;
    ASSERT_EQ(ReadFrame(pair.fds[1], body), ReadResult::Frame);
    sender.join();
    std::vector<char> flat = frame.Flatten();
    ASSERT_EQ(body.size() + kFrameHeaderBytes, flat.size());
    EXPECT_EQ(std::memcmp(body.data(), flat.data() + kFrameHeaderBytes, body.size()), 0);

    WireMessage out;
    ASSERT_TRUE(DecodeMessage(body.data(), body.size(), codec, out));
    for (int key : {1, 3, 4, 5}) {
        const MemBlock* sent = table.FindKeyConst(key)->GetData();
        const MemBlock* got = out.value.FindKeyConst(key)->GetData();
        ASSERT_NE(got, nullptr) << key;
        ASSERT_EQ(got->size, sent->size) << key;
        EXPECT_EQ(std::memcmp(got->data, sent->data, sent->size), 0) << key;
    }
    EXPECT_EQ(out.value.ToString(2), "between");
}

TEST(Frames, ReadingTellsACleanEndFromATruncatedFrame) {
    {
        SocketPair pair;
        shutdown(pair.fds[0], SHUT_WR);
        FrameBody body;
        EXPECT_EQ(ReadFrame(pair.fds[1], body), ReadResult::Closed);
    }
    {
        SocketPair pair;
        const char partial[] = {10, 0, 0, 0, 1, 2, 3}; // promises 10 bytes, sends 3
        ASSERT_TRUE(SendAll(pair.fds[0], partial, sizeof partial));
        shutdown(pair.fds[0], SHUT_WR);
        FrameBody body;
        EXPECT_EQ(ReadFrame(pair.fds[1], body), ReadResult::Malformed);
    }
    {
        SocketPair pair;
        const char halfHeader[] = {10, 0};
        ASSERT_TRUE(SendAll(pair.fds[0], halfHeader, sizeof halfHeader));
        shutdown(pair.fds[0], SHUT_WR);
        FrameBody body;
        EXPECT_EQ(ReadFrame(pair.fds[1], body), ReadResult::Malformed);
    }
}

TEST(Frames, AnOversizedHeaderIsRefusedBeforeAnyAllocation) {
    SocketPair pair;
    const unsigned char header[] = {0xff, 0xff, 0xff, 0x7f};
    ASSERT_TRUE(SendAll(pair.fds[0], reinterpret_cast<const char*>(header), sizeof header));
    FrameBody body;
    EXPECT_EQ(ReadFrame(pair.fds[1], body), ReadResult::Malformed);
    EXPECT_LT(body.capacity(), 1024u);
}

TEST(Frames, SendingToAClosedPeerFailsWithoutASignal) {
    SocketPair pair;
    CloseFd(pair.fds[1]);
    pair.fds[1] = -1;
    std::vector<char> data(1 << 20, 'x');
    EXPECT_FALSE(SendAll(pair.fds[0], data.data(), data.size()));
}

TEST(ListeningSockets, ALeftoverFileIsReplacedButALiveServerIsNot) {
    std::string path = "/tmp/tarsel-listen-" + std::to_string(getpid()) + "/server.sock";
    unlink(path.c_str());
    int first = ListenUnix(path);
    ASSERT_GE(first, 0);
    EXPECT_EQ(ListenUnix(path), -1); // someone accepts there
    CloseFd(first);                  // the file stays, nobody listens
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    int second = ListenUnix(path);
    EXPECT_GE(second, 0);
    int client = ConnectUnix(path);
    EXPECT_GE(client, 0);
    CloseFd(client);
    CloseFd(second);
    RemoveListenPath(path, true);
}

TEST(ListeningSockets, PathsTooLongForAnAddressFail) {
    std::string path = "/tmp/" + std::string(200, 'p');
    errno = 0;
    EXPECT_EQ(ListenUnix(path), -1);
    EXPECT_EQ(ConnectUnix(path), -1);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(ConnectUnix(""), -1);
}

} // namespace
