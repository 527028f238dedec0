// Opening and creating media of an uncompressed picture codec: the
// handle's checks, the descriptor values every picture codec reads, the
// codec stream on the image data, and the pixel translator with its format
// lists. The codec supplies its state; a start that fails closes the stream
// again and leaves the handle without state.
#pragma once

#include "video/picture_state.h"

#include <memory>

namespace omf::codecs::video {

// Makes a codec's empty per-handle state.
using NewPictureState = std::unique_ptr<PictureState> (*)();

// open: sample rate and length (into the handle's channel) from the
// descriptor, the stream on the image data, the geometry, then the codec's
// own properties.
omfErr_t openPicture(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                     NewPictureState newState);

// create: sample rate from the channel (raw files) or the descriptor
// (OM_ERR_DESCRIPTOR_SAMPLE_RATE), a 4:3 aspect, the stream on the image
// data, and the sizes of the codec's default components.
omfErr_t createPicture(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                       NewPictureState newState);

// The open and create operations of a codec whose per-handle state is
// `State`, for its operation table.
template <typename State> std::unique_ptr<PictureState> newPictureState() {
    return std::make_unique<State>();
}
template <typename State>
omfErr_t openPictureAs(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    return openPicture(file, media, parms, newPictureState<State>);
}
template <typename State>
omfErr_t createPictureAs(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    return createPicture(file, media, parms, newPictureState<State>);
}

} // namespace omf::codecs::video
