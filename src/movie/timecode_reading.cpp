// Timecode tracks.
#include "timecode_reading.h"

#include "movie_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

extern "C" {
#include <libavutil/timecode.h>
}

namespace movie {
namespace {

uint32_t LoadBig32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

} // namespace

std::optional<TimecodeDescription> ParseTimecodeDescription(std::span<const uint8_t> bytes) {
    if (bytes.size() < kTimecodeDescriptionSize) return std::nullopt;
    TimecodeDescription description{};
    description.flags = LoadBig32(bytes.data() + 4);
    description.timeScale = static_cast<int32_t>(LoadBig32(bytes.data() + 8));
    description.frameDuration = static_cast<int32_t>(LoadBig32(bytes.data() + 12));
    description.framesPerSecond = bytes[16];
    if (description.timeScale <= 0 || description.frameDuration <= 0) return std::nullopt;
    if (description.framesPerSecond == 0) {
        const int64_t rounded = (int64_t{description.timeScale} + description.frameDuration / 2) /
                                description.frameDuration;
        if (rounded < 1 || rounded > 255) return std::nullopt;
        description.framesPerSecond = static_cast<int32_t>(rounded);
    }
    return description;
}

std::optional<int64_t> ParseTimecodeSample(std::span<const uint8_t> bytes, bool wide) {
    if (wide) {
        if (bytes.size() < 8) return std::nullopt;
        return static_cast<int64_t>(uint64_t{LoadBig32(bytes.data())} << 32 |
                                    LoadBig32(bytes.data() + 4));
    }
    if (bytes.size() < 4) return std::nullopt;
    return static_cast<int32_t>(LoadBig32(bytes.data()));
}

std::string TimecodeText(const TimecodeDescription& description, int64_t frame) {
    AVTimecode timecode{};
    int flags = 0;
    // Dropping frame numbers is defined for rates that are multiples of 30.
    if ((description.flags & kTimecodeDropFrame) && description.framesPerSecond % 30 == 0)
        flags |= AV_TIMECODE_FLAG_DROPFRAME;
    if (description.flags & kTimecode24HourMax) flags |= AV_TIMECODE_FLAG_24HOURSMAX;
    if (description.flags & kTimecodeNegativeOK) flags |= AV_TIMECODE_FLAG_ALLOWNEGATIVE;
    if (av_timecode_init(&timecode, AVRational{description.framesPerSecond, 1}, flags, 0, nullptr) <
        0)
        return {};
    frame = std::clamp<int64_t>(frame, std::numeric_limits<int>::min() / 2,
                                std::numeric_limits<int>::max() / 2);
    char text[AV_TIMECODE_STR_SIZE];
    av_timecode_make_string(&timecode, text, static_cast<int>(frame));
    return text;
}

int32_t ReadTimecode(const ReadTimecodeArgs& arguments) {
    if (!arguments.reader || !arguments.text || arguments.capacity == 0 || arguments.timeScale <= 0)
        return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track || (track->mediaType != kMediaTimecode && track->mediaType != kMediaTimecode64))
        return kInvalidTrack;
    const AVCodecParameters& parameters = *track->stream->codecpar;
    const auto description = ParseTimecodeDescription(
        {parameters.extradata, static_cast<size_t>(std::max(parameters.extradata_size, 0))});
    if (!description || track->samples.empty()) return kInvalidSample;
    // The track's time for the given one, and the sample holding it.
    const AVRational base = track->stream->time_base;
    const int64_t time = av_rescale_q(std::max<int64_t>(arguments.time, 0),
                                      AVRational{1, arguments.timeScale}, base) +
                         track->origin;
    auto after = std::upper_bound(
        track->samples.begin(), track->samples.end(), time,
        [](int64_t value, const ReaderSample& sample) { return value < sample.timestamp; });
    const ReaderSample& sample = after == track->samples.begin() ? *after : *(after - 1);
    std::vector<uint8_t> bytes(static_cast<size_t>(sample.size));
    size_t size = 0;
    const int32_t read =
        ReadSample({arguments.reader, arguments.track, (&sample - track->samples.data()),
                    bytes.data(), bytes.size(), &size});
    if (read != kNoError) return read;
    const auto first = ParseTimecodeSample(bytes, track->mediaType == kMediaTimecode64);
    if (!first) return kInvalidSample;
    // Frames since the sample began, in the description's frame duration.
    const int64_t elapsed = av_rescale_q(std::max<int64_t>(time - sample.timestamp, 0), base,
                                         AVRational{1, description->timeScale}) /
                            description->frameDuration;
    const std::string text = TimecodeText(*description, *first + elapsed);
    if (text.empty()) return kInvalidSample;
    if (text.size() >= arguments.capacity) return kBufferTooSmall;
    std::memcpy(arguments.text, text.c_str(), text.size() + 1);
    return kNoError;
}

} // namespace movie
