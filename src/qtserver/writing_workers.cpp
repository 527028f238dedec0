// Movie writing on the movie thread: creating the file with its tracks and
// compression session, adding frames, sound and timecode, and closing.
#include "writing_workers.h"

#include "frame_map.h"
#include "movie_library.h"
#include "movie_state.h"
#include "writing_settings.h"

#include <cmath>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace {

// Appended to the file name while a movie is written to be moved under its
// name with the header first.
constexpr char kFastStartSuffix[] = ".tmp";

uint32_t ComponentNumber(const void* component) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(component));
}

// The memory block `value` points at, or null.
const MemBlock* BlockOf(const ScriptVal* value) {
    return value && value->IsMemBlock() ? value->GetData() : nullptr;
}

// The codec information of the state's codec, read from the module.
std::optional<movie::CodecInfo> ReadCodecInfo(QT_Msg& state, MovieLibrary& library) {
    movie::CodecInfo info{};
    movie::GetCodecInfoArgs args{state.codecType, ComponentNumber(state.codecComponent), &info};
    if (library.Call(movie::kGetCodecInfo, &args) != movie::kNoError) return std::nullopt;
    return info;
}

// Makes the tracks and the compression session of a new file.
bool PrepareTracks(QT_Msg& state, MovieLibrary& library, WritingMovie& movie) {
    movie::AddVideoTrackArgs video{movie.writer,        state.width,  state.height, movie.timeScale,
                                   movie.frameDuration, state.xScale, state.yScale};
    if (library.Call(movie::kAddVideoTrack, &video) != movie::kNoError) return false;
    if (movie.hasAudio) {
        movie::AddSoundTrackArgs sound{movie.writer, state.sampleRate, state.numChannels,
                                       state.sampleBits};
        if (library.Call(movie::kAddSoundTrack, &sound) != movie::kNoError) return false;
    }

    uint32_t pixelFormat = state.pixelFormat;
    if (pixelFormat == 0) {
        const std::optional<movie::CodecInfo> info = ReadCodecInfo(state, library);
        pixelFormat =
            info ? PreferredPixelFormat(std::span(info->pixelFormats, info->pixelFormatCount))
                 : movie::kPixel32ARGB;
    }
    const int64_t dataRate = state.doDataRate ? int64_t{state.dataRate} * 1024 : 0;
    movie::CreateCompressionSessionArgs session{
        movie.writer,
        state.codecType,
        pixelFormat,
        CodecQualityFromPercent(state.quality),
        state.keyRate > 0 ? state.keyRate : 0,
        dataRate,
        AllowsFrameReordering(state.codecType, state.width, state.height) ? 1 : 0,
        state.codecSettings.empty() ? nullptr : state.codecSettings.data(),
        state.codecSettings.size(),
        &movie.session,
        &movie.bufferFormat,
        &movie.rowBytes};
    if (library.Call(movie::kCreateCompressionSession, &session) != movie::kNoError) return false;
    // Raw layouts given in their own format are stored as they come.
    movie.rawSamples =
        (state.codecType == movie::kPixelV210 || state.codecType == movie::kPixelV410) &&
        state.codecType == movie.bufferFormat;
    return true;
}

// The timecode text of the state's metadata, empty when there is none.
std::string TimecodeText(const QT_Msg& state) {
    if (!state.metadata.IsTable()) return {};
    const ScriptVal* text = state.metadata.FindKeyConst("TimeCode");
    return text && text->IsString() ? text->ToString() : std::string();
}

bool AddSound(QT_Msg& state, MovieLibrary& library, WritingMovie& movie) {
    const MemBlock* audio = BlockOf(state.rawAudioIn);
    if (!audio || !audio->data || state.numSamples < 1) return false;
    movie::AddSoundSamplesArgs args{movie.writer, audio->data, audio->size, state.numSamples};
    return library.Call(movie::kAddSoundSamples, &args) == movie::kNoError;
}

bool AddTimecode(QT_Msg& state, MovieLibrary& library, WritingMovie& movie) {
    std::optional<double> rate;
    if (state.metadata.IsTable()) {
        const ScriptVal* frameRate = state.metadata.FindKeyConst("FrameRate");
        if (frameRate && frameRate->IsNumber()) rate = frameRate->ToNumber();
    }
    const uint32_t frameNumber =
        TimecodeFrameNumber(TimecodeText(state), TimecodeFramesPerSecond(rate));
    movie::AddTimecodeSampleArgs args{movie.writer, frameNumber, movie.frameDuration};
    return library.Call(movie::kAddTimecodeSample, &args) == movie::kNoError;
}

