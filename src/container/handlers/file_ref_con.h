// The refCon of the "OMFI" file stream handler: one record per open container
// or raw file, with the file name stored right after it.
#pragma once

#include "buffered_file.h"
#include "container/cm_types.h"
#include "container/omfi_handlers.h"

#include <cstdint>
#include <initializer_list>

namespace container {

constexpr uint32_t kFileRefConTag = 0x46524546; // "FREF": marks a live file refCon

// The two streams of a file: the primary one, which every write goes to, and
// the TOC stream, which reads the TOC region of a writable container so that
// reading the TOC keeps its own read-ahead apart from the data traffic.
enum StreamIndex : int { kPrimaryStream = 0, kTocStream = 1 };

// Where a stream stands and whether its last read ran into the end of file.
struct StreamState {
    CMSize position = 0;
    bool atEnd = false;
};

struct FileRefCon {
    uint32_t tag = kFileRefConTag;
    CMSession session = nullptr; // for messages and memory
    void* omfFile = nullptr;     // the OMF file record the container belongs to
    CMRefCon callerValue = nullptr;
    bool swapped = false;      // ExtractData/FormatData reverse multi-byte fields
    bool revisionZero = false; // written in the revision-0 layout: no little-endian label flags
    bool labelRead = false;
    CMSize labelTocOffset = 0; // TOC offset from the label, start of the TOC stream's region
    BufferedFile file;         // both streams read through their own window of it
    bool hasTocStream = false; // not for files opened "rb"
    StreamState streams[2];
    StreamIndex current = kPrimaryStream; // stream that reads, positions and end-of-file apply to

    char* name() { return reinterpret_cast<char*>(this + 1); }
};

// The refCon behind `refCon`, or null when it is not a live file refCon.
// Inline: every field of a TOC read goes through it.
inline FileRefCon* asFileRefCon(CMRefCon refCon) {
    auto* fileRefCon = static_cast<FileRefCon*>(refCon);
    return fileRefCon != nullptr && fileRefCon->tag == kFileRefConTag ? fileRefCon : nullptr;
}

// The session handler state of the refCon's session (null when unknown).
CMHandlerSession* handlerSessionOf(const FileRefCon* refCon);

// Reports a handler message (error number 0, already formatted) built from
// `messageTemplate` with the given arguments.
void reportFileMessage(const FileRefCon* refCon, const char* messageTemplate,
                       std::initializer_list<const char*> arguments);

// Closes both streams; the record itself stays. Answers false when buffered
// bytes could not be written.
bool closeFileStreams(FileRefCon* refCon);

// Frees the record through the session's memory handler.
void disposeFileRefCon(FileRefCon* refCon);

} // namespace container
