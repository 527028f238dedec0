// Named mutex: holding it means having a socket bound to an address derived
// from the name in the abstract socket namespace. The kernel allows one
// binding per address and drops it when the socket closes, also when its
// process dies, so the mutex never outlives its holder and leaves no file.
#include "platform/named_mutex.h"

#include <cerrno>
#include <cstddef>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {
namespace {

// Prefix of the abstract addresses, after the leading NUL byte.
constexpr std::string_view kAddressPrefix = "tarsel/mutex/";
// Pause between attempts while another handle holds the mutex.
constexpr useconds_t kRetryMicroseconds = 1000;

} // namespace

NamedMutex::NamedMutex(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength || name.find('\0') != name.npos) return;
    name_.push_back('\0');
    name_.append(kAddressPrefix);
    name_.append(name);
}

NamedMutex::~NamedMutex() {
    Unlock();
}

bool NamedMutex::Lock() {
    if (!IsValid() || heldFd_ >= 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name_.data(), name_.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name_.size());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // Only a binding held by another handle is waited for; any other failure
    // would recur forever.
    while (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        if (errno != EADDRINUSE) {
            close(fd);
            return false;
        }
        usleep(kRetryMicroseconds);
    }
    heldFd_ = fd;
    return true;
}

bool NamedMutex::Unlock() {
    if (heldFd_ < 0) return false;
    close(heldFd_);
    heldFd_ = -1;
    return true;
}

} // namespace platform
