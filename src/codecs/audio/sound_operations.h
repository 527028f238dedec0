// The operations every sound codec shares, reached through its table.
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs::audio {

omfErr_t soundGetInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundPutInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t soundFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::audio
