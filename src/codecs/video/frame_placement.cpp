// Frame positions in uncompressed media data.
#include "video/frame_placement.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <algorithm>
#include <limits>

namespace omf::codecs::video {

namespace {

omfInt64 roundUp(omfInt64 value, omfInt64 multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

} // namespace

omfInt64 FramePlacement::frameStride() const {
    omfInt64 perFrame = omfInt64(fields) * (fillStart + fillEnd) + frameSize;
    if (!aligned()) return perFrame;
    // Each field starts on a boundary: round one field up, then count both.
    omfInt64 perField = perFrame / fields;
    return roundUp(perField, alignment) * fields;
}

bool FramePlacement::fieldsContiguous() const {
    if (fields == 1) return true;
    if (fillStart != 0 || fillEnd != 0) return false;
    return !aligned() || fieldSize() % alignment == 0;
}

omfInt64 FramePlacement::alignUp(omfInt64 position) const {
    if (!aligned()) return position;
    return dataStart + roundUp(position - dataStart, alignment);
}

omfErr_t frameOffset(omfHdl_t file, const FramePlacement& placement, omfInt64 frame,
                     omfInt64* offset) {
    if (frame < 1) OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    // A frame number whose offset would not fit 64 bits lies past any data.
    const omfInt64 stride = placement.frameStride();
    if (stride > 0 && frame - 1 > (std::numeric_limits<omfInt64>::max() -
                                   std::max<omfInt64>(placement.dataStart, 0)) / stride) {
        OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    }
    *offset = (frame - 1) * stride + placement.dataStart;
    return 0;
}

} // namespace omf::codecs::video
