// The real server process with the real scripting library: start-up, the
// idle rule, the method table as clients see it, with and without the movie
// module, many clients at once, shutdown and the crash report.
#include "server_process.h"

#include "command_line.h"
#include "movie_thread.h"

#include "tarsel/remote.h"
#include "tarsel/script_val.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#if defined(__SANITIZE_ADDRESS__)
#define QTSERVER_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QTSERVER_TEST_SANITIZED 1
#endif
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Generous limits for a loaded machine: a server quits 5 s after the last
// call and checks once a second.
constexpr int kStartMs = 30000;
constexpr int kIdleQuitMs = 40000;
constexpr int kStuckQuitMs = 60000;

// Options of a server reading `registryFile`, reporting crashes into `crashFolder`.
QTServerProcess::Options Serving(const std::string& registryFile,
                                 const std::string& crashFolder = "") {
    QTServerProcess::Options options;
    options.registryFile = registryFile;
    options.crashFolder = crashFolder;
    return options;
}

// A server killed with SIGSEGV dies of it, or, under the sanitizers, their
// fault handler (chained after the report's) ends it with a failure status.
bool DiedOfTheCrash(std::optional<int> status) {
    if (!status) return false;
#ifdef QTSERVER_TEST_SANITIZED
    return WIFSIGNALED(*status) || (WIFEXITED(*status) && WEXITSTATUS(*status) != 0);
#else
    return WIFSIGNALED(*status) && WTERMSIG(*status) == SIGSEGV;
#endif
}

bool Exists(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

bool ExitedWithZero(std::optional<int> status) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

bool HasMovieThread(const QTServerProcess& server) {
    auto names = server.ThreadNames();
    return std::find(names.begin(), names.end(), kMovieThreadName) != names.end();
}

// True once the server has no movie thread (one that failed may still be ending).
bool MovieThreadGone(const QTServerProcess& server) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kStartMs);
    while (HasMovieThread(server)) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The argument list of a call whose one argument is `table`.
ScriptVal Arguments(const ScriptVal& table) {
    ScriptVal arguments = ScriptVal::NewTable();
    arguments.Set(1, table);
    return arguments;
}

ScriptVal Table(std::initializer_list<std::pair<const char*, ScriptVal>> entries) {
    ScriptVal table = ScriptVal::NewTable();
    for (const auto& [key, value] : entries)
        table.Set(key, value);
    return table;
}

TEST(ServerStartUp, WithoutAnArgumentItExitsAtOnceWithZero) {
    QTServerProcess::Options noArgument;
    noArgument.withArgument = false;
    QTServerProcess server(noArgument);
    EXPECT_TRUE(ExitedWithZero(server.WaitForExit(kStartMs)));
    EXPECT_FALSE(Exists(server.socketFolder()));
}

TEST(ServerStartUp, ASocketFolderOthersCanUseIsRefusedAndTheServerEnds) {
    ScratchFolder open("qts-open");
    ASSERT_EQ(chmod(open.path().c_str(), 0755), 0);
    QTServerProcess::Options options;
    options.socketFolder = open.path();
    QTServerProcess server(options);
    std::optional<int> status = server.WaitForExit(kStartMs);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 1);
    EXPECT_FALSE(Exists(server.socketPath()));
}

