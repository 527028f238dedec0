// Entry functions of the codecs built into the toolkit, in the order
// omfmInit registers them.
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs {

omfErr_t aifcCodec(omfCodecRequest_t request, omfCodecParms_t* parms);
omfErr_t waveCodec(omfCodecRequest_t request, omfCodecParms_t* parms);
omfErr_t tiffCodec(omfCodecRequest_t request, omfCodecParms_t* parms);
omfErr_t rgbaCodec(omfCodecRequest_t request, omfCodecParms_t* parms);
omfErr_t cdciCodec(omfCodecRequest_t request, omfCodecParms_t* parms);
omfErr_t jpegCodec(omfCodecRequest_t request, omfCodecParms_t* parms);

} // namespace omf::codecs
