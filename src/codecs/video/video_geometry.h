// The picture geometry both uncompressed video codecs keep per handle: the
// stored, sampled and displayed rectangles, aspect ratio, alignment, frame
// layout and video line map; read from a descriptor at open, written back
// as the descriptor's summary at close, and answered in format lists.
#pragma once

#include "omf/omf_media_types.h"

namespace omf::codecs::video {

struct VideoGeometry {
    omfInt32 storedWidth = 0;
    omfInt32 storedHeight = 0; // rows of one field for two-field layouts
    // The sampled and displayed rectangles follow the stored one until set.
    omfRect_t sampled{0, 0, 0, 0};
    omfRect_t displayed{0, 0, 0, 0};
    bool sampledSet = false;
    bool displayedSet = false;
    omfRational_t aspectRatio{4, 3};
    omfInt32 alignment = 1; // bytes; 0 and 1 mean none
    omfInt32 layout = kOmfFullFrame;
    omfInt32 fieldOrderCode = 2;
    omfInt32 lineMap[2] = {16, 17}; // first line of field 1, of field 2

    omfRect_t storedRect() const { return {0, 0, storedWidth, storedHeight}; }
    omfRect_t sampledRect() const { return sampledSet ? sampled : storedRect(); }
    omfRect_t displayedRect() const { return displayedSet ? displayed : storedRect(); }
    // Two for separated and mixed fields, else one.
    omfInt32 fieldsPerFrame() const { return fieldsPerFrame(layout); }
    static omfInt32 fieldsPerFrame(omfInt32 layout) {
        return layout == kOmfSeparateFields || layout == kOmfMixedFields ? 2 : 1;
    }
};

// Reads StoredWidth and StoredHeight (required), the sampled and displayed
// rectangles (taken when both their width and height are present),
// ImageAspectRatio (required), ImageAlignmentFactor, FrameLayout (required)
// and, for layouts other than full frames, the video line map.
omfErr_t readGeometry(omfHdl_t file, omfObject_t descriptor, VideoGeometry& geometry);

// Writes the stored size, both rectangles, FrameLayout, the line map (for
// layouts other than full frames, when it is not all zero),
// ImageAspectRatio and ImageAlignmentFactor.
omfErr_t writeGeometry(omfHdl_t file, omfObject_t descriptor, const VideoGeometry& geometry);

// Answers a format-list entry from the geometry; false when `entry`'s code
// is not a geometry code (layout, field order, rectangles, aspect,
// alignment, line map).
bool answerGeometryEntry(const VideoGeometry& geometry, omfFormatEntry_t& entry);

// Applies a format-list entry to the geometry; false when its code is not
// a geometry code.
bool applyGeometryEntry(VideoGeometry& geometry, const omfFormatEntry_t& entry);

// The stored bytes of one frame of `bitsPerPixel` pixels: all fields,
// rounded up to whole bytes. Sizes a descriptor cannot mean (negative, or a
// frame larger than one transfer can carry) are OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT,
// refused before any product could overflow.
omfErr_t frameBytes(omfHdl_t file, const VideoGeometry& geometry, omfInt64 bitsPerPixel,
                    omfInt64* bytes);

// A sampled rectangle that starts above the stored rows or reaches below them.
bool sampledRectOutsideStored(const VideoGeometry& geometry, const omfRect_t& rect);

} // namespace omf::codecs::video
