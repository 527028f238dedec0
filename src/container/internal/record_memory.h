// Memory for a container's records and lists: chunks taken from the
// session's memory handler and kept until the container closes, so that a
// TOC of a million values costs a few dozen allocations and one release.
#pragma once

#include <array>
#include <cstddef>
#include <memory_resource>
#include <unordered_map>
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

// `size` bytes aligned for any record, or null when the memory handler has
// none. The memory lives until releaseRecordMemory.
void* allocateRecordMemory(CMContainerRecord* container, size_t size);
void releaseRecordMemory(CMContainerRecord* container);

// The memory of a container's growing lists: the TOC index and the lists its
// records hold. Blocks up to 4 KiB come from the record chunks, packed one
// after the other on the same huge pages as the records, and a block given
// back is kept on a free list of its size for the next block of that size;
// larger ones come from the heap, or are mapped on huge pages from 2 MiB on.
// All of it goes back when the container closes (release, then the chunks).
class ListMemory final : public std::pmr::memory_resource {
  public:
    explicit ListMemory(CMContainerRecord* container) : container_(container) {}
    ListMemory(const ListMemory&) = delete;
    ListMemory& operator=(const ListMemory&) = delete;
    ~ListMemory() override { release(); }

    // Frees the heap blocks and forgets the free lists; the chunk blocks go
    // back with the record chunks.
    void release();

  private:
    static constexpr size_t kGranule = 16; // block sizes are multiples of this
    static constexpr size_t kLargestChunkBlock = 4096;

    struct FreeBlock {
        FreeBlock* next;
    };

    void* do_allocate(size_t bytes, size_t alignment) override;
    void do_deallocate(void* block, size_t bytes, size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }

    CMContainerRecord* container_;
    std::array<FreeBlock*, kLargestChunkBlock / kGranule + 1> freeBlocks_{}; // by size / granule
    std::unordered_map<void*, size_t> heapBlocks_;                           // block -> its size
};

// Asks the kernel to back the whole huge pages inside `memory` with huge
// pages: for large buffers written once from start to end, where a fault per
// 4 KiB page costs more than filling the page.
void adviseHugePages(void* memory, size_t size);

} // namespace container
