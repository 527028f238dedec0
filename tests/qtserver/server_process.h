// The real TarselQTServer as a child process, for the process tests.
#pragma once

#include "tarsel/script_val.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

// A private scratch folder, removed with everything in it.
class ScratchFolder {
  public:
    explicit ScratchFolder(const char* label);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    // Writes a key file naming `systemFolder` as the movie module's folder.
    std::string WriteRegistry(const std::string& systemFolder) const;

  private:
    std::string path_;
};

class QTServerProcess {
  public:
    struct Options {
        std::string registryFile; // TARSEL_REGISTRY for the server
        std::string crashFolder;  // TARSEL_CRASH_DIR for the server
        bool withArgument = true;
        std::string socketFolder;    // where the socket goes; a fresh folder when empty
        std::string noClientSeconds; // the server's no-client time when not empty
    };
    explicit QTServerProcess(const Options& options);
    // Kills a server still running and removes what it left.
    ~QTServerProcess();
    QTServerProcess(const QTServerProcess&) = delete;
    QTServerProcess& operator=(const QTServerProcess&) = delete;

    // A new connection's application object, nil when it cannot connect.
    ScriptVal Connect(int timeoutMs = 30000) const;
    // Waits up to `timeoutMs` for the server to end; its wait status, or
    // nothing while it still runs.
    std::optional<int> WaitForExit(int timeoutMs);
    // Names of the server's threads now.
    std::vector<std::string> ThreadNames() const;

    pid_t pid() const { return pid_; }
    // When the process was started: its idle time cannot begin earlier.
    std::chrono::steady_clock::time_point startedAt() const { return startedAt_; }
    const std::string& socketPath() const { return socketPath_; }
    const std::string& socketFolder() const { return socketFolder_; }

  private:
    pid_t pid_ = -1;
    std::chrono::steady_clock::time_point startedAt_;
    bool ended_ = false;
    std::string socketFolder_;
    std::string socketPath_;
};

// What a server run to its end with `arguments` printed and its wait status.
struct ServerRun {
    std::optional<int> status; // nothing when it did not end in time (it is killed)
    std::string output;        // standard output and error together
};
ServerRun RunServerToEnd(const std::vector<std::string>& arguments, int timeoutMs);
