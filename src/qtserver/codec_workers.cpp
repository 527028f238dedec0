// The codec catalogue, codec information, the settings dialog and the
// preview on the movie thread.
#include "movie_library.h"
#include "movie_state.h"
#include "writing_settings.h"
#include "writing_workers.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The preview's time base: thousandths of a second, one frame lasting
// 1000000 / FrameRate of them (FrameRate is frames per second x 1000).
constexpr int32_t kPreviewTimeScale = 1000;
constexpr int32_t kPreviewFrameDurationNumerator = 1000000;
// A preview without a frame rate is timed as 25 frames a second.
constexpr int32_t kPreviewDefaultFrameRate = 25000;
constexpr int32_t kArgbBytes = 4;

uint32_t ComponentNumber(const void* component) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(component));
}

std::string NameOf(const movie::CodecNameEntry& entry) {
    const size_t length = std::min<size_t>(entry.name[0], sizeof entry.name - 1);
    return std::string(reinterpret_cast<const char*>(entry.name + 1), length);
}

// The state's writing side, made when it has none.
WritingMovie& WritingSide(QT_Msg& state, MovieLibrary& library) {
    if (!state.writingMovie) state.writingMovie.reset(new WritingMovie(library));
    return *state.writingMovie;
}

// Settings the module allocated, freed when this goes.
class ModuleSettings {
  public:
    explicit ModuleSettings(MovieLibrary& library) : library_(library) {}
    ~ModuleSettings() {
        movie::CodecSettingsArgs args{0, 0, &data, &size};
        if (data) library_.Call(movie::kDisposeCodecSettings, &args);
    }
    ModuleSettings(const ModuleSettings&) = delete;
    ModuleSettings& operator=(const ModuleSettings&) = delete;
    void* data = nullptr;
    size_t size = 0;

  private:
    MovieLibrary& library_;
};

} // namespace

void ListCodecsWorker(QT_Msg& state, MovieLibrary& library) {
    movie::CodecNameList* list = nullptr;
    movie::GetCodecNameListArgs args{&list};
    if (library.Call(movie::kGetCodecNameList, &args) != movie::kNoError || !list) return;
    state.codecList.clear();
    for (int32_t i = 0; i < list->count; ++i) {
        const movie::CodecNameEntry& entry = list->entries[i];
        state.codecList.push_back({reinterpret_cast<void*>(static_cast<uintptr_t>(entry.component)),
                                   entry.codecType, NameOf(entry)});
    }
    movie::DisposeCodecNameListArgs dispose{list};
    library.Call(movie::kDisposeCodecNameList, &dispose);
    state.success = 1;
}

void DisposeCodecsWorker(QT_Msg& state, MovieLibrary&) {
    state.codecList.clear();
    state.codecList.shrink_to_fit();
    state.success = 1;
}

void CodecInfoWorker(QT_Msg& state, MovieLibrary& library) {
    movie::CodecInfo info{};
    movie::GetCodecInfoArgs args{state.codecType, ComponentNumber(state.codecComponent), &info};
    if (library.Call(movie::kGetCodecInfo, &args) != movie::kNoError) return;
    WritingMovie& side = WritingSide(state, library);
    side.codecInfo = info;
    side.hasCodecInfo = true;
    state.success = 1;
}

void CodecSettingsWorker(QT_Msg& state, MovieLibrary& library) {
    const uint32_t component = ComponentNumber(state.codecComponent);
    ModuleSettings accepted(library);
    movie::CodecSettingsDialogArgs dialog{
        state.codecType, component,     state.codecSettings.data(), state.codecSettings.size(),
        &accepted.data,  &accepted.size};
    // Accepted settings become the state's; refused ones leave them as they were.
    if (library.Call(movie::kCodecSettingsDialog, &dialog) == movie::kNoError) {
        const auto* bytes = static_cast<const uint8_t*>(accepted.data);
        state.codecSettings.assign(bytes, bytes + accepted.size);
    }
    ModuleSettings defaults(library);
    movie::CodecSettingsArgs defaultArgs{state.codecType, component, &defaults.data,
                                         &defaults.size};
    const bool haveDefaults =
        library.Call(movie::kGetDefaultCodecSettings, &defaultArgs) == movie::kNoError;

    if (state.deferredReply && !state.codecID.view().empty()) {
        ScriptVal* result = state.deferredReply->FindKey(kScriptResultKey);
        if (!result || !result->IsTable()) {
            state.deferredReply->Return(ScriptVal::NewTable());
            result = state.deferredReply->FindKey(kScriptResultKey);
        }
        const bool sameAsDefaults =
            haveDefaults && defaults.size == state.codecSettings.size() &&
            (defaults.size == 0 ||
             std::memcmp(defaults.data, state.codecSettings.data(), defaults.size) == 0);
        if (state.codecSettings.empty() || sameAsDefaults)
            result->Remove(state.codecID); // the codec's defaults
        else
            result->Set(state.codecID, ScriptVal::NewMemBlock(state.codecSettings.data(),
                                                              state.codecSettings.size()));
    }
    state.success = 1;
}

void PrefsPreviewWorker(QT_Msg& state, MovieLibrary& library) {
    const ScriptVal* in = state.rawDataIn;
    if (!in || !in->IsMemBlock() || !state.rawDataOut || state.width <= 0 || state.height <= 0)
        return;
    const MemBlock* source = in->GetData();
    const int64_t rowBytes = int64_t{state.width} * kArgbBytes;
    if (!source->data || source->size < static_cast<size_t>(rowBytes * state.height) ||
        rowBytes > INT32_MAX)
        return;
    const int32_t frameRate = state.frameRate > 0 ? state.frameRate : kPreviewDefaultFrameRate;
    ScriptVal decoded = ScriptVal::NewMemBlock(nullptr, source->size);
    movie::PreviewFrameArgs args{};
    args.codecType = state.codecType;
    args.settings = state.codecSettings.empty() ? nullptr : state.codecSettings.data();
    args.settingsSize = state.codecSettings.size();
    args.quality = CodecQualityFromPercent(state.quality);
    args.keyFrameInterval = state.keyRate > 0 ? state.keyRate : 0;
    args.averageDataRate = state.doDataRate ? int64_t{state.dataRate} * 1024 : 0;
    args.timeScale = kPreviewTimeScale;
    args.frameDuration = std::max(kPreviewFrameDurationNumerator / frameRate, 1);
    args.depth = state.doAlpha ? 32 : 24;
    args.width = state.width;
    args.height = state.height;
    args.pixels = source->data;
    args.rowBytes = static_cast<int32_t>(rowBytes);
    args.decoded = decoded.GetData()->data;
    if (library.Call(movie::kPreviewFrame, &args) != movie::kNoError) return;
    *state.rawDataOut = decoded;
    state.success = 1;
}
