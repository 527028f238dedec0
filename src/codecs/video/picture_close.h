// Closing media of an uncompressed picture codec: the codec stream, and for
// media written through the handle the descriptor's Length and the codec's
// summary of the picture format.
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs::video {

omfErr_t pictureClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::video
