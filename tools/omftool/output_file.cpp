#include "output_file.h"

#include "interruption.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace omftool {

namespace {

// Marks a temporary folder as omftool's, between the target's name and the process ID.
constexpr const char* kTemporaryMark = ".omftool-";
// Symbolic links followed from the target to the file replaced, as the system does.
constexpr int kMostLinks = 40;
// Temporaries alive at once: one a command today; more are written without the signal path.
constexpr int kLiveSlots = 8;

struct LiveTemporary {
    volatile std::sig_atomic_t used = 0;
    char file[PATH_MAX] = {};
    char folder[PATH_MAX] = {};
};

// The temporaries alive now. Process-wide on purpose: the signal handler removes them.
LiveTemporary liveTemporaries[kLiveSlots];

int rememberTemporary(const std::string& folder, const std::string& file) {
    if (folder.size() >= PATH_MAX || file.size() >= PATH_MAX) return -1;
    for (int slot = 0; slot < kLiveSlots; ++slot) {
        LiveTemporary& live = liveTemporaries[slot];
        if (live.used) continue;
        std::memcpy(live.file, file.c_str(), file.size() + 1);
        std::memcpy(live.folder, folder.c_str(), folder.size() + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst); // the paths before the mark
        live.used = 1;
        return slot;
    }
    return -1;
}

void forgetTemporary(int slot) {
    if (slot >= 0) liveTemporaries[slot].used = 0;
}

std::string errnoText(int error) {
    return std::strerror(error);
}

// Flushes `path` to disk; false with why.
bool flushToDisk(const std::string& path, bool folder, std::string& why) {
    const int descriptor = ::open(path.c_str(), (folder ? O_DIRECTORY : 0) | O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) {
        why = errnoText(errno);
        return false;
    }
    const bool flushed = ::fsync(descriptor) == 0;
    if (!flushed) why = errnoText(errno);
    ::close(descriptor);
    return flushed;
}

} // namespace

OutputFile::OutputFile(std::string target)
    : target_(std::move(target)), destination_(target_), path_(target_) {}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::open(std::string& why) {
    discard();
    committed_ = false;
    path_ = destination_ = target_;
    // A symbolic link keeps pointing at its file, which is the one replaced (or made).
    std::error_code error;
    for (int links = 0; links < kMostLinks && std::filesystem::is_symlink(destination_, error);
         ++links) {
        std::filesystem::path linked = std::filesystem::read_symlink(destination_, error);
        if (error) break;
        if (linked.is_relative())
            linked = std::filesystem::path(destination_).parent_path() / linked;
        destination_ = linked.lexically_normal().string();
    }
    const std::filesystem::path target(destination_);
    const std::string name = target.filename().string();
    if (name.empty() || name == "." || name == "..") {
        why = target_ + " names no file";
        return false;
    }
    struct stat existing {};
    if (::stat(destination_.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) {
            why = target_ + " is a folder";
            return false;
        }
        if (!S_ISREG(existing.st_mode)) { // a device or pipe is written directly
            path_ = destination_;
            return true;
        }
    }
    const std::string parent = target.has_parent_path() ? target.parent_path().string() : ".";
    std::string pattern =
        parent + "/." + name + kTemporaryMark + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> made(pattern.begin(), pattern.end());
    made.push_back('\0');
    if (::mkdtemp(made.data()) == nullptr) {
        why = "cannot make a temporary file in " + parent + ": " + errnoText(errno);
        return false;
    }
    folder_ = made.data();
    path_ = folder_ + "/" + name;
    slot_ = rememberTemporary(folder_, path_);
    return true;
}

std::string OutputFile::named(std::string text) const {
    if (path_ == target_) return text;
    for (std::size_t at = text.find(path_); at != std::string::npos;
         at = text.find(path_, at + target_.size()))
        text.replace(at, path_.size(), target_);
    return text;
}

bool OutputFile::commit(std::string& why) {
    if (committed_) return true;
    if (interrupted()) {
        why = interruptionText();
        discard();
        return false;
    }
    if (folder_.empty()) { // written directly
        committed_ = true;
        return true;
    }
    if (!flushToDisk(path_, false, why)) {
        discard();
        return false;
    }
    if (::rename(path_.c_str(), destination_.c_str()) != 0) {
        why = errnoText(errno);
        discard();
        return false;
    }
    committed_ = true;
    discard(); // the folder, and what else a writer left in it
    // The rename itself reaches the disk with the folder's entry.
    std::string ignored;
    const std::filesystem::path parent = std::filesystem::path(destination_).parent_path();
    flushToDisk(parent.empty() ? "." : parent.string(), true, ignored);
    return true;
}

void OutputFile::discard() {
    if (folder_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    forgetTemporary(slot_);
    slot_ = -1;
    folder_.clear();
}

OutputFolder::~OutputFolder() {
    std::error_code ignored;
    for (auto folder = made_.rbegin(); folder != made_.rend(); ++folder)
        std::filesystem::remove(*folder, ignored); // only when empty
}

bool OutputFolder::makeFor(const std::string& file, std::string& why) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error)) return true;
    // The missing folders, outermost first, so that exactly those are removed again.
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path at = folder; !at.empty() && !std::filesystem::exists(at, error);
         at = at.parent_path())
        missing.insert(missing.begin(), at);
    if (!std::filesystem::create_directories(folder, error)) {
        why = "cannot make the folder " + folder.string() + ": " + error.message();
        return false;
    }
    made_.insert(made_.end(), missing.begin(), missing.end());
    return true;
}

bool writeOutputFile(const std::string& target,
                     const std::function<bool(const std::string& path, std::string& why)>& write,
                     std::string& why) {
    OutputFile output(target);
    return output.open(why) && write(output.path(), why) && output.commit(why);
}

void removeLiveTemporaries() {
    for (LiveTemporary& live : liveTemporaries) {
        if (!live.used) continue;
        ::unlink(live.file);
        ::rmdir(live.folder);
    }
}

bool writeBytesAt(const std::string& path, std::span<const uint8_t> bytes, std::string& why) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        why = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    why = std::strerror(written ? errno : writeError);
    std::remove(path.c_str());
    return false;
}

std::string likelyWriteFailure(const std::string& path) {
    // A write that would cross the file-size limit fails whole, so the file stops short of the
    // limit by up to one write: the toolkit writes at most its 64 KiB buffer at once.
    constexpr off_t kLargestWrite = 128 * 1024;
    struct stat written {};
    rlimit limit{};
    if (::stat(path.c_str(), &written) == 0 && ::getrlimit(RLIMIT_FSIZE, &limit) == 0 &&
        limit.rlim_cur != RLIM_INFINITY &&
        rlim_t(written.st_size + kLargestWrite) >= limit.rlim_cur) {
        return std::string(std::strerror(EFBIG)) + " (the file-size limit is " +
               std::to_string(limit.rlim_cur) + " bytes)";
    }
    struct statvfs space {};
    const std::string folder = std::filesystem::path(path).parent_path().string();
    if (::statvfs(folder.empty() ? "." : folder.c_str(), &space) == 0 && space.f_bavail == 0)
        return std::strerror(ENOSPC);
    return {};
}

} // namespace omftool
