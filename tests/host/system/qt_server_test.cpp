// StartQTServer starts the server program with a fresh socket path, binds g_QTRemoteApp to its
// application object, finds it again while it runs, and leaves g_QTRemoteApp unbound when there
// is no program to run.
#include "tarsel/system/qt_server.h"

#include <signal.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tarsel/remote.h"

namespace {

class QTServerTest : public testing::Test {
  protected:
    void SetUp() override { StopQTServer(); }
    void TearDown() override {
        StopQTServer();
        ::unsetenv(QTServerPathVariable);
    }
    static void UseProgram(const char* path) { ::setenv(QTServerPathVariable, path, 1); }
};

TEST_F(QTServerTest, WithoutAProgramTheAppIsNotRemote) {
    UseProgram("/nonexistent/folder/TarselQTServer");
    EXPECT_EQ(QTServerProgramPath(), "");
    EXPECT_FALSE(StartQTServer());
    EXPECT_FALSE(IsRemoteObject(g_QTRemoteApp));
    EXPECT_TRUE(g_QTRemoteApp.CallMember("Ping", ScriptVal("x")).IsNil());
    ScriptVal own;
    EXPECT_FALSE(StartQTServer(own, nullptr));
    EXPECT_FALSE(IsRemoteObject(own));
    EXPECT_EQ(QTServerProcessID(), 0);
}

TEST_F(QTServerTest, AProgramThatEndsAtOnceIsNotWaitedFor) {
    UseProgram("/bin/true");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(StartQTServer());
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(QTServerStartTimeoutMs / 2));
    EXPECT_FALSE(IsRemoteObject(g_QTRemoteApp));
    EXPECT_EQ(QTServerProcessID(), 0);
}

TEST_F(QTServerTest, TheServerIsStartedWithOneSocketArgumentAndCalled) {
    UseProgram(TEST_QTSERVER_PATH);
    ASSERT_TRUE(StartQTServer());
    ASSERT_TRUE(IsRemoteObject(g_QTRemoteApp));
    EXPECT_EQ(g_QTRemoteApp.CallMember("Ping", ScriptVal("hello")).ToString(), "pong:hello");
    ScriptVal described = g_QTRemoteApp.CallMember("Describe");
    ASSERT_TRUE(described.IsTable());
    EXPECT_EQ(described.ToInteger("Arguments"), 1);
    EXPECT_EQ(described.ToInteger("Pid"), QTServerProcessID());
    struct stat info {};
    const std::string socketPath = described.ToString("Connection");
    ASSERT_EQ(::stat(socketPath.c_str(), &info), 0) << socketPath;
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u); // only this user may connect
    const std::string socketFolder = socketPath.substr(0, socketPath.rfind('/'));
    ASSERT_EQ(::stat(socketFolder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A running server is found again, not started twice; a format's own reference binds to it.
    const int pid = QTServerProcessID();
    ASSERT_TRUE(StartQTServer());
    EXPECT_EQ(QTServerProcessID(), pid);
    ScriptVal own;
    ASSERT_TRUE(StartQTServer(own, nullptr));
    ASSERT_TRUE(IsRemoteObject(own));
    EXPECT_EQ(own.CallMember("Describe").ToInteger("Pid"), pid);

    StopQTServer();
    EXPECT_FALSE(IsRemoteObject(g_QTRemoteApp));
    EXPECT_EQ(QTServerProcessID(), 0);
    EXPECT_NE(::stat(socketPath.c_str(), &info), 0); // the socket file went with the server
    EXPECT_NE(::stat(socketFolder.c_str(), &info), 0); // and so did its folder
}

TEST_F(QTServerTest, ConcurrentStartsShareOneServer) {
    UseProgram(TEST_QTSERVER_PATH);
    std::vector<std::thread> threads;
    std::vector<int64_t> pids(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&pids, t] {
            ScriptVal own;
            if (StartQTServer(own, nullptr)) pids[t] = own.CallMember("Describe").ToInteger("Pid");
        });
    }
    for (auto& thread : threads)
        thread.join();
    ASSERT_GT(pids[0], 0);
    for (int64_t pid : pids)
        EXPECT_EQ(pid, pids[0]);
    EXPECT_EQ(QTServerProcessID(), pids[0]);
}

TEST_F(QTServerTest, AServerThatDiedIsStartedAgain) {
    UseProgram(TEST_QTSERVER_PATH);
    ASSERT_TRUE(StartQTServer());
    const int first = QTServerProcessID();
    ASSERT_GT(first, 0);
    ::kill(first, SIGKILL);
    // Wait until the process has really ended before asking again.
    for (int i = 0; i < 200 && QTServerProcessID() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ScriptVal own = g_QTRemoteApp;
    ASSERT_TRUE(StartQTServer(own, nullptr));
    const int second = QTServerProcessID();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, first);
    EXPECT_EQ(own.CallMember("Ping", ScriptVal("again")).ToString(), "pong:again");
    EXPECT_EQ(g_QTRemoteApp.CallMember("Describe").ToInteger("Pid"), second);
}

} // namespace
