// Single DV frames: decoding into A R G B rows and encoding from them, with
// FFmpeg's DV codec. 480-line frames are NTSC DV (4:1:1), 576-line frames
// PAL DV (4:2:0).
#include "pixel_layouts.h"
#include "writing_routines.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/dv_profile.h>
}

namespace movie {
namespace {

constexpr uint32_t kNtscDV = FourCharCode("dvc ");
constexpr uint32_t kPalDV = FourCharCode("dvcp");
constexpr int32_t kNtscLines = 480;
constexpr int32_t kPalLines = 576;

struct DVCoder {
    AVCodecContext* context = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    ~DVCoder() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&context);
    }
    bool Allocate(const AVCodec* codec) {
        context = codec ? avcodec_alloc_context3(codec) : nullptr;
        frame = av_frame_alloc();
        packet = av_packet_alloc();
        return context && frame && packet;
    }
};

// The DV system of a codec type and frame size, or null.
const AVDVProfile* ProfileFor(uint32_t codecType, int32_t width, int32_t height) {
    if (codecType == kNtscDV && height == kNtscLines)
        return av_dv_codec_profile(width, height, AV_PIX_FMT_YUV411P);
    if (codecType == kPalDV && height == kPalLines)
        return av_dv_codec_profile(width, height, AV_PIX_FMT_YUV420P);
    return nullptr;
}

} // namespace

int32_t DecodeDVFrame(DecodeDVFrameArgs* args) {
    if (!args || !args->data || !args->pixels || args->width <= 0 || args->height <= 0 ||
        args->rowBytes < PackedRowBytes(kPixel32ARGB, args->width))
        return kParameterError;
    // Only a whole frame of the stated size is decoded; the decoder reads
    // no byte beyond the frame's own length.
    const auto* bytes = static_cast<const uint8_t*>(args->data);
    const unsigned size = args->size > UINT32_MAX ? UINT32_MAX : static_cast<unsigned>(args->size);
    const AVDVProfile* profile = av_dv_frame_profile(nullptr, bytes, size);
    if (!profile || static_cast<size_t>(profile->frame_size) > args->size ||
        profile->width != args->width || profile->height != args->height)
        return kBadDVFrame;

    DVCoder coder;
    if (!coder.Allocate(avcodec_find_decoder(AV_CODEC_ID_DVVIDEO)) ||
        avcodec_open2(coder.context, coder.context->codec, nullptr) < 0 ||
        av_new_packet(coder.packet, profile->frame_size) < 0)
        return kCodecError;
    std::copy(bytes, bytes + profile->frame_size, coder.packet->data);
    if (avcodec_send_packet(coder.context, coder.packet) < 0 ||
        avcodec_receive_frame(coder.context, coder.frame) < 0)
        return kBadDVFrame;
    if (coder.frame->width != args->width || coder.frame->height != args->height)
        return kBadDVFrame;
    ArgbExporter exporter;
    return exporter.Export(coder.frame, static_cast<uint8_t*>(args->pixels), args->rowBytes);
}

int32_t EncodeDVFrame(EncodeDVFrameArgs* args) {
    if (!args || !args->pixels || !args->data || !args->size ||
        args->rowBytes < PackedRowBytes(kPixel32ARGB, args->width))
        return kParameterError;
    const AVDVProfile* profile = ProfileFor(args->codecType, args->width, args->height);
    if (!profile) return kNoCodec;
    if (args->capacity < static_cast<size_t>(profile->frame_size)) return kParameterError;

    DVCoder coder;
    if (!coder.Allocate(avcodec_find_encoder(AV_CODEC_ID_DVVIDEO))) return kCodecError;
    coder.context->width = args->width;
    coder.context->height = args->height;
    coder.context->pix_fmt = profile->pix_fmt;
    coder.context->time_base = profile->time_base;
    if (avcodec_open2(coder.context, coder.context->codec, nullptr) < 0) return kCodecError;
    coder.frame->format = profile->pix_fmt;
    coder.frame->width = args->width;
    coder.frame->height = args->height;
    if (av_frame_get_buffer(coder.frame, 0) < 0) return kCodecError;
    PixelImporter importer;
    const PackedImage image{kPixel32ARGB, args->width, args->height,
                            static_cast<const uint8_t*>(args->pixels),
                            static_cast<size_t>(args->rowBytes)};
    const int32_t imported = importer.Import(image, coder.frame);
    if (imported != kNoError) return imported;
    coder.frame->pts = 0;
    if (avcodec_send_frame(coder.context, coder.frame) < 0 ||
        avcodec_receive_packet(coder.context, coder.packet) < 0)
        return kCodecError;
    if (static_cast<size_t>(coder.packet->size) > args->capacity) return kCodecError;
    std::copy(coder.packet->data, coder.packet->data + coder.packet->size,
              static_cast<uint8_t*>(args->data));
    *args->size = static_cast<size_t>(coder.packet->size);
    return kNoError;
}

int32_t MaxDVFrameSize(MaxDVFrameSizeArgs* args) {
    if (!args || !args->size) return kParameterError;
    const AVDVProfile* profile = ProfileFor(args->codecType, args->width, args->height);
    if (!profile) return kNoCodec;
    *args->size = static_cast<size_t>(profile->frame_size);
    return kNoError;
}

} // namespace movie
