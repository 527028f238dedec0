// A movie-server stand-in for the plug-in's DV detection and decoding: serves "NewState",
// "GetCodecList", "DisposeCodecList", "ReleaseState" and "AvidDVDecompress" on the socket path
// given as its only argument. Its codec list holds one entry per name in the variable
// TEST_DV_COMPRESSORS (comma-separated). "AvidDVDecompress" answers Width x 4 x Height bytes
// made by DecodedDVByte from "RawDataIn"; with TEST_DV_DECODE set to "none" the answer has no
// "RawDataOut", with "short" it holds half the bytes. "Calls" answers the names of the methods
// called so far, in order; a decompress call is listed with its arguments.
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tarsel/remote.h"
#include "tarsel/script_object.h"
#include "test_dv_decoding.h"

namespace {

ScriptInfo AppInfo(1, "TarselQTServer", "", "");

std::mutex CallsLock; // guards Calls
std::vector<std::string> Calls;

void Record(const char* name) {
    std::lock_guard guard(CallsLock);
    Calls.emplace_back(name);
}

void NewState(ScriptObject*, ScriptArgs& args) {
    Record("NewState");
    ScriptVal state = ScriptVal::NewTable();
    state.Set("State", 1);
    args.Return(state);
}

void GetCodecList(ScriptObject*, ScriptArgs& args) {
    Record("GetCodecList");
    ScriptVal list = ScriptVal::NewTable();
    const char* names = std::getenv("TEST_DV_COMPRESSORS");
    std::istringstream in(names ? names : "");
    int index = 1;
    for (std::string name; std::getline(in, name, ',');) {
        ScriptVal entry = ScriptVal::NewTable();
        entry.Set("Compressor", name);
        list.Set(index++, entry);
    }
    args.Return(list);
}

void DisposeCodecList(ScriptObject*, ScriptArgs& args) {
    Record("DisposeCodecList");
    args.ReturnBoolean(true);
}

void ReleaseState(ScriptObject*, ScriptArgs& args) {
    Record("ReleaseState");
    args.ReturnBoolean(true);
}

void AvidDVDecompress(ScriptObject*, ScriptArgs& args) {
    const ScriptVal* argument = args.FindKeyConst(1);
    const ScriptVal request = argument ? *argument : ScriptVal();
    const int64_t width = request.ToInteger("Width");
    const int64_t height = request.ToInteger("Height");
    const ScriptVal* in = request.FindKeyConst("RawDataIn");
    const MemBlock* block = in ? in->GetData() : nullptr;
    const std::size_t inSize = block ? block->size : 0;
    Record(("AvidDVDecompress " + std::to_string(width) + "x" + std::to_string(height) +
            " separateFields " + std::to_string(request.ToInteger("separateFields")) + " in " +
            std::to_string(inSize))
               .c_str());
    ScriptVal answer = ScriptVal::NewTable();
    const char* mode = std::getenv("TEST_DV_DECODE");
    const std::string decode = mode ? mode : "";
    if (block && decode != "none" && width > 0 && height > 0) {
        std::size_t size = std::size_t(width) * 4 * std::size_t(height);
        if (decode == "short") size /= 2;
        const std::span<const uint8_t> compressed(static_cast<const uint8_t*>(block->data), inSize);
        std::vector<uint8_t> out(size);
        for (std::size_t i = 0; i < size; ++i)
            out[i] = plugin_test::DecodedDVByte(compressed, i);
        answer.Set("RawDataOut", ScriptVal::NewMemBlock(out.data(), out.size()));
    }
    args.Return(answer);
}

void CallsMade(ScriptObject*, ScriptArgs& args) {
    std::lock_guard guard(CallsLock);
    ScriptVal list = ScriptVal::NewTable();
    for (std::size_t i = 0; i < Calls.size(); ++i)
        list.Set(int64_t(i + 1), Calls[i]);
    args.Return(list);
}

ScriptSymbol NewStateSymbol(1, "NewState", kScriptSymbolMethod, &NewState, &AppInfo);
ScriptSymbol GetCodecListSymbol(1, "GetCodecList", kScriptSymbolMethod, &GetCodecList, &AppInfo);
ScriptSymbol DisposeSymbol(1, "DisposeCodecList", kScriptSymbolMethod, &DisposeCodecList, &AppInfo);
ScriptSymbol ReleaseSymbol(1, "ReleaseState", kScriptSymbolMethod, &ReleaseState, &AppInfo);
ScriptSymbol DecompressSymbol(1, "AvidDVDecompress", kScriptSymbolMethod, &AvidDVDecompress,
                              &AppInfo);
ScriptSymbol CallsSymbol(1, "Calls", kScriptSymbolMethod, &CallsMade, &AppInfo);

class App : public ScriptObject {
  public:
    App() { _SetScriptInfo(&AppInfo); }
};

App* TheApp = nullptr;
ScriptObject* GetApp() {
    return TheApp;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 0;
    TheApp = new App;
    TheApp->AddRef();
    ScriptConfig config;
    config.connectionArg = argv[1];
    config.getAppObject = &GetApp;
    if (!InitScripting(&config) || !StartScripting()) return 1;
    bool hadClient = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
        const int connections = GetNumConnections();
        if (connections > 0) hadClient = true;
        if (hadClient && connections == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CleanupScripting();
    TheApp->Release();
    return 0;
}
