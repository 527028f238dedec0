// Start-up, serving and shutdown.
#include "server_startup.h"

#include "build_info.h"
#include "command_line.h"
#include "diagnostics_report.h"
#include "server_app.h"
#include "serving_refusal.h"
#include "stop_signals.h"

#include "tarsel/exception_handler.h"
#include "tarsel/remote.h"

#include <cerrno>
#include <cstdio>

#include <unistd.h>

namespace {

int StartHook() {
    return 0;
}

ScriptObject* AppObject() {
    return g_QTServerApp.load();
}

void HostConnected(int connection) {
    if (TsQTServerApp* app = g_QTServerApp.load()) app->OnHostConnect(connection);
}

void HostCalled(int connection) {
    if (TsQTServerApp* app = g_QTServerApp.load()) app->OnHostCall(connection);
}

void HostDisconnected(int connection) {
    if (TsQTServerApp* app = g_QTServerApp.load()) app->OnHostDisconnect(connection);
}

int RunOnMainThread(ScriptMainThreadFunc func, void* user, void* argument, bool wait) {
    TsQTServerApp* app = g_QTServerApp.load();
    if (!app) return func ? func(user, argument) : 0;
    return app->RunOnMainThread(func, user, argument, wait);
}

// The configuration the scripting library reads while serving.
ScriptConfig MakeConfig(const char* connectionArg) {
    ScriptConfig config;
    config.version = 1;
    config.flags = 1;
    config.connectionArg = connectionArg;
    config.startHook = &StartHook;
    config.getAppObject = &AppObject;
    config.onConnect = &HostConnected;
    config.onCall = &HostCalled;
    config.onDisconnect = &HostDisconnected;
    config.runOnMainThread = &RunOnMainThread;
    config.buildText = kServerBuildText;
    config.buildDate = ServerBuildDate();
    return config;
}

} // namespace

int RunQTServer(int argc, char** argv) {
    if (argc < 2) return kExitDone;
    switch (ReadCommandLine(argv[1])) {
    case CommandLineRequest::Help:
        std::fputs(UsageText().c_str(), stdout);
        return kExitDone;
    case CommandLineRequest::Version:
        std::fputs(VersionText().c_str(), stdout);
        return kExitDone;
    case CommandLineRequest::UnknownOption:
        std::fprintf(stderr, "TarselQTServer: unknown option %s (see --help)\n", argv[1]);
        return kExitUsage;
    case CommandLineRequest::Serve:
        break;
    }
    // Before the socket exists, so that no signal can leave it behind.
    InstallStopSignalHandlers();
    static ScriptConfig config = MakeConfig(argv[1]);
    TsExceptionHandler::Init(&WriteDiagnosticsReport, nullptr, kServerVersionText, false);
    InitScripting(&config);
    auto* app = new TsQTServerApp;
    app->AddRef();
    app->SetIdleTimeout(kIdleTimeoutSeconds);
    app->SetNoClientTimeout(NoClientTimeoutSeconds());

    int status = kExitDone;
    if (StartScripting()) {
        app->RunMainLoop();
        if (const int signal = StopSignalReceived(); signal != 0) status = kExitSignalBase + signal;
    } else {
        const int error = errno;
        std::fprintf(stderr, "TarselQTServer: cannot serve on %s: %s\n", argv[1],
                     ServingRefusal(argv[1], error).c_str());
        status = kExitCannotServe;
    }

    CleanupScripting();
    app->DropHeldStates();
    const bool stopped = app->StopMovieThread(kMovieThreadStopMs);
    app->Release();
    TsExceptionHandler::CleanUp();
    if (!stopped) {
        // The movie thread would not end: leave without running the
        // destructors of what it may still use.
        std::fflush(nullptr);
        _exit(status);
    }
    return status;
}
