// JPEG frames of TIFF media: each field one baseline JPEG image with its
// tables (the directory holds them as well), frames back to back and found
// through the frame index. Decoded transfers move whole frames
// between the caller's memory format and the stored RGB form through the
// stream's translator; raw transfers move one stored frame unchanged.
#pragma once

#include "tiff/tiff_state.h"

namespace omf::codecs::tiff {

// Reads frames from the index cursor on. Raw: one frame per call
// (OM_ERR_ONE_SAMPLE_COMPRESSED_READ after it when more were asked);
// decoded: OM_ERR_DECOMPRESS_FAILED when an image cannot be decoded.
// OM_ERR_NO_JPEG_FRAME_INDEX without an index, OM_ERR_FRAME_INDEX_OUT_OF_RANGE
// past its end, OM_ERR_SAMPLE_TOO_LARGE for a short buffer.
omfErr_t readJpegFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                        omfmMultiXfer_t& transfer);

// Writes frames at the stream's position and adds the position after
// each to the index. Raw: exactly one frame per call
// (OM_ERR_ONE_SAMPLE_COMPRESSED_WRITE). A frame that fails to compress
// leaves the index as it was.
omfErr_t writeJpegFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                         omfmMultiXfer_t& transfer);

} // namespace omf::codecs::tiff
