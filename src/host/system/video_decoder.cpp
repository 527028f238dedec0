// Picture and movie decoding through libavformat, libavcodec and libswscale.
#include "video_decoder.h"

#include <climits>
#include <cstring>
#include <deque>
#include <optional>

#include "tarsel/system/ffmpeg_owners.h"
#include "tarsel/system/image.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

// Demuxers allowed to read a clip's file: pictures and ordinary movie containers. Anything that
// opens further files or URLs by itself (playlists, concatenation lists) is left out.
constexpr const char* AllowedDemuxers =
    "image2,png_pipe,jpeg_pipe,jpegls_pipe,tiff_pipe,bmp_pipe,dpx_pipe,exr_pipe,webp_pipe,"
    "sgi_pipe,pam_pipe,pbm_pipe,pgm_pipe,ppm_pipe,pgx_pipe,j2k_pipe,psd_pipe,qoi_pipe,"
    "xbm_pipe,xpm_pipe,gif,mov,mp4,avi,matroska,webm,mpeg,mpegts,mxf,dv,yuv4mpegpipe,nut,"
    "flv,asf,ogg,m4v,h264,hevc,mjpeg";

// How far ahead of the current position a request may lie before seeking beats reading on.
constexpr int64_t DecodeAheadLimit = 24;
// Most packets held while looking for the wanted frame; past it they are decoded.
constexpr std::size_t MaxHeldPackets = 1024;

bool SizeFitsImage(int width, int height) {
    return width > 0 && height > 0 && width <= Image::MaxSide && height <= Image::MaxSide &&
           int64_t{width} * height <= Image::MaxPixels;
}

bool IsPictureDemuxer(const AVInputFormat* format) {
    const std::string name = format->name ? format->name : "";
    return name == "image2" || name.ends_with("_pipe");
}

} // namespace

struct VideoDecoder::State {
    FormatContextOwner Format;
    CodecContextOwner Codec;
    FrameOwner Frame;
    PacketOwner Packet;
    ScalerOwner Scaler;
    int StreamIndex = -1;
    AVRational TimeBase{0, 1};
    AVRational FrameRate{0, 1}; // 0/1 when unknown: frames are then counted in decoding order
    int64_t StartTime = 0;
    bool Still = false;
    bool Draining = false;   // the end of the file was reached and the decoder is flushed
    bool Holding = false;    // packets before the wanted frame are held, not decoded
    bool DecoderFed = false; // the decoder got packets since it was last flushed
    std::deque<PacketOwner> Held;
    int64_t DecodedCount = 0; // frames decoded since the last seek to the start
    int64_t Position = -1;    // index of the last decoded frame, -1 before the first

    bool NextFrame(int64_t wanted);
    void FeedDecoder(int64_t wanted);
    std::optional<int64_t> IndexOfStamp(int64_t stamp) const;
    int64_t IndexOfFrame() const;
    bool SeekTo(int64_t index);
    Image* ConvertFrame();
};

VideoDecoder::VideoDecoder(std::unique_ptr<State> state) : m_State(std::move(state)) {}
VideoDecoder::~VideoDecoder() = default;

