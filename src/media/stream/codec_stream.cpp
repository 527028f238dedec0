// The codec stream: opening and closing, the cache, positions, blocking and
// untranslated transfers.
//
// The cache holds either data read from the procedures (readData: the bytes
// at cacheStart .. cacheStart + cacheFill as they are stored) or data not yet
// written (unwrittenData: bytes that belong at cacheStart and follow one
// another). The procedures keep a position of their own; the stream seeks
// them before every transfer, so its own position only moves in memory.
#include "media/codec_support/codec_stream.h"
#include "media/internal/media_records.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/records.h"
#include "stream/stream_pieces.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace omf::media {

namespace {

// Zero-filled blocks are appended through a buffer of this size at most,
// halved while an allocation of it fails.
constexpr size_t kZeroBufferSize = 32768;

bool isOpen(const CodecStream& stream) {
    return stream.tag == kStreamTag;
}

omfInt64 cacheCapacity(const CodecStream& stream) {
    return static_cast<omfInt64>(stream.cache.size());
}

omfInt64 cacheEnd(const CodecStream& stream) {
    return stream.cacheStart + static_cast<omfInt64>(stream.cacheFill);
}

void emptyCache(CodecStream& stream) {
    stream.cacheFill = 0;
    stream.cacheStart = 0;
    stream.cacheState = CacheState::empty;
}

// The procedure set of a data file. Files carry no set of their own yet, so
// every stream takes the standard one.
const StreamProcedures& proceduresOf(omfHdl_t /*dataFile*/) {
    return standardStreamProcedures();
}

omfErr_t seekProcedures(CodecStream& stream, omfInt64 position) {
    if (stream.procedures.seek == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    OMF_CHECK(stream.file, stream.procedures.seek(stream, position));
    return 0;
}

omfErr_t procedureLength(CodecStream& stream, omfInt64* length) {
    if (stream.procedures.length == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    OMF_CHECK(stream.file, stream.procedures.length(stream, length));
    return 0;
}

// Writes `bytes` at `position` through the procedures.
omfErr_t writeThrough(CodecStream& stream, omfInt64 position, const void* buffer, omfInt64 bytes) {
    if (stream.procedures.write == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    OMF_CHECK(stream.file, seekProcedures(stream, position));
    ++stream.writes;
    OMF_CHECK(stream.file, stream.procedures.write(stream, buffer, bytes));
    return 0;
}

bool isEndOfData(omfErr_t status) {
    return status == OM_ERR_END_OF_FILE || status == OM_ERR_READ_PAST_END;
}

// Reads up to `bytes` at `position` through the procedures; running into the
// end of the data is not an error here, the count tells.
omfErr_t readThrough(CodecStream& stream, omfInt64 position, void* buffer, omfInt64 bytes,
                     omfInt64* bytesRead) {
    *bytesRead = 0;
    if (stream.procedures.read == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    OMF_CHECK(stream.file, seekProcedures(stream, position));
    ++stream.reads;
    omfInt64 got = 0;
    omfErr_t status = stream.procedures.read(stream, buffer, bytes, &got);
    if (status != 0 && !isEndOfData(status))
        return propagate(stream.file, status, __FILE__, __LINE__);
    *bytesRead = std::clamp<omfInt64>(got, 0, bytes);
    return 0;
}

// Fills the cache with the data from the position on, as much as the cache
// holds and the data has.
omfErr_t refillCache(CodecStream& stream) {
    emptyCache(stream);
    omfInt64 length = 0;
    OMF_CHECK(stream.file, procedureLength(stream, &length));
    omfInt64 fill = std::clamp<omfInt64>(length - stream.position, 0, cacheCapacity(stream));
    if (fill == 0) return 0;
    omfInt64 got = 0;
    OMF_CHECK(stream.file, readThrough(stream, stream.position, stream.cache.data(), fill, &got));
    stream.cacheStart = stream.position;
    stream.cacheFill = static_cast<size_t>(got);
    if (got > 0) stream.cacheState = CacheState::readData;
    return 0;
}

omfErr_t checkTransfer(CodecStream& stream, const void* buffer, omfInt64 bytes) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (buffer == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_DATA_ADDRESS);
    if (bytes < 0) OMF_RAISE(stream.file, OM_ERR_NEGATIVE_VALUE);
    if (bytes > std::numeric_limits<omfInt64>::max() - stream.position)
        OMF_RAISE(stream.file, OM_ERR_INT64_TRUNCATION);
    return 0;
}

// Reads `bytes` at the position: straight from the procedures when `bytes`
// reaches `directFrom`, else through the cache.
omfErr_t readBytes(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead,
                   omfInt64 directFrom) {
    if (bytesRead == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    *bytesRead = 0;
    OMF_CHECK(stream.file, checkTransfer(stream, buffer, bytes));
    if (bytes == 0) return 0;
    if (stream.cacheState == CacheState::unwrittenData) OMF_CHECK(stream.file, streamFlush(stream));

    omfInt64 got = 0;
    if (bytes >= directFrom) {
        OMF_CHECK(stream.file, readThrough(stream, stream.position, buffer, bytes, &got));
    } else {
        bool cached = stream.cacheState == CacheState::readData &&
                      stream.position >= stream.cacheStart &&
                      stream.position + bytes <= cacheEnd(stream);
        if (cached) {
            ++stream.cachedReads;
        } else {
            OMF_CHECK(stream.file, refillCache(stream));
        }
        if (stream.cacheState == CacheState::readData) {
            got = std::clamp<omfInt64>(cacheEnd(stream) - stream.position, 0, bytes);
            std::memcpy(buffer, stream.cache.data() + (stream.position - stream.cacheStart),
                        static_cast<size_t>(got));
        }
    }
    stream.position += bytes;
    *bytesRead = got;
    if (got < bytes) OMF_RAISE(stream.file, OM_ERR_END_OF_FILE);
    return 0;
}

// Allocates the zero buffer used for pre-allocating blocks: the full size
// when possible, else the largest halving that can be had.
omfErr_t allocateZeros(omfHdl_t file, std::unique_ptr<uint8_t[]>* zeros, size_t* size) {
    for (size_t candidate = kZeroBufferSize; candidate > 0; candidate /= 2) {
        zeros->reset(new (std::nothrow) uint8_t[candidate]());
        if (*zeros != nullptr) {
            *size = candidate;
            return 0;
        }
    }
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

// With a block size set, makes sure the data reaches `end` by appending
// zero-filled blocks, so media grows in whole blocks.
omfErr_t preallocateBlocks(CodecStream& stream, omfInt64 end) {
    omfInt64 length = 0;
    OMF_CHECK(stream.file, streamLength(stream, &length));
    if (end <= length) return 0;
    // The unwritten bytes go first, so that the blocks follow them.
    OMF_CHECK(stream.file, streamFlush(stream));
    OMF_CHECK(stream.file, procedureLength(stream, &length));
    std::unique_ptr<uint8_t[]> zeros;
    size_t zeroSize = 0;
    OMF_CHECK(stream.file, allocateZeros(stream.file, &zeros, &zeroSize));
    const auto block = static_cast<omfInt64>(stream.blockSize);
    while (length < end) {
        for (omfInt64 done = 0; done < block;) {
            omfInt64 piece = std::min<omfInt64>(block - done, static_cast<omfInt64>(zeroSize));
            OMF_CHECK(stream.file, writeThrough(stream, length + done, zeros.get(), piece));
            done += piece;
        }
        length += block;
    }
    // Back to where the caller's bytes go.
    OMF_CHECK(stream.file, seekProcedures(stream, stream.position));
    return 0;
}

// Writes `bytes` at the position: straight through the procedures when
// `bytes` reaches `directFrom`, else into the cache.
omfErr_t writeBytes(CodecStream& stream, const void* buffer, omfInt64 bytes, omfInt64 directFrom) {
    OMF_CHECK(stream.file, checkTransfer(stream, buffer, bytes));
    if (bytes == 0) return 0;
    if (stream.procedures.write == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    if (stream.cacheState == CacheState::readData) OMF_CHECK(stream.file, streamFlush(stream));
    if (stream.blockSize != 0)
        OMF_CHECK(stream.file, preallocateBlocks(stream, stream.position + bytes));

    // Unwritten bytes must follow one another; after a seek they are written first.
    bool follows = stream.cacheFill == 0 || stream.position == cacheEnd(stream);
    bool fits = static_cast<omfInt64>(stream.cacheFill) + bytes <= cacheCapacity(stream);
    if (!follows || !fits) OMF_CHECK(stream.file, streamFlush(stream));

    if (bytes >= directFrom) {
        OMF_CHECK(stream.file, writeThrough(stream, stream.position, buffer, bytes));
    } else {
        if (stream.cacheFill == 0) stream.cacheStart = stream.position;
        std::memcpy(stream.cache.data() + stream.cacheFill, buffer, static_cast<size_t>(bytes));
        stream.cacheFill += static_cast<size_t>(bytes);
        stream.cacheState = CacheState::unwrittenData;
        ++stream.cachedWrites;
    }
    stream.position += bytes;
    return 0;
}

} // namespace

omfErr_t streamOpen(CodecStream& stream, omfMediaHdl_t media, omfObject_t dataObject,
                    omfProperty_t property, omfType_t type) {
    if (validMedia(media) == nullptr) return OM_ERR_BAD_MEDIA_HANDLE;
    omfHdl_t dataFile = media->dataFile != nullptr ? media->dataFile : media->file;
    OMF_CHECK(media->file, streamOpenWithProcedures(stream, proceduresOf(dataFile), media,
                                                    dataObject, property, type));
    return 0;
}

omfErr_t streamOpenWithProcedures(CodecStream& stream, const StreamProcedures& procedures,
                                  omfMediaHdl_t media, omfObject_t dataObject,
                                  omfProperty_t property, omfType_t type) {
    if (validMedia(media) == nullptr) return OM_ERR_BAD_MEDIA_HANDLE;
    omfHdl_t file = media->file;
    if (procedures.open == nullptr) OMF_RAISE(file, OM_ERR_NULL_STREAM_CALLBACK);
    if (isOpen(stream) || !stream.cache.empty()) OMF_RAISE(file, OM_ERR_STREAM_REOPENED);

    stream.file = file;
    stream.dataFile = media->dataFile != nullptr ? media->dataFile : file;
    stream.media = media;
    stream.procedures = procedures;
    stream.position = 0;
    emptyCache(stream);
    stream.memoryFormat = StreamFormat{media->nullKind};
    stream.fileFormat = StreamFormat{media->nullKind};
    try {
        stream.cache.assign(kStreamCacheSize, 0);
    } catch (const std::bad_alloc&) {
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
    omfErr_t status = procedures.open(stream, dataObject, property, type);
    if (status != 0) {
        // Leave the stream closed, so that it can be opened again.
        std::vector<uint8_t>().swap(stream.cache);
        stream.procedureState.reset();
        return propagate(file, status, __FILE__, __LINE__);
    }
    stream.tag = kStreamTag;
    return 0;
}

omfErr_t streamClose(CodecStream& stream) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (stream.procedures.close == nullptr || stream.procedures.truncate == nullptr)
        OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    // The stream is closed even when its last data cannot be written; the
    // first failure is answered.
    omfErr_t status = streamFlush(stream);
    std::vector<uint8_t>().swap(stream.cache);
    stream.translators.reset();
    omfErr_t closeStatus = stream.procedures.close(stream);
    stream.procedureState.reset();
    stream.tag = 0;
    if (status == 0) status = closeStatus;
    if (status != 0) return propagate(stream.file, status, __FILE__, __LINE__);
    return 0;
}

omfErr_t streamRead(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead) {
    OMF_CHECK(stream.file, readBytes(stream, buffer, bytes, bytesRead, cacheCapacity(stream) + 1));
    return 0;
}

omfErr_t streamWrite(CodecStream& stream, const void* buffer, omfInt64 bytes) {
    OMF_CHECK(stream.file, writeBytes(stream, buffer, bytes, cacheCapacity(stream) + 1));
    return 0;
}

omfErr_t streamReadPiece(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead) {
    OMF_CHECK(stream.file, readBytes(stream, buffer, bytes, bytesRead, cacheCapacity(stream)));
    return 0;
}

omfErr_t streamWritePiece(CodecStream& stream, const void* buffer, omfInt64 bytes) {
    OMF_CHECK(stream.file, writeBytes(stream, buffer, bytes, cacheCapacity(stream)));
    return 0;
}

omfErr_t streamFlush(CodecStream& stream) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    bool unwritten = stream.cacheState == CacheState::unwrittenData && stream.cacheFill > 0;
    omfInt64 start = stream.cacheStart;
    auto fill = static_cast<omfInt64>(stream.cacheFill);
    emptyCache(stream);
    if (unwritten) OMF_CHECK(stream.file, writeThrough(stream, start, stream.cache.data(), fill));
    return 0;
}

omfErr_t streamSeek(CodecStream& stream, omfInt64 position) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (position < 0) OMF_RAISE(stream.file, OM_ERR_NEGATIVE_VALUE);
    bool insideCache = position >= stream.cacheStart && position < cacheEnd(stream);
    if (stream.cacheState == CacheState::readData && !insideCache) emptyCache(stream);
    stream.position = position;
    return 0;
}

omfErr_t streamSkip(CodecStream& stream, omfInt64 bytes) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (bytes > 0 && stream.position > std::numeric_limits<omfInt64>::max() - bytes)
        OMF_RAISE(stream.file, OM_ERR_INT64_TRUNCATION);
    OMF_CHECK(stream.file, streamSeek(stream, stream.position + bytes));
    return 0;
}

omfErr_t streamPosition(CodecStream& stream, omfInt64* position) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (position == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    *position = stream.position;
    return 0;
}

omfErr_t streamPosition32(CodecStream& stream, omfInt32* position) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (position == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    if (stream.position > std::numeric_limits<omfInt32>::max())
        OMF_RAISE(stream.file, OM_ERR_INT64_TRUNCATION);
    *position = static_cast<omfInt32>(stream.position);
    return 0;
}

omfErr_t streamLength(CodecStream& stream, omfInt64* length) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (length == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_PARAM);
    omfInt64 stored = 0;
    OMF_CHECK(stream.file, procedureLength(stream, &stored));
    // Unwritten bytes may reach past what the procedures hold so far.
    if (stream.cacheState == CacheState::unwrittenData) stored = std::max(stored, cacheEnd(stream));
    *length = stored;
    return 0;
}

omfErr_t streamTruncate(CodecStream& stream) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    if (stream.procedures.truncate == nullptr) OMF_RAISE(stream.file, OM_ERR_NULL_STREAM_CALLBACK);
    OMF_CHECK(stream.file, streamFlush(stream)); // also drops read data that is about to go
    OMF_CHECK(stream.file, seekProcedures(stream, stream.position));
    OMF_CHECK(stream.file, stream.procedures.truncate(stream));
    return 0;
}

omfErr_t streamSetBlockingSize(CodecStream& stream, uint32_t blockSize) {
    if (!isOpen(stream)) OMF_RAISE(stream.file, OM_ERR_STREAM_NOT_OPEN);
    stream.blockSize = blockSize;
    return 0;
}

bool streamWriting(const CodecStream& stream) {
    return isOpen(stream) && stream.cacheState == CacheState::unwrittenData && stream.cacheFill > 0;
}

} // namespace omf::media
