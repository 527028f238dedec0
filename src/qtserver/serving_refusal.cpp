// Examining a socket path the library refused.
#include "serving_refusal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The longest socket path an address holds (its text and a closing NUL).
constexpr size_t kMaxSocketPath = sizeof(sockaddr_un::sun_path) - 1;
// The folder mode the library requires: this user only.
constexpr mode_t kPrivateFolderMode = 0700;
constexpr mode_t kOthersBits = 077;

// The folder part of a path, as the library takes it.
std::string FolderOf(std::string_view path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return ".";
    return slash == 0 ? std::string("/") : std::string(path.substr(0, slash));
}

std::string ModeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Whether a server accepts connections on `path`.
bool ServerAnswers(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool answers = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return answers;
}

// Why a missing folder could not be made.
std::string MissingFolder(const std::string& folder) {
    const std::string parent = FolderOf(folder);
    struct stat info {};
    if (stat(parent.c_str(), &info) != 0)
        return "folder " + folder + " is missing and so is " + parent;
    if (access(parent.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder + " is missing and cannot be made in " + parent + ": " +
               std::strerror(errno);
    return "folder " + folder + " is missing";
}

} // namespace

std::string ServingRefusal(std::string_view socketPath, int libraryError) {
    if (socketPath.empty()) return "the socket path is empty";
    if (socketPath.size() > kMaxSocketPath)
        return "the socket path is " + std::to_string(socketPath.size()) + " bytes long; at most " +
               std::to_string(kMaxSocketPath) + " fit";
    const std::string path(socketPath);
    const std::string folder = FolderOf(path);
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT) return MissingFolder(folder);
        return "folder " + folder + " cannot be examined: " + std::strerror(errno);
    }
    if (S_ISLNK(info.st_mode))
        return "folder " + folder + " is a symbolic link; it must be a real folder";
    if (!S_ISDIR(info.st_mode)) return folder + " is not a folder";
    if (info.st_uid != geteuid())
        return "folder " + folder + " belongs to user " + std::to_string(info.st_uid) +
               "; it must be this user's (" + std::to_string(geteuid()) + ")";
    if ((info.st_mode & kOthersBits) != 0)
        return "folder " + folder + " is mode " + ModeText(info.st_mode) + "; it must be " +
               ModeText(kPrivateFolderMode);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return "folder " + folder + " is mode " + ModeText(info.st_mode) +
               " and cannot take a socket; it must be " + ModeText(kPrivateFolderMode);
    if (lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && ServerAnswers(path))
        return "address " + path + " is in use by a running server";
    if (libraryError != 0) return std::strerror(libraryError);
    return "the scripting library refused to start";
}
