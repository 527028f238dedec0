// The serving side inside this process: initialisation rules, hooks, the
// socket file, and what clients see when serving stops.
#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include "server_process.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ScriptInfo g_hostInfo(1, "LifecycleHost", "", "");

std::atomic<int> g_liveHosted{0};

class Hosted : public ScriptObject {
  public:
    Hosted() {
        _SetScriptInfo(&g_hostInfo);
        ++g_liveHosted;
    }
    ~Hosted() override { --g_liveHosted; }
};

void MakeHosted(ScriptObject*, ScriptArgs& args) {
    args.ReturnObject(new Hosted);
}
void Twice(ScriptObject*, ScriptArgs& args) {
    args.Return(args.ToInteger(1) * 2);
}
ScriptSymbol g_makeHosted(1, "MakeHosted", kScriptSymbolMethod, MakeHosted, &g_hostInfo);
ScriptSymbol g_twice(1, "Twice", kScriptSymbolMethod, Twice, &g_hostInfo);

Hosted* g_appObject = nullptr;
std::atomic<int> g_connects{0}, g_calls{0}, g_disconnects{0}, g_mainThreadRuns{0};

ScriptObject* AppObject() {
    return g_appObject;
}
int Refuse() {
    return 1;
}
int Accept() {
    return 0;
}
void CountConnect(int) {
    ++g_connects;
}
void CountCall(int) {
    ++g_calls;
}
void CountDisconnect(int) {
    ++g_disconnects;
}
int RunCounted(ScriptMainThreadFunc func, void* user, void* argument, bool) {
    ++g_mainThreadRuns;
    return func(user, argument);
}
int AddOne(void* user, void*) {
    return *static_cast<int*>(user) + 1;
}

class ServingHere : public ::testing::Test {
  protected:
    void SetUp() override {
        // The listener makes the socket's private folder and removes it.
        folder_ = "/tmp/tarsel-lifecycle-" + std::to_string(getpid());
        path_ = folder_ + "/server.sock";
        unlink(path_.c_str());
        app_ = RefObject<Hosted>(new Hosted);
        g_appObject = app_.get();
        config_.connectionArg = path_.c_str();
        config_.getAppObject = AppObject;
        config_.startHook = Accept;
        config_.onConnect = CountConnect;
        config_.onCall = CountCall;
        config_.onDisconnect = CountDisconnect;
        g_connects = g_calls = g_disconnects = 0;
    }
    void TearDown() override {
        CleanupScripting();
        g_appObject = nullptr;
        app_ = RefObject<Hosted>();
        unlink(path_.c_str());
        rmdir(folder_.c_str());
    }

    std::string folder_;
    std::string path_;
    ScriptConfig config_;
    RefObject<Hosted> app_;
};

TEST_F(ServingHere, InitialisesOnceAndStartsOnlyAfterInit) {
    EXPECT_FALSE(StartScripting());
    EXPECT_FALSE(InitScripting(nullptr));
    ASSERT_TRUE(InitScripting(&config_));
    EXPECT_EQ(g_ScriptConfig, &config_);
    EXPECT_FALSE(InitScripting(&config_));
    ASSERT_TRUE(StartScripting());
    EXPECT_FALSE(StartScripting()); // already serving
    struct stat info;
    EXPECT_EQ(stat(path_.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    CleanupScripting();
    EXPECT_EQ(g_ScriptConfig, nullptr);
    EXPECT_NE(stat(path_.c_str(), &info), 0);   // the socket file is gone
    EXPECT_NE(stat(folder_.c_str(), &info), 0); // and the folder made for it
    EXPECT_EQ(GetNumConnections(), 0);
}

TEST_F(ServingHere, AStartHookThatRefusesStopsTheStart) {
    config_.startHook = Refuse;
    ASSERT_TRUE(InitScripting(&config_));
    EXPECT_FALSE(StartScripting());
    EXPECT_TRUE(ConnectScriptServer(path_, 100).IsNil());
}

TEST_F(ServingHere, APathWhereAnotherServerListensIsRefused) {
    ServerProcess other;
    ASSERT_TRUE(other.Connect().IsRemoteObject()); // it is up and accepting
    config_.connectionArg = other.path().c_str();
    ASSERT_TRUE(InitScripting(&config_));
    EXPECT_FALSE(StartScripting());
    // The other server still serves.
    EXPECT_EQ(other.Connect().CallMember("Echo", ScriptVal(6)).ToInteger(), 6);
}

TEST_F(ServingHere, HooksFollowConnectionsAndCalls) {
    ASSERT_TRUE(InitScripting(&config_));
    ASSERT_TRUE(StartScripting());
    ScriptVal app = ConnectScriptServer(path_);
    ASSERT_TRUE(app.IsRemoteObject());
    EXPECT_EQ(app.CallMember("Twice", ScriptVal(21)).ToInteger(), 42);
    EXPECT_EQ(app.CallMember("Twice", ScriptVal(1)).ToInteger(), 2);
    EXPECT_EQ(GetNumConnections(), 1);
    EXPECT_EQ(g_connects.load(), 1);
    EXPECT_EQ(g_calls.load(), 2);
    app = ScriptVal();
    EXPECT_TRUE(Eventually([] { return GetNumConnections() == 0; }));
    EXPECT_TRUE(Eventually([] { return g_disconnects.load() == 1; }));
}

TEST_F(ServingHere, StoppingAnswersClientsWithNilAndDropsTheirObjects) {
    ASSERT_TRUE(InitScripting(&config_));
    ASSERT_TRUE(StartScripting());
    ScriptVal app = ConnectScriptServer(path_);
    ScriptVal hosted = app.CallMember("MakeHosted");
    ASSERT_TRUE(hosted.IsRemoteObject());
    EXPECT_EQ(g_liveHosted.load(), 2); // the application and the one handed out
    CleanupScripting();
    EXPECT_EQ(g_liveHosted.load(), 1);
    EXPECT_TRUE(app.CallMember("Twice", ScriptVal(2)).IsNil());
    EXPECT_TRUE(Eventually([&] { return !IsScriptConnectionOpen(app); }));
}

TEST_F(ServingHere, MainThreadWorkGoesThroughTheConfiguredEntry) {
    int value = 41;
    EXPECT_EQ(RunOnMainThread(AddOne, &value, nullptr, true), 42); // no configuration: direct
    config_.runOnMainThread = RunCounted;
    ASSERT_TRUE(InitScripting(&config_));
    g_mainThreadRuns = 0;
    EXPECT_EQ(RunOnMainThread(AddOne, &value, nullptr, true), 42);
    EXPECT_EQ(g_mainThreadRuns.load(), 1);
    EXPECT_EQ(RunOnMainThread(nullptr, &value, nullptr, true), 0);
}

} // namespace
