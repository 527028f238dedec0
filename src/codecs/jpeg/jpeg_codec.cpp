// The JPEG codec's entry function: its name and classes, the properties it
// registers, and its operations over the shared picture code.
#include "builtin_codecs.h"
#include "jpeg/jpeg_codec_table.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_registry.h"
#include "video/picture_codec.h"

namespace omf::codecs {

namespace {

constexpr video::PictureCodecDefinition<jpeg::PropertyCodes> kCodec{
    "JPEG Codec (Compressed ONLY)", "CDCI",         kOmfCodecJPEG, jpeg::kJpegProperties,
    jpeg::kJpegOperations,          jpeg::kJpegTag, kOmfRev2x,     kOmfCodecTakesQuantTables};

} // namespace

namespace jpeg {

omfErr_t declareJpegDescriptorClass(omfSessionHdl_t session) {
    return omfsRegisterClass(session, "JPED", "CDCI", kOmfRevisionsBoth);
}

} // namespace jpeg

omfErr_t jpegCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return jpeg::jpegFamilyEntry(kCodec, request, parms);
}

} // namespace omf::codecs
