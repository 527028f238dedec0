// A movie file open for reading: its tracks with their sample tables, taken
// from the demuxer's index, and the stored bytes of their samples.
#pragma once

#include "movie/movie_reading.h"

#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace movie {

// One sample of a track's table, in time order.
struct ReaderSample {
    int64_t timestamp; // the demuxer's timestamp, stream time base
    int64_t position;  // byte offset in the file
    int32_t size;
    bool keyFrame;
};

struct ReaderTrack {
    AVStream* stream = nullptr;
    uint32_t mediaType = kMediaOther;
    std::vector<ReaderSample> samples;
    // The timestamp the track's media time 0 stands for.
    int64_t origin = 0;
    // Media units after the last sample's start that it lasts.
    int64_t lastDuration = 0;
};

} // namespace movie

struct movie::MovieReader {
    std::string path;
    AVFormatContext* format = nullptr;
    std::vector<ReaderTrack> tracks;
    ~MovieReader();
};

namespace movie {

// Opens `path` and reads its tracks and sample tables.
int32_t OpenReader(const char* path, MovieReader** reader);
// The track numbered `number` from 1, or null.
const ReaderTrack* TrackOf(const MovieReader& reader, int32_t number);
// The track's media type, codec type (first character in the high byte)
// and the four-character code of an FFmpeg codec tag.
uint32_t CodecTypeOf(const AVStream& stream);
uint32_t FourCharFromTag(uint32_t tag);

int32_t GetTrackInfo(const GetTrackInfoArgs& arguments);
int32_t GetSampleTiming(const GetSampleTimingArgs& arguments);
int32_t GetSampleDescription(const GetSampleDescriptionArgs& arguments);
int32_t ReadSample(const ReadSampleArgs& arguments);

} // namespace movie
