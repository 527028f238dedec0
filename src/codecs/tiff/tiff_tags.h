// The TIFF vocabulary of the TIFF codec: header, field types, the tags its
// images use (the standard ones and the private frame-index, layout, rate
// and 16-bit table tags), and the codes those tags hold.
#pragma once

#include "omf/omf_media_types.h"

#include <cstdint>

namespace omf::codecs::tiff {

// Header: byte-order mark, the number 42, the 32-bit offset of the directory.
inline constexpr uint8_t kLittleEndianMark[2] = {'I', 'I'};
inline constexpr uint16_t kTiffVersion = 42;
inline constexpr int64_t kHeaderBytes = 8;
// Frame-index offsets count from the byte after the header.
inline constexpr int64_t kIndexBase = kHeaderBytes;
// Stored frame-index offsets keep the top bit for other uses.
inline constexpr uint32_t kIndexOffsetMask = 0x7FFFFFFF;

// A directory: 16-bit entry count, 12-byte entries, 32-bit offset of the next one.
inline constexpr int64_t kEntryBytes = 12;
inline constexpr int64_t kEntryCountBytes = 2;
inline constexpr int64_t kNextDirectoryBytes = 4;
// Values of at most this many bytes sit in the entry itself.
inline constexpr int64_t kInlineValueBytes = 4;

// Field types.
enum FieldType : uint16_t {
    kTypeShort = 3,
    kTypeLong = 4,
    kTypeRational = 5,
    kTypeSignedLong = 9,
};

enum Tag : uint16_t {
    kTagImageWidth = 256,
    kTagImageLength = 257,
    kTagBitsPerSample = 258,
    kTagCompression = 259,
    kTagPhotometric = 262,
    kTagStripOffsets = 273,
    kTagSamplesPerPixel = 277,
    kTagRowsPerStrip = 278,
    kTagStripByteCounts = 279,
    kTagXResolution = 282,
    kTagYResolution = 283,
    kTagResolutionUnit = 296,
    kTagJpegProc = 512,
    kTagJpegQTables = 519,
    kTagJpegDcTables = 520,
    kTagJpegAcTables = 521,
    kTagYCbCrSubSampling = 530,
    // Private tags of OMF images.
    kTagFrameIndex = 34432,
    kTagFrameLayout = 34434,
    kTagSampleRate = 34435,
    kTagQuant16Tables = 34436,
};
// The private tags 34432 to 34436: their presence marks a directory whose
// size, compression, photometric and strip values are 32-bit.
inline constexpr uint16_t kFirstPrivateTag = 34432;
inline constexpr uint16_t kLastPrivateTag = 34436;

// Compression codes: 1 and 65536 uncompressed, 6 and 7 JPEG; we write 1 and 6.
inline constexpr uint32_t kCompressionNone = 1;
inline constexpr uint32_t kCompressionNoneAlternate = 65536;
inline constexpr uint32_t kCompressionJpeg = 6;
inline constexpr uint32_t kCompressionJpegAlternate = 7;

// JPEGProc: baseline sequential JPEG, the only process allowed.
inline constexpr uint32_t kJpegProcBaseline = 1;

// Photometric interpretation written: RGB pixels, or Y'CbCr inside JPEG frames.
inline constexpr uint16_t kPhotometricRgb = 2;
inline constexpr uint16_t kPhotometricYCbCr = 6;

// Every image holds three 8-bit components.
inline constexpr uint32_t kSamplesPerPixel = 3;
inline constexpr uint32_t kBitsPerSample = 8;
inline constexpr omfInt32 kPixelBits = 24;

// Resolution as written: the aspect ratio's terms over a zero denominator, in inches.
inline constexpr uint32_t kXResolutionNumerator = 4;
inline constexpr uint32_t kYResolutionNumerator = 3;
inline constexpr uint32_t kResolutionDenominator = 0;
inline constexpr uint16_t kResolutionUnitInch = 2;

// Chroma at half width, full height, as the JPEG frames are compressed.
inline constexpr uint16_t kYCbCrSubSampling[2] = {2, 1};
inline constexpr int kHorizontalSubsampling = 2;

// Frame layout codes of tag 34434.
inline constexpr uint32_t kLayoutCodeFullFrame = 1;
inline constexpr uint32_t kLayoutCodeOneField = 2;
inline constexpr uint32_t kLayoutCodeSeparateFields = 4;

// The frame layout a code stands for; false for codes without one.
bool layoutOfCode(uint32_t code, omfInt32* layout);
// The code of a frame layout; false for layouts without one (mixed fields).
bool codeOfLayout(omfInt32 layout, uint32_t* code);

} // namespace omf::codecs::tiff
