// Reading frame-indexed media as stored: the frame at the index's cursor
// moved whole into a caller's buffer, and one frame's size answered, for
// every codec that finds its frames through a FrameIndex.
#pragma once

#include "jpeg/frame_index.h"
#include "media/codec_support/codec_stream.h"

namespace omf::codecs::jpeg {

// Reads the frame at the cursor exactly as stored and advances the cursor:
// one frame per call, counted in `transfer`; a request for more than one
// then answers OM_ERR_ONE_SAMPLE_COMPRESSED_READ. OM_ERR_SAMPLE_TOO_LARGE
// when the frame does not fit the buffer, which the caller has checked.
omfErr_t readStoredFrame(omfHdl_t file, media::CodecStream& stream, FrameIndex& index,
                         omfmMultiXfer_t& transfer);

// The byte size of 1-based frame `frameNumber` (OM_ERR_INT64_TRUNCATION
// beyond 32 bits).
omfErr_t storedFrameSize(omfHdl_t file, const FrameIndex& index, omfInt64 frameNumber,
                         omfInt32* size);

} // namespace omf::codecs::jpeg
