// Byte-order conversion of container fields between the container's order
// and the host's.
//
// Reading: a swapped refCon (the container's byte order differs from the
// host's) reverses 2-, 4- and 8-byte fields; a revision-0 file being written
// reads its own fields back as they were formatted. Writing: a swapped refCon (a
// revision-0 file) stores 8-byte fields most significant byte first and 2-
// and 4-byte fields least significant byte first; otherwise fields are stored
// in host order.
#include "file_ref_con.h"
#include "stream_routines.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace container {
namespace {

bool isFieldSize(CMSize size) {
    return size == 2 || size == 4 || size == 8;
}

// Reverses `size` bytes; source and destination may be the same field.
void copyReversed(void* destination, const void* source, size_t size) {
    unsigned char bytes[8];
    std::memcpy(bytes, source, size);
    std::reverse(bytes, bytes + size);
    std::memcpy(destination, bytes, size);
}

void copyField(void* destination, const void* source, CMSize size) {
    if (destination == source) return;
    // Fields of fixed sizes copy without a call: a TOC is read four bytes at a time.
    switch (size) {
    case 2:
        std::memmove(destination, source, 2);
        break;
    case 4:
        std::memmove(destination, source, 4);
        break;
    case 8:
        std::memmove(destination, source, 8);
        break;
    default:
        std::memmove(destination, source, static_cast<size_t>(size));
        break;
    }
}

bool isSwapped(CMRefCon refCon) {
    const FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr && fileRefCon->swapped;
}

} // namespace

void extractData(CMRefCon refCon, const void* source, CMSize size, void* destination) {
    if (source == nullptr || destination == nullptr) return;
    const FileRefCon* fileRefCon = asFileRefCon(refCon);
    bool reverse = false;
    if (fileRefCon != nullptr && isFieldSize(size)) {
        // Fields this handler formatted itself for a revision-0 file (no label
        // read yet) are read as the inverse of formatData, so a container being
        // written reads its own reference tables and seeds back correctly.
        if (fileRefCon->revisionZero && !fileRefCon->labelRead) {
            reverse = size == 8 || std::endian::native == std::endian::big;
        } else {
            reverse = fileRefCon->swapped;
        }
    }
    if (reverse) {
        copyReversed(destination, source, static_cast<size_t>(size));
    } else {
        copyField(destination, source, size);
    }
}

void formatData(CMRefCon refCon, void* destination, CMSize size, const void* source) {
    if (source == nullptr || destination == nullptr) return;
    if (!isSwapped(refCon) || !isFieldSize(size)) {
        copyField(destination, source, size);
        return;
    }
    // 8-byte fields are reversed; shorter ones come out least significant
    // byte first whatever the host.
    const bool reverse = size == 8 || std::endian::native == std::endian::big;
    if (reverse) {
        copyReversed(destination, source, static_cast<size_t>(size));
    } else {
        copyField(destination, source, size);
    }
}

} // namespace container
