// Crash reports: a signal handler that writes a report file and lets the
// process die as it would have.
#include "tarsel/exception_handler.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kHandledSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t kNumSignals = std::size(kHandledSignals);
constexpr size_t kPathCapacity = 1024;
constexpr size_t kAltStackSize = 64 * 1024;

// What the handler needs, prepared at Init so the handler itself only uses
// async-signal-safe calls.
struct HandlerState {
    TsExceptionCallback callback = nullptr;
    TsExceptionAfterCallback after = nullptr;
    char version[128] = {};
    char directory[kPathCapacity / 2] = {};
    char program[128] = {};
    struct sigaction previous[kNumSignals] = {};
    stack_t previousStack = {};
    void* altStack = nullptr;
    bool installed = false;
};

HandlerState g_state;          // guarded by g_initLock outside the signal handler
std::mutex g_initLock;         // serialises Init and CleanUp
std::atomic<bool> g_reporting; // set by the first crashing thread

// Minimal formatting helpers that are safe inside a signal handler.
struct Writer {
    char* out;
    size_t capacity;
    size_t length = 0;

    void Text(const char* text) {
        while (*text && length + 1 < capacity)
            out[length++] = *text++;
        out[length] = '\0';
    }
    void Unsigned(unsigned long long value, int base = 10) {
        char digits[32];
        int count = 0;
        do {
            int digit = static_cast<int>(value % base);
            digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
            value /= base;
        } while (value && count < 32);
        char text[33];
        for (int i = 0; i < count; ++i)
            text[i] = digits[count - 1 - i];
        text[count] = '\0';
        Text(text);
    }
};

void WriteAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        ssize_t written = write(fd, text, length);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

void BuildReportPath(char* out, size_t capacity, long pid) {
    Writer path{out, capacity};
    path.Text(g_state.directory);
    path.Text("/");
    path.Text(g_state.program);
    path.Text("-");
    path.Unsigned(static_cast<unsigned long long>(pid));
    path.Text("-crash.txt");
}

int SignalIndex(int signal) {
    for (size_t i = 0; i < kNumSignals; ++i)
        if (kHandledSignals[i] == signal) return static_cast<int>(i);
    return -1;
}

void OnCrash(int signal, siginfo_t* info, void* context) {
    int index = SignalIndex(signal);
    // Only the first crashing thread reports; the others wait to die with it.
    if (!g_reporting.exchange(true)) {
        char path[kPathCapacity];
        BuildReportPath(path, sizeof path, static_cast<long>(getpid()));
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

        char line[kPathCapacity + 64];
        Writer message{line, sizeof line};
        message.Text("Crash report: ");
        message.Text(fd >= 0 ? path : "(could not be created)");
        message.Text("\n");
        WriteAll(STDERR_FILENO, line, message.length);

        if (fd >= 0) {
            Writer header{line, sizeof line};
            header.Text(g_state.program);
            header.Text(" ");
            header.Text(g_state.version);
            header.Text(": signal ");
            header.Unsigned(static_cast<unsigned>(signal));
            header.Text(" at address 0x");
            header.Unsigned(reinterpret_cast<uintptr_t>(info ? info->si_addr : nullptr), 16);
            header.Text("\n");
            WriteAll(fd, line, header.length);
            if (g_state.callback) {
                TsExceptionInfo details{signal, info ? info->si_addr : nullptr, context};
                g_state.callback(fd, &details);
            }
            close(fd);
        }
        if (g_state.after) g_state.after(signal);
    }
    // Put back what was there before and deliver the signal again: it stays
    // pending until this handler returns, then acts as it would have. A fault
    // from an instruction simply recurs when the instruction is retried.
    if (index >= 0) sigaction(signal, &g_state.previous[index], nullptr);
    raise(signal);
}

const char* ProgramName() {
    static char name[128];
    ssize_t length = readlink("/proc/self/exe", name, sizeof name - 1);
    if (length <= 0) return "process";
    name[length] = '\0';
    const char* slash = std::strrchr(name, '/');
    return slash ? slash + 1 : name;
}

void CopyText(char* out, size_t capacity, const char* text) {
    Writer writer{out, capacity};
    writer.Text(text ? text : "");
}

} // namespace

bool TsExceptionHandler::Init(TsExceptionCallback callback, TsExceptionAfterCallback after,
                              const char* versionText, bool /*interactive*/) {
    std::lock_guard guard(g_initLock);
    if (g_state.installed) return false;
    g_state.callback = callback;
    g_state.after = after;
    CopyText(g_state.version, sizeof g_state.version, versionText);
    const char* directory = std::getenv("TARSEL_CRASH_DIR");
    CopyText(g_state.directory, sizeof g_state.directory,
             directory && *directory ? directory : "/tmp");
    CopyText(g_state.program, sizeof g_state.program, ProgramName());
    g_reporting = false;

    // An alternate stack lets the handler run after a stack overflow.
    g_state.altStack = std::malloc(kAltStackSize);
    if (g_state.altStack) {
        stack_t stack{};
        stack.ss_sp = g_state.altStack;
        stack.ss_size = kAltStackSize;
        sigaltstack(&stack, &g_state.previousStack);
    }

    struct sigaction action {};
    action.sa_sigaction = OnCrash;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < kNumSignals; ++i)
        sigaction(kHandledSignals[i], &action, &g_state.previous[i]);
    g_state.installed = true;
    return true;
}

void TsExceptionHandler::CleanUp() {
    std::lock_guard guard(g_initLock);
    if (!g_state.installed) return;
    for (size_t i = 0; i < kNumSignals; ++i)
        sigaction(kHandledSignals[i], &g_state.previous[i], nullptr);
    if (g_state.altStack) {
        sigaltstack(&g_state.previousStack, nullptr);
        std::free(g_state.altStack);
        g_state.altStack = nullptr;
    }
    g_state.callback = nullptr;
    g_state.after = nullptr;
    g_state.installed = false;
}

std::string TsExceptionHandler::ReportPath() {
    std::lock_guard guard(g_initLock);
    char path[kPathCapacity];
    BuildReportPath(path, sizeof path, static_cast<long>(getpid()));
    return path;
}
