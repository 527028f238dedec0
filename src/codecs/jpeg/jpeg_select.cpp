// Whether the JPEG codec reads a descriptor: component video whose
// Compression is "JPEG" or "JFIF".
#include "jpeg/jpeg_state.h"

#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"
#include "video/picture_selection.h"

#include <cstring>

namespace omf::codecs::jpeg {

namespace {

// The cost the registry weighs against other codecs that read the class.
constexpr omfInt32 kJpegCost = 10;

omfErr_t readSelection(omfHdl_t file, omfObject_t descriptor, const void* codes, bool* willHandle,
                       omfInt32* bits) {
    char compression[16];
    OMF_CHECK(file, video::readCompressionText(file, descriptor, compression));
    *willHandle =
        std::strcmp(compression, kJpegTag) == 0 || std::strcmp(compression, kJfifTag) == 0;
    const auto& propertyCodes = *static_cast<const PropertyCodes*>(codes);
    omfInt32 width = 8, subsampling = 2, padding = 0;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, propertyCodes.componentWidth,
                                              kOmfType_Int32, 8, &width));
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, propertyCodes.horizontalSubsampling,
                                              kOmfType_UInt32, 2, &subsampling));
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, propertyCodes.paddingBits,
                                              kOmfType_Int16, 0, &padding));
    *bits = padding + width * (subsampling == 1 ? 3 : 2);
    return 0;
}

} // namespace

omfErr_t jpegSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    OMF_CHECK(file, video::selectPicture(file, parms, readSelection));
    parms->spc.selectInfo.info.relativeLoss = kJpegCost;
    return 0;
}

} // namespace omf::codecs::jpeg
