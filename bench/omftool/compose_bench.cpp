// omftool compose of a one-hour session: 200 clips on one audio track, each a whole 48 kHz
// 24-bit mono file of 18 seconds, against copying the same 200 files with cp. Each iteration
// times both on the same warm files, so the ratio comes from one run; the goal is compose
// within 1.5 times cp. compose also flushes its file to disk and reads it back.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMF_BENCH=ON -DOMF_TESTS=OFF
//   cmake --build build-bench --target omftool_compose_bench
//   build-bench/bench/omftool/omftool_compose_bench
#include "compose_command.h"

#include <sndfile.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kClips = 200;
constexpr int kSampleRate = 48000;
constexpr int kClipSeconds = 3600 / kClips;
constexpr int kEditRate = 25;

std::string clipName(int clip) {
    return "clip" + std::to_string(clip) + ".wav";
}

// The 200 files and the timeline naming them, written once.
bool writeSession(const fs::path& folder) {
    const fs::path timeline = folder / "session.otio";
    if (fs::exists(timeline)) return true;
    fs::create_directories(folder / "sound");
    std::vector<int32_t> samples(std::size_t(kSampleRate) * kClipSeconds);
    std::string children;
    for (int clip = 0; clip < kClips; ++clip) {
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = int32_t(uint32_t(i * 2654435761u + uint32_t(clip)) & 0xFFFFFF00u);
        SF_INFO info{};
        info.channels = 1;
        info.samplerate = kSampleRate;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_24;
        SNDFILE* file = sf_open((folder / "sound" / clipName(clip)).c_str(), SFM_WRITE, &info);
        if (file == nullptr) return false;
        sf_write_int(file, samples.data(), sf_count_t(samples.size()));
        sf_close(file);
        std::ostringstream item;
        item << (clip == 0 ? "" : ",") << R"({"OTIO_SCHEMA": "Clip.1", "name": "clip )" << clip
             << R"(", "source_range": {"OTIO_SCHEMA": "TimeRange.1", "start_time": )"
             << R"({"OTIO_SCHEMA": "RationalTime.1", "value": 0, "rate": )" << kEditRate
             << R"(}, "duration": {"OTIO_SCHEMA": "RationalTime.1", "value": )"
             << kClipSeconds * kEditRate << R"(, "rate": )" << kEditRate
             << R"(}}, "media_reference": {"OTIO_SCHEMA": "ExternalReference.1", )"
             << R"("target_url": "sound/)" << clipName(clip) << R"("}})";
        children += item.str();
    }
    std::ofstream(timeline) << R"({"OTIO_SCHEMA": "Timeline.1", "name": "Hour", "tracks": )"
                            << R"({"OTIO_SCHEMA": "Stack.1", "children": [{"OTIO_SCHEMA": )"
                            << R"("Track.1", "kind": "Audio", "children": [)" << children
                            << "]}]}}";
    return true;
}

void BM_ComposeAgainstCp(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "omftool_compose_bench";
    if (!writeSession(folder)) {
        state.SkipWithError("cannot write the session's sound files");
        return;
    }
    const std::string omf = (folder / "hour.omf").string();
    const fs::path copy = folder / "copy";
    double composeSeconds = 0, copySeconds = 0;
    for (auto _ : state) {
        fs::remove(omf);
        fs::remove_all(copy);
        fs::create_directories(copy);
        const auto start = std::chrono::steady_clock::now();
        const std::string cp = "cp " + (folder / "sound").string() + "/*.wav " + copy.string();
        if (std::system(cp.c_str()) != 0) {
            state.SkipWithError("cp failed");
            return;
        }
        const auto copied = std::chrono::steady_clock::now();
        omftool::ComposeCommandOptions options;
        options.timeline = (folder / "session.otio").string();
        options.output = omf;
        std::ostringstream out, err;
        if (omftool::runCompose(options, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        const auto composed = std::chrono::steady_clock::now();
        copySeconds += std::chrono::duration<double>(copied - start).count();
        composeSeconds += std::chrono::duration<double>(composed - copied).count();
    }
    state.counters["cp_s"] = copySeconds / double(state.iterations());
    state.counters["compose_s"] = composeSeconds / double(state.iterations());
    state.counters["ratio"] = composeSeconds / copySeconds;
    fs::remove(omf);
    fs::remove_all(copy);
}
BENCHMARK(BM_ComposeAgainstCp)->Unit(benchmark::kSecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
