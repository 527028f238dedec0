// The picture media of a master mob, read frame by frame as 8-bit ARGB
// through the media calls.
#pragma once

#include "omf/omf_media.h"

#include <cstdint>
#include <string>
#include <vector>

namespace omftool {

// A failed step: the toolkit error and its message (the error's text, and
// on a second line in brackets what was being done). Error 0 is a failure
// outside the toolkit (the movie server decoding DV), its message one line
// naming the cause.
struct MediaFailure {
    int error = 0;
    std::string message;
};

// Records `error` with what was being done in `failure`; answers false.
bool fail(MediaFailure& failure, int error, const std::string& doing);

inline constexpr const char* kPictureKindName = "omfi:data:Picture";
// Codec ID of DV media. Its frames leave the codec as stored, raw transfer
// or not (and it refuses raw transfers): decoding them is the reader's job.
inline constexpr const char* kDVCodecID = "MSM TARGA DVC Codec";

// Whether the open `media` is DV media.
bool isDVMedia(omfMediaHdl_t media);

// Which master mob: the first picture master mob named `name`, or (when
// `name` is empty) the `index`-th picture master mob in mob-table order,
// counted from 1. A master mob is a picture one when one of its tracks has
// the picture data kind and resolves to a file mob.
struct MasterMobChoice {
    std::string name;
    int64_t index = 0;
};

struct PictureMob {
    omfObject_t mob = nullptr;
    omfTrackID_t trackID = 0; // its first picture track that resolves to a file mob
    std::string name;
};

// Finds the chosen master mob; false with OM_ERR_MOB_NOT_FOUND when there is none.
bool findPictureMasterMob(omfHdl_t file, const MasterMobChoice& choice, PictureMob& found,
                          MediaFailure& failure);

// Open picture media with the memory format set to 8-bit ARGB, separated
// fields woven into full frames. DV frames are decoded by the movie server
// instead, in frame order. Closed with the reader.
class PictureReader {
  public:
    PictureReader() = default;
    ~PictureReader();
    PictureReader(const PictureReader&) = delete;
    PictureReader& operator=(const PictureReader&) = delete;

    // Opens the picture track of `mob` for reading; false on failure.
    bool open(omfHdl_t file, const PictureMob& mob, MediaFailure& failure);

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
    const omfRect_t& sampledArea() const { return sampled_; }
    const omfRect_t& displayArea() const { return display_; }

  private:
    bool readDVFrame(std::vector<uint8_t>& argb, const std::string& doing, MediaFailure& failure);

    omfMediaHdl_t media_ = nullptr;
    omfObject_t pictureKind_ = nullptr;
    bool dv_ = false;
    std::vector<uint8_t> compressed_; // room for the largest DV frame
    int64_t frameCount_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool hasAlpha_ = false;
    omfFrameLayout_t fileLayout_ = kOmfFullFrame;
    omfRect_t sampled_{};
    omfRect_t display_{};
};

} // namespace omftool
