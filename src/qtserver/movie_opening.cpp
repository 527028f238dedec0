// Opening a movie file for reading ("QTIT", "QTLH"): the video track to use,
// the timecode track, the frame size and count, scales and colour, the codec
// and the pixel format frames are delivered in, and the frame rate.
#include "reading_workers.h"

#include "movie_library.h"
#include "movie_state.h"
#include "reading_movie.h"

#include <algorithm>
#include <cmath>
#include <memory>

using movie::FourCharCode;

namespace {

// Decode formats worth asking a decoder for, best first.
constexpr uint32_t kPreferredFormats[] = {FourCharCode("b64a"), FourCharCode("b48r"),
                                          FourCharCode("v410"), FourCharCode("v210"),
                                          FourCharCode("2vuy")};

double RoundToThousandths(double value) {
    return std::floor(value * 1000 + 0.5) / 1000;
}

movie::TrackInfo TrackInfoOf(MovieLibrary& library, ReadingMovie& reading, int32_t track) {
    movie::TrackInfo info{};
    movie::GetTrackInfoArgs arguments{reading.reader, track, &info};
    if (library.Call(movie::kGetTrackInfo, &arguments) != movie::kNoError) return {};
    return info;
}

// Counts the video tracks and picks the one to use (use_vidtrack_num, 1
// when that is 0 or too large); remembers the timecode track, "tc64" before
// "tmcd".
void ChooseTracks(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    int32_t count = 0;
    movie::GetTrackCountArgs countArgs{reading.reader, &count};
    library.Call(movie::kGetTrackCount, &countArgs);
    std::vector<int32_t> videoTracks;
    int32_t timecode32 = 0, timecode64 = 0;
    for (int32_t track = 1; track <= count; ++track) {
        const uint32_t type = TrackInfoOf(library, reading, track).mediaType;
        if (type == movie::kMediaVideo) videoTracks.push_back(track);
        if (type == movie::kMediaTimecode && !timecode32) timecode32 = track;
        if (type == movie::kMediaTimecode64 && !timecode64) timecode64 = track;
    }
    state.maxVideoTrack = static_cast<int32_t>(videoTracks.size());
    if (state.useVideoTrack == 0 || state.useVideoTrack > state.maxVideoTrack)
        state.useVideoTrack = 1;
    if (!videoTracks.empty()) {
        reading.videoTrack = videoTracks[static_cast<size_t>(state.useVideoTrack - 1)];
        reading.video = TrackInfoOf(library, reading, reading.videoTrack);
    }
    reading.timecodeTrack = timecode64 ? timecode64 : timecode32;
    reading.timecodeType = timecode64 ? movie::kMediaTimecode64 : movie::kMediaTimecode;
}

// Reads the video track's sample table; the frame count is the number of
// distinct sample times, or the sample count when that finds fewer than two.
void ReadSampleTable(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    reading.samples.clear();
    reading.samples.reserve(static_cast<size_t>(std::max<int64_t>(reading.video.sampleCount, 0)));
    for (int64_t sample = 0; sample < reading.video.sampleCount; ++sample) {
        movie::SampleTiming timing{};
        movie::GetSampleTimingArgs arguments{reading.reader, reading.videoTrack, sample, &timing};
        if (library.Call(movie::kGetSampleTiming, &arguments) != movie::kNoError) break;
        reading.samples.push_back(timing);
    }
    uint32_t steps = 0;
    for (size_t i = 0; i < reading.samples.size(); ++i)
        if (i == 0 || reading.samples[i].time > reading.samples[i - 1].time) ++steps;
    state.sampleCountMode = false;
    state.proportionalMode = false;
    state.numFrames = steps;
    if (steps < 2 && reading.samples.size() > steps) {
        state.numFrames = static_cast<uint32_t>(reading.samples.size());
        state.sampleCountMode = true;
    }
}

// The first sample description: depth, codec type, "nclc" colour and
// "pasp" pixel spacing.
void ReadDescription(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    movie::GetSampleDescriptionArgs arguments{reading.reader, reading.videoTrack,
                                              &reading.description};
    if (library.Call(movie::kGetSampleDescription, &arguments) != movie::kNoError) return;
    const movie::SampleDescription& description = reading.description;
    state.depth = description.depth;
    if (description.primaries >= 0) state.primaries = description.primaries;
    if (description.transfer >= 0) state.transfer = description.transfer;
    if (description.horizontalSpacing > 0 && description.verticalSpacing > 0) {
        state.xScale = 1.0;
        state.yScale =
            static_cast<double>(description.verticalSpacing) / description.horizontalSpacing;
    }
}

// The decoder for the codec: CodecID, and the pixel format to ask for when
// none is set, the first preferred one it gives.
void ChooseDecoder(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    movie::DecoderInfo info{};
    movie::FindDecoderArgs arguments{reading.description.codecType, reading.reader,
                                     reading.videoTrack, &info};
    if (library.Call(movie::kFindDecoder, &arguments) != movie::kNoError) return;
    info.name[sizeof info.name - 1] = '\0';
    state.codecID = TsID(CodecIdentifier(info.name, reading.description.codecType));
    const uint32_t* begin = info.pixelFormats;
    const uint32_t* end =
        begin + std::clamp(info.pixelFormatCount, 0, movie::kMaxDecoderPixelFormats);
    for (uint32_t preferred : kPreferredFormats) {
        if (std::find(begin, end, preferred) != end) {
            if (state.pixelFormat == 0) state.pixelFormat = preferred;
            return;
        }
    }
}

// Frames per second from the median sample duration, else from the sample
// count and media duration; to thousandths.
double FrameRate(const ReadingMovie& reading) {
    std::vector<int64_t> durations;
    durations.reserve(reading.samples.size());
    for (const movie::SampleTiming& timing : reading.samples)
        durations.push_back(timing.duration);
    std::sort(durations.begin(), durations.end());
    const double scale = reading.video.timeScale;
    double rate = 0.0;
    if (!durations.empty() && durations[durations.size() / 2] > 0) {
        rate = scale / static_cast<double>(durations[durations.size() / 2]);
    } else if (reading.video.duration > 0) {
        rate = static_cast<double>(reading.video.sampleCount) * scale /
               static_cast<double>(reading.video.duration);
    }
    return RoundToThousandths(rate);
}

void ResetPositioning(QT_Msg& state, ReadingMovie& reading) {
    state.currentFrame = 0;
    state.currentTime = reading.samples.empty() ? 0 : reading.samples.front().time;
    state.currentDuration = reading.samples.empty() ? 0 : reading.samples.front().duration;
    reading.currentSample = 0;
}

// Makes a decoder giving frames in the state's pixel format.
bool CreateDecoder(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    movie::CreateFrameDecoderArgs arguments{reading.reader,           reading.videoTrack,
                                            state.pixelFormat,        &reading.decoder,
                                            &reading.decoderRowBytes, &reading.decoderHeight};
    if (library.Call(movie::kCreateFrameDecoder, &arguments) != movie::kNoError) return false;
    reading.decoderPixelFormat = state.pixelFormat;
    return true;
}

// Steps 1 to 6 of both opens: the movie, its tracks, size and frame count.
// Answers the open movie, or null.
ReadingMovie* OpenMovie(QT_Msg& state, MovieLibrary& library) {
    state.codecID = TsID();
    // A state opened before gives up that movie first.
    DisposeMovieState(state);
    state.readingMovie.reset(OpenReadingMovie(library, state.fileName.c_str()));
    ReadingMovie* reading = state.readingMovie.get();
    if (!reading) return nullptr;
    state.movieOpen = true;
    ChooseTracks(library, state, *reading);
    if (!reading->videoTrack) return nullptr;
    state.width = reading->video.width;
    state.height = reading->video.height;
    ReadSampleTable(library, state, *reading);
    ResetPositioning(state, *reading);
    return reading;
}

} // namespace

