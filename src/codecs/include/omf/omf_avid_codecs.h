// Codecs a client registers itself with omfmAddCodec after omfmInit (the
// plug-in does): Avid's AVR resolution front end, Avid JPEG, Avid JFIF and
// the Avid TDVC (DV) codec. The toolkit's own codecs are registered by
// omfmInit.
#pragma once

#include "omf/omf_codec.h"

extern "C" {

// "Avid AVR Codec", codec ID "AJPG".
omfErr_t omfCodecAVR(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid JPEG Codec (Compressed ONLY)", codec ID "MSM JPEG Codec".
omfErr_t omfCodecAvidJPEG(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid JFIF Codec (Compressed ONLY)", codec ID "CODEC_AVID_JFIF_VIDEO".
omfErr_t omfCodecAvidJFIF(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid TDVC Codec", codec ID "MSM TARGA DVC Codec".
omfErr_t omfCodecTDVC(omfCodecRequest_t request, omfCodecParms_t* parms);

} // extern "C"
