// The summary of the RGB pixel format that closing RGBA media writes into
// its descriptor: the geometry, PixelLayout and PixelStructure.
#include "rgba/rgba_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

namespace omf::codecs::rgba {

omfErr_t RgbaState::writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                 omfFileRev_t) const {
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    const auto& propertyCodes = *static_cast<const PropertyCodes*>(codes);
    OMF_CHECK(file, video::writeGeometry(file, descriptor, geometry));
    OMF_CHECK(file, video::writeComponentBytes(file, descriptor, propertyCodes.pixelLayout,
                                               kOmfType_CompCodeArray, components));
    OMF_CHECK(file, video::writeComponentBytes(file, descriptor, propertyCodes.pixelStructure,
                                               kOmfType_CompSizeArray, componentSizes));
    return 0;
}

} // namespace omf::codecs::rgba
