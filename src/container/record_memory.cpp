#include "internal/record_memory.h"

#include "internal/records.h"
#include "internal/report.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace container {
namespace {

// Chunks grow from the first size to the largest as a container fills.
constexpr size_t kFirstChunkSize = 64 * 1024;
constexpr size_t kLargestChunkSize = 8 * 1024 * 1024;
constexpr size_t kHugePageSize = 2 * 1024 * 1024;
constexpr size_t kRecordAlignment = alignof(std::max_align_t);

char* alignUp(char* address, size_t alignment) {
    const auto value = reinterpret_cast<uintptr_t>(address);
    return reinterpret_cast<char*>((value + alignment - 1) & ~(uintptr_t(alignment) - 1));
}

// Opens a chunk of at least `size` bytes. A chunk of huge pages or more is
// placed on a huge-page boundary (the block is asked a huge page larger; the
// unused head and tail are never touched, so they cost no memory) and the
// kernel is asked for huge pages there: records are written once, in order,
// and a fault per 4 KiB page costs more than filling the page.
bool openChunk(CMContainerRecord* container, RecordChunks& chunks, size_t size) {
    const bool huge = size >= kHugePageSize;
    void* block = allocate(container, huge ? size + kHugePageSize : size);
    if (block == nullptr) return false;
    chunks.blocks.push_back(block);
    char* start = static_cast<char*>(block);
    if (huge) {
        start = alignUp(start, kHugePageSize);
#ifdef MADV_HUGEPAGE
        madvise(start, size, MADV_HUGEPAGE);
#endif
    }
    chunks.cursor = start;
    chunks.end = start + size;
    chunks.lastSize = size;
    return true;
}

} // namespace

void* carveRecordMemory(CMContainerRecord* container, RecordChunks& chunks, size_t size) {
    size = (size + kRecordAlignment - 1) & ~(kRecordAlignment - 1);
    if (size > static_cast<size_t>(chunks.end - chunks.cursor)) {
        size_t chunkSize = chunks.blocks.empty() ? kFirstChunkSize
                                                 : std::min(chunks.lastSize * 2, kLargestChunkSize);
        // A request larger than any chunk gets a chunk of its own size.
        chunkSize = std::max(chunkSize, size);
        if (!openChunk(container, chunks, chunkSize)) return nullptr;
    }
    void* memory = chunks.cursor;
    chunks.cursor += size;
    return memory;
}

void releaseRecordChunks(CMContainerRecord* container, RecordChunks& chunks) {
    for (void* block : chunks.blocks)
        release(container, block);
    chunks = RecordChunks{};
}

void* allocateRecordMemory(CMContainerRecord* container, size_t size) {
    return carveRecordMemory(container, container->recordChunks, size);
}

void releaseRecordMemory(CMContainerRecord* container) {
    releaseRecordChunks(container, container->recordChunks);
}

void RecordMemoryResource::release() {
    releaseRecordChunks(container_, chunks_);
    freeLists_.fill(nullptr);
}

void* RecordMemoryResource::do_allocate(size_t bytes, size_t alignment) {
    if (alignment > kRecordAlignment) throw std::bad_alloc();
    const size_t step = (std::max<size_t>(bytes, 1) + kSizeStep - 1) / kSizeStep;
    if (step <= kListedSizes && freeLists_[step] != nullptr) {
        void* block = freeLists_[step];
        freeLists_[step] = *static_cast<void**>(block);
        return block;
    }
    void* memory = carveRecordMemory(container_, chunks_, step * kSizeStep);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void RecordMemoryResource::do_deallocate(void* block, size_t bytes, size_t) {
    const size_t step = (std::max<size_t>(bytes, 1) + kSizeStep - 1) / kSizeStep;
    if (block == nullptr || step > kListedSizes) return;
    *static_cast<void**>(block) = freeLists_[step];
    freeLists_[step] = block;
}

} // namespace container
