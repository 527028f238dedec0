// Session numbers from /proc/<pid>/sessionid.
#include "platform/session.h"

#include <charconv>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

// What the kernel reports for a process no login session has claimed.
constexpr uint32_t kNoSession = 0xFFFFFFFFu;

} // namespace

std::optional<uint32_t> SessionOfProcess(uint32_t pid) {
    char path[48];
    std::snprintf(path, sizeof path, "/proc/%u", pid);
    if (access(path, F_OK) != 0) return std::nullopt;
    std::snprintf(path, sizeof path, "/proc/%u/sessionid", pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0u;
    char text[16];
    ssize_t length = read(fd, text, sizeof text);
    close(fd);
    uint32_t session = 0;
    if (length <= 0 || std::from_chars(text, text + length, session).ec != std::errc()) return 0u;
    return session == kNoSession ? 0u : session;
}

} // namespace platform
