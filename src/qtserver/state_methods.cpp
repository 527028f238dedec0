// NewState, ReleaseState, DisposeState, ReleaseMapFile, GetStateAttrs and the
// output-device methods.
#include "server_methods.h"

#include "message_codes.h"
#include "movie_state.h"
#include "server_app.h"
#include "state_arguments.h"

void NewStateMethod(ScriptObject* self, ScriptArgs& args) {
    auto* app = static_cast<TsQTServerApp*>(self);
    if (!app->Movies().Ensure()) return; // nil: no movie services
    auto* state = new QT_Msg;            // its first reference is the client's
    app->HoldState(state);
    args.ReturnObject(state);
}

void ReleaseStateMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (state) static_cast<TsQTServerApp*>(self)->DropState(state);
}

void DisposeStateMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) {
        args.ReturnBoolean(false);
        return;
    }
    static_cast<TsQTServerApp*>(self)->Movies().Ask(*state, kCodeDispose);
    args.ReturnBoolean(state->success != 0);
}

void ReleaseMapFileMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (state) static_cast<TsQTServerApp*>(self)->Movies().Ask(*state, kCodeReleaseMap);
}

void GetStateAttrsMethod(ScriptObject*, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) return;
    ScriptVal table = ScriptVal::NewTable();
    AddStateAttributes(*state, table);
    args.Return(table);
}

void OutputDeviceMethod(ScriptObject*, ScriptArgs&) {}
