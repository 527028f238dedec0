// The picture media of a master mob read frame by frame as stored: for
// compressed media the bytes of each frame exactly as the file holds them
// (a JPEG image, a DV frame), for uncompressed media the stored pixels.
#pragma once

#include "picture_media.h"

#include <cstdint>
#include <vector>

namespace omftool {

class StoredFrameReader {
  public:
    StoredFrameReader() = default;
    StoredFrameReader(const StoredFrameReader&) = delete;
    StoredFrameReader& operator=(const StoredFrameReader&) = delete;

    // Opens the picture track of `mob` for raw transfers; false on failure.
    bool open(omfHdl_t file, const MediaMob& mob, MediaFailure& failure);

    // Reads frame `frame` (from 0) into `bytes`, resized to the frame's size.
    bool readFrame(int64_t frame, std::vector<uint8_t>& bytes, MediaFailure& failure);

    int64_t frameCount() const { return frameCount_; }

  private:
    MediaHandle media_;
    omfObject_t pictureKind_ = nullptr;
    int64_t frameCount_ = 0;
};

} // namespace omftool
