// Session handler memory: a 16-byte size header in front of every block, and
// per-container pools for small blocks so a large TOC costs few system
// allocations and all of a container's small blocks are freed at once.
#include "memory_pool.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace container {
namespace {

constexpr size_t kHeaderSize = 16;        // in front of every block
constexpr size_t kPooledLimit = 100;      // totals (header included) below this are pooled
constexpr size_t kSizeGranule = 8;        // pooled totals are rounded up to this
constexpr size_t kChunkCapacity = 100000; // bytes carved into blocks per chunk
// Free lists are indexed by rounded total / granule; the largest pooled total
// (99) rounds to 104.
constexpr size_t kFreeListCount = (kPooledLimit + kSizeGranule - 1) / kSizeGranule + 1;

struct ChunkHeader;

struct BlockHeader {
    uint64_t size; // the size the caller asked for
    // The chunk holding the block (0 for a malloc'd block), plus kFreeMark
    // while the block is free.
    uintptr_t chunk;
};
static_assert(sizeof(BlockHeader) == kHeaderSize);

// Chunk addresses are 8-aligned, so the low bit can mark a pooled block that
// sits on a free list; freeing it again then changes nothing.
constexpr uintptr_t kFreeMark = 1;

// Bookkeeping in front of each chunk's 100,000 bytes.
struct ChunkHeader {
    ChunkHeader* next;
    CMContainerPool* owner;
    uint64_t used; // bytes carved so far
};
static_assert(sizeof(ChunkHeader) == 24);

unsigned char* chunkData(ChunkHeader* chunk) {
    return reinterpret_cast<unsigned char*>(chunk) + sizeof(ChunkHeader);
}

size_t roundedTotal(uint64_t size) {
    return (static_cast<size_t>(size) + kHeaderSize + kSizeGranule - 1) & ~(kSizeGranule - 1);
}

bool isPooledSize(uint64_t size) {
    return size < kPooledLimit - kHeaderSize;
}

} // namespace
} // namespace container

// A container's pool: its chunks (the newest, being carved, first) and one
// free list per rounded block size. A free block is linked through its
// header's size field; its chunk pointer stays in place, marked free.
struct CMContainerPool {
    CMContainerPool* next;
    CMContainer container;
    container::ChunkHeader* chunks;
    void* freeLists[container::kFreeListCount];
};

