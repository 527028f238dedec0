// Starts script_test_server in a child process on a fresh socket path.
#pragma once

#include "tarsel/script_val.h"

#include <string>

#include <sys/types.h>

class ServerProcess {
  public:
    // `sendTimeoutMs` > 0 shortens the server's time-out for clients that stop reading.
    explicit ServerProcess(int sendTimeoutMs = 0);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // A new connection's application object (nil when the server is not reachable).
    ScriptVal Connect(int timeoutMs = 20000) const;
    // Kills the server with SIGKILL and reaps it.
    void Kill();
    const std::string& path() const { return path_; }
    pid_t pid() const { return pid_; }

  private:
    std::string folder_;
    std::string path_;
    pid_t pid_ = -1;
};

// Polls `condition` every 10 ms for up to `timeoutMs`; true once it holds.
template <class Condition> bool Eventually(Condition condition, int timeoutMs = 20000);

#include <chrono>
#include <thread>

template <class Condition> bool Eventually(Condition condition, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
