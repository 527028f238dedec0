// Decoding one video track of a movie into frames of a delivered pixel
// format, by media time: forward requests decode on, others restart from
// the key frame before the time.
#pragma once

#include "frame_delivery.h"
#include "movie/movie_reading.h"

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

struct movie::FrameDecoder {
    // The decoder reads the file through a demuxer of its own, so reading
    // stored samples through the reader does not move it.
    AVFormatContext* format = nullptr;
    int streamIndex = -1;
    AVCodecContext* codec = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr; // the frame last decoded
    FrameExporter exporter;
    int32_t width = 0, height = 0, rowBytes = 0;
    // The timestamp of media time 0 in the decoder's stream.
    int64_t origin = 0;
    // Where decoding stands: whether `frame` holds a frame, the timestamp
    // of the last packet sent, and whether the stream has been drained.
    bool haveFrame = false;
    int64_t lastPacketTime = INT64_MIN;
    bool drained = false;

    explicit FrameDecoder(uint32_t pixelFormat) : exporter(pixelFormat) {}
    ~FrameDecoder();
    FrameDecoder(const FrameDecoder&) = delete;
    FrameDecoder& operator=(const FrameDecoder&) = delete;
};

namespace movie {

int32_t CreateFrameDecoder(const CreateFrameDecoderArgs& arguments);
int32_t DecodeFrame(const DecodeFrameArgs& arguments);
int32_t FindDecoder(const FindDecoderArgs& arguments);

} // namespace movie
