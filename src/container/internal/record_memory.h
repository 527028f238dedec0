// Memory for a container's records: chunks taken from the session's memory
// handler and kept until the container closes, so that a TOC of a million
// values costs a few dozen allocations and one release.
#pragma once

#include <cstddef>
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

// Asks the kernel to back the whole huge pages inside `memory` with huge
// pages: for large buffers written once from start to end, where a fault per
// 4 KiB page costs more than filling the page.
void adviseHugePages(void* memory, size_t size);

} // namespace container
