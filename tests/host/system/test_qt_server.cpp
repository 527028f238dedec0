// A small movie-server stand-in for the tests: serves an application object on the socket path
// given as its only argument and quits when its client has gone (or after a minute).
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "tarsel/remote.h"
#include "tarsel/script_object.h"

namespace {

int ArgumentCount = 0;
std::string FirstArgument;

ScriptInfo AppInfo(1, "TarselQTServer", "", "");

void Ping(ScriptObject*, ScriptArgs& args) {
    args.Return("pong:" + args.ToString(1));
}

void Describe(ScriptObject*, ScriptArgs& args) {
    ScriptVal answer = ScriptVal::NewTable();
    answer.Set("Arguments", ArgumentCount);
    answer.Set("Connection", FirstArgument);
    answer.Set("Pid", static_cast<int64_t>(::getpid()));
    args.Return(answer);
}

ScriptSymbol PingSymbol(1, "Ping", kScriptSymbolMethod, &Ping, &AppInfo);
ScriptSymbol DescribeSymbol(1, "Describe", kScriptSymbolMethod, &Describe, &AppInfo);

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
    ArgumentCount = argc - 1;
    FirstArgument = argv[1];
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
