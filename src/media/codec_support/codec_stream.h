// The codec stream: a cached, positionable byte stream over one media data
// value (a value of the OMF file's container, or an external raw file), with
// an optional chain of format translators between the file's sample format
// and the caller's memory format.
//
// Reads and writes go through a 10240-byte cache: small reads are served
// from it, writes collect in it, transfers larger than it go straight to the
// stream procedures. Positions are 64-bit.
#pragma once

#include "omf/omf_media_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace omf::media {

struct CodecStream;

constexpr uint32_t kStreamTag = 0x5354524D; // "STRM"
constexpr size_t kStreamCacheSize = 10240;
constexpr size_t kTranslatorBufferSize = 10240;

// The routines a stream reads and writes its data through; each file has
// one set (the standard set unless a codec installed its own).
struct StreamProcedures {
    // Opens the data: `property`/`type` name the data value of `dataObject` in
    // an OMF file; a raw file is opened by its name ("wb+" when created, "rb" read).
    omfErr_t (*open)(CodecStream& stream, omfObject_t dataObject, omfProperty_t property,
                     omfType_t type);
    omfErr_t (*write)(CodecStream& stream, const void* buffer, omfInt64 bytes);
    // Reads up to `bytes`; fewer is OM_ERR_READ_PAST_END (container data) or
    // OM_ERR_END_OF_FILE (files), with `*bytesRead` the count that arrived.
    omfErr_t (*read)(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead);
    omfErr_t (*seek)(CodecStream& stream, omfInt64 position);
    omfErr_t (*length)(CodecStream& stream, omfInt64* length);
    omfErr_t (*truncate)(CodecStream& stream); // drops the data from the position on
    omfErr_t (*close)(CodecStream& stream);
    omfErr_t (*getPosition)(CodecStream& stream, omfInt64* position);
    omfErr_t (*flush)(CodecStream& stream);
};

// The standard set: container values of OMF files, raw files by name.
const StreamProcedures& standardStreamProcedures();

// One side of a translation: data kind (the handle's null kind: not set),
// format list (terminated by kOmfVFmtEnd), codec-defined extra, swap flag.
struct StreamFormat {
    omfObject_t kind = nullptr;
    const omfFormatEntry_t* list = nullptr;
    void* extra = nullptr;
    bool swap = false;
};

// A format translator of the chain (pixels, audio samples).
class FormatTranslator {
public:
    virtual ~FormatTranslator() = default;
    // Takes the formats of both sides (called whenever either is set);
    // `*active` tells whether data must be converted at all.
    virtual omfErr_t setFormats(const StreamFormat& memory, const StreamFormat& file,
                                bool* active) = 0;
    // The byte count on the file side for `memoryBytes` in memory, and back.
    virtual omfErr_t fileBytes(omfInt64 memoryBytes, omfInt64* fileBytes) = 0;
    virtual omfErr_t memoryBytes(omfInt64 fileBytes, omfInt64* memoryBytes) = 0;
    // Converts `in` into `out` (reading: file -> memory; writing: memory ->
    // file); `*produced` is the byte count written to `out`.
    virtual omfErr_t translate(bool reading, std::span<const uint8_t> in, std::span<uint8_t> out,
                               bool swap, size_t* produced) = 0;
};

struct TranslatorNode {
    bool active = false;
    std::unique_ptr<FormatTranslator> translator;
    std::vector<uint8_t> buffer; // kTranslatorBufferSize; a resize rounds up to a multiple of 4
    std::unique_ptr<TranslatorNode> next;
};

enum class CacheState { readData = 0, unwrittenData = 1, empty = 2 };

struct CodecStream {
    omfHdl_t file = nullptr;
    omfHdl_t dataFile = nullptr;
    omfMediaHdl_t media = nullptr;            // the handle the stream belongs to
    StreamProcedures procedures{};            // copied from the file's set at open
    std::unique_ptr<TranslatorNode> translators;
    uint32_t tag = 0;                         // kStreamTag while open
    StreamFormat memoryFormat, fileFormat;
    omfInt64 position = 0;
    CacheState cacheState = CacheState::empty;
    uint32_t blockSize = 0;                   // pre-allocation block; 0 = none
    std::vector<uint8_t> cache;               // kStreamCacheSize while open
    size_t cacheFill = 0;
    omfInt64 cacheStart = 0;
    // Statistics only.
    uint64_t reads = 0, cachedReads = 0, writes = 0, cachedWrites = 0;
    // State of the stream procedures (a container value or an open raw file).
    std::shared_ptr<void> procedureState;
};

