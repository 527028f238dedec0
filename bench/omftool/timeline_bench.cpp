// `omftool timeline` (OpenTimelineIO to a stream) on compositions of 1,000 and 10,000 clips
// built in code: one picture track of clips from 20 master mobs, a dissolve after every tenth
// clip. The time must grow linearly with the number of clips.
//
//   cmake --build build-bench --target omftool_timeline_bench
//   build-bench/bench/omftool/omftool_timeline_bench
#include "open_omf_file.h"
#include "timeline_command.h"

#include "omf/omf_errors.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include "counting_buffer.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr omfRational_t kVideoRate{25, 1};
constexpr omfLength_t kMediaLength = 1000;
constexpr omfLength_t kClipLength = 50;
constexpr omfLength_t kDissolveLength = 10;
constexpr int kMasters = 20;
constexpr int kClipsPerDissolve = 10;
constexpr const char* kDissolve = "omfi:effect:SimpleVideoDissolve";

#define BENCH_CHECK(expression)                                                                    \
    do {                                                                                           \
        if (omfErr_t benchStatus_ = (expression); benchStatus_ != OM_ERR_NONE) return benchStatus_; \
    } while (0)

std::string benchFile(int clips) {
    return (std::filesystem::temp_directory_path() /
            ("omftool_timeline_bench_" + std::to_string(clips) + ".omf"))
        .string();
}

omfErr_t addMaster(omfHdl_t file, omfObject_t picture, int index, omfMobID_t& masterID) {
    const omfUID_t fileID{9, 1, 2 * static_cast<omfUInt32>(index) + 1};
    masterID = omfUID_t{9, 1, 2 * static_cast<omfUInt32>(index) + 2};
    omfObject_t descriptor = nullptr, fileMob = nullptr, master = nullptr, clip = nullptr;
    BENCH_CHECK(omfiFileDescriptorNew(file, "MDFL", kVideoRate, kMediaLength, &descriptor));
    BENCH_CHECK(omfiSourceMobNew(file, "media", fileID, descriptor, &fileMob));
    BENCH_CHECK(omfiMakeSourceClip(file, picture, kMediaLength, omfSourceRef_t{}, &clip));
    BENCH_CHECK(omfiAddTrackToMob(file, fileMob, kVideoRate, clip, 0, 1, nullptr, nullptr));
    BENCH_CHECK(omfiMasterMobNew(file, "master", false, masterID, &master));
    BENCH_CHECK(omfiMakeSourceClip(file, picture, kMediaLength, omfSourceRef_t{fileID, 1, 0},
                                   &clip));
    return omfiAddTrackToMob(file, master, kVideoRate, clip, 0, 1, "V1", nullptr);
}

omfErr_t addComposition(omfHdl_t file, int clips) {
    omfObject_t picture = nullptr, definition = nullptr, sequence = nullptr;
    omfErr_t status = OM_ERR_NONE;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status))
        return status != OM_ERR_NONE ? status : OM_ERR_INVALID_DATAKIND;
    BENCH_CHECK(omfiEffectDefNew(file, kDissolve, "Dissolve", nullptr, false, &definition));
    std::vector<omfMobID_t> masters(kMasters);
    for (int index = 0; index < kMasters; ++index)
        BENCH_CHECK(addMaster(file, picture, index, masters[std::size_t(index)]));
    BENCH_CHECK(omfiSequenceNew(file, picture, &sequence));
    for (int index = 0; index < clips; ++index) {
        omfObject_t clip = nullptr;
        const omfSourceRef_t source{masters[std::size_t(index % kMasters)], 1,
                                    (index * kClipLength) % (kMediaLength - kClipLength)};
        BENCH_CHECK(omfiMakeSourceClip(file, picture, kClipLength, source, &clip));
        BENCH_CHECK(omfiSequenceAppendCpnt(file, sequence, clip));
        if (index % kClipsPerDissolve != 0 || index + 1 == clips) continue;
        omfObject_t effect = nullptr, transition = nullptr;
        BENCH_CHECK(omfiEffectNew(file, picture, kDissolveLength, kDissolve, &effect));
        BENCH_CHECK(omfiTransitionNew(file, picture, kDissolveLength, kDissolveLength / 2, effect,
                                      &transition));
        BENCH_CHECK(omfiSequenceAppendCpnt(file, sequence, transition));
    }
    omfMobID_t id{9, 2, 1};
    omfObject_t composition = nullptr;
    BENCH_CHECK(omfiCompMobNew(file, "Bench", true, id, &composition));
    return omfiAddTrackToMob(file, composition, kVideoRate, sequence, 0, 1, "V1", nullptr);
}

omfErr_t writeFile(const std::string& path, int clips) {
    return omftool::writeNewOMFFile(path, "1.0 benchmark", kOmfRev2x,
                                    [clips](omfHdl_t file) { return addComposition(file, clips); });
}


void BM_TimelineOtio(benchmark::State& state) {
    const int clips = static_cast<int>(state.range(0));
    const std::string file = benchFile(clips);
    if (omfErr_t status = writeFile(file, clips); status != OM_ERR_NONE) {
        state.SkipWithError(omfsErrorName(status));
        return;
    }
    omftool::TimelineOptions options;
    options.file = file;
    CountingBuffer counted;
    std::ostream out(&counted);
    std::ostringstream err;
    for (auto _ : state) {
        if (omftool::runTimeline(options, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * clips);
    state.SetComplexityN(clips);
    state.counters["otio_MB_per_run"] = double(counted.count) / 1e6 / double(state.iterations());
}
BENCHMARK(BM_TimelineOtio)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
