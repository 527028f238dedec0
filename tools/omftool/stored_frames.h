// The picture media of a master mob read frame by frame as stored: for
// compressed media the bytes of each frame as the file holds them (a JPEG
// image, a DV frame), for uncompressed media the stored pixels. Frames of
// media that keeps its JPEG tables in its descriptor get those tables
// inserted, so that each frame is a whole JPEG image.
#pragma once

#include "jpeg_table_insertion.h"
#include "picture_media.h"

#include <cstdint>
#include <optional>
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
    // Whether frames get the descriptor's JPEG tables inserted.
    bool insertsTables() const { return descriptorTables_.has_value(); }

  private:
    MediaHandle media_;
    std::optional<JpegTables> descriptorTables_;
    std::vector<uint8_t> stored_; // a frame as stored, before its tables are inserted
    omfObject_t pictureKind_ = nullptr;
    int64_t frameCount_ = 0;
};

} // namespace omftool
