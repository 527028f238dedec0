// The selectInfo operation of the uncompressed picture codecs.
#include "video/picture_selection.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

namespace omf::codecs::video {

omfErr_t selectPicture(omfHdl_t file, omfCodecParms_t* parms, ReadSelection read) {
    auto& request = parms->spc.selectInfo;
    omfObject_t descriptor = request.descriptor;
    if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (parms->persistent == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    bool willHandle = false;
    omfInt32 pixelBits = 0;
    OMF_CHECK(file, read(file, descriptor, parms->persistent, &willHandle, &pixelBits));
    omfInt32 width = 0, height = 0;
    OMF_CHECK(file, readOptionalNumber(file, descriptor, kOmfProperty_DIDD_StoredWidth,
                                       kOmfType_Int32, 0, &width));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, kOmfProperty_DIDD_StoredHeight,
                                       kOmfType_Int32, 0, &height));
    omfCodecSelectInfo_t answer{};
    answer.willHandleMDES = willHandle;
    answer.isNative = true;
    answer.hwAssisted = false;
    answer.relativeLoss = 0;
    answer.avgBitsPerSec = width * height * pixelBits;
    request.info = answer;
    return 0;
}

} // namespace omf::codecs::video
