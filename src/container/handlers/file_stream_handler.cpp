// The "OMFI" stream handler: a container (or a raw media file) kept in an
// ordinary file through buffered standard streams with 64-bit positions.
//
// A file opened in any mode but "rb" gets a second stream on the same file.
// Once a label has been read, positioning from the start to the TOC region
// selects that stream, so reading the TOC keeps its own buffer apart from the
// primary stream's data traffic. Both streams behave as one: writes always go
// to the primary at the position the selected stream had reached, and the
// second stream drops its read-ahead when the primary has written since.
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"
#include "file_ref_con.h"
#include "handler_routine.h"
#include "stream_routines.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/types.h>

namespace container {
namespace {

constexpr size_t kStreamBufferSize = 6000; // full buffering on each stream

FILE* openBuffered(const char* name, const char* mode) {
    FILE* stream = std::fopen(name, mode);
    if (stream != nullptr) std::setvbuf(stream, nullptr, _IOFBF, kStreamBufferSize);
    return stream;
}

bool readingTocStream(const FileRefCon* refCon) {
    return refCon->tocStream != nullptr && refCon->current == refCon->tocStream;
}

FILE* currentStream(const FileRefCon* refCon) {
    return refCon->current != nullptr ? refCon->current : refCon->primary;
}

} // namespace

FILE* primaryFor(FileRefCon* refCon, bool writing) {
    if (readingTocStream(refCon)) {
        const off_t position = ftello(refCon->tocStream);
        if (position >= 0) fseeko(refCon->primary, position, SEEK_SET);
        refCon->primaryDirection = StreamDirection::none;
    }
    refCon->current = refCon->primary;
    const StreamDirection wanted = writing ? StreamDirection::writing : StreamDirection::reading;
    // Switching between reading and writing an update stream needs a
    // positioning call in between.
    if (refCon->primaryDirection != StreamDirection::none && refCon->primaryDirection != wanted) {
        fseeko(refCon->primary, 0, SEEK_CUR);
    }
    refCon->primaryDirection = wanted;
    if (writing && refCon->tocStream != nullptr) refCon->primaryWritten = true;
    return refCon->primary;
}

CMRefCon openStream(CMRefCon refCon, const char* mode) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || mode == nullptr) return nullptr;
    closeFileStreams(fileRefCon);
    fileRefCon->labelRead = false;
    fileRefCon->labelTocOffset = 0;

    errno = 0;
    fileRefCon->primary = openBuffered(fileRefCon->name(), mode);
    if (fileRefCon->primary == nullptr) {
        const char* reason = errno != 0 ? std::strerror(errno) : "unknown error";
        reportFileMessage(fileRefCon, "Cannot open \"^0\"!\n    ^1", {fileRefCon->name(), reason});
        return nullptr;
    }
    // Without a second stream (it could not be opened) every read simply
    // uses the primary one.
    if (std::strcmp(mode, "rb") != 0)
        fileRefCon->tocStream = openBuffered(fileRefCon->name(), mode);
    fileRefCon->current = fileRefCon->primary;
    return fileRefCon;
}

void closeStream(CMRefCon refCon) {
    if (FileRefCon* fileRefCon = asFileRefCon(refCon)) disposeFileRefCon(fileRefCon);
}

int flushStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr) return EOF;
    return std::fflush(fileRefCon->primary);
}

int setPosStream(CMRefCon refCon, CMSize position, int origin) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr) return -1;
    if (origin == kCMSeekSet) {
        if (position > static_cast<CMSize>(INT64_MAX)) return -1;
        const bool tocRegion = fileRefCon->tocStream != nullptr && fileRefCon->labelRead &&
                               position >= fileRefCon->labelTocOffset;
        FILE* target = fileRefCon->primary;
        if (tocRegion) {
            target = fileRefCon->tocStream;
            if (fileRefCon->primaryWritten) {
                // Push the primary's writes to the file and drop read-ahead
                // the TOC stream may hold from before them.
                std::fflush(fileRefCon->primary);
                std::fflush(fileRefCon->tocStream);
                fileRefCon->primaryWritten = false;
            }
        } else {
            fileRefCon->primaryDirection = StreamDirection::none;
        }
        fileRefCon->current = target;
        return fseeko(target, static_cast<off_t>(position), SEEK_SET) == 0 ? 0 : -1;
    }
    // Relative positions continue from wherever the selected stream stands;
    // they may be negative (two's complement in the unsigned argument).
    FILE* primary = primaryFor(fileRefCon, false);
    fileRefCon->primaryDirection = StreamDirection::none;
    const int whence = origin == kCMSeekEnd ? SEEK_END : SEEK_CUR;
    return fseeko(primary, static_cast<off_t>(position), whence) == 0 ? 0 : -1;
}

