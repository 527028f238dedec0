// Stop signals recorded in a flag the main loop reads.
#include "stop_signals.h"

#include <atomic>
#include <csignal>

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The first stop signal received; written by the handler only, on whichever
// thread the signal arrives, so a lock-free atomic rather than a plain flag.
std::atomic<int> g_stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only use lock-free atomics");

void RecordStopSignal(int signal) {
    int none = 0;
    g_stopSignal.compare_exchange_strong(none, signal);
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
    return g_stopSignal.load();
}