namespace container {
namespace {

void* systemAllocate(CMHandlerSession* session, size_t bytes) {
    void* memory = std::malloc(bytes);
    if (memory != nullptr && session != nullptr) ++session->memory.systemAllocations;
    return memory;
}

void systemFree(CMHandlerSession* session, void* memory) {
    std::free(memory);
    if (session != nullptr) ++session->memory.systemFrees;
}

// Finds the pool of `owner`, moving it to the front since a container's
// allocations come in runs; creates it when `create` is set.
CMContainerPool* findPool(CMHandlerSession* session, CMContainer owner, bool create) {
    CMContainerPool** link = &session->pools;
    for (CMContainerPool* pool = session->pools; pool != nullptr; pool = pool->next) {
        if (pool->container == owner) {
            *link = pool->next;
            pool->next = session->pools;
            session->pools = pool;
            return pool;
        }
        link = &pool->next;
    }
    if (!create) return nullptr;
    void* memory = systemAllocate(session, sizeof(CMContainerPool));
    if (memory == nullptr) return nullptr;
    auto* pool = new (memory) CMContainerPool{session->pools, owner, nullptr, {}};
    session->pools = pool;
    return pool;
}

// Takes a block of `total` bytes from the pool: the size's free list first,
// else the newest chunk, else a new chunk. Sets `chunk` to the block's chunk.
void* carveFromPool(CMHandlerSession* session, CMContainerPool* pool, size_t total,
                    ChunkHeader*& chunk) {
    const size_t listIndex = total / kSizeGranule;
    if (void* block = pool->freeLists[listIndex]) {
        // A free block keeps its chunk pointer; only its size field holds the link.
        auto* header = static_cast<BlockHeader*>(block);
        void* next;
        std::memcpy(&next, block, sizeof next);
        pool->freeLists[listIndex] = next;
        chunk = reinterpret_cast<ChunkHeader*>(header->chunk & ~kFreeMark);
        return block;
    }
    chunk = pool->chunks;
    if (chunk == nullptr || chunk->used + total > kChunkCapacity) {
        void* memory = systemAllocate(session, sizeof(ChunkHeader) + kChunkCapacity);
        if (memory == nullptr) return nullptr;
        chunk = new (memory) ChunkHeader{pool->chunks, pool, 0};
        pool->chunks = chunk;
        ++session->memory.chunks;
    }
    void* block = chunkData(chunk) + chunk->used;
    chunk->used += total;
    return block;
}

void freeChunks(CMHandlerSession* session, CMContainerPool* pool) {
    for (ChunkHeader* chunk = pool->chunks; chunk != nullptr;) {
        ChunkHeader* next = chunk->next;
        systemFree(session, chunk);
        --session->memory.chunks;
        chunk = next;
    }
    pool->chunks = nullptr;
}

} // namespace

void* allocateBlock(CMHandlerSession* session, CMContainer container, CMSize size) {
    if (size > SIZE_MAX - kHeaderSize - kSizeGranule) return nullptr;
    void* memory = nullptr;
    ChunkHeader* chunk = nullptr;
    if (session != nullptr && container != nullptr && isPooledSize(size)) {
        CMContainerPool* pool = findPool(session, container, true);
        if (pool == nullptr) return nullptr;
        memory = carveFromPool(session, pool, roundedTotal(size), chunk);
        if (memory == nullptr) return nullptr;
        ++session->memory.pooledAllocations;
    } else {
        memory = systemAllocate(session, static_cast<size_t>(size) + kHeaderSize);
        if (memory == nullptr) return nullptr;
    }
    if (session != nullptr) ++session->memory.allocations;
    new (memory) BlockHeader{size, reinterpret_cast<uintptr_t>(chunk)};
    return static_cast<unsigned char*>(memory) + kHeaderSize;
}

void freeBlock(CMHandlerSession* session, void* block) {
    if (block == nullptr) return;
    auto* header = reinterpret_cast<BlockHeader*>(static_cast<unsigned char*>(block) - kHeaderSize);
    if (session != nullptr) ++session->memory.frees;
    if (header->chunk == 0) {
        systemFree(session, header);
        return;
    }
    if ((header->chunk & kFreeMark) != 0) return; // already on its free list
    // A block inside a chunk is never given to free(); only a block of a
    // pooled size goes back on its free list, anything else is left alone.
    auto* chunk = reinterpret_cast<ChunkHeader*>(header->chunk);
    auto* bytes = reinterpret_cast<unsigned char*>(header);
    const bool insideChunk = bytes >= chunkData(chunk) && bytes < chunkData(chunk) + chunk->used;
    if (!insideChunk || !isPooledSize(header->size) || chunk->owner == nullptr) return;
    CMContainerPool* pool = chunk->owner;
    const size_t listIndex = roundedTotal(header->size) / kSizeGranule;
    void* next = pool->freeLists[listIndex];
    std::memcpy(&header->size, &next, sizeof next);
    header->chunk |= kFreeMark;
    pool->freeLists[listIndex] = header;
}

void freeContainerPool(CMHandlerSession* session, CMContainer container) {
    if (session == nullptr || container == nullptr) return;
    CMContainerPool* pool = findPool(session, container, false);
    if (pool == nullptr) return;
    session->pools = pool->next; // findPool moved it to the front
    freeChunks(session, pool);
    systemFree(session, pool);
}

} // namespace container

extern "C" void CMReleaseHandlerSession(CMHandlerSession* session) {
    if (session == nullptr) return;
    while (CMContainerPool* pool = session->pools) {
        session->pools = pool->next;
        container::freeChunks(session, pool);
        container::systemFree(session, pool);
    }
}
