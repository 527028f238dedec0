// Positioning and whole-frame transfers of the uncompressed picture codecs:
// the frameOffset, setFrame, readSamples and writeSamples operations, on the
// handle's frame placement and through the stream's pixel translator.
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs::video {

omfErr_t pictureFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t pictureSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t pictureReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
// The media layer counts the frames written into the channel.
omfErr_t pictureWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::video
