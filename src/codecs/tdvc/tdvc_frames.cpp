// Positioning and reading DV media: frames leave the codec exactly as
// stored, one per call, at the positions of the computed frame index.
#include "tdvc/tdvc_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"

#include <new>

namespace omf::codecs::tdvc {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media, TdvcState** state) {
    *state = stateOf(media);
    if (*state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

// The index position of 1-based frame `frame`: its start, or for the frame
// after the last one the end of the data.
omfErr_t frameStart(omfHdl_t file, const TdvcState& state, omfInt64 frame, omfInt64* start) {
    if (frame < 1 || uint64_t(frame) > state.index.entryCount()) {
        OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    }
    *start = state.index.entry(size_t(frame - 1));
    return 0;
}

} // namespace

omfErr_t readSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    TdvcState* state = nullptr;
    OMF_CHECK(file, checkState(file, media, &state));
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, video::singleTransfer(file, parms, &transfer));
    transfer->samplesXfered = 0;
    transfer->bytesXfered = 0;
    // The frames are compressed either way; a caller asking for them raw
    // has the wrong idea of this codec.
    if (media->rawTransfer != 0) OMF_RAISE(file, OM_ERR_JPEG_DISABLED);
    if (state->componentWidth == 0) OMF_RAISE(file, OM_ERR_ZERO_PIXEL_SIZE);
    if (state->frameSampleSize == 0) OMF_RAISE(file, OM_ERR_ZERO_SAMPLE_SIZE);
    if (transfer->numSamples <= 0) return 0;

    omfInt64 start = 0, size = 0;
    OMF_CHECK(file, state->index.frameBounds(file, state->index.cursor(), &start, &size));
    if (transfer->buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (size > transfer->buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    OMF_CHECK(file, media::streamSeek(media->stream, start));
    omfInt64 read = 0;
    omfErr_t status = media::streamRead(media->stream, transfer->buffer, size, &read);
    if (status != 0) {
        transfer->bytesXfered = omfInt32(read);
        return propagate(file, status, __FILE__, __LINE__);
    }
    state->index.advance();
    transfer->samplesXfered = 1;
    transfer->bytesXfered = omfInt32(size);
    if (transfer->numSamples > 1) OMF_RAISE(file, OM_ERR_ONE_SAMPLE_COMPRESSED_READ);
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t setFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    TdvcState* state = nullptr;
    OMF_CHECK(file, checkState(file, media, &state));
    omfInt64 frame = parms->spc.setFrame.frameNumber;
    if (frame < 1) OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    OMF_CHECK(file, state->index.seekFrame(file, frame - 1));
    return 0;
}

omfErr_t frameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    TdvcState* state = nullptr;
    OMF_CHECK(file, checkState(file, media, &state));
    auto& request = parms->spc.frameOffset;
    OMF_CHECK(file, frameStart(file, *state, request.frameNumber, &request.offset));
    return 0;
}

} // namespace omf::codecs::tdvc
