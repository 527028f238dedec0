// omfmInit: the media layer on a session, with the codecs built into the
// toolkit registered in their fixed order.
#include "builtin_codecs.h"

#include "media/codec_support/codec_calls.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_media.h"

namespace omf::codecs {
namespace {

// Registration order: sound codecs, then TIFF, RGBA, CDCI and JPEG; codecs
// that read one descriptor class are told apart by what they handle, so the
// order only decides enumeration.
constexpr omfCodecEntry_t kBuiltinCodecs[] = {
    &aifcCodec,
    &waveCodec,
    &tiffCodec,
    &rgbaCodec,
    &cdciCodec,
    &jpegCodec,
};

} // namespace
} // namespace omf::codecs

extern "C" {

omfErr_t omfmInit(omfSessionHdl_t session) {
    bool created = false;
    if (omfErr_t status = omf::media::initMediaSession(session, &created)) return status;
    if (!created) return 0; // already initialised
    for (omfCodecEntry_t codec : omf::codecs::kBuiltinCodecs) {
        if (omfErr_t status = omfmAddCodec(session, codec)) return status;
    }
    return 0;
}

} // extern "C"
