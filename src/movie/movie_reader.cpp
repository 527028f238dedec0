// Movie files open for reading.
#include "movie_reader.h"

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" {
#include <libavutil/display.h>
}

namespace movie {
namespace {

uint32_t MediaTypeOf(const AVStream& stream) {
    switch (stream.codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        return kMediaVideo;
    case AVMEDIA_TYPE_AUDIO:
        return kMediaSound;
    default:
        break;
    }
    const uint32_t type = CodecTypeOf(stream);
    if (type == kMediaTimecode || type == kMediaTimecode64) return type;
    return kMediaOther;
}

// The track's samples in time order, without those the demuxer marks as
// discarded; the last one lasts until the stream's end when that is known.
void ReadSampleTable(ReaderTrack& track) {
    AVStream* stream = track.stream;
    const int count = avformat_index_get_entries_count(stream);
    track.samples.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (!entry || (entry->flags & AVINDEX_DISCARD_FRAME) || entry->size < 0) continue;
        track.samples.push_back(
            {entry->timestamp, entry->pos, entry->size, (entry->flags & AVINDEX_KEYFRAME) != 0});
    }
    std::stable_sort(
        track.samples.begin(), track.samples.end(),
        [](const ReaderSample& a, const ReaderSample& b) { return a.timestamp < b.timestamp; });
    if (track.samples.empty()) return;
    track.origin = track.samples.front().timestamp;
    const int64_t last = track.samples.back().timestamp;
    const int64_t end = stream->duration > 0 ? track.origin + stream->duration : last;
    if (end > last) {
        track.lastDuration = end - last;
    } else if (track.samples.size() > 1) {
        track.lastDuration = last - track.samples[track.samples.size() - 2].timestamp;
    }
}

const ReaderSample* SampleOf(const ReaderTrack& track, int64_t sample) {
    if (sample < 0 || sample >= static_cast<int64_t>(track.samples.size())) return nullptr;
    return &track.samples[static_cast<size_t>(sample)];
}

// Colour codes the file states; FFmpeg reports absent ones as unspecified
// (2), or 0 for a matrix.
int32_t ColourCode(int code) {
    return code == 2 || code == 0 ? -1 : code;
}

} // namespace

MovieReader::~MovieReader() {
    avformat_close_input(&format);
}

uint32_t FourCharFromTag(uint32_t tag) {
    return (tag & 0xFF) << 24 | (tag >> 8 & 0xFF) << 16 | (tag >> 16 & 0xFF) << 8 | tag >> 24;
}

uint32_t CodecTypeOf(const AVStream& stream) {
    return FourCharFromTag(stream.codecpar->codec_tag);
}

int32_t OpenReader(const char* path, MovieReader** reader) {
    if (!path || !reader) return kParameterError;
    auto opened = std::make_unique<MovieReader>();
    opened->path = path;
    if (avformat_open_input(&opened->format, path, nullptr, nullptr) < 0) return kNoMovieFound;
    // Some codecs tell their stored pixel layout only once a frame is seen.
    if (avformat_find_stream_info(opened->format, nullptr) < 0) return kNoMovieFound;
    for (unsigned i = 0; i < opened->format->nb_streams; ++i) {
        ReaderTrack track;
        track.stream = opened->format->streams[i];
        track.mediaType = MediaTypeOf(*track.stream);
        ReadSampleTable(track);
        opened->tracks.push_back(std::move(track));
    }
    *reader = opened.release();
    return kNoError;
}

const ReaderTrack* TrackOf(const MovieReader& reader, int32_t number) {
    if (number < 1 || number > static_cast<int32_t>(reader.tracks.size())) return nullptr;
    return &reader.tracks[static_cast<size_t>(number - 1)];
}

int32_t GetTrackInfo(const GetTrackInfoArgs& arguments) {
    if (!arguments.reader || !arguments.info) return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track) return kInvalidTrack;
    const AVStream& stream = *track->stream;
    TrackInfo info{};
    info.mediaType = track->mediaType;
    info.width = stream.codecpar->width;
    info.height = stream.codecpar->height;
    info.timeScale = stream.time_base.num == 1 ? stream.time_base.den
                                               : stream.time_base.den / stream.time_base.num;
    info.duration = std::max<int64_t>(stream.duration, 0);
    info.sampleCount = static_cast<int64_t>(track->samples.size());
    info.xScale = 1.0;
    info.yScale = 1.0;
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (matrix && size >= 9 * sizeof(int32_t)) {
        const auto* values = reinterpret_cast<const int32_t*>(matrix);
        info.xScale = values[0] / 65536.0;
        info.yScale = values[4] / 65536.0;
    }
    *arguments.info = info;
    return kNoError;
}

int32_t GetSampleTiming(const GetSampleTimingArgs& arguments) {
    if (!arguments.reader || !arguments.timing) return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track) return kInvalidTrack;
    const ReaderSample* sample = SampleOf(*track, arguments.sample);
    if (!sample) return kInvalidSample;
    const ReaderSample* next = SampleOf(*track, arguments.sample + 1);
    SampleTiming timing{};
    timing.time = sample->timestamp - track->origin;
    timing.duration = next ? next->timestamp - sample->timestamp : track->lastDuration;
    timing.keyFrame = sample->keyFrame ? 1 : 0;
    timing.size = sample->size;
    *arguments.timing = timing;
    return kNoError;
}

int32_t GetSampleDescription(const GetSampleDescriptionArgs& arguments) {
    if (!arguments.reader || !arguments.description) return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track) return kInvalidTrack;
    const AVStream& stream = *track->stream;
    const AVCodecParameters& parameters = *stream.codecpar;
    SampleDescription description{};
    description.codecType = CodecTypeOf(stream);
    description.depth = parameters.bits_per_coded_sample;
    description.width = parameters.width;
    description.height = parameters.height;
    description.primaries = ColourCode(parameters.color_primaries);
    description.transfer = ColourCode(parameters.color_trc);
    description.matrix = ColourCode(parameters.color_space);
    // The demuxer keeps the pixel spacing as the stream's aspect ratio.
    const AVRational aspect = stream.sample_aspect_ratio;
    if (aspect.num > 0 && aspect.den > 0) {
        description.horizontalSpacing = aspect.num;
        description.verticalSpacing = aspect.den;
    }
    *arguments.description = description;
    return kNoError;
}

int32_t ReadSample(const ReadSampleArgs& arguments) {
    if (!arguments.reader || !arguments.size) return kParameterError;
    const ReaderTrack* track = TrackOf(*arguments.reader, arguments.track);
    if (!track) return kInvalidTrack;
    const ReaderSample* sample = SampleOf(*track, arguments.sample);
    if (!sample) return kInvalidSample;
    *arguments.size = static_cast<size_t>(sample->size);
    if (!arguments.data) return kNoError;
    if (arguments.capacity < static_cast<size_t>(sample->size)) return kBufferTooSmall;
    AVIOContext* io = arguments.reader->format->pb;
    if (!io || avio_seek(io, sample->position, SEEK_SET) < 0) return kInvalidSample;
    const int read = avio_read(io, static_cast<unsigned char*>(arguments.data), sample->size);
    return read == sample->size ? kNoError : kInvalidSample;
}

} // namespace movie
