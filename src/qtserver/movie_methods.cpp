// Handlers of movie writing, codecs and DV. They check their arguments,
// fill the state and pass the request to the movie thread.
#include "server_methods.h"

#include "message_codes.h"
#include "movie_state.h"
#include "server_app.h"
#include "state_arguments.h"
#include "writing_workers.h"

#include <string>

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

// `key` of `table` when it is a memory block, else null.
const ScriptVal* MemBlockAt(const ScriptVal* table, const char* key) {
    const ScriptVal* value = table && table->IsTable() ? table->FindKeyConst(key) : nullptr;
    return value && value->IsMemBlock() ? value : nullptr;
}

// The table's Metadata when it is a table, else nil.
ScriptVal MetadataOf(const ScriptVal* table) {
    const ScriptVal* metadata =
        table && table->IsTable() ? table->FindKeyConst("Metadata") : nullptr;
    return metadata && metadata->IsTable() ? *metadata : ScriptVal();
}

// The audio of a SaveFrame or SaveAudio call, taken when the state writes sound.
void TakeAudio(QT_Msg& state, const ScriptVal* table) {
    state.numSamples = 0;
    state.rawAudioIn = nullptr;
    if (state.numChannels <= 0 || !table || !table->IsTable()) return;
    state.numSamples = static_cast<int32_t>(table->ToInteger("NumSamples", 0));
    state.rawAudioIn = MemBlockAt(table, "RawAudioIn");
}

void ClearCallBlocks(QT_Msg& state) {
    state.rawDataIn = nullptr;
    state.rawAudioIn = nullptr;
    state.rawDataOut = nullptr;
    state.numSamples = 0;
}

// A table of the call's first argument, nil-safe.
const ScriptVal* FirstTable(const ScriptArgs& args) {
    const ScriptVal* table = args.FindKeyConst(1);
    return table && table->IsTable() ? table : nullptr;
}

// The stateless frame methods (DV and preview): a temporary state with the
// table's attributes and RawDataIn; the frame comes back as RawDataOut,
// which stays nil when the work fails or no movie thread serves.
void AskFrameWork(ScriptObject* self, ScriptArgs& args, uint32_t code) {
    ScriptVal answer = ScriptVal::NewTable();
    if (code == kCodeDVCompress) answer.Set("compressedSize", 0);
    if (!Movies(self).Ensure()) {
        args.Return(answer);
        return;
    }
    TemporaryState state;
    const ScriptVal* table = FirstTable(args);
    if (table) ApplyStateAttributes(Movies(self), *state, *table);
    state->rawDataIn = MemBlockAt(table, "RawDataIn");
    ScriptVal output;
    state->rawDataOut = &output;
    if (Movies(self).Ask(*state, code) && state->success) {
        answer.Set("RawDataOut", output);
        if (code == kCodeDVCompress) answer.Set("compressedSize", state->compressedSize);
    }
    ClearCallBlocks(*state);
    args.Return(answer);
}

} // namespace

void SaveHeaderMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state) {
        args.ReturnBoolean(false);
        return;
    }
    state->writing = true;
    const ScriptVal* table = args.FindKeyConst(3);
    if (table && table->IsTable()) ApplyStateAttributes(Movies(self), *state, *table);
    state->metadata = MetadataOf(table);
    state->fileName = TsID(args.ToString(2));
    AskAndAnswerSuccess(self, args, state, kCodeSaveHeader);
}

void SaveFrameMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state || !state->movieOpen) {
        args.ReturnBoolean(false);
        return;
    }
    const ScriptVal* table = args.FindKeyConst(3);
    state->rawDataIn = MemBlockAt(table, "RawDataIn");
    TakeAudio(*state, table);
    state->metadata = MetadataOf(table);
    Movies(self).Ask(*state, kCodeSaveFrame);
    ClearCallBlocks(*state);
    args.ReturnBoolean(state->success != 0);
}

void SaveAudioMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state || !state->movieOpen) {
        args.ReturnBoolean(false);
        return;
    }
    TakeAudio(*state, args.FindKeyConst(2));
    Movies(self).Ask(*state, kCodeSaveAudio);
    ClearCallBlocks(*state);
    args.ReturnBoolean(state->success != 0);
}

