// The movie-services module's reading routines: movie files opened for
// reading, their tracks, sample tables and sample descriptions, stored
// samples, decoders delivering frames in a chosen pixel format, and
// timecode. Selectors 0x100..0x1FF of the dispatcher, each with its
// argument record. Header only, like movie_services.h.
#pragma once

#include "movie/movie_services.h"

#include <cstddef>
#include <cstdint>

namespace movie {

// Opaque objects the module hands out; each is freed by its own routine.
struct MovieReader;  // a movie file open for reading
struct FrameDecoder; // decodes one video track of a reader into frames

enum ReadingSelector : uint32_t {
    kFirstReadingSelector = 0x100,
    kOpenMovieReader = 0x100,      // OpenMovieReaderArgs
    kCloseMovieReader = 0x101,     // CloseMovieReaderArgs
    kGetTrackCount = 0x102,        // GetTrackCountArgs
    kGetTrackInfo = 0x103,         // GetTrackInfoArgs
    kGetSampleTiming = 0x104,      // GetSampleTimingArgs
    kGetSampleDescription = 0x105, // GetSampleDescriptionArgs
    kReadSample = 0x106,           // ReadSampleArgs
    kFindDecoder = 0x107,          // FindDecoderArgs
    kCreateFrameDecoder = 0x108,   // CreateFrameDecoderArgs
    kDecodeFrame = 0x109,          // DecodeFrameArgs
    kDisposeFrameDecoder = 0x10A,  // DisposeFrameDecoderArgs
    kReadTimecode = 0x10B,         // ReadTimecodeArgs
    kLastReadingSelector = 0x1FF,
};

// Results of the reading routines besides those of movie_services.h.
inline constexpr int32_t kNoMovieFound = -2048;           // not a movie file the module reads
inline constexpr int32_t kInvalidTrack = -2009;           // no track of that number
inline constexpr int32_t kInvalidSample = -2013;          // no sample of that number or time
inline constexpr int32_t kNoDecoder = -8969;              // no decoder for the track's codec
inline constexpr int32_t kDecodeFailed = -8970;           // the decoder gave no frame
inline constexpr int32_t kBufferTooSmall = -2014; // the caller's buffer cannot hold the answer

// Media types of tracks.
inline constexpr uint32_t kMediaVideo = FourCharCode("vide");
inline constexpr uint32_t kMediaSound = FourCharCode("soun");
inline constexpr uint32_t kMediaTimecode = FourCharCode("tmcd");   // 32-bit frame numbers
inline constexpr uint32_t kMediaTimecode64 = FourCharCode("tc64"); // 64-bit frame numbers
inline constexpr uint32_t kMediaOther = FourCharCode("data");

struct OpenMovieReaderArgs {
    const char* path;
    MovieReader** reader; // receives the reader
};

struct CloseMovieReaderArgs {
    MovieReader* reader; // may be null
};

struct GetTrackCountArgs {
    MovieReader* reader;
    int32_t* count;
};

struct TrackInfo {
    uint32_t mediaType;    // kMedia...
    int32_t width, height; // video: the track's size in pixels
    int32_t timeScale;     // media time units per second
    int64_t duration;      // media units
    int64_t sampleCount;
    double xScale, yScale; // the track matrix's scales (1.0 without one)
};

// Tracks are numbered from 1 in file order.
struct GetTrackInfoArgs {
    MovieReader* reader;
    int32_t track;
    TrackInfo* info;
};

struct SampleTiming {
    int64_t time;     // media units from the track's first sample
    int64_t duration; // media units
    int32_t keyFrame; // 1 when decoding may start at this sample
    int32_t size;     // stored bytes
};

// Samples are numbered from 0 in time order.
struct GetSampleTimingArgs {
    MovieReader* reader;
    int32_t track;
    int64_t sample;
    SampleTiming* timing;
};

// The track's first sample description. Colour codes are those of the
// "nclc" colour parameters, -1 when the file gives none; the pixel spacing
// is that of "pasp", 0 when absent.
struct SampleDescription {
    uint32_t codecType;
    int32_t depth;
    int32_t width, height;
    int32_t primaries, transfer, matrix;
    int32_t horizontalSpacing, verticalSpacing;
};

struct GetSampleDescriptionArgs {
    MovieReader* reader;
    int32_t track;
    SampleDescription* description;
};

// Copies a sample's stored bytes. With `data` null only its size is told.
struct ReadSampleArgs {
    MovieReader* reader;
    int32_t track;
    int64_t sample;
    void* data;
    size_t capacity;
    size_t* size; // receives the sample's size
};

inline constexpr int kMaxDecoderPixelFormats = 13;
inline constexpr size_t kDecoderNameSize = 64;

// The decoder for a codec type: its name, and the pixel formats it gives
// without loss, best first. With a reader and track, the formats suit that
// track's stored samples.
struct DecoderInfo {
    char name[kDecoderNameSize]; // zero-terminated
    int32_t pixelFormatCount;
    uint32_t pixelFormats[kMaxDecoderPixelFormats];
};

struct FindDecoderArgs {
    uint32_t codecType;
    MovieReader* reader; // may be null
    int32_t track;
    DecoderInfo* info;
};

// A decoder for a video track giving frames in `pixelFormat` (one of the 13
// delivered formats: 24, 32, "24BG", "2vuy", "ABGR", "BGRA", "RGBA",
// "b48r", "b64a", "r408", "v210", "v408", "v410"); any other answers
// kPixelFormatNotAccepted. Frames are height rows of rowBytes bytes (a
// multiple of 16).
struct CreateFrameDecoderArgs {
    MovieReader* reader;
    int32_t track;
    uint32_t pixelFormat;
    FrameDecoder** decoder;
    int32_t* rowBytes; // receives the row length
    int32_t* height;   // receives the row count
};

// Decodes the frame shown at media time `time` (units of the track) into
// `pixels`. Moving forward decodes on; moving back, or far ahead, starts
// again from the key frame before the time.
struct DecodeFrameArgs {
    FrameDecoder* decoder;
    int64_t time;
    void* pixels;
    size_t capacity;
};

struct DisposeFrameDecoderArgs {
    FrameDecoder* decoder; // may be null
};

inline constexpr size_t kTimecodeTextSize = 100;

// The timecode of a timecode track at `time` (`timeScale` units a second),
// as text "HH:MM:SS:FF" (";" before the frames when frames are dropped).
struct ReadTimecodeArgs {
    MovieReader* reader;
    int32_t track;
    int64_t time;
    int32_t timeScale;
    char* text; // receives the zero-terminated text
    size_t capacity;
};

} // namespace movie
