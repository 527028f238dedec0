// Unix-domain stream sockets and message frames over them.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace tarsel::detail {

struct EncodedFrame;

enum class ReadResult { Frame, Closed, Malformed };

// Allocates like std::allocator but leaves bytes made by resize()
// uninitialised: a frame body is overwritten by the socket right away.
template <class T> struct UninitialisedAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = UninitialisedAllocator<U>; };
    UninitialisedAllocator() = default;
    template <class U> UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
    template <class U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <class U, class... Args> void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// The body of one received frame.
using FrameBody = std::vector<char, UninitialisedAllocator<char>>;

// Writes every byte, retrying after interruptions; false when the peer is
// gone or the socket failed. Never raises SIGPIPE.
bool SendAll(int fd, const char* data, size_t size);
// Sends an encoded frame, its in-place blocks straight from where they are.
bool SendFrame(int fd, const EncodedFrame& frame);
// Reads one frame and answers its body. Closed: the peer closed cleanly
// between frames. Malformed: a header over the size limit, or the stream
// ended or failed inside a frame. Memory grows only with bytes received.
ReadResult ReadFrame(int fd, FrameBody& body);
// Waits until `fd` can be read or `timeoutMs` passes; true when readable.
bool WaitReadable(int fd, int timeoutMs);

// A connected socket to `path`, or -1 (errno set). Paths too long for a
// socket address fail with ENAMETOOLONG.
int ConnectUnix(std::string_view path);
// A listening socket bound to `path`, or -1. Only this user may reach it:
// its folder must be private (owned by this user, no access for group or
// others), and a missing folder is created with mode 0700 (`madeFolder` then
// says so, for RemoveListenPath); the socket file gets mode 0600. A leftover
// socket file that nobody accepts on is replaced; a live one is not.
int ListenUnix(std::string_view path, bool* madeFolder = nullptr);
// Removes the socket file at `path` and, when ListenUnix made it, its folder.
void RemoveListenPath(std::string_view path, bool madeFolder);
// True when the peer of a connected Unix-domain socket runs as this
// process's user.
bool PeerIsSameUser(int fd);

// Closes a descriptor, ignoring interruptions.
void CloseFd(int fd);

} // namespace tarsel::detail
