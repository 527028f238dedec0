// The picture media of a master mob, read frame by frame as 8-bit ARGB
// through the media calls.
#pragma once

#include "master_mob_search.h"
#include "media_failure.h"
#include "media_handle.h"
#include "picture_areas.h"

#include "omf/omf_media.h"

#include <cstdint>
#include <string>
#include <vector>

namespace omftool {

inline constexpr const char* kPictureKindName = kPictureMedia.dataKind;

// How the readers' messages name the picture track of `mob`.
std::string pictureTrackText(const MediaMob& mob);

// The frames of the open `media` of `track` into `frames`; false on failure.
bool countFrames(omfMediaHdl_t media, const std::string& track, int64_t& frames,
                 MediaFailure& failure);

// Whether the open `media` is DV media.
bool isDVMedia(omfMediaHdl_t media);

// Open picture media with the memory format set to 8-bit ARGB, separated
// fields woven into full frames. DV frames are decoded by the movie server
// instead, in frame order. Closed with the reader.
class PictureReader {
  public:
    PictureReader() = default;
    PictureReader(const PictureReader&) = delete;
    PictureReader& operator=(const PictureReader&) = delete;

    // Opens the picture track of `mob` for reading; false on failure.
    bool open(omfHdl_t file, const MediaMob& mob, MediaFailure& failure);

    // Reads frame `frame` (from 0) into `argb`, resized to frameBytes().
    bool readFrame(int64_t frame, std::vector<uint8_t>& argb, MediaFailure& failure);

    int64_t frameCount() const { return frameCount_; }
    // Size of a frame as delivered: every stored row, both fields of
    // two-field layouts woven together, each row of a single field twice.
    int width() const { return width_; }
    int height() const { return height_; }
    size_t frameBytes() const { return size_t(width_) * size_t(height_) * 4; }
    // Whether the file keeps alpha ('A' among its components); without it
    // the alpha bytes of a frame are 0.
    bool hasAlpha() const { return hasAlpha_; }
    omfFrameLayout_t fileLayout() const { return fileLayout_; }
    bool isDV() const { return dv_; }
    // The stored, sampled and displayed areas; the sampled area is what a host is given.
    const PictureAreas& areas() const { return areas_; }

  private:
    bool readDVFrame(std::vector<uint8_t>& argb, const std::string& doing, MediaFailure& failure);

    MediaHandle media_;
    omfObject_t pictureKind_ = nullptr;
    bool dv_ = false;
    std::vector<uint8_t> compressed_; // room for the largest DV frame
    int64_t frameCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool hasAlpha_ = false;
    omfFrameLayout_t fileLayout_ = kOmfFullFrame;
    PictureAreas areas_;
};

} // namespace omftool
