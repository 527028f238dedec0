// Handlers of movie reading: IsThisFormat, LoadHeader, LoadFrame and
// SetStateAttrs. They read and write the state and the script values; the
// movie work runs on the movie thread.
#include "server_methods.h"

#include "message_codes.h"
#include "movie_state.h"
#include "server_app.h"
#include "server_counters.h"
#include "state_arguments.h"

#include <cmath>
#include <mutex>

namespace {

MovieThread& Movies(ScriptObject* self) {
    return static_cast<TsQTServerApp*>(self)->Movies();
}

// The kinds of IsThisFormat: a movie needs two frames or two video tracks, a
// picture has one frame in one track.
constexpr const char kKindMovies[] = "QuickTimeMovies";
constexpr const char kKindPictures[] = "QuickDrawPictures";

bool KindAccepts(const QT_Msg& state, const ScriptVal& kind) {
    const std::string text = kind.IsString() ? kind.ToString() : std::string(kKindMovies);
    if (text == kKindMovies) return state.numFrames >= 2 || state.maxVideoTrack >= 2;
    if (text == kKindPictures) return state.numFrames <= 1 && state.maxVideoTrack <= 1;
    return true;
}

bool SectionMapped(QT_Msg& state) {
    std::lock_guard guard(state.sectionLock);
    return state.mapView != nullptr;
}

} // namespace

void IsThisFormatMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) return;
    state->fileName = TsID(args.ToString(2));
    Movies(self).Ask(*state, kCodeTestFormat);
    bool answer = state->success != 0;
    const ScriptVal* kind = args.FindKeyConst(3);
    if (answer && state->movieOpen && kind && !kind->IsNil()) answer = KindAccepts(*state, *kind);
    args.ReturnBoolean(answer);
}

void LoadHeaderMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) {
        args.ReturnBoolean(false);
        return;
    }
    Counters().movieCount.fetch_add(1);
    state->fileName = TsID(args.ToString(2));
    Movies(self).Ask(*state, kCodeLoadHeader);
    args.ReturnBoolean(state->success != 0);
}

void LoadFrameMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state || !state->movieOpen) return; // nil
    state->requestedTime = -1;
    const ScriptVal* time = args.FindKeyConst(3);
    if (!time || time->IsNil()) {
        state->requestedFrame = static_cast<int32_t>(args.ToInteger(2, 0));
    } else if (time->IsNumber() && time->ToNumber() >= 0) {
        state->requestedTime =
            static_cast<int64_t>(std::floor(time->ToNumber() * state->timeScale + 0.5));
    }
    const bool headerOnly = args.ToBoolean(4, false);
    ScriptVal answer = ScriptVal::NewTable();
    // The movie thread puts the frame's bytes into this slot when it has no
    // section for them.
    state->rawDataOut = headerOnly ? nullptr : &answer["RawDataOut"];
    Movies(self).Ask(*state, kCodeLoadFrame);
    state->rawDataOut = nullptr;
    if (!state->success || SectionMapped(*state)) {
        answer.Remove("RawDataOut");
    } else {
        answer.Set("NoMap", 1);
    }
    if (state->metadata.IsTable()) answer.Set("Metadata", state->metadata);
    AddStateAttributes(*state, answer);
    args.Return(answer);
}

void SetStateAttrsMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    const ScriptVal* table = args.FindKeyConst(2);
    if (!state || !table || !table->IsTable()) return;
    ApplyStateAttributes(Movies(self), *state, *table);
}
