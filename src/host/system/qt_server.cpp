// Starting, finding and stopping the movie server process.
#include "tarsel/system/qt_server.h"

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "tarsel/remote.h"

extern char** environ;

ScriptVal g_QTRemoteApp;

namespace {

// Longest socket path a Unix-domain address holds, with its terminating zero.
constexpr std::size_t MaxSocketPath = 107;
// One connection attempt's wait while polling the starting server.
constexpr int ConnectAttemptMs = 100;
// How long an ending server gets after SIGTERM before SIGKILL.
constexpr auto StopGrace = std::chrono::milliseconds(2000);

// The server this process started. ServerLock guards it and g_QTRemoteApp's rebinding.
struct ServerProcess {
    pid_t Pid = 0;
    pid_t Starter = 0; // the process that started it: a forked copy of ours leaves it alone
    std::string SocketPath;
};
std::mutex ServerLock;
ServerProcess Server;

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string NextToExecutable() {
    std::error_code error;
    auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return (self.parent_path() / QTServerProgramName).string();
}

std::string NextToThisLibrary() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&QTServerProgramPath), &info) || !info.dli_fname) return {};
    return (std::filesystem::path(info.dli_fname).parent_path() / QTServerProgramName).string();
}

// The socket's file name inside its folder.
constexpr const char* SocketFileName = "/server.sock";

// A socket path no other start has used, in a folder of its own that does not exist yet
// (process ID, a counter and a random part): the server creates the folder private to this
// user and removes it with the socket when it ends.
std::string FreshSocketPath() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    char name[96];
    std::snprintf(name, sizeof name, "tarsel-qt-%d-%u-%08x%s", static_cast<int>(::getpid()),
                  counter.fetch_add(1), static_cast<unsigned>(random()), SocketFileName);
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* folder = std::getenv(variable);
        if (folder && *folder) {
            std::string path = std::string(folder) + "/" + name;
            std::error_code error;
            if (path.size() < MaxSocketPath && std::filesystem::is_directory(folder, error)) {
                return path;
            }
        }
    }
    return std::string("/tmp/") + name;
}

// True while the child runs; reaps it once it has ended.
bool ChildRuns(pid_t pid) {
    if (pid <= 0) return false;
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
}

// Ends the child: SIGTERM, a grace period, then SIGKILL; always reaps it.
void EndChild(pid_t pid) {
    if (pid <= 0) return;
    if (!ChildRuns(pid)) return;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + StopGrace;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!ChildRuns(pid)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// True while the server child runs; forgets its process ID once it has ended.
bool ServerRunsLocked() {
    if (ChildRuns(Server.Pid)) return true;
    Server.Pid = 0;
    return false;
}

void ForgetServerLocked() {
    if (g_QTRemoteApp.IsRemoteObject()) CloseScriptConnection(g_QTRemoteApp);
    g_QTRemoteApp = ScriptVal();
    if (Server.Starter == ::getpid()) {
        EndChild(Server.Pid);
        // What a server that did not end in order leaves: its socket and folder.
        if (!Server.SocketPath.empty()) {
            ::unlink(Server.SocketPath.c_str());
            ::rmdir(std::filesystem::path(Server.SocketPath).parent_path().c_str());
        }
    }
    Server = ServerProcess{};
}

bool ServerIsUpLocked() {
    return g_QTRemoteApp.IsRemoteObject() && IsScriptConnectionOpen(g_QTRemoteApp) &&
           ServerRunsLocked();
}

bool StartLocked() {
    if (ServerIsUpLocked()) return true;
    ForgetServerLocked();
    const std::string program = QTServerProgramPath();
    if (program.empty()) return false;

    std::string socketPath = FreshSocketPath();
    std::string programArg = program;
    char* argv[] = {programArg.data(), socketPath.data(), nullptr};
    // The server gets a process group of its own: a Ctrl-C on the terminal interrupts the
    // host, which disposes of its states (and their shared sections) and then ends the server.
    posix_spawnattr_t attributes;
    if (::posix_spawnattr_init(&attributes) != 0) return false;
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    ::posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return false;
    Server.Pid = pid;
    Server.Starter = ::getpid();
    Server.SocketPath = socketPath;

    // Poll until the server accepts; give up early when it has already ended.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(QTServerStartTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        ScriptVal app = ConnectScriptServer(socketPath, ConnectAttemptMs);
        if (app.IsRemoteObject()) {
            g_QTRemoteApp = app;
            return true;
        }
        if (!ServerRunsLocked()) break;
    }
    ForgetServerLocked();
    return false;
}

// Ends the server when the process exits.
struct ServerReaper {
    ~ServerReaper() { StopQTServer(); }
} Reaper;

} // namespace

std::string QTServerProgramPath() {
    if (const char* configured = std::getenv(QTServerPathVariable); configured && *configured) {
        return IsExecutableFile(configured) ? std::string(configured) : std::string();
    }
    for (const std::string& candidate : {NextToExecutable(), NextToThisLibrary()}) {
        if (IsExecutableFile(candidate)) return candidate;
    }
    return {};
}

bool StartQTServer() {
    std::lock_guard guard(ServerLock);
    return StartLocked();
}

bool StartQTServer(ScriptVal& reference, Object*) {
    std::lock_guard guard(ServerLock);
    if (reference.IsRemoteObject() && IsScriptConnectionOpen(reference) && ServerRunsLocked()) {
        return true;
    }
    const bool started = StartLocked();
    reference = started ? g_QTRemoteApp : ScriptVal();
    return started;
}

void StopQTServer() {
    std::lock_guard guard(ServerLock);
    ForgetServerLocked();
}

int QTServerProcessID() {
    std::lock_guard guard(ServerLock);
    return ServerRunsLocked() ? static_cast<int>(Server.Pid) : 0;
}
