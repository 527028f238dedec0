// State arguments and attributes.
#include "state_arguments.h"

#include "message_codes.h"
#include "movie_state.h"
#include "movie_thread.h"

#include "tarsel/script_val.h"

#include <mutex>

QT_Msg* StateArgument(const ScriptVal& args) {
    const ScriptVal* first = args.FindKeyConst(1);
    return first ? first->ToLocalObject<QT_Msg>() : nullptr;
}

void AddStateAttributes(QT_Msg& state, ScriptVal& table) {
    table.Set("Width", state.width);
    table.Set("Height", state.height);
    table.Set("XScale", state.xScale);
    table.Set("YScale", state.yScale);
    table.Set("NumFrames", state.numFrames);
    table.Set("use_vidtrack_num", state.useVideoTrack);
    table.Set("max_vidtrack_num", state.maxVideoTrack);
    table.Set("Rate", state.rate);
    table.Set("CodecID", state.codecID);
    table.Set("PixelFormat", static_cast<int64_t>(state.pixelFormat));
    table.Set("PixMapPixelFormat", static_cast<int64_t>(state.pixMapPixelFormat));
    table.Set("Depth", state.depth);
    table.Set("RowModulo", state.rowModulo);
    std::lock_guard guard(state.sectionLock);
    if (state.mapView) {
        table.Set("MapName", state.mapName);
        table.Set("MapSize", state.mapSize);
    }
}

namespace {

void TakeInteger(const ScriptVal& table, const char* key, int32_t& value) {
    value = static_cast<int32_t>(table.ToInteger(key, value));
}

void TakeBoolean(const ScriptVal& table, const char* key, bool& value) {
    value = table.ToBoolean(key, value);
}

void TakeNumber(const ScriptVal& table, const char* key, double& value) {
    value = table.ToNumber(key, value);
}

// Makes the codec listed under `identifier` the state's, with the settings
// CodecSettings holds for it.
void ChooseCodec(MovieThread& movies, QT_Msg& state, const ScriptVal& table,
                 const std::string& identifier) {
    if (movies.Ask(state, kCodeListCodecs) && state.success) {
        for (const CodecListEntry& entry : state.codecList) {
            if (CodecIdentifier(entry.name, entry.codecType) == identifier) {
                state.codecID = TsID(identifier);
                state.codecType = entry.codecType;
                state.codecComponent = entry.component;
                break;
            }
        }
    }
    movies.Ask(state, kCodeDisposeCodecs);
    const ScriptVal* settings = table.FindKeyConst("CodecSettings");
    const ScriptVal* block =
        settings && settings->IsTable() ? settings->FindKeyConst(identifier) : nullptr;
    if (block && block->IsMemBlock()) {
        const MemBlock* data = block->GetData();
        const auto* bytes = static_cast<const uint8_t*>(data->data);
        state.codecSettings.assign(bytes, bytes + data->size);
    }
}

} // namespace

void ApplyStateAttributes(MovieThread& movies, QT_Msg& state, const ScriptVal& table) {
    TakeInteger(table, "use_vidtrack_num", state.useVideoTrack);
    const std::string identifier = table.ToString("CodecID");
    if (!identifier.empty()) ChooseCodec(movies, state, table, identifier);
    TakeInteger(table, "KeyRate", state.keyRate);
    TakeBoolean(table, "DoDataRate", state.doDataRate);
    TakeInteger(table, "DataRate", state.dataRate);
    TakeInteger(table, "Quality", state.quality);
    TakeInteger(table, "FrameRate", state.frameRate);
    TakeBoolean(table, "DoAlpha", state.doAlpha);
    TakeBoolean(table, "DoFastStart", state.doFastStart);
    TakeInteger(table, "Width", state.width);
    TakeInteger(table, "Height", state.height);
    TakeNumber(table, "XScale", state.xScale);
    TakeNumber(table, "YScale", state.yScale);
    TakeInteger(table, "NumChannels", state.numChannels);
    TakeInteger(table, "SampleBits", state.sampleBits);
    TakeInteger(table, "SampleRate", state.sampleRate);
    TakeInteger(table, "separateFields", state.separateFields);
    TakeInteger(table, "Primaries", state.primaries);
    TakeInteger(table, "Transfer", state.transfer);
    TakeInteger(table, "Matrix", state.matrix);
    TakeNumber(table, "Gamma", state.gamma);
    if (const ScriptVal* name = table.FindKeyConst("PixelFormat"))
        state.pixelFormatName = TsID(name->ToString());
    state.pixelFormat = PixelFormatFromName(state.pixelFormatName.view());
}
