// The records behind media handles (media/codec_support/media_handle.h) and what the media
// layer alone does with them.
#pragma once

#include "media/codec_support/media_handle.h"
#include "omf/internal/records.h"

namespace omf::media {

// The handle behind `media` when its tag is valid, else null.
inline omfMediaRec* validMedia(omfMediaHdl_t media) {
    return media != nullptr && media->tag == kMediaTag ? media : nullptr;
}

// Runs operation `index` of the handle's codec copy after the common checks
// (handle, file, codec revision), with the persistent data and file
// revision filled in.
omfErr_t callCodec(omfMediaHdl_t media, omfCodecOperationIndex_t index, omfCodecParms_t& parms);

} // namespace omf::media
