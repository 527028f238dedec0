// Mapping the movie server's frame sections for reading.
#include "tarsel/system/frame_section.h"

#include "tarsel/section_names.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

FrameSectionView::~FrameSectionView() {
    munmap(const_cast<uint8_t*>(m_View), m_Size);
}

std::unique_ptr<FrameSectionView> FrameSectionView::Open(std::string_view reportedName) {
    if (!Tarsel::IsQualifiedSectionName(reportedName)) return nullptr;
    const auto objectName = Tarsel::SectionObjectName(reportedName, 0);
    if (!objectName) return nullptr;
    const int fd = shm_open(objectName->c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    struct stat info {};
    void* view = MAP_FAILED;
    if (fstat(fd, &info) == 0 && info.st_size > 0)
        view = mmap(nullptr, size_t(info.st_size), PROT_READ, MAP_SHARED, fd, 0);
    // The mapping keeps the memory; the descriptor is not needed after it.
    close(fd);
    if (view == MAP_FAILED) return nullptr;
    return std::unique_ptr<FrameSectionView>(
        new FrameSectionView(static_cast<const uint8_t*>(view), size_t(info.st_size)));
}
