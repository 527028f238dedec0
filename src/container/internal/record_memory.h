// Memory for a container's records: chunks taken from the session's memory
// handler and kept until the container closes, so that a TOC of a million
// values costs a few dozen allocations and one release.
#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <vector>

struct CMContainerRecord;

namespace container {

// The chunks of one container and where the next record goes.
struct RecordChunks {
    std::vector<void*> blocks; // as the memory handler gave them, for the release
    char* cursor = nullptr;    // next free byte of the current chunk
    char* end = nullptr;       // end of the current chunk
    size_t lastSize = 0;       // size of the current chunk
};

// `size` bytes of `chunks` aligned for any record, or null when the memory
// handler has none. The memory lives until the chunks are released.
void* carveRecordMemory(CMContainerRecord* container, RecordChunks& chunks, size_t size);
void releaseRecordChunks(CMContainerRecord* container, RecordChunks& chunks);

// The same for the container's records.
void* allocateRecordMemory(CMContainerRecord* container, size_t size);
void releaseRecordMemory(CMContainerRecord* container);

// Chunks of their own as a memory resource, for the container's index nodes
// or its property lists: kept apart from the records, a walk of the index
// stays on few pages. A block given back is kept on a free list of its size
// and handed out again; blocks larger than the lists cover stay unused until
// the close, when everything goes back with the chunks.
class RecordMemoryResource : public std::pmr::memory_resource {
  public:
    explicit RecordMemoryResource(CMContainerRecord* container) : container_(container) {}

    // Gives the chunks back; whatever was allocated from them is gone.
    void release();

  private:
    static constexpr size_t kSizeStep = 16;
    static constexpr size_t kListedSizes = 64; // blocks up to 1 KiB are reused

    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* block, size_t bytes, size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    CMContainerRecord* container_;
    RecordChunks chunks_;
    std::array<void*, kListedSizes + 1> freeLists_{}; // by size in steps, each a linked list
};

} // namespace container
