// Handlers of movie writing, codecs and DV. They check their arguments and
// pass the request to the movie thread; until the module serves them, every
// request answers failure.
#include "server_methods.h"

#include "message_codes.h"
#include "movie_state.h"
#include "server_app.h"
#include "state_arguments.h"

namespace {

MovieThread& Movies(ScriptObject* self) {
    return static_cast<TsQTServerApp*>(self)->Movies();
}

// A state that lives for one call only.
class TemporaryState {
  public:
    TemporaryState() : state_(new QT_Msg) {}
    ~TemporaryState() { state_->DecRef(); }
    TemporaryState(const TemporaryState&) = delete;
    TemporaryState& operator=(const TemporaryState&) = delete;
    QT_Msg& operator*() const { return *state_; }
    QT_Msg* operator->() const { return state_; }

  private:
    QT_Msg* state_;
};

// Asks with `code` and answers the success byte; false for an invalid state.
void AskAndAnswerSuccess(ScriptObject* self, ScriptArgs& args, QT_Msg* state, uint32_t code) {
    if (!state) {
        args.ReturnBoolean(false);
        return;
    }
    Movies(self).Ask(*state, code);
    args.ReturnBoolean(state->success != 0);
}

// The DV methods: a temporary state, the answer table preset, RawDataOut
// nil unless the work succeeded.
void AskDV(ScriptObject* self, ScriptArgs& args, uint32_t code) {
    Movies(self).Ensure();
    TemporaryState state;
    ScriptVal answer = ScriptVal::NewTable();
    Movies(self).Ask(*state, code);
    if (!state->success) {
        answer.Remove("RawDataOut");
        if (code == kCodeDVCompress) answer.Set("compressedSize", 0);
    }
    args.Return(answer);
}

} // namespace

void SaveHeaderMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (state) state->fileName = TsID(args.ToString(2));
    AskAndAnswerSuccess(self, args, state, kCodeSaveHeader);
}

void SaveFrameMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    AskAndAnswerSuccess(self, args, state && state->movieOpen ? state : nullptr, kCodeSaveFrame);
}

void SaveAudioMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    AskAndAnswerSuccess(self, args, state && state->movieOpen ? state : nullptr, kCodeSaveAudio);
}

void GetCodecListMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state || !Movies(self).Ask(*state, kCodeListCodecs) || !state->success) return;
    args.Return(ScriptVal::NewTable());
}

void DisposeCodecListMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (state) Movies(self).Ask(*state, kCodeDisposeCodecs);
}

void GetCodecInfoMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) {
        args.ReturnBoolean(false);
        return;
    }
    bool listed = Movies(self).Ask(*state, kCodeListCodecs) && state->success;
    Movies(self).Ask(*state, kCodeDisposeCodecs);
    if (listed) Movies(self).Ask(*state, kCodeCodecInfo);
    args.ReturnBoolean(listed && state->success != 0);
}

void GetCodecSettingsMethod(ScriptObject* self, ScriptArgs& args) {
    const ScriptVal* table = args.FindKeyConst(1);
    const ScriptVal* settings = table ? table->FindKeyConst("CodecSettings") : nullptr;
    if (settings) args.Return(*settings);
    auto* state = new QT_Msg; // its reference travels with the message
    state->SetCode(kCodeCodecSettings);
    state->deferredReply = args.DeferReply();
    if (!Movies(self).Post(state)) {
        // No movie thread takes it: answer with the settings as they were.
        if (state->deferredReply) state->deferredReply->SendReply();
        state->DecRef();
    }
}

void ShowCodecSettingsMethod(ScriptObject*, ScriptArgs&) {
    // No settings dialog is ever open without movie services.
}

void PrefsPreviewMethod(ScriptObject* self, ScriptArgs& args) {
    if (!Movies(self).Ensure()) return;
    TemporaryState state;
    if (!Movies(self).Ask(*state, kCodePrefsPreview) || !state->success) return;
    args.Return(ScriptVal::NewTable());
}

void AvidDVCompressMethod(ScriptObject* self, ScriptArgs& args) {
    AskDV(self, args, kCodeDVCompress);
}

void AvidDVDecompressMethod(ScriptObject* self, ScriptArgs& args) {
    AskDV(self, args, kCodeDVDecompress);
}
