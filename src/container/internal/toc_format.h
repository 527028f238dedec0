// Constants of the container file format: label and TOC entry codes.
#pragma once

#include "container/cm_types.h"

#include <cstdio>
#include <string>

namespace container {

// The 24-byte label at the very end of the stream.
constexpr CMSize kLabelSize = 24;
constexpr unsigned char kLabelMagic[8] = {0xA4, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};
// The extended label before it, present when the TOC end needs 64 bits.
constexpr unsigned char kExtendedLabelMagic[8] = {0xA5, 0x43, 0x4D, 0xA5, 0x48, 0x64, 0x72, 0xD7};

// Code-byte TOC entry codes.
enum TocCode : uint8_t {
    kNewObject = 1,           // object, property, type IDs
    kNewProperty = 2,         // property, type IDs
    kNewType = 3,             // type ID
    kGeneration = 4,          // generation of the following values
    kSegment32 = 5,           // 32-bit offset, 32-bit length
    kContinued32 = 6,
    kSegment64Offset = 7,     // 64-bit offset (two words), 32-bit length
    kContinued64Offset = 8,
    kImmediate0 = 9,          // 9 to 13: immediate value of 0 to 4 bytes
    kImmediate4 = 13,
    kContinuedImmediate = 14, // continued immediate value, 4 bytes
    kValueFlags = 15,
    kEndOfBuffer = 24,        // skip to the end of the current TOC buffer
    kSegment64 = 25,          // 64-bit offset, 64-bit length
    kContinued64 = 26,
    kFiller = 255,
};

// Data bytes following each code (0 for codes without data or invalid codes).
constexpr uint8_t kTocDataLength[256] = {
    0, 12, 8, 4, 4, 8, 8, 12, 12, 0, 4, 4, 4, 4, 4, 4, // 0-15
    4, 4, 8, 8, 8, 12, 12, 12, 0, 16, 16,               // 16-26
};

// Version-1 TOC entries are fixed 24-byte records.
constexpr CMSize kVersion1EntrySize = 24;
enum Version1Flags : uint16_t { kVersion1Immediate = 0x0001, kVersion1Continued = 0x0002 };

// The default TOC buffer size of the writer.
constexpr CMSize kWriterTocBufferSize = 1024;

inline std::string magicText(const unsigned char* magic) {
    std::string text;
    char hex[3];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(hex, sizeof hex, "%02X", magic[i]);
        text += hex;
    }
    return text;
}

} // namespace container
