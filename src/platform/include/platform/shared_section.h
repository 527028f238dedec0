// Named shared-memory sections, known by the names of tarsel/section_names.h.
#pragma once

#include "tarsel/section_names.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace platform {

using Tarsel::kMaxSectionBaseName;
using Tarsel::SectionObjectName;

enum class SectionError {
    None,
    AlreadyExists, // a section of that name exists (this user's or another's)
    AccessDenied,  // the name exists and may not be used
    Other,         // bad name, bad size, or no memory
};

// Removes the name of a section whose creator has gone (its handle closed by
// a process that was killed) so that it can be created anew; a section whose
// creator's handle is open is not touched. Answers whether the name was
// removed. Clients that mapped the old section keep its memory.
bool ReclaimAbandonedSection(std::string_view sectionName, uint32_t ownSession);

// A handle to a section. The creator's handle owns the name: closing it
// removes the name, while handles and views opened before keep the memory.
// The creator's handle holds an advisory lock (flock) on the object for its
// life, which the system drops when the creator dies: this is how an
// abandoned section is told from one in use.
class SharedSection {
  public:
    SharedSection(const SharedSection&) = delete;
    SharedSection& operator=(const SharedSection&) = delete;
    ~SharedSection();

    // Creates a new section of `size` bytes (> 0) with permission bits `mode`.
    static std::unique_ptr<SharedSection> Create(std::string_view name, uint32_t ownSession,
                                                 size_t size, mode_t mode, SectionError& error);
    // Opens an existing section for reading and writing; its size is the size
    // it was created with.
    static std::unique_ptr<SharedSection> Open(std::string_view name, uint32_t ownSession,
                                               SectionError& error);

    // Maps a read-write view of every byte, once; later calls answer the same
    // view. Null when it cannot be mapped.
    void* MapView();
    void UnmapView();
    void* View() const { return view_; }
    size_t Size() const { return size_; }
    const std::string& ObjectName() const { return objectName_; }

  private:
    SharedSection(int fd, size_t size, std::string objectName, bool ownsName)
        : fd_(fd), size_(size), objectName_(std::move(objectName)), ownsName_(ownsName) {}

    int fd_;
    size_t size_;
    std::string objectName_;
    bool ownsName_;
    void* view_ = nullptr;
};

} // namespace platform
