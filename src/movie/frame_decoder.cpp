// Frame decoders.
#include "frame_decoder.h"

#include "codec_catalogue.h"
#include "movie_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace movie {
namespace {

int64_t FrameTime(const AVFrame& frame) {
    return frame.best_effort_timestamp != AV_NOPTS_VALUE ? frame.best_effort_timestamp : frame.pts;
}

// True when the decoded frame is the one shown at `target`.
bool Shows(const AVFrame& frame, int64_t target) {
    const int64_t time = FrameTime(frame);
    if (time == AV_NOPTS_VALUE) return true;
    return time >= target || time + std::max<int64_t>(frame.pkt_duration, 1) > target;
}

// Starts again from the key frame at or before `target`.
bool SeekBefore(FrameDecoder& decoder, int64_t target) {
    if (av_seek_frame(decoder.format, decoder.streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(decoder.format, decoder.streamIndex, INT64_MIN,
                      AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0)
        return false;
    avcodec_flush_buffers(decoder.codec);
    decoder.haveFrame = false;
    decoder.drained = false;
    decoder.lastPacketTime = INT64_MIN;
    return true;
}

// Whether the key frame before `target` lies past what was sent, so that
// seeking skips frames decoding on would have to go through.
bool KeyFrameAhead(const FrameDecoder& decoder, int64_t target) {
    AVStream* stream = decoder.format->streams[decoder.streamIndex];
    const int index = av_index_search_timestamp(stream, target, AVSEEK_FLAG_BACKWARD);
    if (index < 0) return false;
    const AVIndexEntry* entry = avformat_index_get_entry(stream, index);
    return entry && entry->timestamp > decoder.lastPacketTime;
}

// Sends the stream's next packet, or the end of the stream. Answers false
// once nothing is left to send.
bool SendNextPacket(FrameDecoder& decoder) {
    if (decoder.drained) return false;
    for (;;) {
        const int read = av_read_frame(decoder.format, decoder.packet);
        if (read < 0) {
            decoder.drained = true;
            avcodec_send_packet(decoder.codec, nullptr);
            return true;
        }
        if (decoder.packet->stream_index != decoder.streamIndex) {
            av_packet_unref(decoder.packet);
            continue;
        }
        const int64_t time =
            decoder.packet->dts != AV_NOPTS_VALUE ? decoder.packet->dts : decoder.packet->pts;
        if (time != AV_NOPTS_VALUE) decoder.lastPacketTime = time;
        const int sent = avcodec_send_packet(decoder.codec, decoder.packet);
        av_packet_unref(decoder.packet);
        if (sent < 0 && sent != AVERROR(EAGAIN)) continue; // a damaged packet: go on
        return true;
    }
}

// Decodes until the frame shown at `target` is in decoder.frame.
bool DecodeUntil(FrameDecoder& decoder, int64_t target) {
    for (;;) {
        const int received = avcodec_receive_frame(decoder.codec, decoder.frame);
        if (received == 0) {
            decoder.haveFrame = true;
            if (Shows(*decoder.frame, target)) return true;
            continue;
        }
        if (received == AVERROR(EAGAIN)) {
            if (!SendNextPacket(decoder)) return decoder.haveFrame;
            continue;
        }
        // The end of the stream: the last frame shows every later time.
        decoder.haveFrame = decoder.haveFrame && decoder.frame->data[0];
        return decoder.haveFrame;
    }
}

} // namespace

FrameDecoder::~FrameDecoder() {
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
}

int32_t CreateFrameDecoder(const CreateFrameDecoderArgs& arguments) {
    if (!arguments.reader || !arguments.decoder || !arguments.rowBytes || !arguments.height)
        return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track) return kInvalidTrack;
    if (track->mediaType != kMediaVideo) return kInvalidTrack;
    if (!IsDeliveredFormat(arguments.pixelFormat)) return kPixelFormatNotAccepted;
    const AVCodecParameters& parameters = *track->stream->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters.codec_id);
    if (!codec) return kNoDecoder;
    const int32_t rowBytes = DeliveredRowBytes(arguments.pixelFormat, parameters.width);
    if (rowBytes <= 0 || parameters.height <= 0) return kPixelFormatNotAccepted;

