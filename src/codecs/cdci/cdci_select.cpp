// Whether the CDCI codec reads a descriptor: uncompressed component video
// ("AUNC" or no Compression property), at no cost, with the stored frame's
// size in bits as the average sample size.
#include "cdci/cdci_state.h"

#include "internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <cstring>

namespace omf::codecs::cdci {

namespace {

constexpr omfInt32 kCompressionTextSize = 64;

omfErr_t readsCompression(omfHdl_t file, omfObject_t descriptor, bool* handles) {
    *handles = true;
    if (!omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_Compression, kOmfType_String)) {
        return 0;
    }
    char text[kCompressionTextSize] = {};
    OMF_CHECK(file,
              omfsReadString(file, descriptor, kOmfProperty_DIDD_Compression, text, sizeof text));
    *handles = std::strcmp(text, kUncompressedTag) == 0;
    return 0;
}

// Bits of one stored pixel as the descriptor gives them, with the defaults
// of open for what it leaves out.
omfErr_t pixelBits(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                   omfInt32* bits) {
    omfInt32 width = 8, subsampling = 2, padding = 0;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, codes.componentWidth,
                                              kOmfType_Int32, 8, &width));
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, codes.horizontalSubsampling,
                                              kOmfType_UInt32, 2, &subsampling));
    omfInt32 components = subsampling == 1 ? 3 : 2;
    omfInt32 fallbackPadding = (8 - components * width % 8) % 8;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, codes.paddingBits, kOmfType_Int16,
                                              fallbackPadding, &padding));
    *bits = components * width + padding;
    return 0;
}

} // namespace

omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.selectInfo;
    const auto* codes = static_cast<const PropertyCodes*>(parms->persistent);
    if (request.descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    omfCodecSelectInfo_t answer{};
    bool handles = false;
    OMF_CHECK(file, readsCompression(file, request.descriptor, &handles));
    answer.willHandleMDES = handles;
    answer.isNative = true;
    answer.hwAssisted = false;
    answer.relativeLoss = 0;
    omfInt32 width = 0, height = 0, bits = 0;
    OMF_CHECK(file,
              video::readOptionalNumber(file, request.descriptor, kOmfProperty_DIDD_StoredWidth,
                                        kOmfType_Int32, 0, &width));
    OMF_CHECK(file,
              video::readOptionalNumber(file, request.descriptor, kOmfProperty_DIDD_StoredHeight,
                                        kOmfType_Int32, 0, &height));
    OMF_CHECK(file, pixelBits(file, request.descriptor, *codes, &bits));
    answer.avgBitsPerSec = width * height * bits;
    request.info = answer;
    return 0;
}

} // namespace omf::codecs::cdci
