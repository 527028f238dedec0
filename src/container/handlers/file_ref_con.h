// The refCon of the "OMFI" file stream handler: one record per open container
// or raw file, with the file name stored right after it.
#pragma once

#include "container/cm_types.h"
#include "container/omfi_handlers.h"

#include <cstdint>
#include <cstdio>
#include <initializer_list>

namespace container {

constexpr uint32_t kFileRefConTag = 0x46524546; // "FREF": marks a live file refCon

// The last operation on the primary stream; an update stream needs a
// positioning call between a read and a write.
enum class StreamDirection : uint8_t { none, reading, writing };

struct FileRefCon {
    uint32_t tag = kFileRefConTag;
    CMSession session = nullptr; // for messages and memory
    void* omfFile = nullptr;     // the OMF file record the container belongs to
    CMRefCon callerValue = nullptr;
    bool swapped = false;      // ExtractData/FormatData reverse multi-byte fields
    bool revisionZero = false; // written in the revision-0 layout: no little-endian label flags
    bool labelRead = false;
    CMSize labelTocOffset = 0; // TOC offset from the label, start of the TOC stream's region
    FILE* primary = nullptr;
    FILE* tocStream = nullptr; // second stream on the file for TOC-region reads (not in "rb")
    FILE* current = nullptr;   // stream that reads, positions and end-of-file apply to
    StreamDirection primaryDirection = StreamDirection::none;
    bool primaryWritten = false; // the TOC stream may hold bytes older than primary writes

    char* name() { return reinterpret_cast<char*>(this + 1); }
};

// The refCon behind `refCon`, or null when it is not a live file refCon.
FileRefCon* asFileRefCon(CMRefCon refCon);

// The session handler state of the refCon's session (null when unknown).
CMHandlerSession* handlerSessionOf(const FileRefCon* refCon);

// Reports a handler message (error number 0, already formatted) built from
// `messageTemplate` with the given arguments.
void reportFileMessage(const FileRefCon* refCon, const char* messageTemplate,
                       std::initializer_list<const char*> arguments);

// Closes both streams; the record itself stays.
void closeFileStreams(FileRefCon* refCon);

// Frees the record through the session's memory handler.
void disposeFileRefCon(FileRefCon* refCon);

} // namespace container
