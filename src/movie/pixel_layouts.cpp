// Pixel layouts: rows of the module's formats to and from FFmpeg frames.
#include "pixel_layouts.h"

#include "movie/movie_writing.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace movie {
namespace {

constexpr int32_t kRowAlignment = 16;
constexpr int kScalerFlags = SWS_BILINEAR;

int32_t AlignUp(int64_t bytes) {
    const int64_t aligned = (bytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    return aligned > INT32_MAX ? 0 : static_cast<int32_t>(aligned);
}

uint32_t LoadLittle32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// A staging frame of `format` and size, reallocated only when they change.
bool EnsureStaging(AVFrame*& staging, AVPixelFormat format, int width, int height) {
    if (staging && staging->format == format && staging->width == width &&
        staging->height == height)
        return true;
    av_frame_free(&staging);
    staging = av_frame_alloc();
    if (!staging) return false;
    staging->format = format;
    staging->width = width;
    staging->height = height;
    return av_frame_get_buffer(staging, 0) == 0;
}

// v210: each 16 bytes hold six pixels as four little-endian words of three
// 10-bit samples: Cb0 Y0 Cr0 | Y1 Cb1 Y2 | Cr1 Y3 Cb2 | Y4 Cr2 Y5.
void UnpackV210(const PackedImage& source, AVFrame* target) {
    for (int row = 0; row < source.height; ++row) {
        const uint8_t* in = source.data + row * source.rowBytes;
        auto* y = reinterpret_cast<uint16_t*>(target->data[0] + row * target->linesize[0]);
        auto* cb = reinterpret_cast<uint16_t*>(target->data[1] + row * target->linesize[1]);
        auto* cr = reinterpret_cast<uint16_t*>(target->data[2] + row * target->linesize[2]);
        for (int x = 0; x < source.width; x += 6, in += 16) {
            uint16_t samples[12];
            for (int word = 0; word < 4; ++word) {
                const uint32_t value = LoadLittle32(in + 4 * word);
                for (int part = 0; part < 3; ++part)
                    samples[word * 3 + part] = (value >> (10 * part)) & 0x3FF;
            }
            // Sample order within the group: Cb Y Cr Y Cb Y Cr Y Cb Y Cr Y.
            for (int pixel = 0; pixel < 6 && x + pixel < source.width; ++pixel)
                y[x + pixel] = samples[2 * pixel + 1];
            for (int pair = 0; pair < 3 && x + 2 * pair < source.width; ++pair) {
                cb[x / 2 + pair] = samples[4 * pair];
                cr[x / 2 + pair] = samples[4 * pair + 2];
            }
        }
    }
}

// v410: one little-endian word a pixel, Cb in bits 2..11, Y' 12..21, Cr 22..31.
void UnpackV410(const PackedImage& source, AVFrame* target) {
    for (int row = 0; row < source.height; ++row) {
        const uint8_t* in = source.data + row * source.rowBytes;
        auto* y = reinterpret_cast<uint16_t*>(target->data[0] + row * target->linesize[0]);
        auto* cb = reinterpret_cast<uint16_t*>(target->data[1] + row * target->linesize[1]);
        auto* cr = reinterpret_cast<uint16_t*>(target->data[2] + row * target->linesize[2]);
        for (int x = 0; x < source.width; ++x, in += 4) {
            const uint32_t value = LoadLittle32(in);
            cb[x] = (value >> 2) & 0x3FF;
            y[x] = (value >> 12) & 0x3FF;
            cr[x] = (value >> 22) & 0x3FF;
        }
    }
}

// b64a (A R G B, 16 bits each, big-endian) to R G B A big-endian.
void ReorderB64a(const PackedImage& source, AVFrame* target) {
    for (int row = 0; row < source.height; ++row) {
        const uint8_t* in = source.data + row * source.rowBytes;
        uint8_t* out = target->data[0] + row * target->linesize[0];
        for (int x = 0; x < source.width; ++x, in += 8, out += 8) {
            for (int byte = 0; byte < 6; ++byte)
                out[byte] = in[byte + 2];
            out[6] = in[0];
            out[7] = in[1];
        }
    }
}

// Keeps the scaler's conversion coefficients and sets whether the source's
// and the target's Y'CbCr samples span the full range (JPEG) or the video
// range; RGB sides ignore it.
void SetRanges(SwsContext* scaler, bool sourceFull, bool targetFull) {
    int* inverseTable = nullptr;
    int* table = nullptr;
    int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
    if (sws_getColorspaceDetails(scaler, &inverseTable, &sourceRange, &table, &targetRange,
                                 &brightness, &contrast, &saturation) < 0)
        return;
    if ((sourceRange != 0) == sourceFull && (targetRange != 0) == targetFull) return;
    sws_setColorspaceDetails(scaler, inverseTable, sourceFull ? 1 : 0, table, targetFull ? 1 : 0,
                             brightness, contrast, saturation);
}

} // namespace

int64_t PackedRowBytes(uint32_t pixelFormat, int32_t width) {
    if (width <= 0) return 0;
    const int64_t w = width;
    switch (pixelFormat) {
    case kPixel24RGB:
        return 3 * w;
    case kPixel32ARGB:
    case kPixelV410:
        return 4 * w;
    case kPixel2vuy:
        return 2 * ((w + 1) / 2 * 2);
    case kPixelB48r:
        return 6 * w;
    case kPixelB64a:
        return 8 * w;
    case kPixelV210:
        return (w + 47) / 48 * 128;
    default:
        return 0;
    }
}

int32_t AlignedRowBytes(uint32_t pixelFormat, int32_t width) {
    return AlignUp(PackedRowBytes(pixelFormat, width));
}

AVPixelFormat SourceFormatFor(uint32_t pixelFormat) {
    switch (pixelFormat) {
    case kPixel24RGB:
        return AV_PIX_FMT_RGB24;
    case kPixel32ARGB:
        return AV_PIX_FMT_ARGB;
    case kPixel2vuy:
        return AV_PIX_FMT_UYVY422;
    case kPixelB48r:
        return AV_PIX_FMT_RGB48BE;
    case kPixelB64a:
        return AV_PIX_FMT_RGBA64BE;
    case kPixelV210:
        return AV_PIX_FMT_YUV422P10LE;
    case kPixelV410:
        return AV_PIX_FMT_YUV444P10LE;
    default:
        return AV_PIX_FMT_NONE;
    }
}

PixelImporter::~PixelImporter() {
    sws_freeContext(scaler_);
    av_frame_free(&staging_);
}

int32_t PixelImporter::Import(const PackedImage& source, AVFrame* target) {
    const AVPixelFormat format = SourceFormatFor(source.pixelFormat);
    if (format == AV_PIX_FMT_NONE) return kPixelFormatNotAccepted;
    if (source.width != target->width || source.height != target->height || !source.data ||
        static_cast<int64_t>(source.rowBytes) < PackedRowBytes(source.pixelFormat, source.width))
        return kParameterError;

    // Sources FFmpeg has no packed layout for are unpacked first.
    const uint8_t* planes[4] = {source.data, nullptr, nullptr, nullptr};
    int strides[4] = {static_cast<int>(source.rowBytes), 0, 0, 0};
    if (source.pixelFormat == kPixelV210 || source.pixelFormat == kPixelV410 ||
        source.pixelFormat == kPixelB64a) {
        if (!EnsureStaging(staging_, format, source.width, source.height)) return kCodecError;
        if (source.pixelFormat == kPixelV210)
            UnpackV210(source, staging_);
        else if (source.pixelFormat == kPixelV410)
            UnpackV410(source, staging_);
        else
            ReorderB64a(source, staging_);
        for (int plane = 0; plane < 4; ++plane) {
            planes[plane] = staging_->data[plane];
            strides[plane] = staging_->linesize[plane];
        }
    }
    scaler_ = sws_getCachedContext(scaler_, source.width, source.height, format, target->width,
                                   target->height, static_cast<AVPixelFormat>(target->format),
                                   kScalerFlags, nullptr, nullptr, nullptr);
    if (!scaler_) return kPixelFormatNotAccepted;
    SetRanges(scaler_, false, target->color_range == AVCOL_RANGE_JPEG);
    if (av_frame_make_writable(target) < 0) return kCodecError;
    sws_scale(scaler_, planes, strides, 0, source.height, target->data, target->linesize);
    return kNoError;
}

ArgbExporter::~ArgbExporter() {
    sws_freeContext(scaler_);
}

int32_t ArgbExporter::Export(const AVFrame* frame, uint8_t* pixels, int32_t rowBytes) {
    if (!pixels || rowBytes < 4 * frame->width) return kParameterError;
    scaler_ = sws_getCachedContext(
        scaler_, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
        frame->width, frame->height, AV_PIX_FMT_ARGB, kScalerFlags, nullptr, nullptr, nullptr);
    if (!scaler_) return kPixelFormatNotAccepted;
    SetRanges(scaler_, frame->color_range == AVCOL_RANGE_JPEG, false);
    uint8_t* planes[4] = {pixels, nullptr, nullptr, nullptr};
    int strides[4] = {rowBytes, 0, 0, 0};
    sws_scale(scaler_, frame->data, frame->linesize, 0, frame->height, planes, strides);
    return kNoError;
}

} // namespace movie
