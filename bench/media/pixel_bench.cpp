// Frames per second of the pixel translator converting 720 x 486 frames of
// 8-bit Y'CbCr 4:2:2 (Cb Y0 Cr Y1) to 8-bit ARGB and back, and of libswscale
// doing the same conversions (UYVY422 <-> ARGB) on the same frames.
#include "media/codec_support/format_list.h"
#include "media/codec_support/translators.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}

#include <cstdint>
#include <memory>
#include <vector>

using namespace omf::media;

namespace {

constexpr int kWidth = 720, kHeight = 486;
constexpr size_t kPixels = size_t(kWidth) * kHeight;

// Deterministic bytes of every value.
std::vector<uint8_t> frameBytes(size_t count, uint32_t seed) {
    std::vector<uint8_t> bytes(count);
    for (uint8_t& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = uint8_t(seed >> 24);
    }
    return bytes;
}

FormatList ycbcr422File() {
    FormatList list;
    list.putInt32(kOmfPixelFormat, kOmfPixYUV);
    list.putInt32(kOmfFrameLayout, kOmfFullFrame);
    list.putInt16(kOmfPixelSize, 16);
    list.putRect(kOmfStoredRect, {0, 0, kWidth, kHeight});
    list.putInt32(kOmfCDCICompWidth, 8);
    list.putInt32(kOmfCDCIHorizSubsampling, 2);
    return list;
}

FormatList argbMemory() {
    FormatList list;
    list.putInt32(kOmfPixelFormat, kOmfPixRGBA);
    list.putBytes(kOmfRGBCompLayout, "ARGB", 4);
    const uint8_t sizes[] = {8, 8, 8, 8};
    list.putBytes(kOmfRGBCompSizes, sizes, 4);
    return list;
}

void countFrames(benchmark::State& state) {
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// reading: file 4:2:2 -> memory ARGB; writing: memory ARGB -> file 4:2:2.
void translatorFrames(benchmark::State& state, bool reading) {
    const FormatList file = ycbcr422File(), memory = argbMemory();
    auto translator = makePixelTranslator();
    bool active = false;
    if (translator->setFormats({nullptr, memory.data(), nullptr, false},
                               {nullptr, file.data(), nullptr, false}, &active) != 0 ||
        !active) {
        state.SkipWithError("formats not accepted");
        return;
    }
    const std::vector<uint8_t> in = frameBytes(kPixels * (reading ? 2 : 4), 1);
    std::vector<uint8_t> out(kPixels * (reading ? 4 : 2));
    for (auto _ : state) {
        size_t produced = 0;
        if (translator->translate(reading, in, out, false, &produced) != 0 ||
            produced != out.size()) {
            state.SkipWithError("translation failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countFrames(state);
}

void swscaleFrames(benchmark::State& state, AVPixelFormat from, AVPixelFormat to) {
    const int fromBytes = from == AV_PIX_FMT_UYVY422 ? 2 : 4;
    const int toBytes = to == AV_PIX_FMT_UYVY422 ? 2 : 4;
    std::unique_ptr<SwsContext, void (*)(SwsContext*)> context(
        sws_getContext(kWidth, kHeight, from, kWidth, kHeight, to, SWS_BILINEAR, nullptr, nullptr,
                       nullptr),
        sws_freeContext);
    if (!context) {
        state.SkipWithError("sws_getContext failed");
        return;
    }
    const std::vector<uint8_t> in = frameBytes(kPixels * size_t(fromBytes), 1);
    std::vector<uint8_t> out(kPixels * size_t(toBytes));
    const uint8_t* const source[4] = {in.data(), nullptr, nullptr, nullptr};
    const int sourceStride[4] = {kWidth * fromBytes, 0, 0, 0};
    uint8_t* const destination[4] = {out.data(), nullptr, nullptr, nullptr};
    const int destinationStride[4] = {kWidth * toBytes, 0, 0, 0};
    for (auto _ : state) {
        sws_scale(context.get(), source, sourceStride, 0, kHeight, destination, destinationStride);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    countFrames(state);
}

void BM_TranslatorYCbCr422ToArgb(benchmark::State& state) {
    translatorFrames(state, true);
}
void BM_TranslatorArgbToYCbCr422(benchmark::State& state) {
    translatorFrames(state, false);
}
void BM_SwscaleUyvyToArgb(benchmark::State& state) {
    swscaleFrames(state, AV_PIX_FMT_UYVY422, AV_PIX_FMT_ARGB);
}
void BM_SwscaleArgbToUyvy(benchmark::State& state) {
    swscaleFrames(state, AV_PIX_FMT_ARGB, AV_PIX_FMT_UYVY422);
}

BENCHMARK(BM_TranslatorYCbCr422ToArgb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwscaleUyvyToArgb)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TranslatorArgbToYCbCr422)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SwscaleArgbToUyvy)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
