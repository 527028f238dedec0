// Loading one frame ("QTLF"): moving the movie to the requested frame or
// time, delivering the frame's bytes to the state's section or a memory
// block, and the frame's metadata.
#include "reading_workers.h"

#include "frame_map.h"
#include "movie_library.h"
#include "movie_state.h"
#include "reading_movie.h"

#include "tarsel/script_val.h"

#include <algorithm>
#include <cctype>
#include <mutex>

namespace {

// Colour primaries and transfer codes the metadata names.
constexpr int32_t kPrimariesEBU = 5;
constexpr int32_t kPrimariesSMPTEC = 6;
constexpr int32_t kTransferSMPTE240 = 7;

void Reset(QT_Msg& state, ReadingMovie& reading) {
    reading.currentSample = 0;
    state.currentFrame = 0;
    state.currentTime = reading.samples.empty() ? 0 : reading.samples.front().time;
    state.currentDuration = reading.samples.empty() ? 0 : reading.samples.front().duration;
}

void StandAt(QT_Msg& state, ReadingMovie& reading, int64_t sample) {
    reading.currentSample = sample;
    const movie::SampleTiming& timing = reading.samples[static_cast<size_t>(sample)];
    state.currentTime = timing.time;
    state.currentDuration = timing.duration;
}

// The sample after `sample` that starts later (the next frame), or -1. In
// sample-count mode every sample is a frame.
int64_t NextFrameSample(const QT_Msg& state, const ReadingMovie& reading, int64_t sample) {
    const auto count = static_cast<int64_t>(reading.samples.size());
    const int64_t time = reading.samples[static_cast<size_t>(sample)].time;
    for (int64_t next = sample + 1; next < count; ++next)
        if (state.sampleCountMode || reading.samples[static_cast<size_t>(next)].time > time)
            return next;
    return -1;
}

// Moves to the sample holding `time` (track units), stepping on from where
// the movie stands; going back starts from frame 0.
bool PositionAtTime(QT_Msg& state, ReadingMovie& reading, int64_t time) {
    if (reading.samples.empty()) return false;
    if (time == 0 || time < state.currentTime) Reset(state, reading);
    for (;;) {
        const int64_t next = NextFrameSample(state, reading, reading.currentSample);
        if (next < 0 || reading.samples[static_cast<size_t>(next)].time > time) break;
        StandAt(state, reading, next);
        ++state.currentFrame;
    }
    return true;
}

// Moves to frame `frame`, stepping on from where the movie stands; going
// back starts from frame 0. A track without sample times is positioned in
// proportion to its duration.
bool PositionAtFrame(QT_Msg& state, ReadingMovie& reading, int64_t frame) {
    if (frame < 0) return false;
    if (reading.samples.empty()) {
        if (frame == 0 || reading.video.sampleCount <= 0) return frame == 0;
        state.proportionalMode = true;
        state.currentFrame = frame;
        state.currentTime = frame * (reading.video.duration / reading.video.sampleCount);
        return true;
    }
    if (frame == 0 || frame < state.currentFrame) Reset(state, reading);
    while (state.currentFrame < frame) {
        const int64_t next = NextFrameSample(state, reading, reading.currentSample);
        if (next < 0) return false; // past the last frame
        StandAt(state, reading, next);
        ++state.currentFrame;
    }
    return true;
}

// The requested time in the track's own units.
int64_t TrackTime(const QT_Msg& state, const ReadingMovie& reading) {
    const long double scale = std::max(state.timeScale, 1);
    return static_cast<int64_t>(static_cast<long double>(state.requestedTime) *
                                reading.video.timeScale / scale);
}

// Where the frame's bytes go: the state's section (made or remade for the
// size), else a new memory block in the call's RawDataOut slot.
uint8_t* FrameDestination(QT_Msg& state, size_t size) {
    if (state.section && state.mapSize < size) ReleaseFrameSection(state);
    if (CreateFrameSection(state, size)) return static_cast<uint8_t*>(state.mapView);
    *state.rawDataOut = ScriptVal::NewMemBlock(nullptr, size);
    const MemBlock* block = state.rawDataOut->GetData();
    return block ? static_cast<uint8_t*>(block->data) : nullptr;
}

bool DeliverRawSample(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    size_t size = 0;
    movie::ReadSampleArgs sizeArgs{
        reading.reader, reading.videoTrack, reading.currentSample, nullptr, 0, &size};
    if (library.Call(movie::kReadSample, &sizeArgs) != movie::kNoError || size == 0 ||
        state.height <= 0)
        return false;
    uint8_t* destination = FrameDestination(state, size);
    if (!destination) return false;
    movie::ReadSampleArgs readArgs{
        reading.reader, reading.videoTrack, reading.currentSample, destination, size, &size};
    if (library.Call(movie::kReadSample, &readArgs) != movie::kNoError) return false;
    state.pixMapPixelFormat = reading.description.codecType;
    state.rowModulo = static_cast<uint32_t>(size / static_cast<size_t>(state.height));
    return true;
}

bool DeliverDecodedFrame(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    if (!EnsureFrameDecoder(library, state, reading)) return false;
    const size_t size =
        static_cast<size_t>(reading.decoderRowBytes) * static_cast<size_t>(reading.decoderHeight);
    uint8_t* destination = FrameDestination(state, size);
    if (!destination) return false;
    movie::DecodeFrameArgs arguments{reading.decoder, state.currentTime, destination, size};
    if (library.Call(movie::kDecodeFrame, &arguments) != movie::kNoError) return false;
    state.pixMapPixelFormat = reading.decoderPixelFormat;
    state.rowModulo = static_cast<uint32_t>(reading.decoderRowBytes);
    return true;
}

// The colour space names of the state's colour codes, and the timecode at
// the movie's time. Names a movie opened before left and this one does not
// give are removed.
void UpdateMetadata(MovieLibrary& library, QT_Msg& state, ReadingMovie& reading) {
    if (!state.metadata.IsTable()) state.metadata = ScriptVal::NewTable();
    const char* colourSpace = state.primaries == kPrimariesEBU      ? "Rec601"
                              : state.primaries == kPrimariesSMPTEC ? "SMPTEC"
                                                                    : "Rec709";
    state.metadata.Remove("TimeCode");
    state.metadata.Remove("FrameRate");
    if (state.transfer == kTransferSMPTE240) {
        colourSpace = "SMPTE240";
        state.metadata.Remove("GammaSpaceID");
    } else {
        state.metadata.Set("GammaSpaceID", "Rec709");
    }
    state.metadata.Set("ColorSpaceID", colourSpace);
    if (!reading.timecodeTrack) return;
    char text[movie::kTimecodeTextSize + 1] = {};
    movie::ReadTimecodeArgs arguments{
        reading.reader, reading.timecodeTrack,   state.currentTime, reading.video.timeScale,
        text,           movie::kTimecodeTextSize};
    if (library.Call(movie::kReadTimecode, &arguments) != movie::kNoError) return;
    const char* start = text;
    while (*start && std::isspace(static_cast<unsigned char>(*start)))
        ++start;
    state.metadata.Set("TimeCode", start);
    state.metadata.Set("FrameRate", state.rate);
}

} // namespace

void LoadFrameWorker(QT_Msg& state, MovieLibrary& library) {
    ReadingMovie* reading = state.readingMovie.get();
    if (!reading || !reading->videoTrack) return;
    const bool positioned = state.requestedTime >= 0
                                ? PositionAtTime(state, *reading, TrackTime(state, *reading))
                                : PositionAtFrame(state, *reading, state.requestedFrame);
    if (!positioned) return;
    if (state.rawDataOut) {
        const bool delivered = reading->rawSamples ? DeliverRawSample(library, state, *reading)
                                                   : DeliverDecodedFrame(library, state, *reading);
        if (!delivered) return;
    }
    UpdateMetadata(library, state, *reading);
    state.success = 1;
}
