// The CDCI codec's records: the property codes it registers once per
// session (its persistent data) and the per-handle state, which adds the
// component properties, client fill and line cursors to the picture state.
#pragma once

#include "video/picture_state.h"

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

// What a descriptor's Compression property says about its media.
enum class Compression { absent, uncompressed, other };
omfErr_t readCompression(omfHdl_t file, omfObject_t descriptor, Compression* compression);

// The codec moves lines as well as whole frames.
inline constexpr bool kTransfersLines = true;

class CdciState : public video::PictureState {
  public:
    explicit CdciState(bool transfersLines = kTransfersLines)
        : PictureState(kOmfPixYUV, transfersLines) {}

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
    omfInt64 dataStart = 0;       // position of frame 1 (FirstFrameOffset)
    bool uncompressedTag = false; // the descriptor's Compression was "AUNC"
    omfInt32 lineCursor = 0;      // row within the current field for line transfers
    omfInt32 fieldCursor = 0;     // field within the current frame for line transfers

    // Adds the client fill and the data start.
    video::FramePlacement placement() const override;
    // FirstFrameOffset, Compression and the component properties.
    omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    // Pixel size from component width, subsampling and padding
    // (OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT for subsampling other than 1 or 2),
    // and frame size.
    omfErr_t computeSizes(omfHdl_t file) override;
    // Sizes, and white level and color range from a new component width.
    omfErr_t fileFormatApplied(omfHdl_t file) override;
    omfErr_t answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const override;
    omfErr_t applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) override;
    omfErr_t putFormatEntries(omfHdl_t file, media::FormatList& list) const override;
    // Line transfers start again at the first row of the frame.
    void framePositioned() override {
        lineCursor = 0;
        fieldCursor = 0;
    }
    omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                          omfFileRev_t revision) const override;
    // Writes the geometry and the component values (width, subsampling,
    // reference levels, range, padding) into `descriptor`.
    omfErr_t writeComponents(omfHdl_t file, omfObject_t descriptor,
                             const PropertyCodes& codes) const;

  private:
    omfErr_t readComponents(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes);
};

// The handle's state, or null before open/create.
inline CdciState* stateOf(omfMediaHdl_t media) {
    return static_cast<CdciState*>(video::pictureStateOf(media));
}

// The codec's own operations; the rest of its table is the shared picture code.
omfErr_t readLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t writeLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// The largest value of a component `width` bits wide (0 for widths that cannot be).
inline omfInt32 fullScale(omfInt32 width) {
    return width > 0 && width < 31 ? (1 << width) - 1 : 0;
}

} // namespace omf::codecs::cdci
