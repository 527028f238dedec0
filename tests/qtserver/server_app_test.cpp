// The application object in-process: its method table, main-thread jobs run
// by the main loop, the idle rule ending the loop, and the states a client
// released for its client only once.
#include "server_app.h"

#include "movie_state.h"
#include "test_registry.h"

#include "tarsel/remote.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

TEST(ServerMethodTable, MethodsAreRegisteredInTheirOrder) {
    const std::vector<std::string> expected = {
        "NewState",      "ReleaseState",     "ReleaseMapFile",    "DisposeState",
        "IsThisFormat",  "LoadHeader",       "LoadFrame",         "SaveHeader",
        "SaveFrame",     "SaveAudio",        "GetCodecList",      "DisposeCodecList",
        "GetCodecInfo",  "GetCodecSettings", "ShowCodecSettings", "GetStateAttrs",
        "SetStateAttrs", "PrefsPreview",     "GetOutDevList",     "OutDevConfig",
        "OutDevView",    "OutDevCleanup",    "AvidDVCompress",    "AvidDVDecompress"};
    EXPECT_EQ(TarselQTServerClass().MethodNames(), expected);
    EXPECT_EQ(TarselQTServerClass().ClassName(), "TarselQTServer");
    for (const std::string& name : expected) {
        const TagList* tags = TarselQTServerClass().MethodTags(name);
        ASSERT_NE(tags, nullptr) << name;
        EXPECT_TRUE(tags->Has(kScriptSymbolHelpTag));
        EXPECT_TRUE(tags->Has(kScriptSymbolArgsTag));
    }
}

int ThreadOf(void* user, void*) {
    *static_cast<std::thread::id*>(user) = std::this_thread::get_id();
    return 42;
}

TEST(ServerMainLoop, JobsRunOnTheLoopThreadAndTheIdleRuleEndsTheLoop) {
    auto* app = new TsQTServerApp(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    app->AddRef();
    app->SetIdleTimeout(1.0);
    ScriptConfig config;
    const std::string folder = "/tmp/tarsel-qts-loop-" + std::to_string(getpid());
    const std::string path = folder + "/server.sock";
    config.connectionArg = path.c_str();
    config.getAppObject = [] { return static_cast<ScriptObject*>(g_QTServerApp.load()); };
    config.onCall = [](int connection) { g_QTServerApp.load()->OnHostCall(connection); };
    ASSERT_TRUE(InitScripting(&config));
    ASSERT_TRUE(StartScripting());

    std::thread::id loopThread;
    std::thread loop([&] {
        loopThread = std::this_thread::get_id();
        app->RunMainLoop();
    });
    std::thread::id ranOn;
    EXPECT_EQ(app->RunOnMainThread(&ThreadOf, &ranOn, nullptr, true), 42);
    EXPECT_EQ(ranOn, loopThread);
    EXPECT_FALSE(app->QuitRequested());

    // Calls keep it alive; one silent connection ends it after the idle time.
    ScriptVal client = ConnectScriptServer(path, 30000);
    ASSERT_TRUE(client.IsRemoteObject());
    const uint64_t before = app->LastActivity();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(client.CallMember("GetOutDevList").IsNil());
    EXPECT_GT(app->LastActivity(), before);
    loop.join(); // returns once the idle rule has set the quit flag
    EXPECT_TRUE(app->QuitRequested());
    EXPECT_GE(Tarsel::Platform::GetUpTime() - app->LastActivity(), 1000u);

    CleanupScripting();
    struct stat info {};
    EXPECT_NE(stat(folder.c_str(), &info), 0);
    EXPECT_TRUE(app->StopMovieThread(kMovieThreadStopMs));
    app->Release();
    EXPECT_EQ(g_QTServerApp.load(), nullptr);
}

TEST(ServerShutdownStates, AStateIsReleasedForItsClientOnlyOnce) {
    auto* app = new TsQTServerApp(MovieRegistryReader(TEST_MOVIE_MODULE_DIR));
    app->AddRef();
    auto* state = new QT_Msg;
    state->IncRef(); // what the client's connection holds
    app->HoldState(state);
    EXPECT_TRUE(app->DropState(state));
    EXPECT_EQ(state->References(), 1);
    EXPECT_FALSE(app->DropState(state)); // a second release does not take the client's
    EXPECT_EQ(state->References(), 1);
    state->DecRef();
    app->Release();
}

} // namespace
