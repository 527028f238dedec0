// State arguments and attributes.
#include "state_arguments.h"

#include "movie_state.h"

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
