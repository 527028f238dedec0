#include "container/internal/record_memory.h"

#include "container/internal/records.h"
#include "container/internal/report.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
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
        adviseHugePages(start, size);
    }
    chunks.cursor = start;
    chunks.end = start + size;
    chunks.lastSize = size;
    return true;
}

// Maps whole huge pages for `size` bytes on a huge-page boundary, or null.
// Mapped apart from the heap, so that asking for huge pages here does not
// change how the heap's own pages are backed.
void* mapHugePages(size_t size) {
    const size_t length = (size + kHugePageSize - 1) & ~(kHugePageSize - 1);
    const size_t padded = length + kHugePageSize;
    void* mapping =
        mmap(nullptr, padded, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return nullptr;
    char* start = alignUp(static_cast<char*>(mapping), kHugePageSize);
    const size_t head = static_cast<size_t>(start - static_cast<char*>(mapping));
    if (head > 0) munmap(mapping, head);
    if (padded - head > length) munmap(start + length, padded - head - length);
    adviseHugePages(start, length);
    return start;
}

void releaseHeapBlock(void* block, size_t size) {
    if (size >= kHugePageSize) {
        munmap(block, (size + kHugePageSize - 1) & ~(kHugePageSize - 1));
    } else {
        std::free(block);
    }
}

} // namespace

void adviseHugePages([[maybe_unused]] void* memory, [[maybe_unused]] size_t size) {
#ifdef MADV_HUGEPAGE
    char* first = alignUp(static_cast<char*>(memory), kHugePageSize);
    char* last = static_cast<char*>(memory) + size;
    if (last - first >= static_cast<std::ptrdiff_t>(kHugePageSize)) {
        madvise(first, static_cast<size_t>(last - first) & ~(kHugePageSize - 1), MADV_HUGEPAGE);
    }
#endif
}

void* allocateRecordMemory(CMContainerRecord* container, size_t size) {
    RecordChunks& chunks = container->recordChunks;
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

void* ListMemory::do_allocate(size_t bytes, size_t alignment) {
    // No list asks for more alignment; no block comes near the size limit.
    if (alignment > kGranule || bytes > SIZE_MAX / 2) throw std::bad_alloc();
    const size_t size = std::max((bytes + kGranule - 1) & ~(kGranule - 1), kGranule);
    if (size <= kLargestChunkBlock) {
        FreeBlock*& free = freeBlocks_[size / kGranule];
        if (free != nullptr) {
            FreeBlock* block = free;
            free = block->next;
            return block;
        }
        void* block = allocateRecordMemory(container_, size);
        if (block == nullptr) throw std::bad_alloc();
        return block;
    }
    // A block of huge pages or more (the TOC index of a large container) is
    // written from start to end as it grows: it sits on huge-page boundaries
    // and asks for huge pages, as the record chunks do.
    void* block = size >= kHugePageSize ? mapHugePages(size) : std::malloc(size);
    if (block == nullptr) throw std::bad_alloc();
    try {
        heapBlocks_.emplace(block, size);
    } catch (...) {
        releaseHeapBlock(block, size);
        throw;
    }
    return block;
}

void ListMemory::do_deallocate(void* block, size_t bytes, size_t) {
    const size_t size = std::max((bytes + kGranule - 1) & ~(kGranule - 1), kGranule);
    if (size <= kLargestChunkBlock) {
        auto* free = static_cast<FreeBlock*>(block);
        free->next = freeBlocks_[size / kGranule];
        freeBlocks_[size / kGranule] = free;
        return;
    }
    heapBlocks_.erase(block);
    releaseHeapBlock(block, size);
}

void ListMemory::release() {
    for (auto [block, size] : heapBlocks_)
        releaseHeapBlock(block, size);
    heapBlocks_.clear();
    freeBlocks_ = {};
}

void releaseRecordMemory(CMContainerRecord* container) {
    RecordChunks& chunks = container->recordChunks;
    for (void* block : chunks.blocks)
        release(container, block);
    chunks = RecordChunks{};
}

} // namespace container
