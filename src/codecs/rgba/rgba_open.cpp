// Opening and creating RGBA media: the component letters and sizes read
// from the descriptor (or their defaults), and the pixel and frame sizes
// they give. The steps every picture codec shares are in
// video/picture_start.
#include "rgba/rgba_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"
#include "video/video_geometry.h"

#include <cstring>

namespace omf::codecs::rgba {

namespace {

// Component letters RGB pixels may hold: alpha, blue, fill, green, palette
// index and red.
constexpr char kComponentLetters[] = "ABFGPR";
constexpr omfUInt8 kDefaultComponentSize = 8;

} // namespace

omfErr_t RgbaState::readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    const auto& propertyCodes = *static_cast<const PropertyCodes*>(codes);
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file, video::readComponentBytes(file, descriptor, propertyCodes.pixelLayout,
                                              kOmfType_CompCodeArray, components));
    std::memset(componentSizes, 0, sizeof componentSizes);
    if (omfsPropertyPresent(file, descriptor, propertyCodes.pixelStructure,
                            kOmfType_CompSizeArray)) {
        OMF_CHECK(file, video::readComponentBytes(file, descriptor, propertyCodes.pixelStructure,
                                                  kOmfType_CompSizeArray, componentSizes));
    } else {
        for (size_t i = 0; i < sizeof components && components[i] != 0; ++i) {
            componentSizes[i] = kDefaultComponentSize;
        }
    }
    OMF_CHECK(file, computeSizes(file));
    return 0;
}

omfErr_t RgbaState::computeSizes(omfHdl_t file) {
    size_t count = 0;
    while (count < sizeof components && components[count] != 0) {
        if (std::strchr(kComponentLetters, components[count]) == nullptr) {
            OMF_RAISE(file, OM_ERR_UNKNOWN_PIXEL_FORMAT);
        }
        ++count;
    }
    if (count == 0) OMF_RAISE(file, OM_ERR_UNKNOWN_PIXEL_FORMAT);
    omfInt32 bits = 0;
    for (omfUInt8 size : componentSizes)
        bits += size;
    if (bits == 0 || bits % 8 != 0) OMF_RAISE(file, OM_ERR_24BIT_VIDEO_ONLY);
    pixelSize = bits;
    OMF_CHECK(file, video::frameBytes(file, geometry, bits, &frameSize));
    return 0;
}

} // namespace omf::codecs::rgba