TEST(ServerIdleRule, OneConnectionWithoutCallsQuitsAfterTheIdleTimeAndCleansUp) {
    ScratchFolder scratch("qts-idle");
    QTServerProcess server(Serving(scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR)));
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    struct stat info {};
    ASSERT_EQ(stat(server.socketPath().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat(server.socketFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // The idle time runs from the server's start at the earliest.
    const auto early = server.startedAt() + std::chrono::milliseconds(4000);
    const auto untilEarly =
        std::chrono::duration_cast<std::chrono::milliseconds>(early - Clock::now()).count();
    if (untilEarly > 0) {
        EXPECT_FALSE(server.WaitForExit(static_cast<int>(untilEarly)));
    }
    EXPECT_TRUE(ExitedWithZero(server.WaitForExit(kIdleQuitMs)));
    EXPECT_GE(Clock::now() - server.startedAt(), std::chrono::milliseconds(4900));
    EXPECT_FALSE(Exists(server.socketPath()));
    EXPECT_FALSE(Exists(server.socketFolder()));
}

TEST(ServerIdleRule, WithoutAClientItEndsAfterTheNoClientTimeFromItsStartOrItsLastClient) {
    ScratchFolder scratch("qts-alone");
    QTServerProcess::Options options = Serving(scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR));
    options.noClientSeconds = "2";
    QTServerProcess neverCalled(options);
    QTServerProcess left(options);
    ScriptVal app = left.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    // Calls keep the one-client idle rule away.
    EXPECT_TRUE(app.CallMember("GetOutDevList").IsNil());

    // Nobody connects: it ends by itself and leaves nothing.
    EXPECT_TRUE(ExitedWithZero(neverCalled.WaitForExit(kIdleQuitMs)));
    EXPECT_FALSE(Exists(neverCalled.socketPath()));
    EXPECT_FALSE(Exists(neverCalled.socketFolder()));

    // A client that stays past the no-client time keeps it, and the time
    // then runs from its leaving.
    EXPECT_TRUE(app.CallMember("GetOutDevList").IsNil());
    EXPECT_FALSE(left.WaitForExit(1000));
    EXPECT_TRUE(app.CallMember("GetOutDevList").IsNil());
    CloseScriptConnection(app);
    EXPECT_FALSE(left.WaitForExit(1000));
    EXPECT_TRUE(ExitedWithZero(left.WaitForExit(kIdleQuitMs)));
    EXPECT_FALSE(Exists(left.socketFolder()));
}

TEST(ServerStopSignals, EachEndsTheServerInOrderAndRemovesSocketAndFolder) {
    ScratchFolder scratch("qts-signals");
    const std::string registry = scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        QTServerProcess server(Serving(registry));
        ScriptVal app = server.Connect();
        ASSERT_TRUE(app.IsRemoteObject()) << signal;
        ASSERT_TRUE(app.CallMember("NewState").IsRemoteObject()) << signal;
        ASSERT_EQ(kill(server.pid(), signal), 0);
        std::optional<int> status = server.WaitForExit(kIdleQuitMs);
        ASSERT_TRUE(status) << signal;
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == kExitSignalBase + signal)
            << signal << " gave wait status " << *status;
        EXPECT_FALSE(Exists(server.socketPath())) << signal;
        EXPECT_FALSE(Exists(server.socketFolder())) << signal;
    }
}

TEST(ServerCommandLine, EveryRefusalNamesItsCause) {
    ScratchFolder scratch("qts-refused");
    const std::string base = scratch.path();
    ASSERT_EQ(chmod(base.c_str(), 0700), 0);
    const std::string open = base + "/open", file = base + "/file", foreign = base + "/foreign";
    ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
    ASSERT_EQ(chmod(open.c_str(), 0755), 0);
    std::ofstream(file).put('x');
    ASSERT_EQ(mkdir(foreign.c_str(), 0700), 0);
    const bool canGiveAway = chown(foreign.c_str(), 65534, 65534) == 0;

    QTServerProcess::Options options = Serving(scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR));
    options.socketFolder = base + "/live";
    QTServerProcess live(options);
    ASSERT_TRUE(live.Connect().IsRemoteObject());

    const std::string tooLong = base + "/" + std::string(120, 'n') + "/server.sock";
    struct Case {
        std::string path;
        std::string reason;
    };
    std::vector<Case> cases = {
        {open + "/server.sock", "folder " + open + " is mode 0755; it must be 0700"},
        {tooLong,
         "the socket path is " + std::to_string(tooLong.size()) + " bytes long; at most 107 fit"},
        {base + "/gone/sub/server.sock",
         "folder " + base + "/gone/sub is missing and so is " + base + "/gone"},
        {file + "/server.sock", file + " is not a folder"},
        {live.socketPath(), "address " + live.socketPath() + " is in use by a running server"},
    };
    if (canGiveAway)
        cases.push_back({foreign + "/server.sock",
                         "folder " + foreign + " belongs to user 65534; it must be this user's"});
    for (const Case& refused : cases) {
        ServerRun run = RunServerToEnd({refused.path}, kStartMs);
        ASSERT_TRUE(run.status) << refused.path;
        EXPECT_TRUE(WIFEXITED(*run.status) && WEXITSTATUS(*run.status) == kExitCannotServe)
            << refused.path;
        EXPECT_NE(run.output.find("TarselQTServer: cannot serve on " + refused.path + ": " +
                                  refused.reason),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    }
    EXPECT_TRUE(live.Connect().IsRemoteObject()); // the refused ones left it alone
}

