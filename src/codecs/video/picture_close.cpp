// Closing media of the uncompressed picture codecs.
#include "video/picture_close.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/picture_state.h"

#include <memory>

namespace omf::codecs::video {

namespace {

// Media written through this handle: created, or opened for appending.
bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

} // namespace

omfErr_t pictureClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    std::unique_ptr<PictureState> state(pictureStateOf(media));
    if (!state) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->codecState = nullptr;
    // The stream closes first: the descriptor cannot be written while the
    // stream still holds unwritten sample data.
    OMF_CHECK(file, media::streamClose(media->stream));
    if (!written(media) || media->descriptor == nullptr) return 0;
    OMF_CHECK(file, omfsWriteLength(file, media->descriptor, kOmfProperty_MDFL_Length,
                                    media->channels.front().sampleCount));
    OMF_CHECK(file,
              state->writeSummary(file, media->descriptor, parms->persistent, parms->fileRevision));
    return 0;
}

} // namespace omf::codecs::video