std::unique_ptr<VideoDecoder> VideoDecoder::Open(const std::string& path) {
    if (path.empty()) return nullptr;
    auto state = std::make_unique<State>();

    AVDictionary* rawOptions = nullptr;
    av_dict_set(&rawOptions, "protocol_whitelist", "file", 0);
    av_dict_set(&rawOptions, "format_whitelist", AllowedDemuxers, 0);
    // A single picture is one file: never read '%' in its name as a number pattern.
    av_dict_set(&rawOptions, "pattern_type", "none", 0);
    DictionaryOwner options(rawOptions);

    // The explicit file protocol keeps names with ':' from being taken for other protocols.
    const std::string url = "file:" + path;
    AVFormatContext* format = nullptr;
    AVDictionary* optionsIn = options.release();
    int result = avformat_open_input(&format, url.c_str(), nullptr, &optionsIn);
    options.reset(optionsIn);
    if (result < 0) return nullptr;
    state->Format.reset(format);
    if (avformat_find_stream_info(format, nullptr) < 0) return nullptr;

    const AVCodec* decoder = nullptr;
    state->StreamIndex = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (state->StreamIndex < 0 || !decoder) return nullptr;
    AVStream* stream = format->streams[state->StreamIndex];
    if (!SizeFitsImage(stream->codecpar->width, stream->codecpar->height)) return nullptr;

    state->Codec.reset(avcodec_alloc_context3(decoder));
    if (!state->Codec) return nullptr;
    if (avcodec_parameters_to_context(state->Codec.get(), stream->codecpar) < 0) return nullptr;
    state->Codec->thread_count = 1;
    if (avcodec_open2(state->Codec.get(), decoder, nullptr) < 0) return nullptr;

    state->Frame.reset(av_frame_alloc());
    state->Packet.reset(av_packet_alloc());
    if (!state->Frame || !state->Packet) return nullptr;

    state->TimeBase = stream->time_base;
    AVRational rate = av_guess_frame_rate(format, stream, nullptr);
    if (rate.num > 0 && rate.den > 0 && state->TimeBase.num > 0 && state->TimeBase.den > 0) {
        state->FrameRate = rate;
    }
    state->StartTime = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    state->Still = IsPictureDemuxer(format->iformat);
    return std::unique_ptr<VideoDecoder>(new VideoDecoder(std::move(state)));
}

bool VideoDecoder::IsStill() const {
    return m_State->Still;
}

int64_t VideoDecoder::AnnouncedFrameCount() const {
    if (m_State->Still) return 1;
    const AVStream* stream = m_State->Format->streams[m_State->StreamIndex];
    return stream->nb_frames > 0 ? stream->nb_frames : -1;
}

// Decodes the next frame, feeding the decoder as it asks for input.
bool VideoDecoder::State::NextFrame(int64_t wanted) {
    for (;;) {
        const int result = avcodec_receive_frame(Codec.get(), Frame.get());
        if (result == 0) {
            ++DecodedCount;
            return true;
        }
        if (result != AVERROR(EAGAIN) || Draining) return false;
        FeedDecoder(wanted);
    }
}

// Gives the decoder one packet: a held one, the next one of our stream from the file, or at the
// end of the file the end mark. While frames before `wanted` are passed over (Holding), packets
// are held instead of decoded, and a key packet at or before `wanted` drops what was held: the
// decoder can start there, so only the frames from the last such key packet on are decoded.
void VideoDecoder::State::FeedDecoder(int64_t wanted) {
    for (;;) {
        PacketOwner next;
        if (!Holding && !Held.empty()) {
            next = std::move(Held.front());
            Held.pop_front();
        } else {
            if (av_read_frame(Format.get(), Packet.get()) < 0) {
                if (Holding) {
                    Holding = false; // decode what is held before the end mark
                    continue;
                }
                Draining = true;
                avcodec_send_packet(Codec.get(), nullptr);
                return;
            }
            if (Packet->stream_index != StreamIndex) {
                av_packet_unref(Packet.get());
                continue;
            }
            next.reset(av_packet_alloc());
            if (!next) {
                av_packet_unref(Packet.get());
                continue;
            }
            av_packet_move_ref(next.get(), Packet.get());
            if (Holding) {
                const auto index = IndexOfStamp(next->pts);
                if (index && *index <= wanted && (next->flags & AV_PKT_FLAG_KEY)) {
                    Held.clear();
                    if (DecoderFed) avcodec_flush_buffers(Codec.get());
                    DecoderFed = false;
                }
                const bool before = index && *index < wanted;
                // The wanted frame's packet (or one without time, or too much held) ends holding.
                if (!before || Held.size() >= MaxHeldPackets) Holding = false;
                Held.push_back(std::move(next));
                continue;
            }
        }
        const int result = avcodec_send_packet(Codec.get(), next.get());
        DecoderFed = true;
        // A damaged packet is passed over; the next one may decode.
        if (result < 0 && result != AVERROR(EAGAIN)) continue;
        return;
    }
}