TEST(ServerCommandLine, HelpAndVersionAnswerAndAnUnknownOptionIsAUsageError) {
    ServerRun help = RunServerToEnd({"--help"}, kStartMs);
    EXPECT_TRUE(ExitedWithZero(help.status));
    for (const char* text : {"Usage: TarselQTServer SOCKET", "5 s without calls", "30 s after",
                             "TARSEL_QTSERVER_NO_CLIENT_SECONDS", "SIGTERM", "128+N"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text << " in:\n" << help.output;
    EXPECT_FALSE(Exists("--help"));

    ServerRun version = RunServerToEnd({"--version"}, kStartMs);
    EXPECT_TRUE(ExitedWithZero(version.status));
    EXPECT_TRUE(version.output.starts_with("TarselQTServer 8.0.0.16 (build 16, "))
        << version.output;

    ServerRun unknown = RunServerToEnd({"--serve-forever"}, kStartMs);
    ASSERT_TRUE(unknown.status);
    EXPECT_TRUE(WIFEXITED(*unknown.status) && WEXITSTATUS(*unknown.status) == kExitUsage);
    EXPECT_EQ(unknown.output, "TarselQTServer: unknown option --serve-forever (see --help)\n");
}

TEST(ServerIdleRule, TwoConnectionsKeepItRunningUntilOneGoes) {
    ScratchFolder scratch("qts-two");
    QTServerProcess server(Serving(scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR)));
    ScriptVal first = server.Connect();
    ScriptVal second = server.Connect();
    ASSERT_TRUE(first.IsRemoteObject());
    ASSERT_TRUE(second.IsRemoteObject());
    EXPECT_FALSE(server.WaitForExit(8000));
    CloseScriptConnection(second);
    EXPECT_TRUE(ExitedWithZero(server.WaitForExit(kIdleQuitMs)));
}

class ServerWithModule : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = std::make_unique<QTServerProcess>(
            Serving(scratch_.WriteRegistry(TEST_MOVIE_MODULE_DIR)));
        app_ = server_->Connect();
        ASSERT_TRUE(app_.IsRemoteObject());
    }
    ScratchFolder scratch_{"qts-module"};
    std::unique_ptr<QTServerProcess> server_;
    ScriptVal app_;
};

TEST_F(ServerWithModule, TheOutputDeviceMethodsAnswerNil) {
    for (const char* method : {"GetOutDevList", "OutDevConfig", "OutDevView", "OutDevCleanup"})
        EXPECT_TRUE(app_.CallMember(method, Table({{"Any", 1}})).IsNil()) << method;
    EXPECT_TRUE(app_.CallMember("NoSuchMethod").IsNil());
    EXPECT_FALSE(HasMovieThread(*server_)); // nothing has needed it yet
}

