// omftool export --clips on an hour of 48 kHz 24-bit mono sound cut into 200 clips of one
// composition track, against reading the same samples through omfmReadMediaSamples alone
// (65536 frames at a time, as export reads). Each iteration times both, so the ratio comes from
// one run on the same warm file; the goal is export within 1.3 times the read. Export also
// writes (and flushes to disk) the master and every clip, twice the samples read: the floor
// counter times writing and flushing as many bytes plainly, and floor_ratio is export against
// the read plus that floor.
//
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DOMF_BENCH=ON -DOMF_TESTS=OFF
//   cmake --build build-bench --target omftool_export_bench
//   build-bench/bench/omftool/omftool_export_bench
#include "composition_export.h"
#include "master_mob_search.h"
#include "media_handle.h"
#include "open_omf_file.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr omfRational_t kSampleRate{48000, 1};
constexpr omfRational_t kEditRate{25, 1};
constexpr omfInt16 kBits = 24;
constexpr int64_t kSamples = int64_t{48000} * 3600; // an hour
constexpr int kClips = 200;
constexpr omfLength_t kClipFrames = 3600 * 25 / kClips;
constexpr omfInt32 kBlock = 65536;

#define BENCH_CHECK(expression)                                                                    \
    do {                                                                                           \
        if (omfErr_t benchStatus_ = (expression); benchStatus_ != 0) return benchStatus_;          \
    } while (0)

omfErr_t writeHour(omfHdl_t file) {
    omfObject_t sound = nullptr, master = nullptr, fileMob = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Sound", &sound, &status)) return status;
    BENCH_CHECK(omfmCreateMasterMob(file, "Hour", 4, &master));
    BENCH_CHECK(omfmCreateFileMob(file, "Hour", kSampleRate, "WAVE", &fileMob));
    omftool::MediaHandle media;
    BENCH_CHECK(omfmCreateAudioMedia(file, master, fileMob, kSampleRate, 1, kBits, media.out()));
    std::vector<uint8_t> block(size_t(kBlock) * 3);
    for (int64_t done = 0; done < kSamples; done += kBlock) {
        const auto count = omfInt32(std::min<int64_t>(kBlock, kSamples - done));
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = uint8_t(i * 31 + size_t(done));
        omfmMultiXfer_t transfer{1, count, count * 3, block.data(), 0, 0};
        BENCH_CHECK(omfmWriteMultiSamples(media.get(), 1, &transfer));
    }
    BENCH_CHECK(media.close());
    omfMobID_t masterID{}, id{};
    BENCH_CHECK(omfiReadMobID(file, master, &masterID));
    omfObject_t sequence = nullptr, clip = nullptr, composition = nullptr;
    BENCH_CHECK(omfiSequenceNew(file, sound, &sequence));
    for (int i = 0; i < kClips; ++i) {
        BENCH_CHECK(omfiMakeSourceClip(file, sound, kClipFrames,
                                       omfSourceRef_t{masterID, 1, i * kClipFrames}, &clip));
        BENCH_CHECK(omfiSequenceAppendCpnt(file, sequence, clip));
    }
    BENCH_CHECK(omfiMobIDNew(file, &id));
    BENCH_CHECK(omfiCompMobNew(file, "Hour", true, id, &composition));
    return omfiAddTrackToMob(file, composition, kEditRate, sequence, 0, 1, "A1", nullptr);
}

bool writeFixture(const std::string& path) {
    return fs::exists(path) ||
           omftool::writeNewOMFFile(path, "1.0 benchmark", kOmfRev2x, writeHour) == 0;
}

// Reads every sample of the master through the media calls as export does.
bool readHour(const std::string& path) {
    omftool::OpenOMFFile opened(path, omftool::MediaLayer::kWith);
    int error = 0;
    std::string message;
    if (!opened.opened(error, message)) return false;
    omftool::MediaMob master;
    omftool::MediaFailure failure;
    if (!omftool::findMasterMob(opened.file(), omftool::kSoundMedia, {"Hour", 0}, master, failure))
        return false;
    omftool::MediaHandle media;
    if (omfmOpenMedia(opened.file(), master.mob, master.trackID, nullptr, kMediaOpenReadOnly, 0,
                      media.out()) != 0)
        return false;
    omfFormatEntry_t memory[3] = {omfmFormatEntry(kOmfAudioSampleBits),
                                  omfmFormatEntry(kOmfAudioSampleFormat), omfmFormatEntry(0)};
    memory[0].operand.int16 = kBits;
    memory[1].operand.int32 = kOmfTwosComplement;
    if (omfmSetMemoryFormat(media.get(), memory) != 0) return false;
    std::vector<uint8_t> block(size_t(kBlock) * 3);
    for (int64_t done = 0; done < kSamples; done += kBlock) {
        const auto count = omfInt32(std::min<int64_t>(kBlock, kSamples - done));
        omfInt32 samples = 0, bytes = 0;
        if (omfmReadMediaSamples(media.get(), count, omfInt32(block.size()), block.data(), &samples,
                                 &bytes) != 0)
            return false;
        benchmark::DoNotOptimize(block.data());
    }
    return true;
}

// Writes and flushes `bytes` bytes to `path` in export's block size, as the floor of what
// writing the files costs.
bool writePlainly(const std::string& path, int64_t bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    std::vector<uint8_t> block(size_t(kBlock) * 3, 1);
    bool written = true;
    for (int64_t done = 0; written && done < bytes; done += int64_t(block.size()))
        written = ::write(fd, block.data(), block.size()) == ssize_t(block.size());
    written = written && ::fsync(fd) == 0;
    ::close(fd);
    ::unlink(path.c_str());
    return written;
}

void BM_ExportClipsAgainstRead(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / "omftool_export_bench";
    fs::create_directories(folder);
    const std::string file = (folder / "hour.omf").string();
    if (!writeFixture(file)) {
        state.SkipWithError("cannot write the hour of sound");
        return;
    }
    const std::string output = (folder / "out").string();
    double readSeconds = 0, exportSeconds = 0, floorSeconds = 0;
    for (auto _ : state) {
        fs::remove_all(output);
        const auto start = std::chrono::steady_clock::now();
        if (!readHour(file)) {
            state.SkipWithError("cannot read the hour of sound");
            return;
        }
        const auto read = std::chrono::steady_clock::now();
        omftool::ExportOptions options;
        options.file = file;
        options.folder = output;
        options.clips = true;
        std::ostringstream out, err;
        if (omftool::runExport(options, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        const auto exported = std::chrono::steady_clock::now();
        fs::remove_all(output);
        const auto plain = std::chrono::steady_clock::now();
        if (!writePlainly((folder / "plain").string(), 2 * kSamples * 3)) {
            state.SkipWithError("cannot write plainly");
            return;
        }
        floorSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - plain).count();
        readSeconds += std::chrono::duration<double>(read - start).count();
        exportSeconds += std::chrono::duration<double>(exported - read).count();
    }
    state.counters["read_s"] = readSeconds / double(state.iterations());
    state.counters["export_s"] = exportSeconds / double(state.iterations());
    state.counters["floor_s"] = floorSeconds / double(state.iterations());
    state.counters["ratio"] = exportSeconds / readSeconds;
    state.counters["floor_ratio"] = exportSeconds / (readSeconds + floorSeconds);
    fs::remove_all(output);
}
BENCHMARK(BM_ExportClipsAgainstRead)->Unit(benchmark::kSecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
