// The AVR codec's varieties: its resolutions, by number, for pictures.
#include "avr/avr_codec.h"
#include "avr/resolution_table.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"

#include <cstring>

namespace omf::codecs::avr {

namespace {

omfSessionHdl_t sessionOf(const omfCodecParms_t* parms) {
    const auto* data = static_cast<const AvrData*>(parms->persistent);
    return data != nullptr ? data->session : nullptr;
}

} // namespace

omfErr_t varietyCount(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t) {
    auto& request = parms->spc.varietyCount;
    request.count =
        video::isPictureKind(sessionOf(parms), request.mediaKind) ? kResolutionCount : 0;
    return 0;
}

omfErr_t varietyName(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.varietyName;
    if (request.name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    const Resolution* resolution = resolutionNumber(request.index);
    if (resolution == nullptr || !video::isPictureKind(sessionOf(parms), request.mediaKind)) {
        OMF_RAISE(file, OM_ERR_BAD_CODEC_VARIETY);
    }
    if (request.nameLength > 0) {
        std::memset(request.name, 0, size_t(request.nameLength));
        std::strncpy(request.name, resolution->name, size_t(request.nameLength) - 1);
    }
    return 0;
}

} // namespace omf::codecs::avr
