// The CDCI codec's records: the property codes it registers once per
// session (its persistent data) and the per-handle state.
#pragma once

#include "internal/format_list.h"
#include "internal/media_records.h"
#include "omf/omf_codec.h"
#include "video/frame_placement.h"
#include "video/video_geometry.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::cdci {

// Codes of the properties the codec registers at init. Allocated with
// std::calloc and released by the registry with std::free.
struct PropertyCodes {
    omfProperty_t componentWidth;
    omfProperty_t horizontalSubsampling;
    omfProperty_t colorSiting;
    omfProperty_t blackReferenceLevel;
    omfProperty_t whiteReferenceLevel;
    omfProperty_t colorRange;
    omfProperty_t paddingBits;
    omfProperty_t verticalSubsampling;
    omfProperty_t resolutionID;   // DIDD DIDResolutionID
    omfProperty_t compressMethod; // DIDD DIDCompressMethod
    omfProperty_t firstFrameOffset;
};

// Compression tag of uncompressed component video.
inline constexpr char kUncompressedTag[] = "AUNC";

struct CdciState {
    video::VideoGeometry geometry;
    omfRational_t sampleRate{0, 1};
    omfInt32 componentWidth = 8;
    omfInt32 horizontalSubsampling = 2;
    omfInt32 verticalSubsampling = 1;
    omfInt32 colorSiting = 0;
    omfInt32 whiteLevel = 235;
    omfInt32 blackLevel = 16;
    omfInt32 colorRange = 225;
    omfInt32 paddingBits = 0;
    omfInt32 clientFillStart = 0;
    omfInt32 clientFillEnd = 0;
    omfInt32 resolutionID = 0;
    omfInt32 pixelSize = 0;       // bits
    omfInt64 frameSize = 0;       // stored bytes of one frame
    omfInt64 memoryFrameSize = 0; // bytes of one frame in the memory format's component sizes
    omfInt64 dataStart = 0;       // position of frame 1 (FirstFrameOffset)
    bool uncompressedTag = false; // the descriptor's Compression was "AUNC"
    media::FormatList fileFormat;
    media::FormatList memoryFormat;
    std::vector<uint8_t> zeros; // padding written between fields
    omfInt32 lineCursor = 0;    // row within the current field for line transfers
    omfInt32 fieldCursor = 0;   // field within the current frame for line transfers
};

// The handle's state, or null before open/create.
inline CdciState* stateOf(omfMediaHdl_t media) {
    return media == nullptr ? nullptr : static_cast<CdciState*>(media->codecState);
}

// Operations of the codec's table, one file each by theme.
omfErr_t open(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t create(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t getInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t putInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t readSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t writeSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t readLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t writeLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t close(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t setFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t frameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// Shared by the operations.
// The largest value of a component `width` bits wide (0 for widths that cannot be).
inline omfInt32 fullScale(omfInt32 width) {
    return width > 0 && width < 31 ? (1 << width) - 1 : 0;
}
// Pixel size from component width, subsampling and padding
// (OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT for subsampling other than 1 or 2), and frame size.
omfErr_t computeSizes(omfHdl_t file, CdciState& state);
// Rebuilds the file format list from the state and hands both lists to the stream.
omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, CdciState& state);
// Frame positions of the handle's media.
video::FramePlacement placementOf(const CdciState& state);

} // namespace omf::codecs::cdci