// Opens the stream of `media` on a data value: the procedures come from the
// data file's set (the standard set when it has none).
omfErr_t streamOpen(CodecStream& stream, omfMediaHdl_t media, omfObject_t dataObject,
                    omfProperty_t property, omfType_t type);
// Opens the stream with `procedures` instead of the data file's set (a codec
// with its own data access, or a test observing the procedure calls).
omfErr_t streamOpenWithProcedures(CodecStream& stream, const StreamProcedures& procedures,
                                  omfMediaHdl_t media, omfObject_t dataObject,
                                  omfProperty_t property, omfType_t type);
omfErr_t streamClose(CodecStream& stream);

// Untranslated transfers at the position, which advances by the count.
// A read past the end copies what is there, reports it in `*bytesRead` and
// answers OM_ERR_END_OF_FILE.
omfErr_t streamRead(CodecStream& stream, void* buffer, omfInt64 bytes, omfInt64* bytesRead);
omfErr_t streamWrite(CodecStream& stream, const void* buffer, omfInt64 bytes);
omfErr_t streamFlush(CodecStream& stream);

omfErr_t streamSeek(CodecStream& stream, omfInt64 position);
omfErr_t streamSkip(CodecStream& stream, omfInt64 bytes); // relative; may be negative
omfErr_t streamPosition(CodecStream& stream, omfInt64* position);
omfErr_t streamPosition32(CodecStream& stream, omfInt32* position); // OM_ERR_INT64_TRUNCATION
omfErr_t streamLength(CodecStream& stream, omfInt64* length);
omfErr_t streamTruncate(CodecStream& stream);
omfErr_t streamSetBlockingSize(CodecStream& stream, uint32_t blockSize);

// Formats and translators.
omfErr_t streamSetMemoryFormat(CodecStream& stream, const StreamFormat& format);
omfErr_t streamSetFileFormat(CodecStream& stream, const StreamFormat& format);
omfErr_t streamAddTranslator(CodecStream& stream, std::unique_ptr<FormatTranslator> translator);
// Work buffer of every translator node, rounded up to a multiple of 4 bytes.
omfErr_t streamSetTranslatorBufferSize(CodecStream& stream, size_t bytes);
// File bytes for a memory byte count, and back, through the active translator
// (unchanged when none is active).
omfErr_t streamFileBytes(CodecStream& stream, omfInt64 memoryBytes, omfInt64* fileBytes);
omfErr_t streamMemoryBytes(CodecStream& stream, omfInt64 fileBytes, omfInt64* memoryBytes);

// Translated transfers: `fileBytes` bytes of the file move, converted, to or
// from `buffer` (`*memoryBytes` the memory bytes moved). Both formats must be
// set (OM_ERR_FORMATS_NOT_SET); the buffer must hold the converted size
// (OM_ERR_SAMPLE_TOO_LARGE). A read that meets the end translates what
// arrived, reports it and answers the end error.
omfErr_t streamReadTranslated(CodecStream& stream, omfInt64 fileBytes, void* buffer,
                              omfInt64 bufferSize, omfInt64* memoryBytes);
omfErr_t streamWriteTranslated(CodecStream& stream, omfInt64 fileBytes, const void* buffer,
                               omfInt64 bufferSize, omfInt64* memoryBytes);

// Converts data that is already in memory through the active translators:
// reading, `in` holds file-form data (a decompressed frame) and `out`
// receives the memory form; writing, the other way. `*produced` is the byte
// count written to `out` (OM_ERR_SAMPLE_TOO_LARGE when `out` is short).
// Without an active translator the bytes are copied.
omfErr_t streamTranslateBuffer(CodecStream& stream, bool reading, std::span<const uint8_t> in,
                               std::span<uint8_t> out, size_t* produced);

// Whether a translator of the chain converts data (formats differ).
bool streamTranslating(const CodecStream& stream);

// Whether the stream holds data not yet written (the file's typed setters
// refuse to write meanwhile, which would split the media data).
bool streamWriting(const CodecStream& stream);

} // namespace omf::media
