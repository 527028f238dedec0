// Shared sections on POSIX shared memory.
#include "platform/shared_section.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// Takes the lock the owner of a section holds on its descriptor for its
// life, without waiting; fails while another descriptor holds it.
bool TakeOwnerLock(int fd) {
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// Whether `objectName` still names the object open on `fd`.
bool NameIsObject(const std::string& objectName, int fd) {
    const int named = shm_open(objectName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (named < 0) return false;
    struct stat ofName {
    }, ofDescriptor{};
    const bool same = fstat(named, &ofName) == 0 && fstat(fd, &ofDescriptor) == 0 &&
                      ofName.st_dev == ofDescriptor.st_dev && ofName.st_ino == ofDescriptor.st_ino;
    close(named);
    return same;
}

} // namespace

SharedSection::~SharedSection() {
    UnmapView();
    // The name goes while the owner's lock still keeps reclaimers away.
    if (ownsName_) shm_unlink(objectName_.c_str());
    close(fd_);
}

std::unique_ptr<SharedSection> SharedSection::Create(std::string_view name, uint32_t ownSession,
                                                     size_t size, mode_t mode,
                                                     SectionError& error) {
    error = SectionError::Other;
    std::optional<std::string> objectName = SectionObjectName(name, ownSession);
    if (!objectName || size == 0 || size > static_cast<size_t>(PTRDIFF_MAX)) return nullptr;
    int fd = shm_open(objectName->c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        if (errno == EEXIST) error = SectionError::AlreadyExists;
        if (errno == EACCES) error = SectionError::AccessDenied;
        return nullptr;
    }
    // The creator holds the owner's lock for the handle's life. A reclaimer
    // may have taken the new name away before the lock was held: then the
    // name is someone else's now and is left alone.
    if (!TakeOwnerLock(fd) || !NameIsObject(*objectName, fd)) {
        close(fd);
        error = SectionError::AlreadyExists;
        return nullptr;
    }
    // The process's umask must not narrow (or the creation mode widen) the
    // bits asked for.
    if (fchmod(fd, mode) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) {
        close(fd);
        shm_unlink(objectName->c_str());
        return nullptr;
    }
    error = SectionError::None;
    return std::unique_ptr<SharedSection>(
        new SharedSection(fd, size, std::move(*objectName), true));
}

std::unique_ptr<SharedSection> SharedSection::Open(std::string_view name, uint32_t ownSession,
                                                   SectionError& error) {
    error = SectionError::Other;
    std::optional<std::string> objectName = SectionObjectName(name, ownSession);
    if (!objectName) return nullptr;
    int fd = shm_open(objectName->c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) {
        if (errno == EACCES) error = SectionError::AccessDenied;
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size <= 0) {
        close(fd);
        return nullptr;
    }
    error = SectionError::None;
    return std::unique_ptr<SharedSection>(
        new SharedSection(fd, static_cast<size_t>(info.st_size), std::move(*objectName), false));
}

bool ReclaimAbandonedSection(std::string_view name, uint32_t ownSession) {
    std::optional<std::string> objectName = SectionObjectName(name, ownSession);
    if (!objectName) return false;
    const int fd = shm_open(objectName->c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return false;
    // Holding the lock, no one else can remove the name, so once it is known
    // to name this object, removing it removes this object's name only.
    const bool reclaimed =
        TakeOwnerLock(fd) && NameIsObject(*objectName, fd) && shm_unlink(objectName->c_str()) == 0;
    close(fd);
    return reclaimed;
}

void* SharedSection::MapView() {
    if (view_) return view_;
    void* view = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, 0);
    if (view == MAP_FAILED) return nullptr;
    view_ = view;
    return view_;
}

void SharedSection::UnmapView() {
    if (!view_) return;
    munmap(view_, size_);
    view_ = nullptr;
}

} // namespace platform