bool IsRawSampleCodec(uint32_t codecType) {
    return codecType == FourCharCode("2vuy") || codecType == FourCharCode("v210") ||
           codecType == FourCharCode("v410");
}

bool EnsureFrameDecoder(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    if (reading.decoder) return true;
    if (state.pixelFormat == 0) state.pixelFormat = kPixelFormatARGB32;
    return CreateDecoder(library, state, reading);
}

void TestFormatWorker(QT_Msg& state, MovieLibrary& library) {
    if (OpenMovie(state, library)) state.success = 1;
}

void LoadHeaderWorker(QT_Msg& state, MovieLibrary& library) {
    ReadingMovie* reading = OpenMovie(state, library);
    if (!reading) return;
    state.xScale = reading->video.xScale;
    state.yScale = reading->video.yScale;
    state.primaries = state.transfer = state.matrix = -1;
    state.gamma = 0.0;
    ReadDescription(library, state, *reading);
    const uint32_t codecType = reading->description.codecType;
    if (!IsRawSampleCodec(codecType)) ChooseDecoder(library, state, *reading);
    state.rate = FrameRate(*reading);
    ResetPositioning(state, *reading);
    if ((state.pixelFormat == 0 || state.pixelFormat == codecType) && IsRawSampleCodec(codecType)) {
        reading->rawSamples = true;
        state.pixelFormat = state.pixMapPixelFormat = codecType;
        state.success = 1;
        return;
    }
    if (state.pixelFormat == 0) state.pixelFormat = kPixelFormatARGB32;
    if (CreateDecoder(library, state, *reading)) state.success = 1;
}
