// Socket helpers for remote calls.
#include "socket_io.h"

#include "wire_format.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace tarsel::detail {
namespace {

// Bytes reserved up front for a frame body; larger bodies grow as data comes.
constexpr size_t kInitialReserve = 4u << 20;
// Bytes read per call while filling a body.
constexpr size_t kReadChunk = 1u << 20;
// Pieces given to one sendmsg call (the system accepts at most IOV_MAX).
constexpr size_t kMaxPiecesPerSend = 512;

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

// Modes of the listening socket's folder and file: this user only.
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kPrivateSocketMode = 0600;

// The folder part of a socket path.
std::string FolderOf(std::string_view path) {
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

// Makes sure `folder` is private to this user: a missing one is created with
// mode 0700, an existing one must be a real folder of this user that group
// and others cannot use.
bool EnsurePrivateFolder(const std::string& folder, bool& made) {
    made = false;
    if (mkdir(folder.c_str(), kPrivateFolderMode) == 0) {
        made = true;
        return true; // the umask can only have taken bits away
    }
    if (errno != EEXIST) return false;
    struct stat info;
    if (lstat(folder.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077) != 0) {
        errno = EACCES;
        return false;
    }
    return true;
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

bool SendFrame(int fd, const EncodedFrame& frame) {
    // Pieces in order: bytes up to the first block, the block, the next
    // bytes, and so on.
    std::vector<iovec> pieces;
    pieces.reserve(2 * frame.inPlace.size() + 1);
    size_t done = 0;
    auto add = [&pieces](const char* data, size_t size) {
        if (size > 0) pieces.push_back({const_cast<char*>(data), size});
    };
    for (const EncodedFrame::InPlace& block : frame.inPlace) {
        add(frame.bytes.data() + done, block.offset - done);
        add(block.data, block.size);
        done = block.offset;
    }
    add(frame.bytes.data() + done, frame.bytes.size() - done);

    size_t next = 0;
    while (next < pieces.size()) {
        msghdr message{};
        message.msg_iov = pieces.data() + next;
        message.msg_iovlen = std::min(pieces.size() - next, kMaxPiecesPerSend);
        ssize_t sent = sendmsg(fd, &message, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        // Step over what went out; a piece sent in part is trimmed.
        auto left = static_cast<size_t>(sent);
        while (next < pieces.size() && left >= pieces[next].iov_len)
            left -= pieces[next++].iov_len;
        if (left > 0) {
            pieces[next].iov_base = static_cast<char*>(pieces[next].iov_base) + left;
            pieces[next].iov_len -= left;
        }
    }
    return true;
}

ReadResult ReadFrame(int fd, FrameBody& body) {
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

int ListenUnix(std::string_view path, bool* madeFolder) {
    if (madeFolder) *madeFolder = false;
    sockaddr_un address;
    if (!MakeAddress(path, address)) return -1;
    const std::string folder = FolderOf(path);
    bool made = false;
    if (!EnsurePrivateFolder(folder, made)) return -1;
    auto fail = [&](int fd) {
        int saved = errno;
        CloseFd(fd);
        if (made) rmdir(folder.c_str());
        errno = saved;
        return -1;
    };
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(-1);
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
            return fail(fd);
        }
    }
    // Inside a private folder nobody else can reach the file before this.
    if (chmod(std::string(path).c_str(), kPrivateSocketMode) != 0 || listen(fd, 64) != 0) {
        unlink(std::string(path).c_str());
        return fail(fd);
    }
    if (madeFolder) *madeFolder = made;
    return fd;
}

void RemoveListenPath(std::string_view path, bool madeFolder) {
    unlink(std::string(path).c_str());
    if (madeFolder) rmdir(FolderOf(path).c_str());
}

bool PeerIsSameUser(int fd) {
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer)
        return false;
    return peer.uid == geteuid();
}

void CloseFd(int fd) {
    if (fd >= 0) close(fd);
}

} // namespace tarsel::detail
