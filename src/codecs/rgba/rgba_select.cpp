// Whether the RGBA codec reads a descriptor: every RGBA descriptor, at no
// cost, with the stored frame's size in bits as the average sample size.
#include "rgba/rgba_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"
#include "video/picture_selection.h"

namespace omf::codecs::rgba {

namespace {

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

// The codec is the only reader of RGBA descriptors.
omfErr_t readSelection(omfHdl_t file, omfObject_t descriptor, const void* codes, bool* willHandle,
                       omfInt32* bits) {
    *willHandle = true;
    OMF_CHECK(file, pixelBits(file, descriptor, *static_cast<const PropertyCodes*>(codes), bits));
    return 0;
}

} // namespace

omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    return video::selectPicture(file, parms, readSelection);
}

} // namespace omf::codecs::rgba
