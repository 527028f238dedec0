// The selectInfo operation of the uncompressed picture codecs: the codec
// reads whether it handles a descriptor and the bits of one stored pixel;
// the answer is native, without hardware or loss, with the stored frame's
// size in bits as the average sample size.
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs::video {

// What a codec reads from `descriptor` to answer; `codes` is its
// persistent data.
using ReadSelection = omfErr_t (*)(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                   bool* willHandle, omfInt32* pixelBits);

// Checks the request (a descriptor, else OM_ERR_NULL_PARAM; the codec's
// persistent data, else OM_ERR_MEDIA_SYSTEM_NOT_INIT), runs `read`, and
// answers StoredWidth by StoredHeight pixels (0 where absent). The answer
// is written only on success.
omfErr_t selectPicture(omfHdl_t file, omfCodecParms_t* parms, ReadSelection read);

} // namespace omf::codecs::video
