// Frame reading through Clip (movie in order and at random, still picture) and image work
// (conversion from 8-bit buffers, halving with the box filter), on media made at start.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

#include "media_writer.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"
#include "temp_dir.h"

namespace {

constexpr int MovieWidth = 320;
constexpr int MovieHeight = 240;
constexpr int MovieFrames = 50;

testmedia::Picture8 Pattern(int w, int h, int seed) {
    testmedia::Picture8 p{w, h, std::vector<uint8_t>(std::size_t(w) * h * 4)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* px = p.At(x, y);
            px[0] = uint8_t(x + seed);
            px[1] = uint8_t(y * 3 + seed);
            px[2] = uint8_t(x ^ y);
            px[3] = 255;
        }
    return p;
}

// The media every benchmark reads, made once.
struct Media {
    TempDir Dir;
    std::string Movie = Dir.File("bench.mkv");
    std::string Still = Dir.File("bench.png");
    Media() {
        std::vector<testmedia::Picture8> frames;
        for (int i = 0; i < MovieFrames; ++i)
            frames.push_back(Pattern(MovieWidth, MovieHeight, i));
        testmedia::WriteMovie(Movie, frames, 25);
        testmedia::WritePng(Still, Pattern(640, 480, 1));
    }
};

Media& TheMedia() {
    static Media media;
    return media;
}

void ReadFrames(benchmark::State& state, const std::vector<int>& order) {
    Clip* clip = new Clip(TheMedia().Movie.c_str(), false, nullptr);
    for (auto _ : state) {
        for (int frame : order) {
            Image* image = clip->GetFrameTagList(frame);
            if (!image) {
                state.SkipWithError("frame not read");
                break;
            }
            image->Recycle();
        }
    }
    clip->Recycle();
    state.SetItemsProcessed(state.iterations() * int64_t(order.size()));
}

void BM_MovieFramesInOrder(benchmark::State& state) {
    std::vector<int> order(MovieFrames);
    for (int i = 0; i < MovieFrames; ++i)
        order[i] = i;
    ReadFrames(state, order);
}
BENCHMARK(BM_MovieFramesInOrder)->Unit(benchmark::kMillisecond);

void BM_MovieFramesAtRandom(benchmark::State& state) {
    std::vector<int> order(MovieFrames);
    for (int i = 0; i < MovieFrames; ++i)
        order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));
    ReadFrames(state, order);
}
BENCHMARK(BM_MovieFramesAtRandom)->Unit(benchmark::kMillisecond);

void BM_StillPictureFrame(benchmark::State& state) {
    Clip* clip = new Clip(TheMedia().Still.c_str(), false, nullptr);
    for (auto _ : state) {
        Image* image = clip->GetFrameTagList(0);
        benchmark::DoNotOptimize(image);
        if (image) image->Recycle();
    }
    clip->Recycle();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StillPictureFrame)->Unit(benchmark::kMicrosecond);

void BM_ImageFromRGBA8HD(benchmark::State& state) {
    const testmedia::Picture8 picture = Pattern(1920, 1080, 3);
    for (auto _ : state) {
        Image* image = Image::FromRGBA8(picture.RGBA.data(), 1920, 1080, 1920 * 4);
        benchmark::DoNotOptimize(image);
        image->Recycle();
    }
    state.SetBytesProcessed(state.iterations() * int64_t(picture.RGBA.size()));
}
BENCHMARK(BM_ImageFromRGBA8HD)->Unit(benchmark::kMillisecond);

void BM_HalveHDWithBoxFilter(benchmark::State& state) {
    const testmedia::Picture8 picture = Pattern(1920, 1080, 5);
    Image* image = Image::FromRGBA8(picture.RGBA.data(), 1920, 1080, 1920 * 4);
    for (auto _ : state) {
        Image* half = image->ResizeOfImage(960, 540, RESIZE_Box);
        benchmark::DoNotOptimize(half);
        half->Recycle();
    }
    image->Recycle();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HalveHDWithBoxFilter)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