CMSize getPosStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr) return 0;
    const off_t position = ftello(currentStream(fileRefCon));
    return position < 0 ? 0 : static_cast<CMSize>(position);
}

CMSize readStream(CMRefCon refCon, CMPtr buffer, CMSize elementSize, CMCount count) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr || buffer == nullptr) return 0;
    if (elementSize != 0 && count > SIZE_MAX / elementSize) return 0;
    const size_t total = static_cast<size_t>(elementSize * count);
    if (total == 0) return 0;
    FILE* stream =
        readingTocStream(fileRefCon) ? fileRefCon->tocStream : primaryFor(fileRefCon, false);
    return std::fread(buffer, 1, total, stream);
}

CMCount writeStream(CMRefCon refCon, const void* buffer, CMSize elementSize, CMCount count) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (count == 0 || fileRefCon == nullptr || fileRefCon->primary == nullptr || buffer == nullptr)
        return 0;
    return std::fwrite(buffer, elementSize, count, primaryFor(fileRefCon, true));
}

int eofStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr) return 1;
    return std::feof(currentStream(fileRefCon)) != 0 ? 1 : 0;
}

CMSize sizeStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || fileRefCon->primary == nullptr) return 0;
    FILE* primary = primaryFor(fileRefCon, false);
    fileRefCon->primaryDirection = StreamDirection::none;
    if (fseeko(primary, 0, SEEK_END) != 0) return 0;
    const off_t size = ftello(primary);
    return size < 0 ? 0 : static_cast<CMSize>(size);
}

const char* returnContainerName(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr ? fileRefCon->name() : nullptr;
}

CMType targetContainerDynamicValueType(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    return fileRefCon != nullptr ? static_cast<CMType>(fileRefCon->callerValue) : nullptr;
}

namespace {

// The operations the handler provides. Truncation and embedded-container
// parents are not offered.
const NamedRoutine kStreamOperations[] = {
    {CMOpenOpType, handlerRoutine<CMOpenStreamHandler>(&openStream)},
    {CMCloseOpType, handlerRoutine<CMCloseStreamHandler>(&closeStream)},
    {CMFlushOpType, handlerRoutine<CMFlushStreamHandler>(&flushStream)},
    {CMSeekOpType, handlerRoutine<CMSetPosStreamHandler>(&setPosStream)},
    {CMTellOpType, handlerRoutine<CMGetPosStreamHandler>(&getPosStream)},
    {CMReadOpType, handlerRoutine<CMReadStreamHandler>(&readStream)},
    {CMWriteOpType, handlerRoutine<CMWriteStreamHandler>(&writeStream)},
    {CMEofOpType, handlerRoutine<CMEofStreamHandler>(&eofStream)},
    {CMSizeOpType, handlerRoutine<CMSizeStreamHandler>(&sizeStream)},
    {CMReadLblOpType, handlerRoutine<CMReadLabelHandler>(&readLabel)},
    {CMWriteLblOpType, handlerRoutine<CMWriteLabelHandler>(&writeLabel)},
    {CMContainerOpName, handlerRoutine<CMReturnContainerNameHandler>(&returnContainerName)},
    {CMTargetTypeOpType,
     handlerRoutine<CMTargetContainerDynamicValueTypeHandler>(&targetContainerDynamicValueType)},
    {CMExtractDataOpType, handlerRoutine<CMExtractDataHandler>(&extractData)},
    {CMFormatDataOpType, handlerRoutine<CMFormatDataHandler>(&formatData)},
};

} // namespace
} // namespace container

extern "C" CMHandlerAddr CMFileStreamMetaHandler(CMType, const char* operationType) {
    if (operationType == nullptr) return nullptr;
    for (const auto& operation : container::kStreamOperations) {
        if (std::strcmp(operation.operationType, operationType) == 0) return operation.routine;
    }
    return nullptr;
}
