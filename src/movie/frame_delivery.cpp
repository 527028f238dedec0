// Delivered pixel formats: FFmpeg's own where it has them, packed here where
// it has not (v210, v410, v408, r408) or orders the components otherwise
// (b64a).
#include "frame_delivery.h"

#include "movie/movie_services.h"

#include <algorithm>
#include <array>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace movie {
namespace {

constexpr uint32_t kRGB24 = 24;
constexpr uint32_t kARGB32 = 32;
constexpr uint32_t k24BG = FourCharCode("24BG");
constexpr uint32_t k2vuy = FourCharCode("2vuy");
constexpr uint32_t kABGR = FourCharCode("ABGR");
constexpr uint32_t kBGRA = FourCharCode("BGRA");
constexpr uint32_t kRGBA = FourCharCode("RGBA");
constexpr uint32_t kB48r = FourCharCode("b48r");
constexpr uint32_t kB64a = FourCharCode("b64a");
constexpr uint32_t kR408 = FourCharCode("r408");
constexpr uint32_t kV210 = FourCharCode("v210");
constexpr uint32_t kV408 = FourCharCode("v408");
constexpr uint32_t kV410 = FourCharCode("v410");

struct DeliveredFormat {
    uint32_t code;
    AVPixelFormat convertTo; // what the scaler writes, into the rows or a staging frame
    bool staged;             // packed from a staging frame by our code
    int bytesPerPixel;       // 0 for v210
};

constexpr std::array<DeliveredFormat, 13> kFormats = {{
    {kRGB24, AV_PIX_FMT_RGB24, false, 3},
    {kARGB32, AV_PIX_FMT_ARGB, false, 4},
    {k24BG, AV_PIX_FMT_BGR24, false, 3},
    {k2vuy, AV_PIX_FMT_UYVY422, false, 2},
    {kABGR, AV_PIX_FMT_ABGR, false, 4},
    {kBGRA, AV_PIX_FMT_BGRA, false, 4},
    {kRGBA, AV_PIX_FMT_RGBA, false, 4},
    {kB48r, AV_PIX_FMT_RGB48BE, false, 6},
    // R G B A rows, each pixel then turned to A R G B.
    {kB64a, AV_PIX_FMT_RGBA64BE, false, 8},
    {kR408, AV_PIX_FMT_YUVA444P, true, 4},
    {kV210, AV_PIX_FMT_YUV422P10LE, true, 0},
    {kV408, AV_PIX_FMT_YUVA444P, true, 4},
    {kV410, AV_PIX_FMT_YUV444P10LE, true, 4},
}};

const DeliveredFormat* FormatOf(uint32_t code) {
    for (const DeliveredFormat& format : kFormats)
        if (format.code == code) return &format;
    return nullptr;
}

int32_t AlignTo16(int64_t bytes) {
    return static_cast<int32_t>((bytes + 15) & ~int64_t{15});
}

void StoreLittle32(uint8_t* out, uint32_t word) {
    out[0] = static_cast<uint8_t>(word);
    out[1] = static_cast<uint8_t>(word >> 8);
    out[2] = static_cast<uint8_t>(word >> 16);
    out[3] = static_cast<uint8_t>(word >> 24);
}

const uint16_t* Row16(const AVFrame& frame, int plane, int row) {
    return reinterpret_cast<const uint16_t*>(frame.data[plane] + row * frame.linesize[plane]);
}

// Six pixels in four little-endian words of three 10-bit values each:
// Cb0 Y0 Cr0, Y1 Cb1 Y2, Cr1 Y3 Cb2, Y4 Cr2 Y5. Pixels past the width
// repeat the last one.
void PackV210(const AVFrame& source, uint8_t* pixels, int32_t rowBytes) {
    const int width = source.width;
    const int chromaWidth = (width + 1) / 2;
    for (int row = 0; row < source.height; ++row) {
        const uint16_t* y = Row16(source, 0, row);
        const uint16_t* cb = Row16(source, 1, row);
        const uint16_t* cr = Row16(source, 2, row);
        auto Y = [&](int x) { return uint32_t{y[std::min(x, width - 1)]} & 0x3FF; };
        auto Cb = [&](int x) { return uint32_t{cb[std::min(x, chromaWidth - 1)]} & 0x3FF; };
        auto Cr = [&](int x) { return uint32_t{cr[std::min(x, chromaWidth - 1)]} & 0x3FF; };
        uint8_t* out = pixels + static_cast<ptrdiff_t>(row) * rowBytes;
        std::memset(out, 0, static_cast<size_t>(rowBytes));
        for (int x = 0; x < width; x += 6, out += 16) {
            const int c = x / 2;
            StoreLittle32(out, Cb(c) | Y(x) << 10 | Cr(c) << 20);
            StoreLittle32(out + 4, Y(x + 1) | Cb(c + 1) << 10 | Y(x + 2) << 20);
            StoreLittle32(out + 8, Cr(c + 1) | Y(x + 3) << 10 | Cb(c + 2) << 20);
            StoreLittle32(out + 12, Y(x + 4) | Cr(c + 2) << 10 | Y(x + 5) << 20);
        }
    }
}

// One little-endian word a pixel: Cb in bits 2..11, Y' in 12..21, Cr in 22..31.
void PackV410(const AVFrame& source, uint8_t* pixels, int32_t rowBytes) {
    for (int row = 0; row < source.height; ++row) {
        const uint16_t* y = Row16(source, 0, row);
        const uint16_t* cb = Row16(source, 1, row);
        const uint16_t* cr = Row16(source, 2, row);
        uint8_t* out = pixels + static_cast<ptrdiff_t>(row) * rowBytes;
        for (int x = 0; x < source.width; ++x)
            StoreLittle32(out + 4 * x, (uint32_t{cb[x]} & 0x3FF) << 2 |
                                           (uint32_t{y[x]} & 0x3FF) << 12 |
                                           (uint32_t{cr[x]} & 0x3FF) << 22);
    }
}

// 8-bit Y'CbCrA 4:4:4:4: "v408" ordered Cb Y' Cr A in video range; "r408"
// ordered A Y' Cb Cr with black at Y' 0 and signed chroma around 0.
void Pack408(const AVFrame& source, uint8_t* pixels, int32_t rowBytes, bool zeroBiased) {
    for (int row = 0; row < source.height; ++row) {
        const uint8_t* y = source.data[0] + row * source.linesize[0];
        const uint8_t* cb = source.data[1] + row * source.linesize[1];
        const uint8_t* cr = source.data[2] + row * source.linesize[2];
        const uint8_t* a = source.data[3] + row * source.linesize[3];
        uint8_t* out = pixels + static_cast<ptrdiff_t>(row) * rowBytes;
        for (int x = 0; x < source.width; ++x, out += 4) {
            if (zeroBiased) {
                out[0] = a[x];
                out[1] = static_cast<uint8_t>(std::max(y[x] - 16, 0));
                out[2] = static_cast<uint8_t>(cb[x] - 128);
                out[3] = static_cast<uint8_t>(cr[x] - 128);
            } else {
                out[0] = cb[x];
                out[1] = y[x];
                out[2] = cr[x];
                out[3] = a[x];
            }
        }
    }
}

// R G B A (16 bits each) to A R G B, in place.
void RotateAlphaFirst(uint8_t* pixels, int32_t rowBytes, int width, int height) {
    for (int row = 0; row < height; ++row) {
        uint8_t* pixel = pixels + static_cast<ptrdiff_t>(row) * rowBytes;
        for (int x = 0; x < width; ++x, pixel += 8) {
            uint8_t alpha[2] = {pixel[6], pixel[7]};
            std::memmove(pixel + 2, pixel, 6);
            pixel[0] = alpha[0];
            pixel[1] = alpha[1];
        }
    }
}

int ColourspaceOf(const AVFrame& frame) {
    switch (frame.colorspace) {
    case AVCOL_SPC_BT709:
        return SWS_CS_ITU709;
    case AVCOL_SPC_SMPTE240M:
        return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
        return SWS_CS_BT2020;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
        return SWS_CS_ITU601;
    default:
        return frame.height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601;
    }
}

// Scales 8-bit A R G B to 16 bits a component (v x 257, so 255 stays full),
// as b64a (A R G B) or b48r (R G B), both big-endian.
void ExpandArgb(const AVFrame& source, uint8_t* pixels, int32_t rowBytes, bool alpha) {
    for (int row = 0; row < source.height; ++row) {
        const uint8_t* in = source.data[0] + row * source.linesize[0];
        uint8_t* out = pixels + static_cast<ptrdiff_t>(row) * rowBytes;
        for (int x = 0; x < source.width; ++x, in += 4)
            for (int component = alpha ? 0 : 1; component < 4; ++component) {
                *out++ = in[component];
                *out++ = in[component];
            }
    }
}

int SourceDepth(const AVFrame& frame) {
    const AVPixFmtDescriptor* descriptor =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    return descriptor ? descriptor->comp[0].depth : 8;
}

bool IsRGB(AVPixelFormat format) {
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(format);
    return descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

} // namespace

bool IsDeliveredFormat(uint32_t pixelFormat) {
    return FormatOf(pixelFormat) != nullptr;
}

int32_t DeliveredRowBytes(uint32_t pixelFormat, int32_t width) {
    const DeliveredFormat* format = FormatOf(pixelFormat);
    if (!format || width <= 0) return 0;
    if (format->code == kV210) return static_cast<int32_t>((int64_t{width} + 47) / 48 * 128);
    if (format->code == k2vuy) return AlignTo16((int64_t{width} + 1) / 2 * 4);
    return AlignTo16(int64_t{width} * format->bytesPerPixel);
}

std::span<const uint32_t> LosslessFormatsFor(AVPixelFormat stored, uint32_t* storage,
                                             size_t capacity) {
    size_t count = 0;
    auto add = [&](uint32_t format) {
        if (count < capacity && std::find(storage, storage + count, format) == storage + count)
            storage[count++] = format;
    };
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(stored);
    if (descriptor) {
        const bool rgb = descriptor->flags & AV_PIX_FMT_FLAG_RGB;
        const bool alpha = descriptor->flags & AV_PIX_FMT_FLAG_ALPHA;
        const bool deep = descriptor->comp[0].depth > 8;
        const bool fullChroma = descriptor->log2_chroma_w == 0 && descriptor->log2_chroma_h == 0;
        if (rgb && deep) {
            add(alpha ? kB64a : kB48r);
            add(kB64a);
        } else if (!rgb && deep) {
            if (alpha) add(kB64a);
            add(fullChroma ? kV410 : kV210);
        } else if (!rgb && descriptor->nb_components >= 3) {
            add(fullChroma ? kV408 : k2vuy);
            add(kR408);
        }
    }
    for (uint32_t format : {kARGB32, kRGB24, kBGRA, kRGBA, kABGR, k24BG})
        add(format);
    return {storage, count};
}

FrameExporter::~FrameExporter() {
    sws_freeContext(scaler_);
    av_frame_free(&staging_);
}

bool FrameExporter::Prepare(const AVFrame& frame, AVPixelFormat target) {
    const auto source = static_cast<AVPixelFormat>(frame.format);
    scaler_ = sws_getCachedContext(
        scaler_, frame.width, frame.height, source, frame.width, frame.height, target,
        SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
    if (!scaler_) return false;
    if (!IsRGB(source)) {
        const int* coefficients = sws_getCoefficients(ColourspaceOf(frame));
        const int sourceRange = frame.color_range == AVCOL_RANGE_JPEG ? 1 : 0;
        const int targetRange = IsRGB(target) ? 1 : 0;
        sws_setColorspaceDetails(scaler_, coefficients, sourceRange, coefficients, targetRange, 0,
                                 1 << 16, 1 << 16);
    }
    return true;
}

bool FrameExporter::Export(const AVFrame& frame, uint8_t* pixels, int32_t rowBytes) {
    const DeliveredFormat* format = FormatOf(pixelFormat_);
    if (!format || frame.width <= 0 || frame.height <= 0 ||
        rowBytes < DeliveredRowBytes(pixelFormat_, frame.width))
        return false;
    // The scaler widens 8-bit components to 16 bits inexactly: those are
    // converted at 8 bits and widened here.
    const bool widen = (format->code == kB64a || format->code == kB48r) && SourceDepth(frame) <= 8;
    const AVPixelFormat target = widen ? AV_PIX_FMT_ARGB : format->convertTo;
    if (!Prepare(frame, target)) return false;
    // The scaler's vector code may write a little past the end of the last
    // row: into a caller's buffer that ends at a page boundary (a frame
    // section) that is a fault. Every frame is scaled into padded staging
    // memory and copied out.
    if (!staging_ || staging_->width != frame.width || staging_->height != frame.height ||
        staging_->format != target) {
        av_frame_free(&staging_);
        staging_ = av_frame_alloc();
        if (!staging_) return false;
        staging_->format = target;
        staging_->width = frame.width;
        staging_->height = frame.height;
        if (av_frame_get_buffer(staging_, 0) < 0) {
            av_frame_free(&staging_);
            return false;
        }
    }
    sws_scale(scaler_, frame.data, frame.linesize, 0, frame.height, staging_->data,
              staging_->linesize);
    if (!format->staged && !widen) {
        const auto rowLength = static_cast<size_t>(DeliveredRowBytes(pixelFormat_, frame.width));
        for (int y = 0; y < frame.height; ++y)
            std::memcpy(pixels + static_cast<size_t>(y) * static_cast<size_t>(rowBytes),
                        staging_->data[0] + static_cast<size_t>(y) * staging_->linesize[0],
                        rowLength);
        if (format->code == kB64a) RotateAlphaFirst(pixels, rowBytes, frame.width, frame.height);
        return true;
    }
    switch (format->code) {
    case kB64a:
    case kB48r:
        ExpandArgb(*staging_, pixels, rowBytes, format->code == kB64a);
        break;
    case kV210:
        PackV210(*staging_, pixels, rowBytes);
        break;
    case kV410:
        PackV410(*staging_, pixels, rowBytes);
        break;
    default:
        Pack408(*staging_, pixels, rowBytes, format->code == kR408);
        break;
    }
    return true;
}

} // namespace movie
