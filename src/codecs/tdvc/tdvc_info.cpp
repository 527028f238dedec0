// DV media information: the largest frame and the size of one frame from
// the frame index, the picture description as the other picture codecs
// answer it, the caller's memory format (accepted, though frames leave as
// stored), and whether the codec reads a descriptor: "DV/C" compression.
#include "tdvc/tdvc_state.h"

#include "jpeg/indexed_frames.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"
#include "video/descriptor_values.h"
#include "video/picture_info.h"

#include <cstring>

namespace omf::codecs::tdvc {

namespace {

constexpr char kDVCompression[] = "DV/C";
// What a caller choosing among representations reads as the average
// sample size of DV media.
constexpr omfInt32 kSizeEstimate = 4;

omfErr_t answerFrameSize(omfHdl_t file, omfMediaHdl_t media, const TdvcState& state, omfInt32 size,
                         void* buffer) {
    if (size < omfInt32(sizeof(omfFrameSizeInfo_t))) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    auto* answer = static_cast<omfFrameSizeInfo_t*>(buffer);
    if (answer->mediaKind != media->channels.front().mediaKind) {
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    }
    if (answer->frameNumber < 1) OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    OMF_CHECK(file,
              jpeg::storedFrameSize(file, state.index, answer->frameNumber, &answer->frameSize));
    return 0;
}

} // namespace

omfErr_t getInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    const TdvcState* state = stateOf(media);
    if (state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoMaxSampleSize: {
        if (info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        omfInt64 largest =
            state->index.frameCount() > 0 ? state->index.largestFrame() : state->frameSampleSize;
        OMF_CHECK(file, video::answerLargestSample(file, media, largest, info.size, info.buffer));
        return 0;
    }
    case kMediaInfoFrameSize:
        if (info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        OMF_CHECK(file, answerFrameSize(file, media, *state, info.size, info.buffer));
        return 0;
    default:
        OMF_CHECK(file, video::getPictureInfo(parms, media, file));
        return 0;
    }
}

omfErr_t putInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    if (parms->spc.info.selector != kMediaInfoMemoryFormat) {
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
    OMF_CHECK(file, video::putPictureInfo(parms, media, file));
    return 0;
}

omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.selectInfo;
    if (request.descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    char compression[16] = {};
    OMF_CHECK(file, video::readCompressionText(file, request.descriptor, compression));
    omfCodecSelectInfo_t answer{};
    answer.willHandleMDES = std::strcmp(compression, kDVCompression) == 0;
    answer.isNative = true;
    answer.hwAssisted = false;
    answer.relativeLoss = 0;
    answer.avgBitsPerSec = kSizeEstimate;
    request.info = answer;
    return 0;
}

} // namespace omf::codecs::tdvc
