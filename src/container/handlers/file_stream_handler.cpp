// The "OMFI" stream handler: a container (or a raw media file) kept in an
// ordinary file, read and written through buffers with 64-bit positions.
//
// A file opened in any mode but "rb" gets a second stream on the same file.
// Once a label has been read, positioning from the start to the TOC region
// selects that stream, so reading the TOC keeps its own read-ahead apart from
// the primary stream's data traffic. Both streams behave as one: writes always
// go to the primary at the position the selected stream had reached, and both
// streams' read-ahead sees every write at once.
//
// Positioning only records a number; bytes move when they are read or
// written, and then from the buffers when they can (see BufferedFile).
#include "container/cm_handlers.h"
#include "container/omfi_handlers.h"
#include "file_ref_con.h"
#include "handler_routine.h"
#include "stream_routines.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace container {
namespace {

StreamState& currentStream(FileRefCon* refCon) {
    return refCon->streams[refCon->current];
}

// Moves the stream to `position` when that is a valid file position.
int positionStream(StreamState& stream, CMSize position) {
    if (position > static_cast<CMSize>(INT64_MAX)) return -1;
    stream.position = position;
    stream.atEnd = false;
    return 0;
}

} // namespace

StreamState& selectPrimary(FileRefCon* refCon) {
    StreamState& primary = refCon->streams[kPrimaryStream];
    if (refCon->current == kTocStream) {
        // Taking over the TOC stream's position positions the primary.
        primary.position = refCon->streams[kTocStream].position;
        primary.atEnd = false;
    }
    refCon->current = kPrimaryStream;
    return primary;
}

CMRefCon openStream(CMRefCon refCon, const char* mode) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || mode == nullptr) return nullptr;
    closeFileStreams(fileRefCon);
    fileRefCon->labelRead = false;
    fileRefCon->labelTocOffset = 0;

    if (const int error = fileRefCon->file.open(fileRefCon->name(), mode); error != 0) {
        reportFileMessage(fileRefCon, "Cannot open \"^0\"!\n    ^1",
                          {fileRefCon->name(), std::strerror(error)});
        return nullptr;
    }
    fileRefCon->hasTocStream = std::strcmp(mode, "rb") != 0;
    return fileRefCon;
}

void closeStream(CMRefCon refCon) {
    if (FileRefCon* fileRefCon = asFileRefCon(refCon)) disposeFileRefCon(fileRefCon);
}

int flushStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return EOF;
    return fileRefCon->file.flush() ? 0 : EOF;
}

int setPosStream(CMRefCon refCon, CMSize position, int origin) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return -1;
    if (origin == kCMSeekSet) {
        const bool tocRegion = fileRefCon->hasTocStream && fileRefCon->labelRead &&
                               position >= fileRefCon->labelTocOffset;
        const StreamIndex target = tocRegion ? kTocStream : kPrimaryStream;
        if (positionStream(fileRefCon->streams[target], position) != 0) return -1;
        fileRefCon->current = target;
        return 0;
    }
    // Relative positions continue from wherever the selected stream stands;
    // they may be negative (two's complement in the unsigned argument).
    StreamState& primary = selectPrimary(fileRefCon);
    const auto offset = static_cast<int64_t>(position);
    const auto base =
        static_cast<int64_t>(origin == kCMSeekEnd ? fileRefCon->file.size() : primary.position);
    if ((offset < 0 && base + offset < 0) || (offset > 0 && base > INT64_MAX - offset)) return -1;
    return positionStream(primary, static_cast<CMSize>(base + offset));
}

CMSize getPosStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return 0;
    return currentStream(fileRefCon).position;
}

CMSize readStream(CMRefCon refCon, CMPtr buffer, CMSize elementSize, CMCount count) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen() || buffer == nullptr) return 0;
    if (elementSize != 0 && count > SIZE_MAX / elementSize) return 0;
    const size_t total = static_cast<size_t>(elementSize * count);
    if (total == 0) return 0;
    const StreamIndex index = fileRefCon->current == kTocStream ? kTocStream : kPrimaryStream;
    StreamState& stream =
        index == kTocStream ? fileRefCon->streams[kTocStream] : selectPrimary(fileRefCon);
    const size_t got = fileRefCon->file.read(index, stream.position, buffer, total);
    stream.position += got;
    if (got < total) stream.atEnd = true;
    return got;
}

CMCount writeStream(CMRefCon refCon, const void* buffer, CMSize elementSize, CMCount count) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (count == 0 || fileRefCon == nullptr || !fileRefCon->file.isOpen() || buffer == nullptr)
        return 0;
    if (elementSize == 0 || count > SIZE_MAX / elementSize) return 0;
    StreamState& primary = selectPrimary(fileRefCon);
    const size_t written =
        fileRefCon->file.write(primary.position, buffer, static_cast<size_t>(elementSize * count));
    primary.position += written;
    primary.atEnd = false;
    return written / elementSize;
}

int eofStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return 1;
    return currentStream(fileRefCon).atEnd ? 1 : 0;
}

CMSize sizeStream(CMRefCon refCon) {
    FileRefCon* fileRefCon = asFileRefCon(refCon);
    if (fileRefCon == nullptr || !fileRefCon->file.isOpen()) return 0;
    // Like seeking the primary stream to its end and asking where it stands.
    StreamState& primary = selectPrimary(fileRefCon);
    positionStream(primary, fileRefCon->file.size());
    return primary.position;
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
