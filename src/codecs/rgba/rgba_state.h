// The RGBA codec's records: the property codes it registers once per
// session (its persistent data) and the per-handle state, which adds the
// component letters and sizes to the picture state.
#pragma once

#include "video/picture_state.h"

namespace omf::codecs::rgba {

// Codes of the properties the codec registers at init. Allocated with
// std::calloc and released by the registry with std::free.
struct PropertyCodes {
    omfProperty_t pixelLayout;
    omfProperty_t pixelStructure;
    omfProperty_t palette;
    omfProperty_t paletteLayout;
    omfProperty_t paletteStructure;
};

// Frames move whole; the codec has no line transfers.
inline constexpr bool kTransfersLines = false;

class RgbaState final : public video::PictureState {
  public:
    RgbaState() : PictureState(kOmfPixRGBA, kTransfersLines) {}

    // Component letters and their sizes in bits, in stored order, zero-filled.
    omfUInt8 components[8] = {'R', 'G', 'B', 0, 0, 0, 0, 0};
    omfUInt8 componentSizes[8] = {8, 8, 8, 0, 0, 0, 0, 0};

    // PixelLayout and PixelStructure (8 bits a component without it).
    omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    // Checks the component letters (OM_ERR_UNKNOWN_PIXEL_FORMAT) and sizes
    // (their sum a non-zero multiple of 8, else OM_ERR_24BIT_VIDEO_ONLY) and
    // computes pixel and frame size.
    omfErr_t computeSizes(omfHdl_t file) override;
    omfErr_t answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const override;
    omfErr_t applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) override;
    omfErr_t putFormatEntries(omfHdl_t file, media::FormatList& list) const override;
    omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                          omfFileRev_t revision) const override;
};

// The codec's own operations; the rest of its table is the shared picture code.
omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::rgba
