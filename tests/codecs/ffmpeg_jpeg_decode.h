// An independent decoder for the JPEG images the codecs store: FFmpeg's
// MJPEG decoder, its output converted to packed 8-bit R, G, B.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <vector>

namespace jpeg_test {

// Decodes one JPEG image with FFmpeg's MJPEG decoder into packed RGB.
inline std::vector<uint8_t> ffmpegDecode(const std::vector<uint8_t>& image, int* width,
                                         int* height) {
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_MJPEG);
    if (decoder == nullptr) return {};
    AVCodecContext* context = avcodec_alloc_context3(decoder);
    std::vector<uint8_t> rgb;
    if (avcodec_open2(context, decoder, nullptr) == 0) {
        AVPacket* packet = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        std::vector<uint8_t> padded(image);
        padded.resize(image.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
        packet->data = padded.data();
        packet->size = int(image.size());
        if (avcodec_send_packet(context, packet) == 0 &&
            avcodec_receive_frame(context, frame) == 0) {
            *width = frame->width;
            *height = frame->height;
            rgb.resize(size_t(frame->width) * size_t(frame->height) * 3);
            SwsContext* scale = sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                frame->height, AV_PIX_FMT_RGB24,
                SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
            uint8_t* planes[1] = {rgb.data()};
            int strides[1] = {frame->width * 3};
            sws_scale(scale, frame->data, frame->linesize, 0, frame->height, planes, strides);
            sws_freeContext(scale);
        }
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&context);
    return rgb;
}

} // namespace jpeg_test
