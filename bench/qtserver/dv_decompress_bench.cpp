// DV frames per second: 720 x 480 frames decoded into A R G B rows with
// separated fields through the server's AvidDVDecompress (as the OMF plug-in
// calls it), against FFmpeg's DV decoder and scaler in this process on the
// same frame. Both run in one process run; compare items_per_second. A third
// run calls the movie module's DV decoding in this process, which splits the
// server's cost into the decoding and the trip through the server.
#include "server_process.h"

#include "movie/movie_writing.h"

#include "tarsel/script_val.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 720;
constexpr int kHeight = 480;

// One NTSC DV frame of a smooth picture, encoded in this process.
std::vector<uint8_t> MakeDVFrame() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    context->width = kWidth;
    context->height = kHeight;
    context->pix_fmt = AV_PIX_FMT_YUV411P;
    context->time_base = AVRational{1001, 30000};
    std::vector<uint8_t> frameBytes;
    if (avcodec_open2(context, codec, nullptr) == 0) {
        AVFrame* frame = av_frame_alloc();
        frame->format = context->pix_fmt;
        frame->width = kWidth;
        frame->height = kHeight;
        av_frame_get_buffer(frame, 0);
        for (int plane = 0; plane < 3; ++plane) {
            const int width = plane ? kWidth / 4 : kWidth;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < width; ++x)
                    frame->data[plane][y * frame->linesize[plane] + x] =
                        static_cast<uint8_t>(128 + 90 * std::sin((x + y * (plane + 1)) / 37.0));
        }
        AVPacket* packet = av_packet_alloc();
        if (avcodec_send_frame(context, frame) == 0 && avcodec_receive_packet(context, packet) == 0)
            frameBytes.assign(packet->data, packet->data + packet->size);
        av_packet_free(&packet);
        av_frame_free(&frame);
    }
    avcodec_free_context(&context);
    return frameBytes;
}

const std::vector<uint8_t>& DVFrame() {
    static const std::vector<uint8_t> frame = MakeDVFrame();
    return frame;
}

void BM_AvidDVDecompress(benchmark::State& state) {
    ScratchFolder scratch("dv-bench");
    QTServerProcess::Options options;
    options.registryFile = scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR);
    QTServerProcess server(options);
    ScriptVal app = server.Connect();
    if (!app.IsRemoteObject() || DVFrame().empty()) {
        state.SkipWithError("no server or no DV frame");
        return;
    }
    ScriptVal table = ScriptVal::NewTable();
    table.Set("Width", kWidth);
    table.Set("Height", kHeight);
    table.Set("separateFields", static_cast<int>(state.range(0)));
    table.Set("RawDataIn", ScriptVal::NewMemBlock(DVFrame().data(), DVFrame().size()));
    ScriptVal arguments = ScriptVal::NewTable();
    arguments.Set(1, table);
    std::vector<uint8_t> image(size_t(kWidth) * kHeight * 4);
    // The first call starts the movie thread and loads the module: not timed.
    app.CallMember("AvidDVDecompress", arguments);
    for (auto _ : state) {
        ScriptVal answer = app.CallMember("AvidDVDecompress", arguments);
        const ScriptVal* out = answer.FindKeyConst("RawDataOut");
        if (!out || !out->IsMemBlock() || out->GetData()->size != image.size()) {
            state.SkipWithError("no frame");
            break;
        }
        // The plug-in copies the answer into its own buffer.
        std::memcpy(image.data(), out->GetData()->data, image.size());
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_FfmpegDVDecode(benchmark::State& state) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_DVVIDEO);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    if (avcodec_open2(context, codec, nullptr) < 0 || DVFrame().empty()) {
        state.SkipWithError("no DV decoder");
        return;
    }
    std::vector<uint8_t> image(size_t(kWidth) * kHeight * 4);
    SwsContext* scaler = nullptr;
    for (auto _ : state) {
        av_new_packet(packet, static_cast<int>(DVFrame().size()));
        std::memcpy(packet->data, DVFrame().data(), DVFrame().size());
        avcodec_send_packet(context, packet);
        av_packet_unref(packet);
        if (avcodec_receive_frame(context, frame) < 0) {
            state.SkipWithError("no frame");
            break;
        }
        scaler = sws_getCachedContext(scaler, kWidth, kHeight,
                                      static_cast<AVPixelFormat>(frame->format), kWidth, kHeight,
                                      AV_PIX_FMT_ARGB, SWS_BILINEAR, nullptr, nullptr, nullptr);
        uint8_t* planes[4] = {image.data(), nullptr, nullptr, nullptr};
        int strides[4] = {kWidth * 4, 0, 0, 0};
        sws_scale(scaler, frame->data, frame->linesize, 0, kHeight, planes, strides);
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations());
    sws_freeContext(scaler);
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&context);
}

void BM_ModuleDVDecode(benchmark::State& state) {
    const std::string path = std::string(TEST_MOVIE_MODULE_DIR) + "QuickTime.qts";
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    auto dispatcher =
        module ? reinterpret_cast<movie::Dispatcher>(dlsym(module, movie::kDispatcherEntry))
               : nullptr;
    movie::InitializeArgs initialise{0};
    if (!dispatcher || dispatcher(movie::kInitialize, &initialise) != movie::kNoError ||
        DVFrame().empty()) {
        state.SkipWithError("no movie module");
        if (module) dlclose(module);
        return;
    }
    std::vector<uint8_t> image(size_t(kWidth) * kHeight * 4);
    for (auto _ : state) {
        movie::DecodeDVFrameArgs args{DVFrame().data(), DVFrame().size(), kWidth,
                                      kHeight,          image.data(),     kWidth * 4};
        if (dispatcher(movie::kDecodeDVFrame, &args) != movie::kNoError) {
            state.SkipWithError("no frame");
            break;
        }
        benchmark::DoNotOptimize(image.data());
    }
    state.SetItemsProcessed(state.iterations());
    dispatcher(movie::kTerminate, nullptr);
    dlclose(module);
}

// Argument: separateFields (1 as the OMF plug-in calls it, 0 frame order).
BENCHMARK(BM_AvidDVDecompress)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ModuleDVDecode)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FfmpegDVDecode)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
