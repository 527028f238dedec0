// Owners for FFmpeg objects, for the host and for its clients that use FFmpeg beside it (their
// users link FFmpeg themselves): each releases its object with FFmpeg's own free call, so no
// caller pairs an allocation with a release by hand.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

struct FormatContextRelease {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecContextRelease {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameRelease {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketRelease {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerRelease {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};
struct DictionaryRelease {
    void operator()(AVDictionary* dictionary) const { av_dict_free(&dictionary); }
};

// An input file opened with avformat_open_input.
using FormatContextOwner = std::unique_ptr<AVFormatContext, FormatContextRelease>;
using CodecContextOwner = std::unique_ptr<AVCodecContext, CodecContextRelease>;
using FrameOwner = std::unique_ptr<AVFrame, FrameRelease>;
using PacketOwner = std::unique_ptr<AVPacket, PacketRelease>;
using ScalerOwner = std::unique_ptr<SwsContext, ScalerRelease>;
using DictionaryOwner = std::unique_ptr<AVDictionary, DictionaryRelease>;
