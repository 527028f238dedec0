// Movie files: creating them, their tracks, samples, colour, and closing
// them with the movie header first when asked.
#include "movie_writer.h"

#include "compression_session.h"
#include "pixel_layouts.h"
#include "writing_routines.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace movie {
namespace {

constexpr char kMuxer[] = "mov";
constexpr int kHighestColourCode = 255;
constexpr int kUnspecifiedTransfer = 2; // the transfer code a separate gamma goes with
constexpr int kMaxTimecodeRate = 255;
constexpr int kMaxChannels = 64;
constexpr double kFixedOne = 65536.0; // 16.16 fixed point

void SetMuxerOption(MovieWriter& writer, const char* name, const char* value) {
    av_opt_set(writer.format->priv_data, name, value, 0);
}

void SetMuxerNumber(MovieWriter& writer, const char* name, int64_t value) {
    av_opt_set_int(writer.format->priv_data, name, value, 0);
}

AVCodecID PcmCodecFor(int32_t sampleBits) {
    switch (sampleBits) {
    case 8:
        return AV_CODEC_ID_PCM_S8;
    case 16:
        return AV_CODEC_ID_PCM_S16BE;
    case 24:
        return AV_CODEC_ID_PCM_S24BE;
    case 32:
        return AV_CODEC_ID_PCM_F32BE;
    default:
        return AV_CODEC_ID_NONE;
    }
}

AVSampleFormat SampleFormatFor(int32_t sampleBits) {
    switch (sampleBits) {
    case 8:
        return AV_SAMPLE_FMT_U8;
    case 16:
        return AV_SAMPLE_FMT_S16;
    case 32:
        return AV_SAMPLE_FMT_FLT;
    default:
        return AV_SAMPLE_FMT_S32;
    }
}

// A packet holding a copy of `size` bytes at `time`, lasting `duration`.
AVPacket* PacketOf(const void* data, size_t size, int64_t time, int64_t duration) {
    AVPacket* packet = av_packet_alloc();
    if (!packet) return nullptr;
    if (av_new_packet(packet, static_cast<int>(size)) < 0) {
        av_packet_free(&packet);
        return nullptr;
    }
    std::memcpy(packet->data, data, size);
    packet->pts = packet->dts = time;
    packet->duration = duration;
    packet->flags |= AV_PKT_FLAG_KEY;
    return packet;
}

int32_t WriteCopy(MovieWriter& writer, AVStream* stream, const void* data, size_t size,
                  int64_t time, int64_t duration) {
    if (size > INT32_MAX) return kParameterError;
    AVPacket* packet = PacketOf(data, size, time, duration);
    if (!packet) return kCodecError;
    const int32_t status = writer.WritePacket(stream, packet);
    av_packet_free(&packet);
    return status;
}

int ColourCode(int32_t code, int unspecified) {
    return code >= 0 && code <= kHighestColourCode ? code : unspecified;
}

} // namespace

MovieWriter::~MovieWriter() {
    if (format) {
        if (format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
    }
}

int32_t MovieWriter::EnsureHeader() {
    if (headerWritten) return kNoError;
    if (!video && !sound && !timecode) return kParameterError;
    if (avformat_write_header(format, nullptr) < 0) return kCodecError;
    headerWritten = true;
    return kNoError;
}

int32_t MovieWriter::WritePacket(AVStream* stream, AVPacket* packet) {
    const AVRational intended = stream == video   ? videoBase
                                : stream == sound ? soundBase
                                                  : timecodeBase;
    const int32_t status = EnsureHeader();
    if (status != kNoError) return status;
    av_packet_rescale_ts(packet, intended, stream->time_base);
    packet->stream_index = stream->index;
    return av_interleaved_write_frame(format, packet) < 0 ? kFileError : kNoError;
}

int32_t CreateMovieFile(CreateMovieFileArgs* args) {
    if (!args || !args->path || !*args->path || !args->writer || args->timeScale <= 0)
        return kParameterError;
    auto writer = std::make_unique<MovieWriter>();
    writer->path = args->path;
    if (args->finalPath) writer->finalPath = args->finalPath;
    writer->movieTimeScale = args->timeScale;
    if (avformat_alloc_output_context2(&writer->format, nullptr, kMuxer, args->path) < 0)
        return kCodecError;
    if (avio_open(&writer->format->pb, args->path, AVIO_FLAG_WRITE) < 0) return kFileError;
    SetMuxerNumber(*writer, "movie_timescale", args->timeScale);
    // Fast start: the muxer moves the movie header before the media data
    // at close, in a second pass over the file.
    if (!writer->finalPath.empty()) SetMuxerOption(*writer, "movflags", "+faststart");
    *args->writer = writer.release();
    return kNoError;
}

int32_t AddVideoTrack(AddVideoTrackArgs* args) {
    if (!args || !args->writer || args->width <= 0 || args->height <= 0 || args->timeScale <= 0 ||
        args->frameDuration <= 0 || !(args->xScale > 0) || !(args->yScale > 0))
        return kParameterError;
    MovieWriter& writer = *args->writer;
    if (writer.video || writer.headerWritten) return kParameterError;
    AVStream* stream = avformat_new_stream(writer.format, nullptr);
    if (!stream) return kCodecError;
    stream->time_base = AVRational{1, args->timeScale};
    stream->avg_frame_rate = AVRational{args->timeScale, args->frameDuration};
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->width = args->width;
    stream->codecpar->height = args->height;
    // The media keeps the caller's time scale (the muxer would raise small ones).
    SetMuxerNumber(writer, "video_track_timescale", args->timeScale);
    if (args->xScale != 1.0 || args->yScale != 1.0) {
        // The track matrix: identity scaled, 16.16 for the scales, 2.30 for w.
        auto* matrix = reinterpret_cast<int32_t*>(
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t)));
        if (!matrix) return kCodecError;
        std::memset(matrix, 0, 9 * sizeof(int32_t));
        matrix[0] = static_cast<int32_t>(std::lround(args->xScale * kFixedOne));
        matrix[4] = static_cast<int32_t>(std::lround(args->yScale * kFixedOne));
        matrix[8] = 1 << 30;
    }
    writer.video = stream;
    writer.videoBase = stream->time_base;
    writer.videoFrameDuration = args->frameDuration;
    return kNoError;
}

