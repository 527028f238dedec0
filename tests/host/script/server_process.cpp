// ServerProcess: the test server as a child process.
#include "server_process.h"

#include "tarsel/remote.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

namespace {
std::atomic<int> g_serial{0};
}

ServerProcess::ServerProcess(int sendTimeoutMs) {
    // The server makes the socket's private folder; a killed one leaves it.
    folder_ =
        "/tmp/tarsel-script-test-" + std::to_string(getpid()) + "-" + std::to_string(g_serial++);
    path_ = folder_ + "/server.sock";
    unlink(path_.c_str());
    pid_ = fork();
    if (pid_ == 0) {
        if (sendTimeoutMs > 0)
            setenv("TARSEL_TEST_SEND_TIMEOUT_MS", std::to_string(sendTimeoutMs).c_str(), 1);
        execl(SCRIPT_TEST_SERVER, SCRIPT_TEST_SERVER, path_.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

ServerProcess::~ServerProcess() {
    Kill();
    unlink(path_.c_str());
    rmdir(folder_.c_str());
}

ScriptVal ServerProcess::Connect(int timeoutMs) const {
    return ConnectScriptServer(path_, timeoutMs);
}

void ServerProcess::Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}
