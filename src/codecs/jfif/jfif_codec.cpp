// The Avid JFIF codec: JPEG media of Avid's JFIF resolutions, described by
// "JPED" descriptors; it works exactly as the JPEG codec does.
#include "jpeg/jpeg_codec_table.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"

namespace {

constexpr omf::codecs::video::PictureCodecDefinition<omf::codecs::jpeg::PropertyCodes> kCodec{
    "Avid JFIF Codec (Compressed ONLY)",
    "JPED",
    kOmfCodecAvidJFIF,
    omf::codecs::jpeg::kJpegProperties,
    omf::codecs::jpeg::kJpegOperations,
    omf::codecs::jpeg::kJpegTag,
    kOmfRev2x,
    kOmfCodecTakesQuantTables};

} // namespace

extern "C" omfErr_t omfCodecAvidJFIF(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return omf::codecs::jpeg::jpegFamilyEntry(kCodec, request, parms);
}
