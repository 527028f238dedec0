// Remote-call costs against the raw socket they travel on.
//
// Two serving child processes are forked at start: one serves remote calls
// through the scripting library, one echoes raw frames on a Unix-domain
// socket. Each measurement has a raw twin moving the same bytes the same
// way, and the ratios are printed after the runs:
//   empty call        vs  1-byte ping-pong
//   1.4 MB echo call  vs  1.4 MB sent and received back
#include "tarsel/remote.h"
#include "tarsel/script_object.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr size_t kBlockBytes = 1400 * 1024;

// ---- The serving child ----

ScriptInfo g_benchInfo(1, "BenchServer", "", "");

class BenchApp : public ScriptObject {
  public:
    BenchApp() { _SetScriptInfo(&g_benchInfo); }
};

void Empty(ScriptObject*, ScriptArgs&) {}
void Echo(ScriptObject*, ScriptArgs& args) {
    if (const ScriptVal* value = args.FindKeyConst(1)) args.Return(*value);
}
ScriptSymbol g_empty(1, "Empty", kScriptSymbolMethod, Empty, &g_benchInfo);
ScriptSymbol g_echo(1, "Echo", kScriptSymbolMethod, Echo, &g_benchInfo);

BenchApp* g_app = nullptr;
ScriptObject* GetApp() {
    return g_app;
}

[[noreturn]] void ServeScripting(const std::string& path) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    static ScriptConfig config;
    config.connectionArg = path.c_str();
    config.getAppObject = GetApp;
    RefObject<BenchApp> app(new BenchApp);
    g_app = app.get();
    if (!InitScripting(&config) || !StartScripting()) _exit(1);
    for (;;)
        pause();
}

// ---- The raw echo child: frames of a 4-byte length and that many bytes ----

bool ReadAll(int fd, void* out, size_t size) {
    auto* bytes = static_cast<char*>(out);
    while (size > 0) {
        ssize_t got = recv(fd, bytes, size, 0);
        if (got <= 0) return false;
        bytes += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

[[noreturn]] void ServeRawEcho(int fd) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::vector<char> buffer;
    uint32_t size = 0;
    while (ReadAll(fd, &size, sizeof size)) {
        buffer.resize(size);
        if (!ReadAll(fd, buffer.data(), size) || !WriteAll(fd, &size, sizeof size) ||
            !WriteAll(fd, buffer.data(), size))
            break;
    }
    _exit(0);
}

// ---- The measuring side ----

ScriptVal g_remoteApp;
int g_rawFd = -1;

// One raw round trip: send a frame of `size` bytes, receive it back.
bool RawRoundTrip(const std::vector<char>& out, std::vector<char>& in) {
    uint32_t size = static_cast<uint32_t>(out.size());
    if (!WriteAll(g_rawFd, &size, sizeof size) || !WriteAll(g_rawFd, out.data(), size))
        return false;
    uint32_t back = 0;
    if (!ReadAll(g_rawFd, &back, sizeof back)) return false;
    in.resize(back);
    return ReadAll(g_rawFd, in.data(), back);
}

void BM_RawPingPong(benchmark::State& state) {
    std::vector<char> out(1, 'x'), in;
    for (auto _ : state)
        if (!RawRoundTrip(out, in)) state.SkipWithError("raw echo failed");
}

void BM_RemoteEmptyCall(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(g_remoteApp.CallMember("Empty"));
}

void BM_RawBlockRoundTrip(benchmark::State& state) {
    std::vector<char> out(kBlockBytes, 'b'), in;
    for (auto _ : state)
        if (!RawRoundTrip(out, in) || in.size() != kBlockBytes)
            state.SkipWithError("raw echo failed");
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kBlockBytes));
}

void BM_RemoteBlockRoundTrip(benchmark::State& state) {
    ScriptVal args = ScriptVal::NewTable();
    args.Set(1, ScriptVal::NewMemBlock(nullptr, kBlockBytes));
    for (auto _ : state) {
        ScriptVal answer = g_remoteApp.CallMember("Echo", args);
        const MemBlock* block = answer.GetData();
        if (!block || block->size != kBlockBytes) state.SkipWithError("remote echo failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * 2 * kBlockBytes));
}

BENCHMARK(BM_RawPingPong);
BENCHMARK(BM_RemoteEmptyCall);
BENCHMARK(BM_RawBlockRoundTrip)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RemoteBlockRoundTrip)->Unit(benchmark::kMicrosecond);

// Prints the usual table and keeps each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> nanoseconds;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            double perIteration = run.real_accumulated_time / static_cast<double>(run.iterations);
            nanoseconds[run.benchmark_name()] = perIteration * 1e9;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const char* remote, const char* raw) const {
        auto r = nanoseconds.find(remote), w = nanoseconds.find(raw);
        if (r == nanoseconds.end() || w == nanoseconds.end() || w->second <= 0) return;
        std::printf("%-28s remote %10.1f us  raw %10.1f us  ratio %.2f\n", what, r->second / 1e3,
                    w->second / 1e3, r->second / w->second);
    }
};

} // namespace

int main(int argc, char** argv) {
    // Fork the serving children before any thread exists in this process.
    std::string path = "/tmp/tarsel-bench-" + std::to_string(getpid()) + ".sock";
    pid_t scripting = fork();
    if (scripting == 0) ServeScripting(path);
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return 1;
    pid_t raw = fork();
    if (raw == 0) {
        close(pair[0]);
        ServeRawEcho(pair[1]);
    }
    close(pair[1]);
    g_rawFd = pair[0];

    int status = 1;
    g_remoteApp = ConnectScriptServer(path, 10000);
    if (g_remoteApp.IsRemoteObject()) {
        benchmark::Initialize(&argc, argv);
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        std::printf("\n");
        reporter.PrintRatio("empty call / 1-byte ping", "BM_RemoteEmptyCall", "BM_RawPingPong");
        reporter.PrintRatio("1.4 MB block round trip", "BM_RemoteBlockRoundTrip",
                            "BM_RawBlockRoundTrip");
        status = 0;
    } else {
        std::fprintf(stderr, "cannot reach the serving child on %s\n", path.c_str());
    }
    g_remoteApp = ScriptVal();
    kill(scripting, SIGKILL);
    kill(raw, SIGKILL);
    waitpid(scripting, nullptr, 0);
    waitpid(raw, nullptr, 0);
    unlink(path.c_str());
    return status;
}
