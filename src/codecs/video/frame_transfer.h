// Moving whole uncompressed frames between a caller's buffer and the codec
// stream, through the stream's pixel translator. A frame moves as one
// piece when its fields lie next to each other (so the translator can
// re-interleave them), else field by field with the client fill and
// alignment padding skipped on reading and written as zeros on writing.
#pragma once

#include "media/codec_support/codec_stream.h"
#include "video/frame_placement.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::video {

// Reads `transfer.numSamples` frames at the stream's position into
// `transfer.buffer`. The buffer must hold their converted size
// (OM_ERR_SAMPLE_TOO_LARGE). A read that meets the end of the data reports
// the bytes and whole frames that arrived, then answers the stream's error.
// `layoutsDiffer` tells that the memory frame layout is not the stored one.
omfErr_t readFrames(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                    bool layoutsDiffer, omfmMultiXfer_t& transfer);

// Writes `transfer.numSamples` frames from `transfer.buffer` at the
// stream's position; `zeros` is the codec's padding source, grown as needed.
omfErr_t writeFrames(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                     bool layoutsDiffer, omfmMultiXfer_t& transfer, std::vector<uint8_t>& zeros);

// Writes `count` zero bytes at the stream's position.
omfErr_t writeZeros(omfHdl_t file, media::CodecStream& stream, std::vector<uint8_t>& zeros,
                    omfInt64 count);

// Moves the stream's position up to the next alignment boundary; `zeros`
// null skips, else the gap is written as zeros.
omfErr_t alignStream(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                     std::vector<uint8_t>* zeros);

} // namespace omf::codecs::video