// The frame number of a time stamp, or nothing when the stream gives no usable time.
std::optional<int64_t> VideoDecoder::State::IndexOfStamp(int64_t stamp) const {
    int64_t offset = 0;
    if (FrameRate.num == 0 || stamp == AV_NOPTS_VALUE ||
        __builtin_sub_overflow(stamp, StartTime, &offset)) {
        return std::nullopt;
    }
    return av_rescale_q_rnd(offset, TimeBase, av_inv_q(FrameRate),
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

int64_t VideoDecoder::State::IndexOfFrame() const {
    // Without usable time stamps frames are counted in decoding order.
    return IndexOfStamp(Frame->best_effort_timestamp).value_or(DecodedCount - 1);
}

bool VideoDecoder::State::SeekTo(int64_t index) {
    avcodec_flush_buffers(Codec.get());
    DecoderFed = false;
    Held.clear();
    Draining = false;
    Position = -1;
    if (FrameRate.num != 0 && index > 0) {
        const int64_t target = StartTime + av_rescale_q(index, av_inv_q(FrameRate), TimeBase);
        if (av_seek_frame(Format.get(), StreamIndex, target, AVSEEK_FLAG_BACKWARD) >= 0) {
            return true;
        }
    }
    // From the start: by time stamp, or failing that by byte position.
    DecodedCount = 0;
    if (av_seek_frame(Format.get(), StreamIndex, StartTime, AVSEEK_FLAG_BACKWARD) >= 0) {
        return true;
    }
    return av_seek_frame(Format.get(), -1, 0, AVSEEK_FLAG_BYTE) >= 0;
}

Image* VideoDecoder::ReadFrame(int64_t index) {
    State& s = *m_State;
    if (index < 0) return nullptr;
    if (s.Still && index > 0) return nullptr;
    const bool decodeOn = s.Position >= 0 && index > s.Position &&
                          index - s.Position <= DecodeAheadLimit && !s.Draining;
    const bool atStart = s.Position < 0 && s.DecodedCount == 0 && !s.Draining;
    if (!decodeOn && !atStart) {
        if (!s.SeekTo(index)) return nullptr;
    }
    s.Holding = index > s.Position + 1;
    while (s.NextFrame(index)) {
        const int64_t found = s.IndexOfFrame();
        s.Position = found;
        if (found < index) continue;
        // A stream with a gap at `index` gives the next frame it has.
        return s.ConvertFrame();
    }
    return nullptr;
}

Image* VideoDecoder::State::ConvertFrame() {
    const AVFrame& frame = *Frame;
    const auto sourceFormat = static_cast<AVPixelFormat>(frame.format);
    const AVPixFmtDescriptor* descriptor = av_pix_fmt_desc_get(sourceFormat);
    if (!descriptor || !SizeFitsImage(frame.width, frame.height)) return nullptr;
    // Deep sources keep their precision; 8-bit sources widen exactly (x 257) afterwards.
    const bool deep = descriptor->comp[0].depth > 8;
    const AVPixelFormat targetFormat = deep ? AV_PIX_FMT_RGBA64 : AV_PIX_FMT_RGBA;

    Scaler.reset(sws_getCachedContext(Scaler.release(), frame.width, frame.height, sourceFormat,
                                      frame.width, frame.height, targetFormat,
                                      SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                      nullptr, nullptr));
    if (!Scaler) return nullptr;

    uint8_t* planes[4] = {};
    int strides[4] = {};
    if (av_image_alloc(planes, strides, frame.width, frame.height, targetFormat, 32) < 0) {
        return nullptr;
    }
    Image* image = nullptr;
    const int rows =
        sws_scale(Scaler.get(), frame.data, frame.linesize, 0, frame.height, planes, strides);
    if (rows == frame.height) {
        if (deep) {
            image = Image::FromRGBA16(reinterpret_cast<const uint16_t*>(planes[0]), frame.width,
                                      frame.height, strides[0] / 2);
        } else {
            image = Image::FromRGBA8(planes[0], frame.width, frame.height, strides[0]);
        }
    }
    av_freep(&planes[0]);
    if (image && frame.sample_aspect_ratio.num > 0 && frame.sample_aspect_ratio.den > 0) {
        image->SetPixelAspect(av_q2d(frame.sample_aspect_ratio), 1.0);
    }
    return image;
}
