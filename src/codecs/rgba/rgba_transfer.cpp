// RGBA positioning and frame transfers through the pixel translator.
#include "rgba/rgba_state.h"

#include "internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "video/codec_support.h"
#include "video/frame_transfer.h"

#include <new>

namespace omf::codecs::rgba {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media) {
    if (stateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

bool layoutsDiffer(const RgbaState& state) {
    return video::memoryLayoutDiffers(state.memoryFormat, state.geometry.layout);
}

} // namespace

omfErr_t frameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkState(file, media));
    if (!video::hasMediaData(file, media)) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    auto& request = parms->spc.frameOffset;
    OMF_CHECK(file, video::frameOffset(file, placementOf(*stateOf(media)), request.frameNumber,
                                       &request.offset));
    return 0;
}

omfErr_t setFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkState(file, media));
    if (!video::hasMediaData(file, media)) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    omfInt64 offset = 0;
    OMF_CHECK(file, video::frameOffset(file, placementOf(*stateOf(media)),
                                       parms->spc.setFrame.frameNumber, &offset));
    OMF_CHECK(file, media::streamSeek(media->stream, offset));
    return 0;
}

omfErr_t readSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, video::singleTransfer(file, parms, &transfer));
    const RgbaState& state = *stateOf(media);
    OMF_CHECK(file, video::readFrames(file, media->stream, placementOf(state), layoutsDiffer(state),
                                      *transfer));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t writeSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkState(file, media));
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, video::singleTransfer(file, parms, &transfer));
    // The media layer counts the frames written into the channel.
    RgbaState& state = *stateOf(media);
    OMF_CHECK(file, video::writeFrames(file, media->stream, placementOf(state),
                                       layoutsDiffer(state), *transfer, state.zeros));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::rgba
