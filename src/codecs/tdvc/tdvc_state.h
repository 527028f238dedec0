// The Avid TDVC codec's records: the property codes it registers once per
// session (its persistent data) and the per-handle state, which adds to
// the picture description the size of one DV frame and the frame index
// computed from it. DV frames are handed out as stored; decoding them is
// the reader's business.
#pragma once

#include "jpeg/frame_index.h"
#include "video/picture_state.h"

namespace omf::codecs::tdvc {

// Codes of the properties the codec registers at init. Allocated with
// std::calloc and released by the registry with std::free.
struct PropertyCodes {
    omfProperty_t frameSampleSize; // CDCI FrameSampleSize: bytes of one DV frame
    omfProperty_t componentWidth;
    omfProperty_t horizontalSubsampling;
    omfProperty_t firstFrameOffset; // DIDD FirstFrameOffset: position of frame 1
};

// Frames move whole and compressed; the codec moves no lines.
inline constexpr bool kTransfersLines = false;

class TdvcState final : public video::PictureState {
  public:
    TdvcState() : PictureState(kOmfPixYUV, kTransfersLines) {}

    omfInt32 componentWidth = 0; // 0 when the descriptor names none: no frame is read
    omfInt32 horizontalSubsampling = 2;
    omfInt32 frameSampleSize = 0; // 0 when the descriptor names none: no frame is read
    omfInt64 dataStart = 0;
    jpeg::FrameIndex index; // one entry per frame start, and the end of the last frame

    // FirstFrameOffset, the components, FrameSampleSize and the index.
    omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) override;
    omfErr_t computeSizes(omfHdl_t file) override;
    omfErr_t answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const override;
    // The codec writes nothing: no file-format entry applies.
    omfErr_t applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) override;
    omfErr_t putFormatEntries(omfHdl_t file, media::FormatList& list) const override;
    bool compressed() const override { return true; }
    omfErr_t writeSummary(omfHdl_t, omfObject_t, const void*, omfFileRev_t) const override {
        return 0;
    }

  private:
    omfErr_t buildIndex(omfHdl_t file, omfMediaHdl_t media);
};

// The handle's state, or null before open.
inline TdvcState* stateOf(omfMediaHdl_t media) {
    return static_cast<TdvcState*>(video::pictureStateOf(media));
}

// The codec's own operations; the rest of its table is the shared picture code.
omfErr_t readSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t setFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t frameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t getInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t putInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t selectInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::tdvc
