// Types shared by the media calls, the codecs and the translators: media
// handles, sample transfers and format lists. Enumerations are 32-bit: their
// values come from files and callers, so any 32-bit value must be one a
// variable of the type can hold.
#pragma once

#include "omf/omf_mobs.h"
#include "omf/omf_types.h"

#include <cstring>

extern "C" {

typedef struct omfMediaRec* omfMediaHdl_t;

// Open modes of a media handle.
typedef enum : omfInt32 {
    kMediaOpenReadOnly = 0,
    kMediaCreated = 1, // written
    kMediaOpenAppend = 2,
    kMediaNotOpen = 3,
} omfMediaOpenMode_t;

// One channel's part of a sample transfer.
typedef struct {
    omfInt16 subTrackNum; // channel number, from 1
    omfInt32 numSamples;  // samples requested
    omfInt32 buflen;      // buffer size in bytes
    void* buffer;
    omfInt32 samplesXfered; // out
    omfInt32 bytesXfered;   // out
} omfmMultiXfer_t;

// Video format codes: the operation codes of a format list entry.
typedef enum : omfInt32 {
    kOmfVFmtEnd = 0,
    kOmfPixelFormat = 1,           // int32: kOmfPixRGBA or kOmfPixYUV
    kOmfFrameLayout = 2,           // int32: omfFrameLayout_t
    kOmfFieldDominance = 3,        // int32: field order code (written together with the line map)
    kOmfStoredRect = 4,            // rectangle (x, y are 0)
    kOmfSampledRect = 5,           // rectangle
    kOmfDisplayRect = 6,           // rectangle
    kOmfPixelSize = 7,             // int16: bits per pixel
    kOmfAspectRatio = 8,           // rational: image aspect ratio
    kOmfAlignmentFactor = 11,      // int32: image alignment factor in bytes
    kOmfVideoLineMap = 12,         // two int32: first line of field 1, of field 2
    kOmfWillTransferLines = 13,    // byte
    kOmfIsCompressed = 14,         // byte
    kOmfLineLength = 15,           // int32: memory line stride in bytes (0 = rows packed)
    kOmfRGBCompLayout = 16,        // up to 8 component letters, zero-terminated ("ARGB")
    kOmfRGBCompSizes = 17,         // up to 8 component sizes in bits, zero-terminated
    kOmfCDCICompWidth = 21,        // int32: 8, 10 or 16
    kOmfCDCIHorizSubsampling = 22, // int32: 1 (4:4:4) or 2 (4:2:2)
    kOmfCDCIColorSiting = 23,      // int32
    kOmfCDCIBlackLevel = 24,       // int32
    kOmfCDCIWhiteLevel = 25,       // int32
    kOmfCDCIColorRange = 26,       // int32
    kOmfCDCIPadBits = 27,          // int16
} omfVideoFmtOpcode_t;

// Pixel formats (kOmfPixelFormat).
typedef enum : omfInt32 {
    kOmfPixNone = 0,
    kOmfPixRGBA = 1, // component letters and sizes apply
    kOmfPixYUV = 2,  // Y'CbCr
} omfPixelFormat_t;

// Frame layouts; separated and mixed fields hold two fields per frame.
typedef enum : omfInt32 {
    kOmfFullFrame = 1,
    kOmfSeparateFields = 2,
    kOmfOneField = 3,
    kOmfMixedFields = 4,
} omfFrameLayout_t;

typedef struct {
    omfInt32 xOffset;
    omfInt32 yOffset;
    omfInt32 xSize; // width
    omfInt32 ySize; // height
} omfRect_t;

// One 24-byte entry of a format list; a list ends with opcode kOmfVFmtEnd.
typedef struct {
    omfInt32 opcode;
    union {
        omfInt32 int32;
        omfInt16 int16;
        omfUInt8 byte;
        omfRational_t ratio;
        omfRect_t rect;
        omfInt32 lineMap[2];
        char compLayout[8];    // letters, zero-terminated when shorter than 8
        omfUInt8 compSizes[8]; // sizes in bits, zero-terminated when shorter than 8
        omfUInt8 raw[20];
    } operand;
} omfFormatEntry_t;
static_assert(sizeof(omfFormatEntry_t) == 24, "format list entries are 24 bytes");

// A format-list entry of `opcode` with every operand byte zero, for the caller to fill in.
inline omfFormatEntry_t omfmFormatEntry(omfInt32 opcode) {
    omfFormatEntry_t entry;
    std::memset(&entry, 0, sizeof entry);
    entry.opcode = opcode;
    return entry;
}

// Lists kept by codecs hold at most this many entries (the terminator not counted).
constexpr omfInt32 kOmfMaxFormatEntries = 33;

// The JPEG table record of info selector 2: one component's quantisation
// table (zig-zag order; 64 one-byte entries, or 64 16-bit entries in host
// order when its length is 128) and Huffman tables (16 code-length counts
// followed by the symbols: 28 bytes for DC, 178 for AC). getInfo fills it
// with fresh copies allocated by std::malloc, which the caller frees with
// std::free; putInfo copies the caller's tables.
typedef struct {
    omfUInt32 component; // 0 luminance, 1 chrominance
    omfUInt8* quantTable;
    omfUInt8* acTable;
    omfUInt8* dcTable;
    omfInt16 quantLength;
    omfInt16 acLength;
    omfInt16 dcLength;
} omfJPEGTables_t;
static_assert(sizeof(omfJPEGTables_t) == 40, "JPEG table records are 40 bytes");

// The record of info selector 10: the stored size of one frame of
// frame-indexed media.
typedef struct {
    omfObject_t mediaKind;
    omfInt64 frameNumber; // 1-based
    omfInt32 frameSize;   // out
} omfFrameSizeInfo_t;

} // extern "C"
