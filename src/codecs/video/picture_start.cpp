// Opening and creating media of the uncompressed picture codecs.
#include "video/picture_start.h"

#include "media/codec_support/file_facts.h"
#include "media/codec_support/translators.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/picture_info.h"

#include <new>

namespace omf::codecs::video {

namespace {

omfErr_t checkHandle(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (media == nullptr) OMF_RAISE(file, OM_ERR_BAD_MEDIA_HANDLE);
    if (media->channels.empty()) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (parms->persistent == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

omfErr_t openImageData(omfMediaHdl_t media) {
    return media::streamOpen(media->stream, media, media->dataObject, kOmfProperty_IDAT_ImageData,
                             kOmfType_DataValue);
}

// Installs the pixel translator and both formats on the freshly opened stream.
omfErr_t startTranslation(omfHdl_t file, omfMediaHdl_t media, PictureState& state) {
    OMF_CHECK(file, state.defaultMemoryFormat(file, state.memoryFormat));
    OMF_CHECK(file, media::streamAddTranslator(media->stream, media::makePixelTranslator()));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t openState(omfHdl_t file, omfMediaHdl_t media, const void* codes, PictureState& state) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file,
              omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &state.sampleRate));
    omfInt64 length = 0;
    OMF_CHECK(file, omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length));
    media->channels.front().sampleCount = length;
    OMF_CHECK(file, openImageData(media));
    OMF_CHECK(file, readGeometry(file, descriptor, state.geometry));
    OMF_CHECK(file, state.readDescriptor(file, media, codes));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

omfErr_t createState(omfHdl_t file, omfMediaHdl_t media, const void*, PictureState& state) {
    if (media::isRawFile(file)) {
        state.sampleRate = media->channels.front().sampleRate;
    } else if (omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                &state.sampleRate) != 0) {
        OMF_RAISE(file, OM_ERR_DESCRIPTOR_SAMPLE_RATE);
    }
    state.geometry.aspectRatio = {4, 3};
    OMF_CHECK(file, openImageData(media));
    OMF_CHECK(file, state.computeSizes(file));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

// Hands the new state to the handle, or drops it and closes the stream when
// `status` is a failure.
omfErr_t finishStart(omfHdl_t file, omfMediaHdl_t media, std::unique_ptr<PictureState> state,
                     omfErr_t status) {
    if (status != 0) {
        if (media->stream.tag == media::kStreamTag) media::streamClose(media->stream);
        return omf::propagate(file, status, __FILE__, __LINE__);
    }
    media->codecState = state.release();
    return 0;
}

// Fills a new state: from the descriptor, or with defaults for new media.
using FillState = omfErr_t (*)(omfHdl_t file, omfMediaHdl_t media, const void* codes,
                               PictureState& state);

omfErr_t startPicture(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                      NewPictureState newState, FillState fill) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    std::unique_ptr<PictureState> state = newState();
    omfErr_t status = fill(file, media, parms->persistent, *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace

omfErr_t openPicture(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                     NewPictureState newState) {
    return startPicture(file, media, parms, newState, openState);
}

omfErr_t createPicture(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                       NewPictureState newState) {
    return startPicture(file, media, parms, newState, createState);
}

} // namespace omf::codecs::video
