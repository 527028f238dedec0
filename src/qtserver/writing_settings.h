// The rules that turn a state's writing settings into what the movie
// services take: the time base from the frame rate, the codec quality, the
// frame buffer's pixel format, frame reordering, and timecode text as a
// frame number.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct WritingTimeBase {
    int32_t frameRate;     // frames per second x 1000, as stored (23980 becomes 23976)
    int32_t timeScale;     // units per second of the movie and its media
    int32_t frameDuration; // units of one frame
    double rate;           // frames per second
};

// The time base for `frameRate` (frames per second x 1000): 2997 units a
// second for 23976 and 23980, 2400 for 24000, 30000 for 29970, else the rate
// itself; one frame lasts time scale x 1000 / rate units. None for a rate
// that is not positive.
std::optional<WritingTimeBase> TimeBaseFromFrameRate(int32_t frameRate);

// A quality of 0..100 as a codec quality of 1..1024 (x 1024 / 100, 1 for 0);
// values outside 0..100 are taken as the nearest end.
int32_t CodecQualityFromPercent(int32_t quality);

// The pixel format frame buffers get when the client asked for none: the
// first of "b64a", "b48r", "v410", "v210", "2vuy" that the codec lists,
// else 32-bit A R G B.
uint32_t PreferredPixelFormat(std::span<const uint32_t> codecFormats);

// Whether an encoder may reorder frames: H.264 ("avc1") may not when
// 0xC0000000 / (2 x width x height) is at most 255.
bool AllowsFrameReordering(uint32_t codecType, int32_t width, int32_t height);

// Frames per second of a timecode: floor(rate + 0.5) when a rate is given,
// else 24.
int32_t TimecodeFramesPerSecond(std::optional<double> rate);

// A timecode text as a frame count. Runs of digits read from the right are
// frames, seconds, minutes and hours, whatever separates them:
// ((hours x 3600 + minutes x 60 + seconds) x framesPerSecond + frames).
// 0 for a text without digits; at most 0xFFFFFFFF.
uint32_t TimecodeFrameNumber(std::string_view text, int32_t framesPerSecond);
