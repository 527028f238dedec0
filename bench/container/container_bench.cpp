// Writing and opening a container of 1,000,000 small values, against a plain
// sequential read of the same file.
//
// Each case runs once untimed before it is measured: the first run in a
// process pays for growing its heap (page faults on a quarter of a gigabyte of
// records), and without the warm-up that cost would fall on whichever case
// runs first. Run a case alone (--benchmark_filter) to see it cold.
//
//   cmake --build build --target container_bench
//   build/bench/container/container_bench
#include "container/cm_api.h"
#include "container/omfi_handlers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kObjects = 250000;
constexpr int kValuesPerObject = 4; // 1,000,000 values

std::string benchFile() {
    return (std::filesystem::temp_directory_path() / "container_bench.bento").string();
}

struct Session {
    CMHandlerSession handler{};
    CMSession session = nullptr;
    Session() {
        session = CMStartBentoSession(&CMSessionMetaHandler, &handler);
        CMSetTypeMetaHandler(session, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    }
    ~Session() {
        CMEndBentoSession(session, 1);
        CMReleaseHandlerSession(&handler);
    }
    CMRefCon refCon(const std::string& file) {
        return CMCreateFileRefCon(session, file.c_str(), nullptr, nullptr);
    }
};

// Values of 1 to 12 bytes: a third immediate, the rest in the stream.
void writeContainer(const std::string& file) {
    Session s;
    CMContainer container =
        CMOpenNewContainer(s.session, s.refCon(file), CMFileStreamTypeName, 0, 1, 0);
    CMProperty properties[kValuesPerObject];
    CMType type = CMRegisterType(container, "omfi:Bench");
    for (int i = 0; i < kValuesPerObject; ++i) {
        properties[i] = CMRegisterProperty(container, ("OMFI:BNCH:P" + std::to_string(i)).c_str());
    }
    unsigned char bytes[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    for (int o = 0; o < kObjects; ++o) {
        CMObject object = CMNewObject(container);
        for (int i = 0; i < kValuesPerObject; ++i) {
            CMValue value = CMNewValue(object, properties[i], type);
            CMWriteValueData(value, bytes, 0, 1 + (o + i) % 12);
        }
    }
    CMCloseContainer(container);
}

void BM_WriteMillionValues(benchmark::State& state) {
    writeContainer(benchFile()); // warm-up
    for (auto _ : state) writeContainer(benchFile());
    state.SetItemsProcessed(state.iterations() * kObjects * kValuesPerObject);
    state.counters["file_MB"] = double(std::filesystem::file_size(benchFile())) / 1e6;
}
BENCHMARK(BM_WriteMillionValues)->Unit(benchmark::kMillisecond)->Iterations(3);

double sequentialReadSeconds(const std::string& file) {
    std::vector<char> buffer(1 << 16);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        FILE* in = std::fopen(file.c_str(), "rb");
        size_t total = 0;
        while (size_t got = std::fread(buffer.data(), 1, buffer.size(), in)) total += got;
        std::fclose(in);
        benchmark::DoNotOptimize(total);
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() -
                                                            start).count());
    }
    return best;
}

bool openAndClose(const std::string& file) {
    Session s;
    CMContainer container = CMOpenContainer(s.session, s.refCon(file), CMFileStreamTypeName, 0);
    if (container == nullptr) return false;
    CMCloseContainer(container);
    return true;
}

void BM_OpenMillionValues(benchmark::State& state) {
    const std::string file = benchFile();
    if (!std::filesystem::exists(file)) writeContainer(file);
    if (!openAndClose(file)) { // warm-up
        state.SkipWithError("open failed");
        return;
    }
    double openSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        if (!openAndClose(file)) {
            state.SkipWithError("open failed");
            return;
        }
        openSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                           .count();
    }
    state.SetItemsProcessed(state.iterations() * kObjects * kValuesPerObject);
    double perOpen = openSeconds / double(state.iterations());
    double read = sequentialReadSeconds(file);
    state.counters["sequential_read_ms"] = read * 1e3;
    state.counters["open_to_read_ratio"] = perOpen / read;
}
BENCHMARK(BM_OpenMillionValues)->Unit(benchmark::kMillisecond)->Iterations(5);

// Reading every value after the open: the TOC plus one read per value.
void BM_OpenAndReadAllValues(benchmark::State& state) {
    const std::string file = benchFile();
    if (!std::filesystem::exists(file)) writeContainer(file);
    if (!openAndClose(file)) { // warm-up
        state.SkipWithError("open failed");
        return;
    }
    unsigned char buffer[16];
    for (auto _ : state) {
        Session s;
        CMContainer container = CMOpenContainer(s.session, s.refCon(file), CMFileStreamTypeName, 0);
        for (CMObject object = CMGetNextObject(container, nullptr); object != nullptr;
             object = CMGetNextObject(container, object)) {
            for (CMProperty property = CMGetNextObjectProperty(object, nullptr);
                 property != nullptr; property = CMGetNextObjectProperty(object, property)) {
                CMValue value = CMGetNextValue(object, property, nullptr);
                benchmark::DoNotOptimize(CMReadValueData(value, buffer, 0, sizeof buffer));
            }
        }
        CMCloseContainer(container);
    }
    state.SetItemsProcessed(state.iterations() * kObjects * kValuesPerObject);
}
BENCHMARK(BM_OpenAndReadAllValues)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
