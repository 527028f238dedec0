// `omftool mobs --json` on generated OMF files of 1,000 and 10,000 mob pairs
// (a file mob with a CDCI descriptor and one picture track, and a master mob
// whose track refers to it), and the writing of those files. The listing must
// grow linearly with the number of mobs.
//
//   cmake --build build-bench --target omftool_bench
//   build-bench/bench/omftool/omftool_bench
#include "mob_listing.h"
#include "open_omf_file.h"

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

namespace {

constexpr omfRational_t kVideoRate{25, 1};
constexpr omfLength_t kMediaLength = 250;

std::string benchFile(int pairs) {
    return (std::filesystem::temp_directory_path() /
            ("omftool_bench_" + std::to_string(pairs) + ".omf"))
        .string();
}

#define BENCH_CHECK(expression)                                                                    \
    do {                                                                                           \
        if (omfErr_t benchStatus_ = (expression); benchStatus_ != OM_ERR_NONE) return benchStatus_;  \
    } while (0)

omfErr_t addPair(omfHdl_t file, omfObject_t picture, int index) {
    const omfUID_t fileID{7, 1, 2 * static_cast<omfUInt32>(index) + 1};
    const omfUID_t masterID{7, 1, 2 * static_cast<omfUInt32>(index) + 2};
    omfObject_t descriptor = nullptr, fileMob = nullptr, master = nullptr, clip = nullptr;
    BENCH_CHECK(omfiFileDescriptorNew(file, "CDCI", kVideoRate, kMediaLength, &descriptor));
    BENCH_CHECK(omfiSourceMobNew(file, "media", fileID, descriptor, &fileMob));
    BENCH_CHECK(omfiMakeSourceClip(file, picture, kMediaLength, omfSourceRef_t{{0, 0, 0}, 0, 0},
                                   &clip));
    BENCH_CHECK(omfiAddTrackToMob(file, fileMob, kVideoRate, clip, 0, 1, nullptr, nullptr));
    BENCH_CHECK(omfiMasterMobNew(file, "master", false, masterID, &master));
    BENCH_CHECK(omfiMakeSourceClip(file, picture, kMediaLength, omfSourceRef_t{fileID, 1, 0},
                                   &clip));
    BENCH_CHECK(omfiAddTrackToMob(file, master, kVideoRate, clip, 0, 1, "V1", nullptr));
    return OM_ERR_NONE;
}

omfErr_t writeFile(const std::string& path, int pairs) {
    const omfProductIdentification_t ident = omftool::productIdentification("1.0 benchmark");
    omfSessionHdl_t session = nullptr;
    BENCH_CHECK(omfsStartSession(&ident, &session));
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file);
    if (status == OM_ERR_NONE) {
        omfObject_t picture = nullptr;
        if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status)) {
            status = status != OM_ERR_NONE ? status : OM_ERR_INVALID_DATAKIND;
        }
        for (int index = 0; status == OM_ERR_NONE && index < pairs; ++index) {
            status = addPair(file, picture, index);
        }
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == OM_ERR_NONE) status = closed;
    }
    const omfErr_t finished = omfsFinishSession(session);
    return status != OM_ERR_NONE ? status : finished;
}


void BM_WriteMobPairs(benchmark::State& state) {
    const int pairs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        if (omfErr_t status = writeFile(benchFile(pairs), pairs); status != OM_ERR_NONE) {
            state.SkipWithError(omfsErrorName(status));
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * pairs * 2);
    state.counters["file_MB"] = double(std::filesystem::file_size(benchFile(pairs))) / 1e6;
}
BENCHMARK(BM_WriteMobPairs)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MobsJson(benchmark::State& state) {
    const int pairs = static_cast<int>(state.range(0));
    const std::string file = benchFile(pairs);
    if (!std::filesystem::exists(file) && writeFile(file, pairs) != OM_ERR_NONE) {
        state.SkipWithError("writing the file failed");
        return;
    }
    CountingBuffer counted;
    std::ostream out(&counted);
    std::ostringstream err;
    for (auto _ : state) {
        if (omftool::runMobs(file, true, out, err) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * pairs * 2);
    state.SetComplexityN(pairs);
    state.counters["json_MB_per_run"] = double(counted.count) / 1e6 / double(state.iterations());
}
BENCHMARK(BM_MobsJson)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);

} // namespace

BENCHMARK_MAIN();
