#include "stored_frames.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <limits>

namespace omftool {

bool StoredFrameReader::open(omfHdl_t file, const MediaMob& mob, MediaFailure& failure) {
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kPictureKindName, &pictureKind_, &status)) {
        return fail(failure, status != 0 ? status : OM_ERR_WRONG_MEDIA_TYPE,
                    "the file defines no picture data kind");
    }
    const std::string track = pictureTrackText(mob);
    const omfBool rawTransfer = true;
    if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly,
                                  rawTransfer, media_.out())) {
        media_.forget();
        return fail(failure, error, "opening the media of " + track);
    }
    if (isDVMedia(media_.get())) {
        // The DV codec refuses raw transfers and hands its frames out as stored anyway: the
        // handle is closed and the media opened again without them.
        if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly,
                                      false, media_.out())) {
            media_.forget();
            return fail(failure, error, "opening the DV media of " + track);
        }
    }
    return countFrames(media_.get(), track, frameCount_, failure);
}

bool StoredFrameReader::readFrame(int64_t frame, std::vector<uint8_t>& bytes,
                                  MediaFailure& failure) {
    const std::string doing = "reading the stored bytes of frame " + std::to_string(frame);
    // Frame-indexed media knows each frame's size; other media stores
    // frames of one size, the largest sample.
    omfFrameSizeInfo_t size{pictureKind_, frame + 1, 0};
    omfInt32 frameSize = 0;
    int error = omfmGetInfo(media_.get(), kMediaInfoFrameSize, pictureKind_, sizeof size, &size);
    if (error == 0) {
        frameSize = size.frameSize;
    } else if (error == OM_ERR_INVALID_CODEC_OPERATION) {
        error = omfmGetLargestSampleSize(media_.get(), pictureKind_, &frameSize);
    }
    if (error != 0) return fail(failure, error, doing);
    if (frameSize <= 0) return fail(failure, OM_ERR_ZERO_SAMPLE_SIZE, doing);
    bytes.resize(size_t(frameSize));
    if ((error = omfmSetFrame(media_.get(), frame + 1))) return fail(failure, error, doing);
    omfInt32 bytesRead = 0;
    if ((error = omfmReadChannelSamples(media_.get(), 1, frameSize, bytes.data(), &bytesRead))) {
        return fail(failure, error, doing);
    }
    bytes.resize(size_t(bytesRead));
    return true;
}

} // namespace omftool
