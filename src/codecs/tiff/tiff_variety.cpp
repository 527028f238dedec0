// The TIFF codec's varieties: their names, the capabilities of each, and
// the check of a new file mob's variety.
#include "tiff/tiff_variety.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "tiff/tiff_state.h"
#include "video/codec_support.h"

#include <array>
#include <cstring>

namespace omf::codecs::tiff {

namespace {

struct VarietyRecord {
    const char* name;
    Compression compression;
};

// In the order of varietyName; the first is the default a saver offers.
constexpr std::array<VarietyRecord, 2> kVarieties{{
    {kJpegVariety, Compression::jpeg},
    {kUncompressedVariety, Compression::none},
}};

omfSessionHdl_t sessionOf(const omfCodecParms_t* parms) {
    const auto* codes = static_cast<const PropertyCodes*>(parms->persistent);
    return codes != nullptr ? codes->session : nullptr;
}

} // namespace

omfErr_t compressionOfVariety(std::string_view text, std::optional<Compression>* compression) {
    compression->reset();
    if (text.empty()) return 0;
    for (const VarietyRecord& variety : kVarieties) {
        if (text == variety.name) {
            *compression = variety.compression;
            return 0;
        }
    }
    return OM_ERR_BAD_CODEC_VARIETY;
}

omfErr_t varietyCapabilities(const char* variety, omfUInt32* capabilities) {
    std::optional<Compression> compression;
    if (omfErr_t status = compressionOfVariety(variety != nullptr ? variety : "", &compression))
        OMF_RAISE(nullptr, status);
    // Uncompressed frames have no quantisation tables for a quality to scale.
    *capabilities = compression == Compression::none ? 0u : omfUInt32(kOmfCodecTakesQuantTables);
    return 0;
}

omfErr_t tiffVarietyCount(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t) {
    auto& request = parms->spc.varietyCount;
    request.count =
        video::isPictureKind(sessionOf(parms), request.mediaKind) ? omfInt32(kVarieties.size()) : 0;
    return 0;
}

omfErr_t tiffVarietyName(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.varietyName;
    if (request.name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (request.index < 1 || size_t(request.index) > kVarieties.size() ||
        !video::isPictureKind(sessionOf(parms), request.mediaKind)) {
        OMF_RAISE(file, OM_ERR_BAD_CODEC_VARIETY);
    }
    if (request.nameLength > 0) {
        std::memset(request.name, 0, size_t(request.nameLength));
        std::strncpy(request.name, kVarieties[size_t(request.index) - 1].name,
                     size_t(request.nameLength) - 1);
    }
    return 0;
}

omfErr_t tiffInitDescriptor(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    const char* variety = parms->spc.initDescriptor.variety;
    std::optional<Compression> compression;
    if (omfErr_t status = compressionOfVariety(variety != nullptr ? variety : "", &compression))
        OMF_RAISE(file, status);
    return 0;
}

} // namespace omf::codecs::tiff
