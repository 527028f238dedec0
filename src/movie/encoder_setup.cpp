// Encoder set-up: the encoder format, the quality and rate controls and the
// codec's own settings.
#include "encoder_setup.h"

#include "codec_settings.h"
#include "pixel_layouts.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/dv_profile.h>
#include <libavutil/opt.h>
}

namespace movie {
namespace {

constexpr int kCoarsestQuantiser = 31;
constexpr int kFinestQuantiser = 1;
constexpr int kCoarsestConstantRate = 51; // x264's constant-rate factor range 0..51

bool IsEncoder(const AVCodec* encoder, const char* name) {
    return std::strcmp(encoder->name, name) == 0;
}

// The encoder formats allowed for the entry, in the encoder's order.
std::vector<AVPixelFormat> AllowedFormats(const CatalogueEntry& entry, const AVCodec* encoder,
                                          int32_t width, int32_t height) {
    std::vector<AVPixelFormat> formats;
    if (entry.encoderFormats[0] != AV_PIX_FMT_NONE) {
        for (AVPixelFormat format : entry.encoderFormats) {
            if (format == AV_PIX_FMT_NONE) break;
            formats.push_back(format);
        }
    } else if (encoder->pix_fmts) {
        for (const AVPixelFormat* format = encoder->pix_fmts; *format != AV_PIX_FMT_NONE; ++format)
            formats.push_back(*format);
    }
    // DV takes only the formats of a DV system of this frame size.
    if (IsEncoder(encoder, "dvvideo"))
        std::erase_if(formats, [&](AVPixelFormat format) {
            return !av_dv_codec_profile(width, height, format);
        });
    formats.push_back(AV_PIX_FMT_NONE);
    return formats;
}

// Quality onto the encoder's own controls: a fixed quantiser for the
// quantiser-driven codecs, the constant-rate factor for x264; lossless and
// fixed-rate codecs have none.
int32_t ApplyQuality(const AVCodec* encoder, AVCodecContext* context, int32_t quality) {
    if (IsEncoder(encoder, "mjpeg") || IsEncoder(encoder, "mpeg4") ||
        IsEncoder(encoder, "prores_ks")) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * QuantiserFor(quality);
    } else if (IsEncoder(encoder, "libx264")) {
        const double factor = static_cast<double>(kCoarsestConstantRate) *
                              (kMaxCodecQuality - quality) / (kMaxCodecQuality - kMinCodecQuality);
        if (av_opt_set_double(context->priv_data, "crf", factor, 0) < 0) return kCodecError;
    }
    return kNoError;
}

} // namespace

int QuantiserFor(int32_t quality) {
    if (quality < kMinCodecQuality) quality = kMinCodecQuality;
    if (quality > kMaxCodecQuality) quality = kMaxCodecQuality;
    return kCoarsestQuantiser - (kCoarsestQuantiser - kFinestQuantiser) *
                                    (quality - kMinCodecQuality) /
                                    (kMaxCodecQuality - kMinCodecQuality);
}

int32_t OpenEncoder(const EncoderRequest& request, AVCodecContext** result) {
    const CatalogueEntry& entry = *request.entry;
    const AVCodec* encoder = EncoderOf(entry);
    if (!encoder) return kNoCodec;
    if (request.width <= 0 || request.height <= 0 || request.timeScale <= 0 ||
        request.frameDuration <= 0)
        return kParameterError;
    const AVPixelFormat source = SourceFormatFor(request.sourceFormat);
    if (source == AV_PIX_FMT_NONE) return kPixelFormatNotAccepted;

    const std::vector<AVPixelFormat> formats =
        AllowedFormats(entry, encoder, request.width, request.height);
    const AVPixelFormat format =
        avcodec_find_best_pix_fmt_of_list(formats.data(), source, request.keepAlpha, nullptr);
    if (format == AV_PIX_FMT_NONE) return kPixelFormatNotAccepted;

    AVCodecContext* context = avcodec_alloc_context3(encoder);
    if (!context) return kCodecError;
    context->width = request.width;
    context->height = request.height;
    context->pix_fmt = format;
    context->framerate = AVRational{request.timeScale, request.frameDuration};
    // Packets carry media times of the track, one unit a tick.
    context->time_base = AVRational{1, request.timeScale};
    context->sample_aspect_ratio = AVRational{1, 1};
    if (entry.profile != FF_PROFILE_UNKNOWN) context->profile = entry.profile;
    if (request.keyFrameInterval > 0) context->gop_size = request.keyFrameInterval;
    if (!request.allowReordering) context->max_b_frames = 0;
    if (request.globalHeader) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    // JPEG samples span the full range 0..255.
    if (IsEncoder(encoder, "mjpeg")) context->color_range = AVCOL_RANGE_JPEG;

    int32_t status = kNoError;
    if (request.averageDataRate > 0) {
        context->bit_rate = request.averageDataRate * 8;
        context->rc_max_rate = context->bit_rate;
        context->rc_buffer_size = static_cast<int>(std::min<int64_t>(context->bit_rate, INT32_MAX));
    } else {
        status = ApplyQuality(encoder, context, request.quality);
    }
    AVDictionary* options = nullptr;
    if (status == kNoError)
        status = ParseCodecSettings(entry, request.settings, request.settingsSize, &options);
    if (status == kNoError && avcodec_open2(context, encoder, &options) < 0) status = kCodecError;
    av_dict_free(&options);
    if (status != kNoError) {
        avcodec_free_context(&context);
        return status;
    }
    *result = context;
    return kNoError;
}

} // namespace movie
