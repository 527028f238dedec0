// The directory of a TIFF image we write, in bytes: what it describes, the
// bytes that follow the frame data (JPEG tables, the directory, its
// values), and the descriptor's summary (a header and the directory
// without the JPEG tables and frame index).
#pragma once

#include "jpeg/jpeg_tables.h"
#include "tiff/byte_order.h"
#include "tiff/image_description.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::tiff {

struct DirectoryContents {
    uint32_t width = 0;
    uint32_t height = 0;
    Compression compression = Compression::none;
    uint32_t firstStrip = 0;
    uint32_t stripBytes = 0; // bytes of the first frame
    uint32_t layoutCode = 0;
    bool writeRate = false; // media of more than one frame
    omfRational_t rate{0, 1};
    const jpeg::TableSet* tables = nullptr; // JPEG media
    std::vector<uint32_t> frameIndex;       // JPEG media, offsets from the image's byte 8
};

// The bytes written at `base`, after the frames, and the directory's offset.
std::vector<uint8_t> imageDirectoryBytes(const DirectoryContents& contents, const ByteOrder& order,
                                         int64_t base, int64_t* directoryOffset);

// The descriptor's Summary: a header whose directory follows it at byte 8,
// then the values the directory points to.
std::vector<uint8_t> summaryBytes(const DirectoryContents& contents, const ByteOrder& order);

} // namespace omf::codecs::tiff
