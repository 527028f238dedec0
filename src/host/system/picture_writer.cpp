// Picture files from host images: pixel conversion with libswscale, encoding with libavcodec.
#include "picture_writer.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <vector>

#include "tarsel/system/ffmpeg_owners.h"
#include "tarsel/system/image.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace {

struct Encoding {
    AVCodecID Codec;
    AVPixelFormat Format;
};

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool ChooseEncoding(const std::string& extension, int bitsPerChannel, Encoding& out) {
    if (extension == ".png") {
        out = {AV_CODEC_ID_PNG, bitsPerChannel > 8 ? AV_PIX_FMT_RGBA64BE : AV_PIX_FMT_RGBA};
    } else if (extension == ".tif" || extension == ".tiff") {
        out = {AV_CODEC_ID_TIFF, AV_PIX_FMT_RGBA};
    } else if (extension == ".bmp") {
        out = {AV_CODEC_ID_BMP, AV_PIX_FMT_BGRA};
    } else if (extension == ".jpg" || extension == ".jpeg") {
        out = {AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ444P};
    } else if (extension == ".ppm") {
        out = {AV_CODEC_ID_PPM, AV_PIX_FMT_RGB24};
    } else {
        return false;
    }
    return true;
}

// The image as top-down 16-bit R, G, B, A rows.
std::vector<uint16_t> TopDownRGBA16(const Image& image) {
    std::vector<uint16_t> rows(std::size_t(image.Width()) * image.Height() * 4);
    image.ToRGBA16(rows.data(), std::ptrdiff_t(image.Width()) * 4);
    return rows;
}

} // namespace

bool WritePicture(const std::string& path, const Image& image, int bitsPerChannel) {
    Encoding encoding{};
    if (!ChooseEncoding(LowerExtension(path), bitsPerChannel, encoding)) return false;
    const AVCodec* codec = avcodec_find_encoder(encoding.Codec);
    if (!codec) return false;
    CodecContextOwner context(avcodec_alloc_context3(codec));
    if (!context) return false;
    const int width = image.Width();
    const int height = image.Height();
    context->width = width;
    context->height = height;
    context->pix_fmt = encoding.Format;
    context->time_base = {1, 25};
    if (encoding.Codec == AV_CODEC_ID_MJPEG) {
        // Best quality the encoder offers: quantiser scale 1 everywhere.
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA;
        context->qmin = context->qmax = 1;
    }
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return false;

    FrameOwner frame(av_frame_alloc());
    if (!frame) return false;
    frame->width = width;
    frame->height = height;
    frame->format = encoding.Format;
    frame->quality = context->global_quality;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;

    if (encoding.Format == AV_PIX_FMT_RGBA || encoding.Format == AV_PIX_FMT_BGRA ||
        encoding.Format == AV_PIX_FMT_RGB24) {
        // 8-bit packed targets: narrow with exact rounding instead of the scaler's dithering.
        std::vector<uint8_t> narrow(std::size_t(width) * height * 4);
        image.ToRGBA8(narrow.data(), std::ptrdiff_t(width) * 4);
        const int bytes = encoding.Format == AV_PIX_FMT_RGB24 ? 3 : 4;
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = narrow.data() + std::size_t(y) * width * 4;
            uint8_t* out = frame->data[0] + std::size_t(y) * frame->linesize[0];
            for (int x = 0; x < width; ++x, in += 4, out += bytes) {
                const bool swap = encoding.Format == AV_PIX_FMT_BGRA;
                out[0] = swap ? in[2] : in[0];
                out[1] = in[1];
                out[2] = swap ? in[0] : in[2];
                if (bytes == 4) out[3] = in[3];
            }
        }
    } else {
        ScalerOwner scaler(sws_getContext(
            width, height, AV_PIX_FMT_RGBA64, width, height, encoding.Format,
            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr));
        if (!scaler) return false;
        const std::vector<uint16_t> rows = TopDownRGBA16(image);
        const uint8_t* sourcePlanes[4] = {reinterpret_cast<const uint8_t*>(rows.data())};
        const int sourceStrides[4] = {width * 8};
        if (sws_scale(scaler.get(), sourcePlanes, sourceStrides, 0, height, frame->data,
                      frame->linesize) != height) {
            return false;
        }
    }

    PacketOwner packet(av_packet_alloc());
    if (!packet) return false;
    if (avcodec_send_frame(context.get(), frame.get()) < 0) return false;
    if (avcodec_send_frame(context.get(), nullptr) < 0) return false;
    if (avcodec_receive_packet(context.get(), packet.get()) < 0) return false;

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written =
        std::fwrite(packet->data, 1, std::size_t(packet->size), file) == std::size_t(packet->size);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(path.c_str());
        return false;
    }
    return true;
}
