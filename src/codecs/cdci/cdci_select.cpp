// Whether the CDCI codec reads a descriptor: uncompressed component video
// ("AUNC" or no Compression property), at no cost, with the stored frame's
// size in bits as the average sample size.
#include "cdci/cdci_state.h"

#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"
#include "video/picture_selection.h"

namespace omf::codecs::cdci {

namespace {

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

// Uncompressed component video ("AUNC" or no Compression property) is
// the codec's.
omfErr_t readSelection(omfHdl_t file, omfObject_t descriptor, const void* codes, bool* willHandle,
                       omfInt32* bits) {
    Compression compression = Compression::absent;
    OMF_CHECK(file, readCompression(file, descriptor, &compression));
    *willHandle = compression != Compression::other;
    OMF_CHECK(file, pixelBits(file, descriptor, *static_cast<const PropertyCodes*>(codes), bits));
    return 0;
}

} // namespace

omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    return video::selectPicture(file, parms, readSelection);
}

} // namespace omf::codecs::cdci