// The frame the client gave: the call's RawDataIn (null unless it holds a
// whole frame), else the state's section (made when missing).
const void* FrameBytes(QT_Msg& state, size_t size) {
    if (const MemBlock* block = BlockOf(state.rawDataIn))
        return block->data && block->size >= size ? block->data : nullptr;
    if (!state.section && !CreateFrameSection(state, size)) return nullptr;
    return state.mapView && state.mapSize >= size ? state.mapView : nullptr;
}

} // namespace

WritingMovie::~WritingMovie() {
    Close();
}

int32_t WritingMovie::Close() {
    if (!writer) return movie::kNoError;
    movie::CloseMovieFileArgs args{writer, session};
    writer = nullptr;
    session = nullptr;
    return library->Call(movie::kCloseMovieFile, &args);
}

void WritingMovieDeleter::operator()(WritingMovie* movie) const {
    delete movie;
}

void SaveHeaderWorker(QT_Msg& state, MovieLibrary& library) {
    // A state holds one movie: a second one is not started over it.
    if (state.movieOpen || (state.writingMovie && state.writingMovie->HasFile())) return;
    // Without a frame rate there is no time base.
    const std::optional<WritingTimeBase> base = TimeBaseFromFrameRate(state.frameRate);
    if (!base) return;
    state.frameRate = base->frameRate;
    state.rate = base->rate;
    state.timeScale = base->timeScale;

    auto movie = std::make_unique<WritingMovie>(library);
    movie->timeScale = base->timeScale;
    movie->frameDuration = base->frameDuration;
    movie->hasAudio = state.numChannels > 0;
    const std::string name(state.fileName.view());
    const std::string path = state.doFastStart ? name + kFastStartSuffix : name;
    movie::CreateMovieFileArgs create{path.c_str(), state.doFastStart ? name.c_str() : nullptr,
                                      base->timeScale, &movie->writer};
    if (name.empty() || library.Call(movie::kCreateMovieFile, &create) != movie::kNoError) return;
    if (!PrepareTracks(state, library, *movie)) return; // the file is closed as it is

    state.pixMapPixelFormat = movie->bufferFormat;
    state.rowModulo = static_cast<uint32_t>(movie->rowBytes);
    const size_t size = static_cast<size_t>(movie->rowBytes) * std::max(state.height, 0);
    CreateFrameSection(state, size);
    state.compressedSize = static_cast<uint32_t>(size);

    if (!TimecodeText(state).empty()) {
        const int32_t framesPerSecond = std::max(TimecodeFramesPerSecond(base->rate), 1);
        movie::AddTimecodeTrackArgs timecode{movie->writer, base->timeScale, base->frameDuration,
                                             framesPerSecond};
        if (library.Call(movie::kAddTimecodeTrack, &timecode) != movie::kNoError) return;
        movie->hasTimecode = true;
    }
    state.writingMovie.reset(movie.release());
    state.movieOpen = true;
    state.success = 1;
}

void SaveFrameWorker(QT_Msg& state, MovieLibrary& library) {
    WritingMovie* movie = state.writingMovie.get();
    if (!movie || !movie->HasFile()) return; // also a state opened for reading
    const size_t size = static_cast<size_t>(movie->rowBytes) * std::max(state.height, 0);
    const void* frame = FrameBytes(state, size);
    if (!frame) return;

    const int64_t displayTime = movie->frameCount * movie->frameDuration;
    ++movie->frameCount;
    int32_t status;
    if (movie->rawSamples) {
        movie::AddRawVideoSampleArgs raw{movie->writer, movie->bufferFormat, movie->rowBytes, frame,
                                         size,          movie->frameDuration};
        status = library.Call(movie::kAddRawVideoSample, &raw);
    } else {
        movie::EncodeFrameArgs encode{movie->session, frame, size, displayTime,
                                      movie->frameDuration};
        status = library.Call(movie::kEncodeFrame, &encode);
    }
    if (status != movie::kNoError) return;
    movie::SetVideoColourArgs colour{movie->writer, state.primaries, state.transfer, state.matrix,
                                     state.gamma};
    if (library.Call(movie::kSetVideoColour, &colour) != movie::kNoError) return;
    if (movie->hasAudio && state.numSamples >= 1 && !AddSound(state, library, *movie)) return;
    if (movie->hasTimecode && !AddTimecode(state, library, *movie)) return;
    state.success = 1;
}

void SaveAudioWorker(QT_Msg& state, MovieLibrary& library) {
    WritingMovie* movie = state.writingMovie.get();
    if (!movie || !movie->HasFile() || !movie->hasAudio) return;
    if (AddSound(state, library, *movie)) state.success = 1;
}