TEST_F(ServerWithModule, NewStateAnswersAStateServedByTheMovieThread) {
    ScriptVal state = app_.CallMember("NewState");
    ASSERT_TRUE(state.IsRemoteObject());
    EXPECT_TRUE(HasMovieThread(*server_));

    ScriptVal attributes = app_.CallMember("GetStateAttrs", state);
    ASSERT_TRUE(attributes.IsTable());
    EXPECT_EQ(attributes.ToInteger("Width", -1), 0);
    EXPECT_EQ(attributes.ToInteger("use_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToNumber("YScale"), 1.0);
    EXPECT_FALSE(attributes.HasKey("MapName"));

    // Releasing a map the state does not have, twice, changes nothing.
    EXPECT_TRUE(app_.CallMember("ReleaseMapFile", state).IsNil());
    EXPECT_TRUE(app_.CallMember("ReleaseMapFile", state).IsNil());
    EXPECT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    // A movie that is not there fails, it does not hang.
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, state);
    args.Set(2, "/nonexistent.mov");
    ScriptVal loaded = app_.CallMember("LoadHeader", args);
    EXPECT_TRUE(loaded.IsBoolean());
    EXPECT_FALSE(loaded.ToBoolean());
    EXPECT_TRUE(app_.CallMember("LoadFrame", args).IsNil());
    EXPECT_TRUE(app_.CallMember("GetCodecList", state).IsTable());

    // Arguments that are not states are refused without harm.
    EXPECT_FALSE(app_.CallMember("DisposeState", 42).ToBoolean());
    EXPECT_TRUE(app_.CallMember("GetStateAttrs", "text").IsNil());

    // Releasing more often than allowed does not free what the client holds.
    app_.CallMember("ReleaseState", state);
    app_.CallMember("ReleaseState", state);
    app_.CallMember("ReleaseState", state);
    EXPECT_TRUE(app_.CallMember("GetStateAttrs", state).IsTable());
    EXPECT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
}

TEST_F(ServerWithModule, DVAndPreviewRequestsWithoutAFrameAnswerNoFrame) {
    ScriptVal decoded =
        app_.CallMember("AvidDVDecompress",
                        Arguments(Table({{"Width", 720},
                                         {"Height", 480},
                                         {"RawDataIn", ScriptVal::NewMemBlock(nullptr, 100)}})));
    ASSERT_TRUE(decoded.IsTable());
    EXPECT_FALSE(decoded.HasKey("RawDataOut"));
    ScriptVal encoded = app_.CallMember("AvidDVCompress", Arguments(Table({{"Width", 720}})));
    ASSERT_TRUE(encoded.IsTable());
    EXPECT_EQ(encoded.ToInteger("compressedSize", -1), 0);
    ScriptVal preview = app_.CallMember("PrefsPreview", Arguments(Table({{"Width", 4}})));
    ASSERT_TRUE(preview.IsTable());
    EXPECT_FALSE(preview.HasKey("RawDataOut"));

    // The settings call is answered by the movie thread with the settings it was given.
    ScriptVal settings = ScriptVal::NewTable();
    settings.Set("cvid_Cinepak", ScriptVal::NewMemBlock("abc", 3));
    ScriptVal answer =
        app_.CallMember("GetCodecSettings", Arguments(Table({{"CodecSettings", settings}})));
    ASSERT_TRUE(answer.IsTable());
    ASSERT_TRUE(answer.FindKeyConst("cvid_Cinepak"));
    EXPECT_EQ(answer.FindKeyConst("cvid_Cinepak")->GetData()->size, 3u);
}

TEST_F(ServerWithModule, SixteenClientThreadsAskingAtOnceEachGetTheirOwnAnswers) {
    constexpr int kClients = 16;
    std::atomic<int> good{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&, i] {
            // Half share the first connection, half have their own.
            ScriptVal app = i % 2 ? app_ : server_->Connect();
            bool ok = true;
            for (int round = 0; round < 5 && ok; ++round) {
                ScriptVal state = app.CallMember("NewState");
                ok = state.IsRemoteObject() && app.CallMember("GetStateAttrs", state).IsTable() &&
                     app.CallMember("DisposeState", state).ToBoolean() &&
                     app.CallMember("ReleaseMapFile", state).IsNil();
                app.CallMember("ReleaseState", state);
            }
            if (ok) ++good;
        });
    for (auto& client : clients)
        client.join();
    EXPECT_EQ(good.load(), kClients);
}

TEST_F(ServerWithModule, StatesAClientNeverReleasedDoNotStopAnOrderlyExit) {
    ScriptVal kept = app_.CallMember("NewState");
    ASSERT_TRUE(kept.IsRemoteObject());
    EXPECT_TRUE(ExitedWithZero(server_->WaitForExit(kIdleQuitMs)));
    EXPECT_FALSE(Exists(server_->socketFolder()));
}

