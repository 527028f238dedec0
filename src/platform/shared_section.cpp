// Shared sections on POSIX shared memory.
#include "platform/shared_section.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

SharedSection::~SharedSection() {
    UnmapView();
    close(fd_);
    if (ownsName_) shm_unlink(objectName_.c_str());
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
