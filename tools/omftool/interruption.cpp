#include "interruption.h"

#include "command_line.h"
#include "output_file.h"

#include <csignal>
#include <cstdlib>

#include <signal.h>

namespace omftool {

namespace {

// The test hook's variable: the frame after which the process stops itself.
constexpr const char* kStopAfterFrameVariable = "OMFTOOL_STOP_AFTER_FRAME";

// The signal that arrived, 0 while none. Process-wide by nature: the handler sets it.
volatile std::sig_atomic_t arrivedSignal = 0;

void setHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Calls in progress (a movie server's answer, a write) go on; the flag is asked after them.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, nullptr);
}

void onSignal(int signal) {
    if (arrivedSignal != 0) {
        // A second signal: what can go without unwinding goes, then the default action.
        removeLiveTemporaries();
        setHandler(signal, SIG_DFL);
        raise(signal);
        return;
    }
    arrivedSignal = signal;
}

} // namespace

void installInterruptHandlers() {
    setHandler(SIGINT, onSignal);
    setHandler(SIGTERM, onSignal);
    setHandler(SIGXFSZ, SIG_IGN);
}

bool interrupted() {
    return arrivedSignal != 0;
}

int interruptedStatus() {
    switch (arrivedSignal) {
    case SIGINT:
        return kExitInterrupted;
    case SIGTERM:
        return kExitTerminated;
    default:
        return 0;
    }
}

const char* interruptionText() {
    return arrivedSignal == SIGTERM ? "terminated by SIGTERM" : "interrupted by SIGINT";
}

void frameWritten(int64_t framesWritten) {
    static const int64_t stopAfter = [] {
        const char* text = std::getenv(kStopAfterFrameVariable);
        return text != nullptr ? std::atoll(text) : int64_t{0};
    }();
    if (stopAfter > 0 && framesWritten == stopAfter) raise(SIGSTOP);
}

} // namespace omftool
