// Whether the TIFF codec reads a descriptor: every TIFD descriptor, at no
// cost, with 24-bit pixels.
#include "tiff/tiff_state.h"
#include "video/picture_selection.h"

namespace omf::codecs::tiff {

namespace {

// The codec is the only reader of TIFD descriptors.
omfErr_t readSelection(omfHdl_t, omfObject_t, const void*, bool* willHandle, omfInt32* bits) {
    *willHandle = true;
    *bits = kPixelBits;
    return 0;
}

} // namespace

omfErr_t tiffSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    return video::selectPicture(file, parms, readSelection);
}

} // namespace omf::codecs::tiff
