// The toolkit's container handlers: the session handler (error reporting and
// memory) and the "OMFI" file stream handler that keeps a container in an
// ordinary file.
#pragma once

#include "container/cm_types.h"

extern "C" {

// The container error last reported for an OMF file (or for the session when
// no file is concerned). The OMF layer turns a pending error into its own.
struct CMBentoErrorRecord {
    CMErrorNbr number = 0;
    bool pending = false;
    char text[256] = {}; // formatted message, at most 255 characters
};

// Counters kept by the session handler's memory routines.
struct CMHandlerMemoryCounters {
    uint64_t allocations = 0;       // blocks handed out by AllocMemory
    uint64_t frees = 0;             // blocks given back to FreeMemory
    uint64_t pooledAllocations = 0; // of the allocations, those served from a container pool
    uint64_t systemAllocations = 0; // malloc calls: large blocks, chunks and pool records
    uint64_t systemFrees = 0;       // free calls matching them
    uint64_t chunks = 0;            // pool chunks currently held
};

struct CMContainerPool; // per-container pool of small blocks (internal)

// State of the session handler. The caller owns it and gives its address as
// the session refCon to CMStartBentoSession; it must outlive the session.
struct CMHandlerSession {
    // Where errors are recorded when no OMF file is concerned.
    CMBentoErrorRecord defaultError;
    // Finds the error record of the OMF file a container belongs to (the OMF
    // file pointer given to CMCreateFileRefCon). Null, or a null answer,
    // selects defaultError.
    CMBentoErrorRecord* (*fileErrorRecord)(void* omfFile) = nullptr;
    CMHandlerMemoryCounters memory;
    CMContainerPool* pools = nullptr; // one pool per container that made small allocations
};

// Frees the pools still held by `session` (containers whose memory was never
// released with "Apple:FreeCtrMemory"). Call it after ending the session.
void CMReleaseHandlerSession(CMHandlerSession* session);

// The session metahandler: "Apple:ReportError", "Apple:AllocMemory",
// "Apple:FreeMemory" and "Apple:FreeCtrMemory". Its refCon is a CMHandlerSession*.
CMHandlerAddr CMSessionMetaHandler(CMType targetType, const char* operationType);

// The "OMFI" stream metahandler: file stream operations, label reading and
// writing, and byte-order conversion of container fields.
CMHandlerAddr CMFileStreamMetaHandler(CMType targetType, const char* operationType);

// The handler type name the stream metahandler is registered under.
#define CMFileStreamTypeName "OMFI"

// Creates the refCon of a container or raw file kept in `fileName`. The
// record is one block of the session handler's memory (the session must run
// CMSessionMetaHandler) and is released by "Apple:CloseStream", whether or
// not the stream was ever opened, or by CMDisposeFileRefCon when it never
// reaches the stream handler. A failed allocation is reported and answers null.
CMRefCon CMCreateFileRefCon(CMSession session, const char* fileName, CMRefCon callerValue,
                            void* omfFile);

// Releases a refCon that was never handed to the container library.
void CMDisposeFileRefCon(CMRefCon refCon);

// Marks the refCon of a file written in the revision-0 layout: 8-byte fields
// are formatted most significant byte first, and the label is written without
// the little-endian flag bits. Clearing it restores the default.
void CMSetFileRefConSwapped(CMRefCon refCon, bool swapped);

// Whether ExtractData reverses multi-byte fields (after ReadLabel: the
// container's byte order differs from the host's).
bool CMGetFileRefConSwapped(CMRefCon refCon);

// The OMF file pointer given to CMCreateFileRefCon, or null.
void* CMGetFileRefConOMFFile(CMRefCon refCon);

// Whether reads currently go through the second stream kept for the TOC
// region (only files opened in a mode other than "rb" have one).
bool CMFileRefConReadingTOCStream(CMRefCon refCon);

} // extern "C"