void GetCodecListMethod(ScriptObject* self, ScriptArgs& args) {
    QT_Msg* state = StateArgument(args);
    if (!state || !Movies(self).Ask(*state, kCodeListCodecs) || !state->success) return;
    ScriptVal list = ScriptVal::NewTable();
    // A copy: asking for each codec's information must not disturb the list.
    const std::vector<CodecListEntry> codecs = state->codecList;
    // Each codec is made the state's while its information is read; the
    // codec the state had chosen is its own again afterwards.
    const uint32_t chosenType = state->codecType;
    void* const chosenComponent = state->codecComponent;
    int64_t index = 0;
    for (const CodecListEntry& codec : codecs) {
        ScriptVal entry = ScriptVal::NewTable();
        entry.Set("Compressor", FourCharText(codec.codecType));
        entry.Set("Name", codec.name);
        state->codecType = codec.codecType;
        state->codecComponent = codec.component;
        if (Movies(self).Ask(*state, kCodeCodecInfo) && state->success && state->writingMovie &&
            state->writingMovie->hasCodecInfo) {
            const movie::CodecInfo& info = state->writingMovie->codecInfo;
            entry.Set("compressFlags", info.compressFlags);
            entry.Set("formatFlags", info.formatFlags);
            entry.Set("hasCodecSettings", info.hasSettings ? 1 : 0);
            if (info.pixelFormatCount > 0)
                entry.Set("pixelFormats",
                          ScriptVal::NewMemBlock(info.pixelFormats,
                                                 sizeof(uint32_t) * info.pixelFormatCount));
        }
        list.Set(++index, entry);
    }
    state->codecType = chosenType;
    state->codecComponent = chosenComponent;
    args.Return(list);
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
    // The codec is named by the call's codecID, or by that of a table argument.
    std::string wanted = args.ToString("codecID");
    const ScriptVal* table = args.FindKeyConst(2);
    if (wanted.empty() && table && table->IsTable()) wanted = table->ToString("codecID");
    if (Movies(self).Ask(*state, kCodeListCodecs) && state->success) {
        for (const CodecListEntry& codec : state->codecList) {
            if (CodecIdentifier(codec.name, codec.codecType) != wanted) continue;
            state->codecID = TsID(wanted);
            state->codecType = codec.codecType;
            state->codecComponent = codec.component;
            break;
        }
    }
    Movies(self).Ask(*state, kCodeDisposeCodecs);
    // Without a codec there is no information: that is a failure.
    const bool answered = !state->codecID.view().empty() &&
                          Movies(self).Ask(*state, kCodeCodecInfo) && state->success;
    args.ReturnBoolean(answered);
}

void GetCodecSettingsMethod(ScriptObject* self, ScriptArgs& args) {
    const ScriptVal* table = FirstTable(args);
    const ScriptVal* settings = table ? table->FindKeyConst("CodecSettings") : nullptr;
    if (settings) args.Return(*settings);
    auto* state = new QT_Msg; // its reference travels with the message
    if (table) ApplyStateAttributes(Movies(self), *state, *table);
    state->SetCode(kCodeCodecSettings);
    state->deferredReply = args.DeferReply();
    if (!Movies(self).Post(state)) {
        // No movie thread takes it: answer with the settings as they were.
        if (state->deferredReply) state->deferredReply->SendReply();
        state->DecRef();
    }
}

void ShowCodecSettingsMethod(ScriptObject*, ScriptArgs&) {
    // The settings dialog has no window here: there is none to bring forward.
}

void PrefsPreviewMethod(ScriptObject* self, ScriptArgs& args) {
    AskFrameWork(self, args, kCodePrefsPreview);
}

void AvidDVCompressMethod(ScriptObject* self, ScriptArgs& args) {
    AskFrameWork(self, args, kCodeDVCompress);
}

void AvidDVDecompressMethod(ScriptObject* self, ScriptArgs& args) {
    AskFrameWork(self, args, kCodeDVDecompress);
}