TEST(ServerWithoutModule, NewStateAnswersNilFromThenOnAndNothingWaits) {
    ScratchFolder scratch("qts-nomodule");
    ScratchFolder empty("qts-empty");
    QTServerProcess server(Serving(scratch.WriteRegistry(empty.path())));
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    EXPECT_TRUE(app.CallMember("NewState").IsNil());
    EXPECT_TRUE(MovieThreadGone(server)); // the one thread tried has ended
    EXPECT_TRUE(app.CallMember("NewState").IsNil());
    EXPECT_FALSE(HasMovieThread(server));

    // Methods that would ask the movie thread answer at once as failed.
    ScriptVal decoded = app.CallMember(
        "AvidDVDecompress", Arguments(Table({{"RawDataIn", ScriptVal::NewMemBlock(nullptr, 10)}})));
    ASSERT_TRUE(decoded.IsTable());
    EXPECT_FALSE(decoded.HasKey("RawDataOut"));
    ScriptVal preview = app.CallMember("PrefsPreview", Arguments(ScriptVal::NewTable()));
    ASSERT_TRUE(preview.IsTable());
    EXPECT_FALSE(preview.HasKey("RawDataOut"));
    ScriptVal settings = ScriptVal::NewTable();
    settings.Set("Kept", 1);
    EXPECT_EQ(app.CallMember("GetCodecSettings", Arguments(Table({{"CodecSettings", settings}})))
                  .ToInteger("Kept"),
              1);
    // Still serving, then quitting by the idle rule.
    EXPECT_TRUE(ExitedWithZero(server.WaitForExit(kIdleQuitMs)));
}

TEST(ServerShutdown, AMovieThreadThatDoesNotEndIsLeftAndTheServerStillExits) {
    ScratchFolder scratch("qts-stuck");
    QTServerProcess server(Serving(scratch.WriteRegistry(TEST_STUCK_MODULE_DIR)));
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ASSERT_TRUE(app.CallMember("NewState").IsRemoteObject());
    // Idle quit after 5 s, then at most 10 s for the movie thread.
    EXPECT_TRUE(ExitedWithZero(server.WaitForExit(kStuckQuitMs)));
    EXPECT_FALSE(Exists(server.socketFolder()));
}

class ServerCrash : public ::testing::Test {
  protected:
    // Crashes the server and answers its report.
    std::string CrashAndReadReport(QTServerProcess& server) {
        kill(server.pid(), SIGSEGV);
        EXPECT_TRUE(DiedOfTheCrash(server.WaitForExit(kStartMs)));
        std::ifstream file(crashes_.path() + "/TarselQTServer-" + std::to_string(server.pid()) +
                           "-crash.txt");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    ScratchFolder scratch_{"qts-crash"};
    ScratchFolder crashes_{"qts-reports"};
};

TEST_F(ServerCrash, TheReportHasEveryHeadingAndNoVersionBeforeTheModuleStarted) {
    QTServerProcess server(Serving(scratch_.WriteRegistry(TEST_MOVIE_MODULE_DIR), crashes_.path()));
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    const std::string report = CrashAndReadReport(server);
    size_t at = 0;
    for (const char* heading :
         {"TarselQTServer Config:\r\n", "\tVersion: 8.0 build 16\r\n", "\tDate: ",
          "\tQuickTime Mov Count: 0\r\n", "\tQuickTime Map Count: 0\r\n", "\r\n\r\nOS Version:\r\n",
          "\r\n\r\nSystem Info:\r\n", "\r\n\r\nMemory Info:\r\n", "\tHandles: ", "\r\nDone\r\n"}) {
        size_t found = report.find(heading, at);
        ASSERT_NE(found, std::string::npos) << heading << " in:\n" << report;
        at = found;
    }
    EXPECT_EQ(report.find("QuickTime Version"), std::string::npos);
    EXPECT_TRUE(report.ends_with("\r\n\r\nDone\r\n"));
}

TEST_F(ServerCrash, TheReportNamesTheModulesVersionOnceItHasStarted) {
    QTServerProcess server(Serving(scratch_.WriteRegistry(TEST_MOVIE_MODULE_DIR), crashes_.path()));
    ScriptVal app = server.Connect();
    ASSERT_TRUE(app.IsRemoteObject());
    ScriptVal state = app.CallMember("NewState");
    ASSERT_TRUE(state.IsRemoteObject());
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, state);
    args.Set(2, "/nonexistent.mov");
    app.CallMember("LoadHeader", args);
    const std::string report = CrashAndReadReport(server);
    EXPECT_NE(report.find("\tQuickTime Version: 1.0.0\r\n\tQuickTime Mov Count: 1\r\n"),
              std::string::npos)
        << report;
}

} // namespace
