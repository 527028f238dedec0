// What the directory of a TIFF image says about its frames: size, byte
// order, compression, photometric value, where the first frame starts,
// frame layout, JPEG tables and the frame index.
#pragma once

#include "jpeg/jpeg_tables.h"
#include "media/codec_support/codec_stream.h"
#include "tiff/byte_order.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::tiff {

enum class Compression { none, jpeg };

struct ImageDescription {
    ByteOrder order;
    uint32_t width = 0;
    uint32_t height = 0; // rows of one field for two-field layouts
    Compression compression = Compression::none;
    uint32_t photometric = 0;
    uint32_t firstStrip = 0;
    omfInt32 layout = kOmfFullFrame;
    jpeg::TableSet tables = jpeg::annexKTables(); // the image's own replace these
    std::vector<int64_t> frameIndex;              // stream offsets of the frames and their end
};

// Reads the image at the stream's start. Errors: OM_ERR_TIFF_VERSION,
// OM_ERR_3_COMPONENT_VIDEO_ONLY (BitsPerSample or a table tag without three
// values), OM_ERR_24BIT_VIDEO_ONLY, OM_ERR_UNKNOWN_FILE_COMPRESSION,
// OM_ERR_JPEG_FIELDS_NOT_JPEG (JPEGProc without compression 6),
// OM_ERR_BASELINE_JPEG_ONLY, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT,
// OM_ERR_TIFF_COUNT (an entry without values), OM_ERR_BAD_JPEG_QUANT_TABLE,
// OM_ERR_BAD_JPEG_DC_TABLE, OM_ERR_BAD_JPEG_AC_TABLE (a table outside the
// image) and OM_ERR_READ_PAST_END (other values outside it).
omfErr_t readImageDescription(omfHdl_t file, media::CodecStream& stream, ImageDescription* image);

} // namespace omf::codecs::tiff
