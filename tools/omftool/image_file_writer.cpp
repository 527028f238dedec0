#include "image_file_writer.h"

#include "output_file.h"

#include "tarsel/system/ffmpeg_owners.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
}

namespace omftool {

namespace {

// The image encoder FFmpeg's image-sequence muxer would pick for the file
// name's extension, or null.
const AVCodec* encoderFor(const std::string& path) {
    const AVOutputFormat* images = av_guess_format("image2", nullptr, nullptr);
    if (images == nullptr || images->extensions == nullptr ||
        !av_match_ext(path.c_str(), images->extensions)) {
        return nullptr;
    }
    AVCodecID id = av_guess_codec(images, nullptr, path.c_str(), nullptr, AVMEDIA_TYPE_VIDEO);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
}

std::string extensionOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return path.substr(dot + 1);
}

// Pixels to encode, 8 or 16 bits a channel, as libswscale reads them.
struct SourcePicture {
    const uint8_t* data = nullptr;
    int stride = 0; // bytes a row
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    bool deep = false; // 16 bits a channel
};

// The encoder's pixel format closest to the picture's: RGB, or RGBA when
// alpha is to be kept, of 8 or 16 bits a channel.
AVPixelFormat targetFormat(const AVCodec* codec, bool keepAlpha, bool deep) {
    const AVPixelFormat wanted = deep ? (keepAlpha ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_RGB48)
                                      : (keepAlpha ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24);
    if (codec->pix_fmts == nullptr) return wanted;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, wanted, keepAlpha ? 1 : 0, nullptr);
}

// The full-range ("J") Y'CbCr formats of JPEG encoders, which the scaler
// wants named as their plain layout with full range asked for.
AVPixelFormat plainLayoutOf(AVPixelFormat format) {
    switch (format) {
    case AV_PIX_FMT_YUVJ420P:
        return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P:
        return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P:
        return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P:
        return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P:
        return AV_PIX_FMT_YUV411P;
    default:
        return format;
    }
}

// Fills `frame` (allocated in its format) from the picture's pixels.
bool convertInto(const SourcePicture& picture, AVFrame* frame) {
    const AVPixelFormat source = picture.format;
    const AVPixelFormat target = static_cast<AVPixelFormat>(frame->format);
    const AVPixelFormat scaled = plainLayoutOf(target);
    ScalerOwner scaler(
        sws_getContext(picture.width, picture.height, source, picture.width, picture.height, scaled,
                       SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT | SWS_BITEXACT, nullptr,
                       nullptr, nullptr));
    if (!scaler) return false;
    if (scaled != target) {
        int* inverse = nullptr;
        int* table = nullptr;
        int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
        if (sws_getColorspaceDetails(scaler.get(), &inverse, &sourceRange, &table, &targetRange,
                                     &brightness, &contrast, &saturation) < 0 ||
            sws_setColorspaceDetails(scaler.get(), inverse, sourceRange, table, 1, brightness,
                                     contrast, saturation) < 0) {
            return false;
        }
    }
    const uint8_t* planes[4] = {picture.data, nullptr, nullptr, nullptr};
    const int strides[4] = {picture.stride, 0, 0, 0};
    return sws_scale(scaler.get(), planes, strides, 0, picture.height, frame->data,
                     frame->linesize) == picture.height;
}

std::string ffmpegText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Every packet the encoder gives for one frame, concatenated.
bool encode(const AVCodec* codec, const SourcePicture& picture, std::string& bytes,
            std::string& why) {
    CodecContextOwner context(avcodec_alloc_context3(codec));
    FrameOwner frame(av_frame_alloc());
    PacketOwner packet(av_packet_alloc());
    if (!context || !frame || !packet) {
        why = "out of memory";
        return false;
    }
    const AVPixelFormat format = targetFormat(codec, picture.hasAlpha, picture.deep);
    context->width = picture.width;
    context->height = picture.height;
    context->pix_fmt = format;
    context->time_base = {1, 25};
    context->color_range = AVCOL_RANGE_JPEG; // full-range RGB pictures
    if (codec->id == AV_CODEC_ID_MJPEG) {
        // The best quality the encoder offers: quantiser scale 1 everywhere.
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA;
        context->qmin = context->qmax = 1;
    }
    if (int status = avcodec_open2(context.get(), codec, nullptr); status < 0) {
        why = std::string("the ") + codec->name + " encoder does not open: " + ffmpegText(status);
        return false;
    }
    frame->width = picture.width;
    frame->height = picture.height;
    frame->format = format;
    frame->color_range = AVCOL_RANGE_JPEG;
    frame->quality = context->global_quality;
    if (av_frame_get_buffer(frame.get(), 0) < 0 || !convertInto(picture, frame.get())) {
        why = std::string("cannot convert the picture to ") + av_get_pix_fmt_name(format);
        return false;
    }
    int status = avcodec_send_frame(context.get(), frame.get());
    if (status >= 0) status = avcodec_send_frame(context.get(), nullptr);
    while (status >= 0) {
        status = avcodec_receive_packet(context.get(), packet.get());
        if (status < 0) break;
        bytes.append(reinterpret_cast<const char*>(packet->data), size_t(packet->size));
        av_packet_unref(packet.get());
    }
    if (status != AVERROR_EOF || bytes.empty()) {
        why = std::string("the ") + codec->name + " encoder failed: " + ffmpegText(status);
        return false;
    }
    return true;
}

bool writeSource(const std::string& path, const SourcePicture& picture, std::string& why) {
    const AVCodec* codec = encoderFor(path);
    if (codec == nullptr) return canWriteImage(path, why);
    if (picture.width <= 0 || picture.height <= 0) {
        why = "the picture is empty or smaller than its size";
        return false;
    }
    std::string bytes;
    return encode(codec, picture, bytes, why) &&
           writeBytesAt(
               path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), why);
}

} // namespace

bool canWriteImage(const std::string& path, std::string& why) {
    if (encoderFor(path) != nullptr) return true;
    const std::string extension = extensionOf(path);
    why = extension.empty() ? "the file name has no extension naming an image format"
                            : "FFmpeg has no image encoder for \"." + extension + "\" files";
    return false;
}

bool writeImage(const std::string& path, const ArgbPicture& picture, std::string& why) {
    if (picture.pixels.size() <
        size_t(std::max(picture.width, 0)) * size_t(std::max(picture.height, 0)) * 4) {
        why = "the picture is empty or smaller than its size";
        return false;
    }
    // Pictures without alpha are read as "0RGB", so a target with alpha gets it opaque.
    return writeSource(path,
                       {picture.pixels.data(), picture.width * 4,
                        picture.hasAlpha ? AV_PIX_FMT_ARGB : AV_PIX_FMT_0RGB, picture.width,
                        picture.height, picture.hasAlpha, false},
                       why);
}

bool writeImage(const std::string& path, const Rgba16Picture& picture, std::string& why) {
    if (picture.pixels.size() <
        size_t(std::max(picture.width, 0)) * size_t(std::max(picture.height, 0)) * 4) {
        why = "the picture is empty or smaller than its size";
        return false;
    }
    return writeSource(path,
                       {reinterpret_cast<const uint8_t*>(picture.pixels.data()), picture.width * 8,
                        AV_PIX_FMT_RGBA64, picture.width, picture.height, picture.hasAlpha, true},
                       why);
}

} // namespace omftool
