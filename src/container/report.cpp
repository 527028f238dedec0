#include "internal/report.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <sys/mman.h>
#include <vector>

namespace container {

void report(CMSessionRecord* session, CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args) {
    if (session == nullptr || session->reportError == nullptr) return;
    ++session->reportCount;
    std::vector<std::string> owned(args.begin(), args.end());
    std::vector<const char*> argv;
    argv.reserve(owned.size());
    for (const std::string& text : owned)
        argv.push_back(text.c_str());
    session->reportError(container, session->refCon, number, static_cast<int>(argv.size()),
                         argv.data());
}

void report(CMContainerRecord* container, CMErrorNbr number,
            std::initializer_list<std::string_view> args) {
    report(container->session, container, number, args);
}

void fail(CMContainerRecord* container, CMErrorNbr number,
          std::initializer_list<std::string_view> args) {
    report(container, number, args);
    throw Abandon{};
}

std::string nameOf(const CMContainerRecord* container) {
    if (container == nullptr) return std::string();
    if (container->ops.containerName != nullptr && container->refCon != nullptr) {
        const char* name = container->ops.containerName(container->refCon);
        if (name != nullptr) return name;
    }
    return container->typeName;
}

std::string decimal(uint64_t number) {
    return std::to_string(number);
}

std::string hexadecimal(uint64_t number) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(number));
    return text;
}

bool validSession(const CMSessionRecord* session) {
    return session != nullptr && session->tag == kSessionTag;
}
bool validContainer(const CMContainerRecord* container) {
    return container != nullptr && container->tag == kContainerTag;
}
bool validObject(const CMObjectRecord* object) {
    return object != nullptr && object->tag == kObjectTag;
}
bool validValue(const CMValueRecord* value) {
    return value != nullptr && value->tag == kValueTag;
}

void* allocate(CMContainerRecord* container, size_t size) {
    CMSessionRecord* session = container->session;
    return session->allocMemory(container, session->refCon, size);
}

void release(CMContainerRecord* container, void* block) {
    CMSessionRecord* session = container->session;
    session->freeMemory(container, session->refCon, block);
}

namespace {

// Record chunks grow from the first size to the largest as a container
// fills, so that a TOC of a million values costs a few dozen allocations.
constexpr size_t kFirstRecordChunkSize = 64 * 1024;
constexpr size_t kLargestRecordChunkSize = 8 * 1024 * 1024;
constexpr size_t kHugePageSize = 2 * 1024 * 1024;

// Asks for huge pages inside a large chunk: its records are written once,
// in order, and a fault per 4 KiB page costs more than filling the page.
void preferHugePages([[maybe_unused]] void* chunk, [[maybe_unused]] size_t size) {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<uintptr_t>(chunk);
    const uintptr_t first = (start + kHugePageSize - 1) & ~(kHugePageSize - 1);
    const uintptr_t last = (start + size) & ~(kHugePageSize - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

} // namespace

void* allocateRecordMemory(CMContainerRecord* container, size_t size) {
    constexpr size_t kAlignment = alignof(std::max_align_t);
    size = (size + kAlignment - 1) & ~(kAlignment - 1);
    if (container->recordChunks.empty() || container->chunkUsed + size > container->chunkSize) {
        const size_t chunkSize = container->recordChunks.empty()
                                     ? kFirstRecordChunkSize
                                     : std::min(container->chunkSize * 2, kLargestRecordChunkSize);
        if (size > chunkSize) return nullptr;
        void* chunk = allocate(container, chunkSize);
        if (chunk == nullptr) return nullptr;
        preferHugePages(chunk, chunkSize);
        container->recordChunks.push_back(chunk);
        container->chunkSize = chunkSize;
        container->chunkUsed = 0;
    }
    void* memory = static_cast<char*>(container->recordChunks.back()) + container->chunkUsed;
    container->chunkUsed += size;
    return memory;
}

void releaseRecordMemory(CMContainerRecord* container) {
    for (void* chunk : container->recordChunks)
        release(container, chunk);
    container->recordChunks.clear();
    container->chunkUsed = 0;
}

} // namespace container