int32_t AddSoundTrack(AddSoundTrackArgs* args) {
    if (!args || !args->writer || args->sampleRate <= 0 || args->channels <= 0 ||
        args->channels > kMaxChannels)
        return kParameterError;
    MovieWriter& writer = *args->writer;
    const AVCodecID codec = PcmCodecFor(args->sampleBits);
    if (codec == AV_CODEC_ID_NONE || writer.sound || writer.headerWritten) return kParameterError;
    AVStream* stream = avformat_new_stream(writer.format, nullptr);
    if (!stream) return kCodecError;
    stream->time_base = AVRational{1, args->sampleRate};
    AVCodecParameters* parameters = stream->codecpar;
    parameters->codec_type = AVMEDIA_TYPE_AUDIO;
    parameters->codec_id = codec;
    parameters->sample_rate = args->sampleRate;
    av_channel_layout_default(&parameters->ch_layout, args->channels);
    parameters->format = SampleFormatFor(args->sampleBits);
    parameters->bits_per_coded_sample = args->sampleBits;
    parameters->block_align = args->channels * args->sampleBits / 8;
    parameters->frame_size = 1;
    writer.sound = stream;
    writer.soundBase = stream->time_base;
    writer.soundBlockAlign = parameters->block_align;
    return kNoError;
}

int32_t AddTimecodeTrack(AddTimecodeTrackArgs* args) {
    if (!args || !args->writer || args->timeScale <= 0 || args->frameDuration <= 0 ||
        args->framesPerSecond < 1 || args->framesPerSecond > kMaxTimecodeRate)
        return kParameterError;
    MovieWriter& writer = *args->writer;
    if (writer.timecode || writer.headerWritten) return kParameterError;
    AVStream* stream = avformat_new_stream(writer.format, nullptr);
    if (!stream) return kCodecError;
    stream->time_base = AVRational{1, args->timeScale};
    // The muxer derives the description's frame duration and frame count
    // from the rate.
    stream->avg_frame_rate = AVRational{args->timeScale, args->frameDuration};
    stream->codecpar->codec_type = AVMEDIA_TYPE_DATA;
    stream->codecpar->codec_tag = MKTAG('t', 'm', 'c', 'd');
    writer.timecode = stream;
    writer.timecodeBase = stream->time_base;
    return kNoError;
}

int32_t AddRawVideoSample(AddRawVideoSampleArgs* args) {
    if (!args || !args->writer || !args->data || args->duration <= 0) return kParameterError;
    MovieWriter& writer = *args->writer;
    if (!writer.video) return kParameterError;
    AVCodecParameters* parameters = writer.video->codecpar;
    const int32_t height = parameters->height;
    const int64_t packed = PackedRowBytes(args->pixelFormat, parameters->width);
    if ((args->pixelFormat != kPixelV210 && args->pixelFormat != kPixelV410) ||
        args->rowBytes < packed || args->size < static_cast<size_t>(args->rowBytes) * height)
        return kParameterError;
    const AVCodecID codec = args->pixelFormat == kPixelV210 ? AV_CODEC_ID_V210 : AV_CODEC_ID_V410;
    if (!writer.videoCodecSet) {
        parameters->codec_id = codec;
        parameters->codec_tag =
            args->pixelFormat == kPixelV210 ? MKTAG('v', '2', '1', '0') : MKTAG('v', '4', '1', '0');
        parameters->format =
            args->pixelFormat == kPixelV210 ? AV_PIX_FMT_YUV422P10 : AV_PIX_FMT_YUV444P10;
        parameters->bits_per_coded_sample = args->pixelFormat == kPixelV210 ? 20 : 30;
        writer.videoCodecSet = true;
    } else if (parameters->codec_id != codec) {
        return kParameterError;
    }
    // Stored rows have no padding beyond the layout's own.
    const auto* rows = static_cast<const uint8_t*>(args->data);
    std::vector<uint8_t> packedRows;
    if (args->rowBytes != packed) {
        packedRows.resize(static_cast<size_t>(packed) * height);
        for (int32_t row = 0; row < height; ++row)
            std::memcpy(packedRows.data() + row * packed, rows + row * args->rowBytes,
                        static_cast<size_t>(packed));
        rows = packedRows.data();
    }
    const int32_t status =
        WriteCopy(writer, writer.video, rows, static_cast<size_t>(packed) * height,
                  writer.rawVideoTime, args->duration);
    if (status == kNoError) writer.rawVideoTime += args->duration;
    return status;
}

