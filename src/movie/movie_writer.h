// A movie file being written: an FFmpeg "mov" muxer with a video, a sound
// and a timecode track. The file header is written with the first sample (or
// at close), so that every track and the video codec are known by then.
#pragma once

#include "movie/movie_writing.h"

#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

namespace movie {

struct MovieWriter {
    AVFormatContext* format = nullptr;
    std::string path;      // the file written
    std::string finalPath; // where it goes at close (fast start), empty = stays
    int32_t movieTimeScale = 0;
    bool headerWritten = false;

    // Each track's time base as it was made: the muxer may replace the
    // streams' own when it writes the header; samples are timed in these.
    AVRational videoBase{}, soundBase{}, timecodeBase{};

    AVStream* video = nullptr;
    int32_t videoFrameDuration = 0;
    int64_t rawVideoTime = 0; // next media time of a raw video sample
    bool videoCodecSet = false;

    AVStream* sound = nullptr;
    int32_t soundBlockAlign = 0;
    int64_t soundTime = 0;

    AVStream* timecode = nullptr;
    int64_t timecodeTime = 0;

    ~MovieWriter();

    // Writes the header when not done yet. Answers 0 or a result code.
    int32_t EnsureHeader();
    // Writes `packet` (times in the track's time base as made) to the file;
    // the packet is emptied.
    int32_t WritePacket(AVStream* stream, AVPacket* packet);
};

} // namespace movie
