// DV media: NTSC DV frames made with FFmpeg's DV encoder from the test picture, kept as the
// stored frames of TDVC data (separate fields of 240 rows each).
#include "corpus.h"
#include "mob_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace corpus {

bool WriteDvDescribed(MobWriter& writer, PictureMedia* media, int32_t frameBytes);

namespace {

constexpr int32_t kDvWidth = 720, kDvHeight = 480;
constexpr int32_t kSeparateFields = 2;

// Encodes each RGB picture as one DV frame; empty when the encoder is missing or fails.
std::vector<Bytes> encodeDv(const std::vector<Bytes>& pictures) {
    std::vector<Bytes> frames;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    if (codec == nullptr) return frames;
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    SwsContext* scaler = sws_getContext(kDvWidth, kDvHeight, AV_PIX_FMT_RGB24, kDvWidth, kDvHeight,
                                        AV_PIX_FMT_YUV411P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    bool good = context && frame && packet && scaler;
    if (good) {
        context->width = kDvWidth;
        context->height = kDvHeight;
        context->pix_fmt = AV_PIX_FMT_YUV411P;
        context->time_base = {1001, 30000};
        context->framerate = {30000, 1001};
        frame->format = AV_PIX_FMT_YUV411P;
        frame->width = kDvWidth;
        frame->height = kDvHeight;
        good = avcodec_open2(context, codec, nullptr) == 0 && av_frame_get_buffer(frame, 0) == 0;
    }
    for (size_t index = 0; good && index < pictures.size(); ++index) {
        const uint8_t* source[1] = {pictures[index].data()};
        const int stride[1] = {kDvWidth * 3};
        good = av_frame_make_writable(frame) == 0;
        if (!good) break;
        sws_scale(scaler, source, stride, 0, kDvHeight, frame->data, frame->linesize);
        frame->pts = int64_t(index);
        good =
            avcodec_send_frame(context, frame) == 0 && avcodec_receive_packet(context, packet) == 0;
        if (good) frames.emplace_back(packet->data, packet->data + packet->size);
        av_packet_unref(packet);
    }
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
    if (!good) frames.clear();
    return frames;
}

} // namespace

bool WriteDvMedia(MobWriter& writer, PictureMedia* media) {
    media->codecID = "MSM TARGA DVC Codec";
    media->width = kDvWidth;
    media->storedHeight = kDvHeight / 2;
    media->layout = kSeparateFields;
    media->rate = {30000, 1001};
    for (int32_t frame = 0; frame < 2; ++frame)
        media->rgb.push_back(TestPicture(kDvWidth, kDvHeight, frame));
    media->stored = encodeDv(media->rgb);
    if (media->stored.empty()) return false;
    return WriteDvDescribed(writer, media, int32_t(media->stored.front().size()));
}

} // namespace corpus
