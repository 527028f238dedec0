// Encodes test pictures and movies with libavcodec and libavformat.
#include "media_writer.h"

#include "tarsel/system/ffmpeg_owners.h"

#include <cstdio>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

namespace testmedia {
namespace {

// Encodes one still frame with the PNG encoder and writes the packet as the file.
bool EncodePng(const std::string& path, int width, int height, AVPixelFormat format,
               const uint8_t* data, int rowBytes) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    if (!codec) return false;
    CodecContextOwner context(avcodec_alloc_context3(codec));
    context->width = width;
    context->height = height;
    context->pix_fmt = format;
    context->time_base = {1, 25};
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return false;
    FrameOwner frame(av_frame_alloc());
    frame->width = width;
    frame->height = height;
    frame->format = format;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
    for (int y = 0; y < height; ++y) {
        std::copy(data + std::size_t(y) * rowBytes, data + std::size_t(y + 1) * rowBytes,
                  frame->data[0] + std::size_t(y) * frame->linesize[0]);
    }
    PacketOwner packet(av_packet_alloc());
    if (avcodec_send_frame(context.get(), frame.get()) < 0) return false;
    if (avcodec_send_frame(context.get(), nullptr) < 0) return false;
    if (avcodec_receive_packet(context.get(), packet.get()) < 0) return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(packet->data, 1, packet->size, file) == std::size_t(packet->size);
    return std::fclose(file) == 0 && written;
}

} // namespace

bool WritePng(const std::string& path, const Picture8& picture) {
    return EncodePng(path, picture.Width, picture.Height, AV_PIX_FMT_RGBA, picture.RGBA.data(),
                     picture.Width * 4);
}

bool WritePng16(const std::string& path, int width, int height, const std::vector<uint16_t>& rgba) {
    // The encoder takes big-endian samples.
    std::vector<uint8_t> bytes(rgba.size() * 2);
    for (std::size_t i = 0; i < rgba.size(); ++i) {
        bytes[2 * i] = uint8_t(rgba[i] >> 8);
        bytes[2 * i + 1] = uint8_t(rgba[i] & 0xff);
    }
    return EncodePng(path, width, height, AV_PIX_FMT_RGBA64BE, bytes.data(), width * 8);
}

bool WriteMovie(const std::string& path, const std::vector<Picture8>& frames, int fps,
                MovieCodec movieCodec) {
    const bool jpeg = movieCodec == MovieCodec::MotionJpeg;
    const bool mpeg4 = movieCodec == MovieCodec::Mpeg4;
    const bool converted = jpeg || mpeg4;
    const AVPixelFormat pixelFormat =
        jpeg ? AV_PIX_FMT_YUVJ444P : (mpeg4 ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_BGRA);
    if (frames.empty()) return false;
    const int width = frames[0].Width;
    const int height = frames[0].Height;
    AVFormatContext* rawFormat = nullptr;
    if (avformat_alloc_output_context2(&rawFormat, nullptr, "matroska", path.c_str()) < 0) {
        return false;
    }
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> format(
        rawFormat, [](AVFormatContext* f) {
            if (f->pb) avio_closep(&f->pb);
            avformat_free_context(f);
        });
    const AVCodec* codec = avcodec_find_encoder(
        jpeg ? AV_CODEC_ID_MJPEG : (mpeg4 ? AV_CODEC_ID_MPEG4 : AV_CODEC_ID_FFV1));
    if (!codec) return false;
    CodecContextOwner context(avcodec_alloc_context3(codec));
    context->width = width;
    context->height = height;
    context->pix_fmt = pixelFormat;
    context->time_base = {1, fps};
    if (converted) {
        context->flags |= AV_CODEC_FLAG_QSCALE;
        context->global_quality = FF_QP2LAMBDA * 2;
    }
    context->framerate = {fps, 1};
    context->gop_size = mpeg4 ? 12 : 1;
    if (mpeg4) context->max_b_frames = 2;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return false;
    AVStream* stream = avformat_new_stream(format.get(), nullptr);
    if (!stream) return false;
    stream->time_base = context->time_base;
    if (avcodec_parameters_from_context(stream->codecpar, context.get()) < 0) return false;
    if (avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    if (avformat_write_header(format.get(), nullptr) < 0) return false;

    PacketOwner packet(av_packet_alloc());
    auto drain = [&]() {
        while (avcodec_receive_packet(context.get(), packet.get()) == 0) {
            av_packet_rescale_ts(packet.get(), context->time_base, stream->time_base);
            packet->stream_index = stream->index;
            if (av_interleaved_write_frame(format.get(), packet.get()) < 0) return false;
        }
        return true;
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FrameOwner frame(av_frame_alloc());
        frame->width = width;
        frame->height = height;
        frame->format = pixelFormat;
        frame->quality = context->global_quality;
        if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
        if (converted) {
            SwsContext* scaler =
                sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, pixelFormat,
                               SWS_BICUBIC, nullptr, nullptr, nullptr);
            const uint8_t* planes[4] = {frames[i].RGBA.data()};
            const int strides[4] = {width * 4};
            const bool scaled = scaler && sws_scale(scaler, planes, strides, 0, height, frame->data,
                                                    frame->linesize) == height;
            sws_freeContext(scaler);
            if (!scaled) return false;
        }
        for (int y = 0; !converted && y < height; ++y) {
            const uint8_t* in = frames[i].RGBA.data() + std::size_t(y) * width * 4;
            uint8_t* out = frame->data[0] + std::size_t(y) * frame->linesize[0];
            for (int x = 0; x < width; ++x) {
                out[4 * x] = in[4 * x + 2];
                out[4 * x + 1] = in[4 * x + 1];
                out[4 * x + 2] = in[4 * x];
                out[4 * x + 3] = in[4 * x + 3];
            }
        }
        frame->pts = static_cast<int64_t>(i);
        if (avcodec_send_frame(context.get(), frame.get()) < 0 || !drain()) return false;
    }
    if (avcodec_send_frame(context.get(), nullptr) < 0 || !drain()) return false;
    return av_write_trailer(format.get()) == 0;
}

} // namespace testmedia
