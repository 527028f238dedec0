#include "sound_resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libswresample/swresample.h>
}

namespace omftool {

namespace {

std::string ffmpegError(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

} // namespace

MonoResampler::~MonoResampler() {
    swr_free(&context_);
}

bool MonoResampler::open(int fromRate, int toRate, std::string& why) {
    AVChannelLayout mono = AV_CHANNEL_LAYOUT_MONO; // FFmpeg 5 takes it not const
    int error = swr_alloc_set_opts2(&context_, &mono, AV_SAMPLE_FMT_S32, toRate, &mono,
                                    AV_SAMPLE_FMT_S32, fromRate, 0, nullptr);
    if (error >= 0) error = swr_init(context_);
    if (error < 0) {
        why = "cannot convert " + std::to_string(fromRate) + " Hz to " + std::to_string(toRate) +
              " Hz: " + ffmpegError(error);
        return false;
    }
    return true;
}

bool MonoResampler::convert(const std::vector<int32_t>& in, std::vector<int32_t>& out,
                            std::string& why) {
    const int room = swr_get_out_samples(context_, int(in.size()));
    if (room < 0) {
        why = "the sample rate converter failed: " + ffmpegError(room);
        return false;
    }
    const std::size_t before = out.size();
    out.resize(before + std::size_t(room));
    auto* to = reinterpret_cast<uint8_t*>(out.data() + before);
    const auto* from = reinterpret_cast<const uint8_t*>(in.data());
    const int made = swr_convert(context_, &to, room, in.empty() ? nullptr : &from, int(in.size()));
    if (made < 0) {
        out.resize(before);
        why = "the sample rate converter failed: " + ffmpegError(made);
        return false;
    }
    out.resize(before + std::size_t(made));
    return true;
}

} // namespace omftool
