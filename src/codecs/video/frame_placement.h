// Where uncompressed frames lie in the media data: each field is preceded
// by `fillStart` and followed by `fillEnd` client bytes, and with an
// alignment factor of 2 or more every field (every frame, for one-field
// layouts) starts on a multiple of it, counted from the data start.
#pragma once

#include "omf/omf_types.h"

namespace omf::codecs::video {

struct FramePlacement {
    omfInt64 frameSize = 0; // stored bytes of one frame, all fields
    omfInt32 fields = 1;
    omfInt32 fillStart = 0;
    omfInt32 fillEnd = 0;
    omfInt32 alignment = 1;
    omfInt64 dataStart = 0; // position of frame 1

    omfInt64 fieldSize() const { return frameSize / fields; }
    bool aligned() const { return alignment >= 2; }
    // Distance from one frame's start to the next.
    omfInt64 frameStride() const;
    // Whether the fields of a frame follow each other with nothing between
    // them, so that a whole frame can move as one piece.
    bool fieldsContiguous() const;
    // `position` moved up to the next alignment boundary (unchanged without
    // an alignment factor).
    omfInt64 alignUp(omfInt64 position) const;
};

// The position of 1-based frame `frame`: OM_ERR_FRAME_INDEX_OUT_OF_RANGE below 1.
omfErr_t frameOffset(omfHdl_t file, const FramePlacement& placement, omfInt64 frame,
                     omfInt64* offset);

} // namespace omf::codecs::video
