// How the AVR codec describes itself, and the codec it describes in its
// place when given a variety: new media of a resolution gets the
// descriptor and data classes of the codec that writes it.
#include "avr/avr_codec.h"
#include "avr/variety.h"
#include "media/codec_support/codec_calls.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_media.h"
#include "video/codec_support.h"

#include <cstring>

namespace omf::codecs::avr {

namespace {

constexpr char kName[] = "Avid AVR Codec";
// The resolutions are media of Avid's 1.x files.
constexpr omfInt32 kOnlyFileRevision = kOmfRev1x;

omfErr_t describeSelf(omfCodecParms_t* parms) {
    auto& request = parms->spc.describe;
    if (request.name != nullptr && request.nameLength > 0) {
        std::memset(request.name, 0, size_t(request.nameLength));
        std::strncpy(request.name, kName, size_t(request.nameLength));
    }
    // No descriptor or data class of its own: media is always of the
    // codec a resolution names.
    request.info.descriptorClass = nullptr;
    request.info.dataClass = nullptr;
    request.info.codecID = kOmfCodecAVR;
    request.info.revision = kOmfCodecRevision;
    request.info.dataKind = video::kPictureKind;
    request.info.minFileRevision = kOnlyFileRevision;
    request.info.hasMaxFileRevision = true;
    request.info.maxFileRevision = kOnlyFileRevision;
    return 0;
}

} // namespace

omfErr_t describeAVR(omfCodecParms_t* parms) {
    auto& request = parms->spc.describe;
    if (request.variety == nullptr || request.variety[0] == '\0') return describeSelf(parms);
    ResolutionKind kind{};
    if (!kindOfFirstLetter(request.variety, &kind)) OMF_RAISE(nullptr, OM_ERR_BAD_CODEC_VARIETY);
    const auto* data = static_cast<const AvrData*>(parms->persistent);
    if (data == nullptr) OMF_RAISE(nullptr, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    omfCodecDef_t underlying{};
    if (omfmLookupCodec(data->session, underlyingCodecID(kind), &underlying) != 0) {
        OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC);
    }
    omfCodecMetaInfo_t info{};
    OMF_CHECK(nullptr,
              media::describeCodec(underlying, nullptr, request.name, request.nameLength, &info));
    request.info = info;
    return 0;
}

} // namespace omf::codecs::avr