int32_t SetVideoColour(SetVideoColourArgs* args) {
    if (!args || !args->writer || !args->writer->video) return kParameterError;
    MovieWriter& writer = *args->writer;
    // Read by the muxer when it writes the movie header at close.
    AVCodecParameters* parameters = writer.video->codecpar;
    parameters->color_primaries =
        static_cast<AVColorPrimaries>(ColourCode(args->primaries, AVCOL_PRI_UNSPECIFIED));
    parameters->color_trc = static_cast<AVColorTransferCharacteristic>(
        ColourCode(args->transfer, AVCOL_TRC_UNSPECIFIED));
    parameters->color_space =
        static_cast<AVColorSpace>(ColourCode(args->matrix, AVCOL_SPC_UNSPECIFIED));
    if (args->primaries >= 0 || args->transfer >= 0 || args->matrix >= 0)
        SetMuxerOption(writer, "movflags", "+write_colr");
    if (args->transfer == kUnspecifiedTransfer && args->gamma > 0) {
        SetMuxerOption(writer, "movflags", "+write_gama");
        av_opt_set_double(writer.format->priv_data, "mov_gamma",
                          std::round(args->gamma * kFixedOne) / kFixedOne, 0);
    }
    return kNoError;
}

int32_t AddSoundSamples(AddSoundSamplesArgs* args) {
    if (!args || !args->writer || !args->writer->sound || !args->data || args->samples <= 0)
        return kParameterError;
    MovieWriter& writer = *args->writer;
    const size_t bytes = static_cast<size_t>(args->samples) * writer.soundBlockAlign;
    if (args->size < bytes) return kParameterError;
    const int32_t status =
        WriteCopy(writer, writer.sound, args->data, bytes, writer.soundTime, args->samples);
    if (status == kNoError) writer.soundTime += args->samples;
    return status;
}

int32_t AddTimecodeSample(AddTimecodeSampleArgs* args) {
    if (!args || !args->writer || !args->writer->timecode || args->duration <= 0)
        return kParameterError;
    MovieWriter& writer = *args->writer;
    const uint8_t sample[4] = {static_cast<uint8_t>(args->frameNumber >> 24),
                               static_cast<uint8_t>(args->frameNumber >> 16),
                               static_cast<uint8_t>(args->frameNumber >> 8),
                               static_cast<uint8_t>(args->frameNumber)};
    const int32_t status = WriteCopy(writer, writer.timecode, sample, sizeof sample,
                                     writer.timecodeTime, args->duration);
    if (status == kNoError) writer.timecodeTime += args->duration;
    return status;
}

int32_t CloseMovieFile(CloseMovieFileArgs* args) {
    if (!args || !args->writer) return kParameterError;
    std::unique_ptr<MovieWriter> writer(args->writer);
    int32_t status = kNoError;
    if (args->session) {
        status = FinishCompressionSession(args->session);
        FreeCompressionSession(args->session);
    }
    // A video track that never got a codec cannot be written: the file
    // holds nothing and is removed.
    if (writer->video && writer->video->codecpar->codec_id == AV_CODEC_ID_NONE &&
        !writer->headerWritten) {
        avio_closep(&writer->format->pb);
        std::remove(writer->path.c_str());
        return status == kNoError ? kParameterError : status;
    }
    const int32_t header = writer->EnsureHeader();
    if (status == kNoError) status = header;
    if (writer->headerWritten && av_write_trailer(writer->format) < 0 && status == kNoError)
        status = kFileError;
    if (avio_closep(&writer->format->pb) < 0 && status == kNoError) status = kFileError;
    if (status == kNoError && !writer->finalPath.empty() &&
        std::rename(writer->path.c_str(), writer->finalPath.c_str()) != 0)
        status = kFileError;
    return status;
}

} // namespace movie
