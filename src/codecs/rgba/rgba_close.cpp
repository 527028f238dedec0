// Closing RGBA media (the stream, the descriptor's Length and the summary
// of the picture format), and whether the codec reads a descriptor.
#include "rgba/rgba_state.h"

#include "internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <memory>

namespace omf::codecs::rgba {

namespace {

bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                      const RgbaState& state) {
    OMF_CHECK(file, video::writeGeometry(file, descriptor, state.geometry));
    OMF_CHECK(file, video::writeComponentBytes(file, descriptor, codes.pixelLayout,
                                               kOmfType_CompCodeArray, state.components));
    OMF_CHECK(file, video::writeComponentBytes(file, descriptor, codes.pixelStructure,
                                               kOmfType_CompSizeArray, state.componentSizes));
    return 0;
}

// Bits of one pixel as the descriptor gives them: the sum of PixelStructure,
// or 8 bits for each letter of PixelLayout without it.
omfErr_t pixelBits(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                   omfInt32* bits) {
    *bits = 0;
    omfUInt8 bytes[8] = {};
    if (omfsPropertyPresent(file, descriptor, codes.pixelStructure, kOmfType_CompSizeArray)) {
        OMF_CHECK(file, video::readComponentBytes(file, descriptor, codes.pixelStructure,
                                                  kOmfType_CompSizeArray, bytes));
        for (omfUInt8 size : bytes)
            *bits += size;
    } else if (omfsPropertyPresent(file, descriptor, codes.pixelLayout, kOmfType_CompCodeArray)) {
        OMF_CHECK(file, video::readComponentBytes(file, descriptor, codes.pixelLayout,
                                                  kOmfType_CompCodeArray, bytes));
        for (omfUInt8 letter : bytes)
            *bits += letter != 0 ? 8 : 0;
    }
    return 0;
}

} // namespace

omfErr_t close(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    std::unique_ptr<RgbaState> state(stateOf(media));
    if (!state) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->codecState = nullptr;
    // The stream closes first: the descriptor cannot be written while the
    // stream still holds unwritten sample data.
    OMF_CHECK(file, media::streamClose(media->stream));
    if (!written(media) || media->descriptor == nullptr) return 0;
    OMF_CHECK(file, omfsWriteLength(file, media->descriptor, kOmfProperty_MDFL_Length,
                                    media->channels.front().sampleCount));
    const auto* codes = static_cast<const PropertyCodes*>(parms->persistent);
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    OMF_CHECK(file, writeSummary(file, media->descriptor, *codes, *state));
    return 0;
}

omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    auto& request = parms->spc.selectInfo;
    const auto* codes = static_cast<const PropertyCodes*>(parms->persistent);
    if (request.descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    omfCodecSelectInfo_t answer{};
    answer.willHandleMDES = true; // the only reader of RGBA descriptors
    answer.isNative = true;
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

} // namespace omf::codecs::rgba
