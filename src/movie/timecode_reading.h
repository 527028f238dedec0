// Timecode tracks: their sample description and samples as stored, and the
// timecode text at a time.
#pragma once

#include "movie/movie_reading.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace movie {

// The timecode sample description after its data reference index:
// reserved (4), flags (4), time scale (4), frame duration (4), frames per
// second (1), reserved (1); all big-endian.
struct TimecodeDescription {
    uint32_t flags;
    int32_t timeScale;
    int32_t frameDuration;
    int32_t framesPerSecond;
};
inline constexpr uint32_t kTimecodeDropFrame = 0x1;
inline constexpr uint32_t kTimecode24HourMax = 0x2;
inline constexpr uint32_t kTimecodeNegativeOK = 0x4;
inline constexpr size_t kTimecodeDescriptionSize = 18;

// The description, or nothing when the bytes are too short or name no
// frame rate.
std::optional<TimecodeDescription> ParseTimecodeDescription(std::span<const uint8_t> bytes);
// A sample's frame number: 4 big-endian bytes ("tmcd"), 8 ("tc64").
std::optional<int64_t> ParseTimecodeSample(std::span<const uint8_t> bytes, bool wide);
// The text of frame `frame` ("HH:MM:SS:FF", ";" before dropped-frame frames).
std::string TimecodeText(const TimecodeDescription& description, int64_t frame);

int32_t ReadTimecode(const ReadTimecodeArgs& arguments);

} // namespace movie
