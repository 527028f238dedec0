// The preview: one frame compressed with a codec's settings and decoded
// again, so a client sees what the settings do to its picture.
#include "codec_catalogue.h"
#include "encoder_setup.h"
#include "pixel_layouts.h"
#include "writing_routines.h"

#include <vector>

namespace movie {
namespace {

struct PreviewCoders {
    AVCodecContext* encoder = nullptr;
    AVCodecContext* decoder = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    ~PreviewCoders() {
        av_packet_free(&packet);
        av_frame_free(&frame);
        avcodec_free_context(&decoder);
        avcodec_free_context(&encoder);
    }
};

// Encodes `frame` alone and hands every packet to the decoder.
int32_t EncodeIntoDecoder(PreviewCoders& coders) {
    if (avcodec_send_frame(coders.encoder, coders.frame) < 0 ||
        avcodec_send_frame(coders.encoder, nullptr) < 0)
        return kCodecError;
    for (;;) {
        const int received = avcodec_receive_packet(coders.encoder, coders.packet);
        if (received == AVERROR_EOF) break;
        if (received < 0) return kCodecError;
        const int sent = avcodec_send_packet(coders.decoder, coders.packet);
        av_packet_unref(coders.packet);
        if (sent < 0) return kCodecError;
    }
    return avcodec_send_packet(coders.decoder, nullptr) < 0 ? kCodecError : kNoError;
}

} // namespace

int32_t PreviewFrame(PreviewFrameArgs* args) {
    if (!args || !args->pixels || !args->decoded || args->width <= 0 || args->height <= 0 ||
        args->rowBytes < PackedRowBytes(kPixel32ARGB, args->width) ||
        (args->depth != 24 && args->depth != 32))
        return kParameterError;
    const CatalogueEntry* entry = FindCatalogueEntry(args->codecType);
    if (!entry) return kNoCodec;

    PreviewCoders coders;
    EncoderRequest request{};
    request.entry = entry;
    request.width = args->width;
    request.height = args->height;
    request.sourceFormat = kPixel32ARGB;
    request.keepAlpha = args->depth == 32;
    request.quality = args->quality;
    request.keyFrameInterval = args->keyFrameInterval;
    request.averageDataRate = args->averageDataRate;
    request.allowReordering = false;
    request.timeScale = args->timeScale;
    request.frameDuration = args->frameDuration;
    request.settings = args->settings;
    request.settingsSize = args->settingsSize;
    const int32_t opened = OpenEncoder(request, &coders.encoder);
    if (opened != kNoError) return opened;

    const AVCodec* decoder = avcodec_find_decoder(coders.encoder->codec_id);
    coders.decoder = decoder ? avcodec_alloc_context3(decoder) : nullptr;
    coders.frame = av_frame_alloc();
    coders.packet = av_packet_alloc();
    if (!coders.decoder || !coders.frame || !coders.packet) return kCodecError;
    // Raw layouts carry no header: the decoder is told the frame.
    coders.decoder->width = args->width;
    coders.decoder->height = args->height;
    coders.decoder->pix_fmt = coders.encoder->pix_fmt;
    coders.decoder->codec_tag = coders.encoder->codec_tag;
    coders.decoder->bits_per_coded_sample = coders.encoder->bits_per_coded_sample;
    if (avcodec_open2(coders.decoder, decoder, nullptr) < 0) return kCodecError;

    coders.frame->format = coders.encoder->pix_fmt;
    coders.frame->width = args->width;
    coders.frame->height = args->height;
    coders.frame->color_range = coders.encoder->color_range;
    if (av_frame_get_buffer(coders.frame, 0) < 0) return kCodecError;
    PixelImporter importer;
    const PackedImage image{kPixel32ARGB, args->width, args->height,
                            static_cast<const uint8_t*>(args->pixels),
                            static_cast<size_t>(args->rowBytes)};
    int32_t status = importer.Import(image, coders.frame);
    if (status != kNoError) return status;
    coders.frame->pts = 0;
    coders.frame->quality = coders.encoder->global_quality;
    status = EncodeIntoDecoder(coders);
    if (status != kNoError) return status;

    av_frame_unref(coders.frame);
    if (avcodec_receive_frame(coders.decoder, coders.frame) < 0) return kCodecError;
    if (coders.frame->width != args->width || coders.frame->height != args->height)
        return kCodecError;
    ArgbExporter exporter;
    return exporter.Export(coders.frame, static_cast<uint8_t*>(args->decoded), args->rowBytes);
}

} // namespace movie
