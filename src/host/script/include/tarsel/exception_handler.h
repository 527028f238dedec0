// Crash reporting. Once installed, a crashing signal (SIGSEGV, SIGBUS,
// SIGFPE, SIGILL, SIGABRT) opens a report file, prints its path to standard
// error, writes a header line, calls the registered callback with the open
// file, closes it, and lets the process die as it would have without the
// handler.
//
// The report goes to the folder named by the environment variable
// TARSEL_CRASH_DIR (read at Init), else /tmp, as "<program>-<pid>-crash.txt".
#pragma once

#include <string>

struct TsExceptionInfo {
    int signal;           // the signal number
    void* faultAddress;   // the faulting address for memory faults, else null
    void* machineContext; // the ucontext_t of the fault
};

// Writes into the open report file; must be async-signal-safe (write(2)).
using TsExceptionCallback = void (*)(int reportFd, const TsExceptionInfo* info);
// Called after the report is closed, before the process dies.
using TsExceptionAfterCallback = void (*)(int signal);

class TsExceptionHandler {
  public:
    // Installs the handler. `versionText` goes into the header line.
    // `interactive` would ask the user first on a desktop host; here reports
    // are always written without asking. Answers false when already installed.
    static bool Init(TsExceptionCallback callback, TsExceptionAfterCallback after,
                     const char* versionText, bool interactive);
    // Restores the handlers that were there before Init.
    static void CleanUp();
    // The report path a crash of this process would use now.
    static std::string ReportPath();
};
