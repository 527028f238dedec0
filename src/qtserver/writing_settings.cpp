// Writing settings.
#include "writing_settings.h"

#include "movie/movie_writing.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int32_t kMaxPercent = 100;
constexpr int64_t kReorderingLimit = 255;
constexpr int64_t kReorderingNumerator = 0xC0000000LL;
constexpr int32_t kDefaultTimecodeRate = 24;
constexpr uint32_t kH264 = movie::FourCharCode("avc1");
constexpr std::array<uint32_t, 5> kPreferredFormats = {
    movie::kPixelB64a, movie::kPixelB48r, movie::kPixelV410, movie::kPixelV210, movie::kPixel2vuy};
// Timecode fields and rates beyond these are not timecode; they keep the
// sums in range.
constexpr uint64_t kMaxTimecodeField = 1000000000ULL;
constexpr uint64_t kMaxTimecodeRate = 1000000ULL;

} // namespace

std::optional<WritingTimeBase> TimeBaseFromFrameRate(int32_t frameRate) {
    if (frameRate <= 0) return std::nullopt;
    WritingTimeBase base{frameRate, frameRate, 0, 0.0};
    switch (frameRate) {
    case 23976:
    case 23980:
        base.frameRate = 23976;
        base.timeScale = 2997;
        break;
    case 24000:
        base.timeScale = 2400;
        break;
    case 29970:
        base.timeScale = 30000;
        break;
    default:
        break;
    }
    base.rate = base.frameRate * 0.001;
    base.frameDuration =
        static_cast<int32_t>(static_cast<int64_t>(base.timeScale) * 1000 / base.frameRate);
    if (base.frameDuration <= 0) return std::nullopt;
    return base;
}

int32_t CodecQualityFromPercent(int32_t quality) {
    quality = std::clamp(quality, 0, kMaxPercent);
    if (quality == 0) return movie::kMinCodecQuality;
    return quality * movie::kMaxCodecQuality / kMaxPercent;
}

uint32_t PreferredPixelFormat(std::span<const uint32_t> codecFormats) {
    for (uint32_t preferred : kPreferredFormats)
        if (std::find(codecFormats.begin(), codecFormats.end(), preferred) != codecFormats.end())
            return preferred;
    return movie::kPixel32ARGB;
}

bool AllowsFrameReordering(uint32_t codecType, int32_t width, int32_t height) {
    if (codecType != kH264) return true;
    const int64_t pixels = 2LL * std::max(width, 1) * std::max(height, 1);
    return kReorderingNumerator / pixels > kReorderingLimit;
}

int32_t TimecodeFramesPerSecond(std::optional<double> rate) {
    if (!rate || !std::isfinite(*rate)) return kDefaultTimecodeRate;
    const double rounded = std::floor(*rate + 0.5);
    return rounded < 0 ? 0 : rounded > INT32_MAX ? INT32_MAX : static_cast<int32_t>(rounded);
}

uint32_t TimecodeFrameNumber(std::string_view text, int32_t framesPerSecond) {
    // Fields from the right: frames, seconds, minutes, hours.
    uint64_t fields[4] = {0, 0, 0, 0};
    int found = 0;
    size_t end = text.size();
    while (found < 4) {
        while (end > 0 && (text[end - 1] < '0' || text[end - 1] > '9'))
            --end;
        if (end == 0) break;
        size_t begin = end;
        while (begin > 0 && text[begin - 1] >= '0' && text[begin - 1] <= '9')
            --begin;
        uint64_t value = 0;
        for (size_t i = begin; i < end; ++i)
            value = std::min(value * 10 + static_cast<uint64_t>(text[i] - '0'), kMaxTimecodeField);
        fields[found++] = value;
        end = begin;
    }
    const uint64_t seconds = fields[3] * 3600 + fields[2] * 60 + fields[1];
    const uint64_t frames =
        seconds * std::min(static_cast<uint64_t>(std::max(framesPerSecond, 0)), kMaxTimecodeRate) +
        fields[0];
    return static_cast<uint32_t>(std::min<uint64_t>(frames, UINT32_MAX));
}
