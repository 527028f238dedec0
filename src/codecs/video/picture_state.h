// The per-handle state both uncompressed picture codecs build on: the
// picture's geometry, sample rate, pixel and frame sizes, the two format
// lists the pixel translator works between, and the padding source. What a
// codec adds (its own descriptor properties and format entries) it supplies
// through the hooks below, so that the operations on the state can be
// written once.
#pragma once

#include "media/codec_support/format_list.h"
#include "media/codec_support/media_handle.h"
#include "omf/omf_codec.h"
#include "video/frame_placement.h"
#include "video/video_geometry.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::video {

class PictureState {
  public:
    // `pixelFormat` is the stored pixel format (kOmfPixYUV, kOmfPixRGBA);
    // `transfersLines` tells whether the codec moves lines as well as frames.
    PictureState(omfInt32 pixelFormat, bool transfersLines)
        : pixelFormat(pixelFormat), transfersLines(transfersLines) {}
    virtual ~PictureState() = default;
    PictureState(const PictureState&) = delete;
    PictureState& operator=(const PictureState&) = delete;

    const omfInt32 pixelFormat;
    const bool transfersLines;
    VideoGeometry geometry;
    omfRational_t sampleRate{0, 1};
    omfInt32 pixelSize = 0; // bits
    omfInt64 frameSize = 0; // stored bytes of one frame
    media::FormatList fileFormat;
    media::FormatList memoryFormat;
    std::vector<uint8_t> zeros; // padding written between fields and frames

    // Whether the memory format names a frame layout other than the stored one.
    bool layoutsDiffer() const;

    // Frame positions of the handle's media: the frame size, fields and
    // alignment; a codec with client fill or a data offset adds them.
    virtual FramePlacement placement() const;

    // Reads the codec's own descriptor properties at open, after the
    // geometry, and computes pixel and frame size. `codes` is the codec's
    // persistent data.
    virtual omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) = 0;
    // Pixel and frame size from the codec's components and the geometry.
    virtual omfErr_t computeSizes(omfHdl_t file) = 0;
    // Sizes after a file format list was applied.
    virtual omfErr_t fileFormatApplied(omfHdl_t file) { return computeSizes(file); }

    // Answers and applies the file-format entries that are not geometry
    // (OM_ERR_ILLEGAL_FILE_FORMAT for codes the codec does not know).
    virtual omfErr_t answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const = 0;
    virtual omfErr_t applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) = 0;
    // Adds the codec's own entries to the stored format list the stream gets.
    virtual omfErr_t putFormatEntries(omfHdl_t file, media::FormatList& list) const = 0;

    // The format the codec hands the stream as the file side of translation:
    // the stored format, or for a compressing codec the form its frames
    // take once decoded.
    virtual omfErr_t streamFileFormat(omfHdl_t /*file*/, const media::FormatList** list) {
        *list = &fileFormat;
        return 0;
    }
    // The memory format until the caller sets one: the stored pixel format.
    virtual omfErr_t defaultMemoryFormat(omfHdl_t /*file*/, media::FormatList& memory) const {
        return memory.putInt32(kOmfPixelFormat, pixelFormat);
    }
    // Whether stored frames are compressed.
    virtual bool compressed() const { return false; }

    // The stream was moved to the start of a frame.
    virtual void framePositioned() {}

    // Writes the summary of the picture format into the descriptor of
    // media written through the handle, at close.
    virtual omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                  omfFileRev_t revision) const = 0;
};

// The handle's state, or null before open/create.
inline PictureState* pictureStateOf(omfMediaHdl_t media) {
    return media == nullptr ? nullptr : static_cast<PictureState*>(media->codecState);
}

} // namespace omf::codecs::video
