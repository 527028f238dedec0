// The AVR codec's varieties: its resolutions, by number, for pictures.
#include "avr/avr_codec.h"
#include "avr/resolution_table.h"
#include "media/codec_support/file_facts.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cstdint>
#include <cstring>

namespace omf::codecs::avr {

namespace {

// The picture data kind of 1.x files, which is a fixed token rather than an
// object (see omfsFindDataKind); callers without an open file can name it.
const omfObject_t kPictureToken1x = reinterpret_cast<omfObject_t>(intptr_t{1});

// Whether `kind` is the picture kind: the 1.x token, or the picture kind of
// a file open in the session.
bool isPictureKind(omfSessionHdl_t session, omfObject_t kind) {
    if (kind == nullptr) return false;
    if (kind == kPictureToken1x) return true;
    return media::isOpenFilesPictureKind(session, kind);
}

omfSessionHdl_t sessionOf(const omfCodecParms_t* parms) {
    const auto* data = static_cast<const AvrData*>(parms->persistent);
    return data != nullptr ? data->session : nullptr;
}

} // namespace

omfErr_t varietyCount(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t) {
    auto& request = parms->spc.varietyCount;
    request.count = isPictureKind(sessionOf(parms), request.mediaKind) ? kResolutionCount : 0;
    return 0;
}

omfErr_t varietyName(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.varietyName;
    if (request.name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    const Resolution* resolution = resolutionNumber(request.index);
    if (resolution == nullptr || !isPictureKind(sessionOf(parms), request.mediaKind)) {
        OMF_RAISE(file, OM_ERR_BAD_CODEC_VARIETY);
    }
    if (request.nameLength > 0) {
        std::memset(request.name, 0, size_t(request.nameLength));
        std::strncpy(request.name, resolution->name, size_t(request.nameLength) - 1);
    }
    return 0;
}

} // namespace omf::codecs::avr
