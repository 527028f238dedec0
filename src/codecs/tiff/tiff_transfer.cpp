// Positioning and frame transfers of TIFF media: JPEG frames through the
// frame index, uncompressed frames through the shared picture transfers
// (frame n at the first strip plus n - 1 frame sizes).
#include "tiff/tiff_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "tiff/jpeg_frames.h"
#include "video/codec_support.h"
#include "video/picture_transfer.h"

#include <new>

namespace omf::codecs::tiff {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media) {
    if (stateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

// Frames of no pixels or no bytes cannot be transferred.
omfErr_t checkSizes(omfHdl_t file, const TiffState& state) {
    if (state.pixelSize == 0) OMF_RAISE(file, OM_ERR_ZERO_PIXEL_SIZE);
    if (state.frameSize == 0) OMF_RAISE(file, OM_ERR_ZERO_SAMPLE_SIZE);
    return 0;
}

// Entry `frame - 1` of the index: where 1-based frame `frame` starts (the
// entry after the last frame is where the next one would).
omfErr_t indexEntry(omfHdl_t file, const TiffState& state, omfInt64 frame, omfInt64* offset) {
    if (frame < 1 || frame > omfInt64(state.index.entryCount()))
        OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    *offset = state.index.entry(size_t(frame - 1));
    return 0;
}

} // namespace

omfErr_t tiffFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkState(file, media));
    const TiffState& state = *stateOf(media);
    if (!state.jpeg()) return video::pictureFrameOffset(parms, media, file);
    auto& request = parms->spc.frameOffset;
    OMF_CHECK(file, indexEntry(file, state, request.frameNumber, &request.offset));
    return 0;
}

omfErr_t tiffSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkState(file, media));
    TiffState& state = *stateOf(media);
    if (!state.jpeg()) return video::pictureSetFrame(parms, media, file);
    const omfInt64 frame = parms->spc.setFrame.frameNumber;
    omfInt64 offset = 0;
    OMF_CHECK(file, indexEntry(file, state, frame, &offset));
    OMF_CHECK(file, state.index.seekFrame(file, frame - 1));
    OMF_CHECK(file, media::streamSeek(media->stream, offset));
    return 0;
}

omfErr_t tiffReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    TiffState& state = *stateOf(media);
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, video::singleTransfer(file, parms, &transfer));
    OMF_CHECK(file, checkSizes(file, state));
    if (!state.jpeg()) return video::pictureReadSamples(parms, media, file);
    OMF_CHECK(file, readJpegFrames(file, media, state, *transfer));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t tiffWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    TiffState& state = *stateOf(media);
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, video::singleTransfer(file, parms, &transfer));
    OMF_CHECK(file, checkSizes(file, state));
    // From the first frame on, the image holds frames of one compression.
    state.compressionFixed = true;
    if (!state.jpeg()) return video::pictureWriteSamples(parms, media, file);
    OMF_CHECK(file, writeJpegFrames(file, media, state, *transfer));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::tiff
