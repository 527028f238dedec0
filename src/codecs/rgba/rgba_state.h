// The RGBA codec's records: the property codes it registers once per
// session (its persistent data) and the per-handle state.
#pragma once

#include "internal/format_list.h"
#include "internal/media_records.h"
#include "omf/omf_codec.h"
#include "video/frame_placement.h"
#include "video/video_geometry.h"

#include <cstdint>
#include <vector>

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

struct RgbaState {
    video::VideoGeometry geometry;
    omfRational_t sampleRate{0, 1};
    // Component letters and their sizes in bits, in stored order, zero-filled.
    omfUInt8 components[8] = {'R', 'G', 'B', 0, 0, 0, 0, 0};
    omfUInt8 componentSizes[8] = {8, 8, 8, 0, 0, 0, 0, 0};
    omfInt32 pixelSize = 0; // bits
    omfInt64 frameSize = 0; // stored bytes of one frame
    media::FormatList fileFormat;
    media::FormatList memoryFormat;
    std::vector<uint8_t> zeros; // alignment padding
};

inline RgbaState* stateOf(omfMediaHdl_t media) {
    return media == nullptr ? nullptr : static_cast<RgbaState*>(media->codecState);
}

omfErr_t open(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t create(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t getInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t putInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t readSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t writeSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t close(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t setFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t frameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// Shared by the operations.
// Checks the component letters (OM_ERR_UNKNOWN_PIXEL_FORMAT) and sizes
// (their sum a non-zero multiple of 8, else OM_ERR_24BIT_VIDEO_ONLY) and
// computes pixel and frame size.
omfErr_t computeSizes(omfHdl_t file, RgbaState& state);
// Rebuilds the file format list and hands both lists to the stream.
omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, RgbaState& state);
video::FramePlacement placementOf(const RgbaState& state);

} // namespace omf::codecs::rgba
