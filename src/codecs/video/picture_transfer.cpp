// Positioning and whole-frame transfers of the uncompressed picture codecs.
#include "video/picture_transfer.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"
#include "video/frame_transfer.h"
#include "video/picture_state.h"

#include <new>

namespace omf::codecs::video {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media) {
    if (pictureStateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

// The position of `frame` in media that has data to position in.
omfErr_t offsetOf(omfHdl_t file, omfMediaHdl_t media, omfInt64 frame, omfInt64* offset) {
    OMF_CHECK(file, checkState(file, media));
    if (!hasMediaData(file, media)) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    OMF_CHECK(file, frameOffset(file, pictureStateOf(media)->placement(), frame, offset));
    return 0;
}

} // namespace

omfErr_t pictureFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    auto& request = parms->spc.frameOffset;
    OMF_CHECK(file, offsetOf(file, media, request.frameNumber, &request.offset));
    return 0;
}

omfErr_t pictureSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    omfInt64 offset = 0;
    OMF_CHECK(file, offsetOf(file, media, parms->spc.setFrame.frameNumber, &offset));
    OMF_CHECK(file, media::streamSeek(media->stream, offset));
    pictureStateOf(media)->framePositioned();
    return 0;
}

omfErr_t pictureReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, singleTransfer(file, parms, &transfer));
    const PictureState& state = *pictureStateOf(media);
    OMF_CHECK(file,
              readFrames(file, media->stream, state.placement(), state.layoutsDiffer(), *transfer));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t pictureWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, singleTransfer(file, parms, &transfer));
    PictureState& state = *pictureStateOf(media);
    OMF_CHECK(file, writeFrames(file, media->stream, state.placement(), state.layoutsDiffer(),
                                *transfer, state.zeros));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::video
