// The movie-services module's writing routines: movie files with video,
// sound and timecode tracks, compression sessions, the codec catalogue and
// its settings, a compress-and-decompress preview, and single DV frames.
// Selectors 0x200..0x2FF of the dispatcher, each with its argument record.
// Header only, like movie_services.h.
#pragma once

#include "movie/movie_services.h"

#include <cstddef>
#include <cstdint>

namespace movie {

// Opaque objects the module hands out; each is freed by its own routine.
struct MovieWriter;        // an open movie file being written
struct CompressionSession; // an encoder feeding a writer's video track
struct CodecNameList;      // the codec catalogue as a list

enum WritingSelector : uint32_t {
    kFirstWritingSelector = 0x200,
    kCreateMovieFile = 0x200,          // CreateMovieFileArgs
    kAddVideoTrack = 0x201,            // AddVideoTrackArgs
    kAddSoundTrack = 0x202,            // AddSoundTrackArgs
    kAddTimecodeTrack = 0x203,         // AddTimecodeTrackArgs
    kCreateCompressionSession = 0x204, // CreateCompressionSessionArgs
    kEncodeFrame = 0x205,              // EncodeFrameArgs
    kAddRawVideoSample = 0x206,        // AddRawVideoSampleArgs
    kSetVideoColour = 0x207,           // SetVideoColourArgs
    kAddSoundSamples = 0x208,          // AddSoundSamplesArgs
    kAddTimecodeSample = 0x209,        // AddTimecodeSampleArgs
    kCloseMovieFile = 0x20A,           // CloseMovieFileArgs
    kGetCodecNameList = 0x210,         // GetCodecNameListArgs
    kDisposeCodecNameList = 0x211,     // DisposeCodecNameListArgs
    kGetCodecInfo = 0x212,             // GetCodecInfoArgs
    kCodecSettingsDialog = 0x213,      // CodecSettingsDialogArgs
    kGetDefaultCodecSettings = 0x214,  // CodecSettingsArgs
    kDisposeCodecSettings = 0x215,     // CodecSettingsArgs
    kPreviewFrame = 0x220,             // PreviewFrameArgs
    kDecodeDVFrame = 0x230,            // DecodeDVFrameArgs
    kEncodeDVFrame = 0x231,            // EncodeDVFrameArgs
    kMaxDVFrameSize = 0x232,           // MaxDVFrameSizeArgs
    kLastWritingSelector = 0x2FF,
};

// Results of the writing routines besides those of movie_services.h.
inline constexpr int32_t kFileError = -36;                // the file cannot be created or written
inline constexpr int32_t kNoCodec = -8961;                // no codec of that type
inline constexpr int32_t kCodecError = -8960;             // the codec refused its work
inline constexpr int32_t kBadDVFrame = -8972;             // not a whole DV frame of the stated size
inline constexpr int32_t kBadSettings = -8973;            // settings the codec does not know

// Pixel format codes: 24 and 32 are packed R G B and A R G B, the others
// four-character codes.
inline constexpr uint32_t kPixel24RGB = 24;
inline constexpr uint32_t kPixel32ARGB = 32;
inline constexpr uint32_t kPixel2vuy = FourCharCode("2vuy"); // 8-bit Cb Y' Cr Y'
inline constexpr uint32_t kPixelV210 = FourCharCode("v210"); // 10-bit 4:2:2, 6 pixels in 16 bytes
inline constexpr uint32_t kPixelV410 = FourCharCode("v410"); // 10-bit 4:4:4, one word a pixel
inline constexpr uint32_t kPixelB48r = FourCharCode("b48r"); // 16-bit R G B, big-endian
inline constexpr uint32_t kPixelB64a = FourCharCode("b64a"); // 16-bit A R G B, big-endian

// Codec qualities, 1 (least) to 1024 (lossless).
inline constexpr int32_t kMinCodecQuality = 1;
inline constexpr int32_t kMaxCodecQuality = 1024;

struct CreateMovieFileArgs {
    const char* path;      // the file written (created anew, an existing one replaced)
    const char* finalPath; // when set, the file is moved here at close with its header first
    int32_t timeScale;     // movie time units per second
    MovieWriter** writer;  // receives the writer
};

struct AddVideoTrackArgs {
    MovieWriter* writer;
    int32_t width, height;
    int32_t timeScale;     // media time units per second
    int32_t frameDuration; // units of one frame
    double xScale, yScale; // the track matrix scales
};

struct AddSoundTrackArgs {
    MovieWriter* writer;
    int32_t sampleRate;
    int32_t channels;
    int32_t sampleBits; // 8, 16 or 24 (signed integer) or 32 (float)
};

struct AddTimecodeTrackArgs {
    MovieWriter* writer;
    int32_t timeScale;
    int32_t frameDuration;
    int32_t framesPerSecond; // 1..255
};

struct CreateCompressionSessionArgs {
    MovieWriter* writer; // whose video track gets the frames
    uint32_t codecType;
    uint32_t pixelFormat;     // of the frames given; 0 = the codec's first
    int32_t quality;          // kMinCodecQuality .. kMaxCodecQuality
    int32_t keyFrameInterval; // 0 = the codec's default
    int64_t averageDataRate;  // bytes per second, 0 = no limit
    int32_t allowReordering;  // frames may be reordered (B-frames)
    const void* settings;     // codec settings (text), may be null
    size_t settingsSize;
    CompressionSession** session; // receives the session
    uint32_t* bufferPixelFormat;  // receives the format frames are given in
    int32_t* bufferRowBytes;      // and their bytes per row
};

struct EncodeFrameArgs {
    CompressionSession* session;
    const void* pixels; // height rows of bufferRowBytes bytes
    size_t size;
    int64_t displayTime; // media units
    int32_t duration;
};

struct AddRawVideoSampleArgs {
    MovieWriter* writer;
    uint32_t pixelFormat; // kPixelV210 or kPixelV410: stored as the codec type
    int32_t rowBytes;
    const void* data;
    size_t size;
    int32_t duration;
};

// Colour codes 0..255 as in the "nclc" parameters; a negative code is
// unset. Gamma applies when transfer is 2 (unspecified), 0 = none.
struct SetVideoColourArgs {
    MovieWriter* writer;
    int32_t primaries, transfer, matrix;
    double gamma;
};

struct AddSoundSamplesArgs {
    MovieWriter* writer;
    const void* data; // interleaved, big-endian
    size_t size;
    int32_t samples; // frames of all channels
};

struct AddTimecodeSampleArgs {
    MovieWriter* writer;
    uint32_t frameNumber; // stored as 4 bytes big-endian
    int32_t duration;
};

// Finishes the session (if any) and the file and frees both.
struct CloseMovieFileArgs {
    MovieWriter* writer;
    CompressionSession* session;
};

// One catalogue entry: 44 bytes.
struct CodecNameEntry {
    uint32_t component; // the codec's component (its index in the catalogue, from 1)
    uint32_t codecType;
    unsigned char name[36]; // length-prefixed text
};
static_assert(sizeof(CodecNameEntry) == 44);

struct CodecNameList {
    int32_t count;
    CodecNameEntry* entries;
};

struct GetCodecNameListArgs {
    CodecNameList** list;
};

struct DisposeCodecNameListArgs {
    CodecNameList* list;
};

// Compression flags.
inline constexpr int32_t kCodecCompresses = 1 << 0;    // reduces the data (not a raw layout)
inline constexpr int32_t kCodecLossless = 1 << 1;      // decodes to the exact input
inline constexpr int32_t kCodecTemporal = 1 << 2;      // frames may depend on others
inline constexpr int32_t kCodecRateConstrain = 1 << 3; // honours a data rate
// Format flags: the depths the codec takes.
inline constexpr int32_t kFormatDepth24 = 1 << 5;
inline constexpr int32_t kFormatDepth32 = 1 << 6;
inline constexpr int32_t kFormatYCbCr = 1 << 8;
inline constexpr int32_t kFormatDeep = 1 << 9; // more than 8 bits a component

inline constexpr int kMaxCodecPixelFormats = 8;

struct CodecInfo {
    int32_t compressFlags;
    int32_t formatFlags;
    int32_t hasSettings; // the codec has settings of its own
    int32_t pixelFormatCount;
    uint32_t pixelFormats[kMaxCodecPixelFormats]; // the formats it takes, best first
};

struct GetCodecInfoArgs {
    uint32_t codecType;
    uint32_t component; // 0 = the first of the type
    CodecInfo* info;
};

// Settings as the module hands them out: bytes it allocated, freed with
// kDisposeCodecSettings.
struct CodecSettingsArgs {
    uint32_t codecType;
    uint32_t component;
    void** settings;
    size_t* settingsSize;
};

// The settings dialog. There is no display: the dialog checks the settings
// and answers them as accepted.
struct CodecSettingsDialogArgs {
    uint32_t codecType;
    uint32_t component;
    const void* settings; // the current settings, may be null
    size_t settingsSize;
    void** accepted; // receives the accepted settings (kDisposeCodecSettings)
    size_t* acceptedSize;
};

struct PreviewFrameArgs {
    uint32_t codecType;
    const void* settings;
    size_t settingsSize;
    int32_t quality;
    int32_t keyFrameInterval;
    int64_t averageDataRate;
    int32_t timeScale, frameDuration;
    int32_t depth; // 32 keeps alpha, 24 drops it
    int32_t width, height;
    const void* pixels; // A R G B rows of rowBytes
    int32_t rowBytes;
    void* decoded; // receives the decoded frame as A R G B rows of rowBytes
};

// A DV frame decoded into A R G B rows, in frame order.
struct DecodeDVFrameArgs {
    const void* data;
    size_t size;
    int32_t width, height; // must be the frame's own
    void* pixels;
    int32_t rowBytes;
};

// A R G B rows encoded as one DV frame of the codec type ("dvc " 480 lines,
// "dvcp" 576 lines).
struct EncodeDVFrameArgs {
    uint32_t codecType;
    const void* pixels;
    int32_t rowBytes;
    int32_t width, height;
    void* data;
    size_t capacity;
    size_t* size; // receives the frame's size
};

struct MaxDVFrameSizeArgs {
    uint32_t codecType;
    int32_t width, height;
    size_t* size;
};

} // namespace movie
