// The frame index of frame-indexed picture media: the stream offset of
// every frame's start and, after the last frame, the end of its data, so
// that k + 1 entries describe k frames and frame n (1-based) occupies the
// bytes from entry n - 1 to entry n. A cursor names the next frame to read.
#pragma once

#include "omf/omf_types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace omf::codecs::jpeg {

class FrameIndex {
  public:
    static constexpr size_t kGrowth = 1024; // room for this many entries at the first append

    void clear();
    // Makes room for `entries` entries at once (an index read from a file).
    void reserve(size_t entries) { entries_.reserve(entries); }
    // Appends one offset (the start of the first frame, then the position
    // after each frame written).
    void append(int64_t offset);
    bool empty() const { return entries_.empty(); }
    size_t entryCount() const { return entries_.size(); }
    int64_t entry(size_t i) const { return entries_[i]; }
    // Frames the index describes: one fewer than its entries.
    int64_t frameCount() const;

    // The next frame to read is `frame` (0-based); OM_ERR_FRAME_INDEX_OUT_OF_RANGE
    // when no frame follows that position in the index.
    omfErr_t seekFrame(omfHdl_t file, int64_t frame);
    int64_t cursor() const { return cursor_; }
    void advance() { ++cursor_; }

    // Start and byte size of 0-based frame `frame`: OM_ERR_NO_JPEG_FRAME_INDEX
    // for an empty index, OM_ERR_FRAME_INDEX_OUT_OF_RANGE outside it or for
    // entries that run backwards.
    omfErr_t frameBounds(omfHdl_t file, int64_t frame, int64_t* start, int64_t* size) const;

    // The largest difference between consecutive entries (0 without frames).
    int64_t largestFrame() const;

  private:
    std::vector<int64_t> entries_;
    int64_t cursor_ = 0;
};

} // namespace omf::codecs::jpeg
