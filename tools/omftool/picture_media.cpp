#include "picture_media.h"

#include "movie_server.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

#include <cstring>
#include <limits>

namespace omftool {

namespace {

// Whether the file's pixels name an alpha component. Component video and
// codecs that do not answer have none.
bool fileHasAlpha(omfMediaHdl_t media, omfObject_t pictureKind) {
    omfFormatEntry_t list[2] = {omfmFormatEntry(kOmfRGBCompLayout), omfmFormatEntry(kOmfVFmtEnd)};
    if (omfmGetInfo(media, kMediaInfoVideoFormat, pictureKind, sizeof list, list) != 0) {
        return false;
    }
    const char* letters = list[0].operand.compLayout;
    return std::memchr(letters, 'A', strnlen(letters, sizeof list[0].operand.compLayout)) !=
           nullptr;
}

// Room for the decoder's messages of one read.
constexpr omfInt32 kDecoderTextSize = 512;

// What the decoder said during the last read of `media`; empty when nothing.
std::string decoderMessages(omfMediaHdl_t media) {
    char text[kDecoderTextSize] = {};
    omfBool found = false;
    if (omfmGetDecodeWarning(media, text, kDecoderTextSize, &found) != 0 || !found) return {};
    return text;
}

} // namespace

std::string pictureTrackText(const MediaMob& mob) {
    return "picture track " + std::to_string(mob.trackID) + " of master mob \"" + mob.name + "\"";
}

bool countFrames(omfMediaHdl_t media, const std::string& track, int64_t& frames,
                 MediaFailure& failure) {
    omfInt64 count = 0;
    if (int error = omfmCountSamples(media, &count)) {
        return fail(failure, error, "counting the frames of " + track);
    }
    frames = count;
    return true;
}

bool isDVMedia(omfMediaHdl_t media) {
    // Room for any codec ID with its terminating zero.
    char codecID[64] = {};
    return omfmGetCodecID(media, sizeof codecID, codecID) == 0 &&
           std::strcmp(codecID, kOmfCodecTDVC) == 0;
}

bool PictureReader::open(omfHdl_t file, const MediaMob& mob, MediaFailure& failure) {
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kPictureKindName, &pictureKind_, &status)) {
        return fail(failure, status != 0 ? status : OM_ERR_WRONG_MEDIA_TYPE,
                    "the file defines no picture data kind");
    }
    const std::string track = pictureTrackText(mob);
    omfInt16 channels = 0;
    if (int error =
            omfmCountChannels(file, mob.mob, mob.trackID, nullptr, pictureKind_, &channels)) {
        return fail(failure, error, "counting the channels of " + track);
    }
    if (channels < 1) return fail(failure, OM_ERR_WRONG_MEDIA_TYPE, track + " has no picture");
    if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly, 0,
                                  media_.out())) {
        media_.forget();
        return fail(failure, error, "opening the media of " + track);
    }
    omfInt32 storedWidth = 0, storedHeight = 0;
    if (int error = omfmGetVideoFormat(media_.get(), &fileLayout_, &storedWidth, &storedHeight,
                                       nullptr, nullptr, nullptr)) {
        return fail(failure, error, "reading the video format of " + track);
    }
    if (const std::optional<PictureAreas> areas = readPictureAreas(media_.get())) areas_ = *areas;
    // Two fields are woven into one frame; a single field arrives as a frame of twice its rows,
    // each row on two lines.
    const bool doubled = fileLayout_ == kOmfSeparateFields || fileLayout_ == kOmfMixedFields ||
                         fileLayout_ == kOmfOneField;
    // A frame must fit one transfer: 4 bytes a pixel, counted in 32 bits.
    const int64_t rows = int64_t(storedHeight) * (doubled ? 2 : 1);
    if (storedWidth <= 0 || rows <= 0 ||
        int64_t(storedWidth) * rows * 4 > std::numeric_limits<omfInt32>::max()) {
        return fail(failure, OM_ERR_CORRUPT_VIDEO_INFO,
                    track + " has a stored size of " + std::to_string(storedWidth) + " x " +
                        std::to_string(storedHeight));
    }
    width_ = storedWidth;
    height_ = int(rows);
    hasAlpha_ = fileHasAlpha(media_.get(), pictureKind_);
    dv_ = isDVMedia(media_.get());
    if (dv_) {
        // DV frames arrive compressed whatever the memory format: room for the largest.
        omfInt32 largest = 0;
        if (int error = omfmGetLargestSampleSize(media_.get(), pictureKind_, &largest)) {
            return fail(failure, error, "reading the largest DV frame of " + track);
        }
        if (largest <= 0) return fail(failure, OM_ERR_ZERO_SAMPLE_SIZE, track + " holds no frame");
        compressed_.resize(size_t(largest));
    } else {
        // 8-bit ARGB, and one full frame (woven from separated fields) per sample.
        omfFormatEntry_t format[5] = {
            omfmFormatEntry(kOmfFrameLayout), omfmFormatEntry(kOmfPixelFormat),
            omfmFormatEntry(kOmfRGBCompLayout), omfmFormatEntry(kOmfRGBCompSizes),
            omfmFormatEntry(kOmfVFmtEnd)};
        format[0].operand.int32 = kOmfFullFrame;
        format[1].operand.int32 = kOmfPixRGBA;
        std::memcpy(format[2].operand.compLayout, "ARGB", 4);
        std::memset(format[3].operand.compSizes, 8, 4);
        if (int error = omfmSetMemoryFormat(media_.get(), format)) {
            return fail(failure, error, "asking for 8-bit ARGB frames of " + track);
        }
    }
    return countFrames(media_.get(), track, frameCount_, failure);
}

bool PictureReader::readFrame(int64_t frame, std::vector<uint8_t>& argb, MediaFailure& failure) {
    const std::string doing = "reading frame " + std::to_string(frame);
    if (int error = omfmSetFrame(media_.get(), frame + 1)) return fail(failure, error, doing);
    if (dv_) return readDVFrame(argb, doing, failure);
    argb.resize(frameBytes());
    omfInt32 bytesRead = 0;
    const omfErr_t error =
        omfmReadChannelSamples(media_.get(), 1, omfInt32(argb.size()), argb.data(), &bytesRead);
    // The decoder's own words name the cause better than the toolkit's code alone, and a frame
    // it warned about (damaged data decoded anyway) is no good frame.
    const std::string said = decoderMessages(media_.get());
    if (error != 0) return fail(failure, error, said.empty() ? doing : doing + ": " + said);
    if (!said.empty()) return fail(failure, kOmfDecodeWarningError, doing + ": " + said);
    if (size_t(bytesRead) != argb.size()) {
        return fail(failure, OM_ERR_NO_DATA_READ,
                    doing + ": " + std::to_string(bytesRead) + " of " +
                        std::to_string(argb.size()) + " bytes");
    }
    return true;
}

bool PictureReader::readDVFrame(std::vector<uint8_t>& argb, const std::string& doing,
                                MediaFailure& failure) {
    omfInt32 samples = 0, bytesRead = 0;
    if (int error = omfmReadMediaSamples(media_.get(), 1, omfInt32(compressed_.size()),
                                         compressed_.data(), &samples, &bytesRead)) {
        return fail(failure, error, doing);
    }
    if (samples != 1 || bytesRead <= 0) return fail(failure, OM_ERR_NO_DATA_READ, doing);
    std::string why;
    if (!decodeDVFrame(std::span(compressed_.data(), size_t(bytesRead)), width_, height_, argb,
                       why)) {
        failure.error = 0;
        failure.message = doing + ": " + why;
        return false;
    }
    return true;
}

} // namespace omftool
