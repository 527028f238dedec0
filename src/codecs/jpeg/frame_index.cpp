// The frame index of frame-indexed picture media.
#include "jpeg/frame_index.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

namespace omf::codecs::jpeg {

void FrameIndex::clear() {
    entries_.clear();
    cursor_ = 0;
}

void FrameIndex::append(int64_t offset) {
    // The vector grows geometrically beyond the first block, so that
    // appending to a long index copies it a few times, not once per block.
    if (entries_.capacity() == 0) entries_.reserve(kGrowth);
    entries_.push_back(offset);
}

int64_t FrameIndex::frameCount() const {
    return entries_.empty() ? 0 : static_cast<int64_t>(entries_.size()) - 1;
}

omfErr_t FrameIndex::seekFrame(omfHdl_t file, int64_t frame) {
    if (frame < 0 || frame >= static_cast<int64_t>(entries_.size()))
        OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    cursor_ = frame;
    return 0;
}

omfErr_t FrameIndex::frameBounds(omfHdl_t file, int64_t frame, int64_t* start,
                                 int64_t* size) const {
    if (entries_.empty()) OMF_RAISE(file, OM_ERR_NO_JPEG_FRAME_INDEX);
    if (frame < 0 || frame + 1 >= static_cast<int64_t>(entries_.size()))
        OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    int64_t first = entries_[size_t(frame)];
    int64_t next = entries_[size_t(frame) + 1];
    // Offsets come from the file: a frame that ends before it starts has no bytes to read.
    if (first < 0 || next < first) OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    *start = first;
    *size = next - first;
    return 0;
}

int64_t FrameIndex::largestFrame() const {
    int64_t largest = 0;
    for (size_t i = 1; i < entries_.size(); ++i) {
        int64_t size = entries_[i] - entries_[i - 1];
        if (size > largest) largest = size;
    }
    return largest;
}

} // namespace omf::codecs::jpeg
