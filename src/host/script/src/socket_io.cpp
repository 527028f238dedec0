// Socket helpers for remote calls.
#include "socket_io.h"

#include "wire_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::detail {
namespace {

// Bytes reserved up front for a frame body; larger bodies grow as data comes.
constexpr size_t kInitialReserve = 4u << 20;
// Bytes read per call while filling a body.
constexpr size_t kReadChunk = 1u << 20;

bool MakeAddress(std::string_view path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path ||
        path.find('\0') != std::string_view::npos) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

// Reads exactly `size` bytes. Answers the bytes read before end of stream or
// an error (so 0 means a clean end before anything arrived).
size_t ReadExactly(int fd, char* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        ssize_t got = recv(fd, out + done, size - done, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

} // namespace

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

ReadResult ReadFrame(int fd, std::vector<char>& body) {
    unsigned char header[kFrameHeaderBytes];
    size_t got = ReadExactly(fd, reinterpret_cast<char*>(header), sizeof header);
    if (got == 0) return ReadResult::Closed;
    if (got != sizeof header) return ReadResult::Malformed;
    size_t size = 0;
    if (!DecodeFrameHeader(header, size)) return ReadResult::Malformed;
    body.clear();
    body.reserve(std::min(size, kInitialReserve));
    while (body.size() < size) {
        size_t old = body.size();
        size_t chunk = std::min(size - old, kReadChunk);
        body.resize(old + chunk);
        if (ReadExactly(fd, body.data() + old, chunk) != chunk) return ReadResult::Malformed;
    }
    return ReadResult::Frame;
}

bool WaitReadable(int fd, int timeoutMs) {
    pollfd entry{fd, POLLIN, 0};
    for (;;) {
        int ready = poll(&entry, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        return ready > 0;
    }
}

int ConnectUnix(std::string_view path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    for (;;) {
        if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return fd;
        if (errno != EINTR) break;
    }
    int saved = errno;
    CloseFd(fd);
    errno = saved;
    return -1;
}

int ListenUnix(std::string_view path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        // A socket file left by a process that died is replaced; one that a
        // live server accepts on is left alone.
        bool stale = false;
        if (errno == EADDRINUSE) {
            int probe = ConnectUnix(path);
            if (probe >= 0)
                CloseFd(probe);
            else
                stale = errno == ECONNREFUSED;
        }
        if (!stale || unlink(std::string(path).c_str()) != 0 ||
            bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            CloseFd(fd);
            return -1;
        }
    }
    if (listen(fd, 64) != 0) {
        CloseFd(fd);
        return -1;
    }
    return fd;
}

void CloseFd(int fd) {
    if (fd >= 0) close(fd);
}

} // namespace tarsel::detail
