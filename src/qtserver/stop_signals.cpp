// Stop signals recorded in a flag the main loop reads.
#include "stop_signals.h"

#include <csignal>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first stop signal received; written by the handler only.
volatile std::sig_atomic_t g_stopSignal = 0;

void RecordStopSignal(int signal) {
    if (g_stopSignal == 0) g_stopSignal = signal;
}

} // namespace

void InstallStopSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = &RecordStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignals)
        sigaction(signal, &action, nullptr);
}

int StopSignalReceived() {
    return g_stopSignal;
}
