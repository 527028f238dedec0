// QTServerProcess and ScratchFolder.
#include "server_process.h"

#include "command_line.h"
#include "movie_library.h"

#include "platform/registry.h"
#include "tarsel/remote.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {
std::atomic<int> g_serial{0};
// The scripting library's variable naming the folder of crash reports.
constexpr std::string_view kCrashFolderVariable = "TARSEL_CRASH_DIR";
} // namespace

ScratchFolder::ScratchFolder(const char* label) {
    std::string pattern = "/tmp/tarsel-" + std::string(label) + "-XXXXXX";
    if (mkdtemp(pattern.data())) path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::WriteRegistry(const std::string& systemFolder) const {
    const std::string file = path_ + "/registry.reg";
    std::ofstream out(file);
    out << "[" << kMovieRegistryKey << "]\n\"QTSysDir\"=\"" << systemFolder << "\"\n";
    return file;
}

QTServerProcess::QTServerProcess(const Options& options) {
    socketFolder_ =
        !options.socketFolder.empty()
            ? options.socketFolder
            : "/tmp/tarsel-qts-test-" + std::to_string(getpid()) + "-" + std::to_string(g_serial++);
    socketPath_ = socketFolder_ + "/server.sock";
    // Everything the child needs is prepared before fork: the child only execs.
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        std::string entry = *variable;
        if (!entry.starts_with(std::string(platform::kRegistryFileVariable) + "=") &&
            !entry.starts_with(std::string(kCrashFolderVariable) + "=") &&
            !entry.starts_with(std::string(kNoClientTimeoutVariable) + "="))
            environment.push_back(entry);
    }
    if (!options.noClientSeconds.empty())
        environment.push_back(std::string(kNoClientTimeoutVariable) + "=" +
                              options.noClientSeconds);
    if (!options.registryFile.empty())
        environment.push_back(std::string(platform::kRegistryFileVariable) + "=" +
                              options.registryFile);
    if (!options.crashFolder.empty())
        environment.push_back(std::string(kCrashFolderVariable) + "=" + options.crashFolder);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = TEST_QTSERVER;
    std::vector<char*> argv = {program.data()};
    if (options.withArgument) argv.push_back(socketPath_.data());
    argv.push_back(nullptr);
    startedAt_ = std::chrono::steady_clock::now();
    pid_ = fork();
    if (pid_ == 0) {
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
}

QTServerProcess::~QTServerProcess() {
    if (!ended_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        int status;
        waitpid(pid_, &status, 0);
    }
    unlink(socketPath_.c_str());
    rmdir(socketFolder_.c_str());
}

ScriptVal QTServerProcess::Connect(int timeoutMs) const {
    return ConnectScriptServer(socketPath_, timeoutMs);
}

std::optional<int> QTServerProcess::WaitForExit(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            ended_ = true;
            return status;
        }
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::string> QTServerProcess::ThreadNames() const {
    std::vector<std::string> names;
    std::error_code error;
    const std::string tasks = "/proc/" + std::to_string(pid_) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks, error)) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        names.push_back(name);
    }
    return names;
}

ServerRun RunServerToEnd(const std::vector<std::string>& arguments, int timeoutMs) {
    ServerRun run;
    int output[2];
    if (pipe2(output, O_CLOEXEC) != 0) return run;
    std::string program = TEST_QTSERVER;
    std::vector<std::string> words = arguments;
    std::vector<char*> argv = {program.data()};
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(output[1], STDOUT_FILENO);
        dup2(output[1], STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(output[1]);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pollfd readable{output[0], POLLIN, 0};
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0 || poll(&readable, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t got = read(output[0], buffer, sizeof buffer);
        if (got <= 0) break;
        run.output.append(buffer, static_cast<size_t>(got));
    }
    close(output[0]);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.status = status;
    return run;
}