    auto decoder = std::make_unique<FrameDecoder>(arguments.pixelFormat);
    if (avformat_open_input(&decoder->format, arguments.reader->path.c_str(), nullptr, nullptr) < 0)
        return kNoMovieFound;
    decoder->streamIndex = track->stream->index;
    if (decoder->streamIndex >= static_cast<int>(decoder->format->nb_streams)) return kInvalidTrack;
    AVStream* stream = decoder->format->streams[decoder->streamIndex];
    // Only the decoded track's packets are read.
    for (unsigned i = 0; i < decoder->format->nb_streams; ++i)
        decoder->format->streams[i]->discard =
            static_cast<int>(i) == decoder->streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    decoder->codec = avcodec_alloc_context3(codec);
    decoder->packet = av_packet_alloc();
    decoder->frame = av_frame_alloc();
    if (!decoder->codec || !decoder->packet || !decoder->frame) return kDecodeFailed;
    if (avcodec_parameters_to_context(decoder->codec, stream->codecpar) < 0) return kNoDecoder;
    decoder->codec->pkt_timebase = stream->time_base;
    decoder->codec->thread_count = 0; // as many as the machine has
    if (avcodec_open2(decoder->codec, codec, nullptr) < 0) return kNoDecoder;
    decoder->width = parameters.width;
    decoder->height = parameters.height;
    decoder->rowBytes = rowBytes;
    // Media time 0 is the first sample shown.
    decoder->origin =
        track->stream->start_time != AV_NOPTS_VALUE ? track->stream->start_time : track->origin;
    *arguments.rowBytes = rowBytes;
    *arguments.height = parameters.height;
    *arguments.decoder = decoder.release();
    return kNoError;
}

int32_t DecodeFrame(const DecodeFrameArgs& arguments) {
    FrameDecoder* decoder = arguments.decoder;
    if (!decoder || !arguments.pixels) return kParameterError;
    const size_t size = static_cast<size_t>(decoder->rowBytes) * decoder->height;
    if (arguments.capacity < size) return kBufferTooSmall;
    const int64_t target = decoder->origin + std::max<int64_t>(arguments.time, 0);
    const bool showing = decoder->haveFrame && FrameTime(*decoder->frame) != AV_NOPTS_VALUE &&
                         FrameTime(*decoder->frame) <= target && Shows(*decoder->frame, target);
    if (!showing) {
        const bool behind = decoder->haveFrame && FrameTime(*decoder->frame) != AV_NOPTS_VALUE &&
                            FrameTime(*decoder->frame) > target;
        const bool fresh = decoder->lastPacketTime == INT64_MIN && !decoder->haveFrame;
        if (behind || decoder->drained || (!fresh && KeyFrameAhead(*decoder, target)) ||
            (fresh && target > decoder->origin)) {
            if (!SeekBefore(*decoder, target)) return kDecodeFailed;
        }
        if (!DecodeUntil(*decoder, target)) return kDecodeFailed;
    }
    const AVFrame& frame = *decoder->frame;
    if (frame.width != decoder->width || frame.height != decoder->height) return kDecodeFailed;
    if (!decoder->exporter.Export(frame, static_cast<uint8_t*>(arguments.pixels),
                                  decoder->rowBytes))
        return kPixelFormatNotAccepted;
    return kNoError;
}

int32_t FindDecoder(const FindDecoderArgs& arguments) {
    if (!arguments.info) return kParameterError;
    AVCodecID id = AV_CODEC_ID_NONE;
    AVPixelFormat stored = AV_PIX_FMT_NONE;
    const ReaderTrack* track =
        arguments.reader ? TrackOf(*arguments.reader, arguments.track) : nullptr;
    if (track && CodecTypeOf(*track->stream) == arguments.codecType) {
        id = track->stream->codecpar->codec_id;
        stored = static_cast<AVPixelFormat>(track->stream->codecpar->format);
    } else {
        const AVCodecTag* const tables[] = {avformat_get_mov_video_tags(), nullptr};
        const uint32_t tag = FourCharFromTag(arguments.codecType); // the same swap both ways
        id = av_codec_get_id(tables, tag);
    }
    const AVCodec* codec = id != AV_CODEC_ID_NONE ? avcodec_find_decoder(id) : nullptr;
    if (!codec) return kNoDecoder;
    // A type the codec catalogue lists goes by the catalogue's name, so that
    // the identifier made from it names the same codec for writing.
    const char* name = codec->long_name ? codec->long_name : codec->name;
    for (const CatalogueEntry& entry : CatalogueEntries())
        if (entry.codecType == arguments.codecType) {
            name = entry.name;
            break;
        }
    DecoderInfo info{};
    std::strncpy(info.name, name, sizeof info.name - 1);
    const auto formats = LosslessFormatsFor(stored, info.pixelFormats, kMaxDecoderPixelFormats);
    info.pixelFormatCount = static_cast<int32_t>(formats.size());
    *arguments.info = info;
    return kNoError;
}

} // namespace movie
