// Frames per second of LoadFrame through the server, the frames crossing in
// the state's shared section and copied out by the client, against FFmpeg
// decoding the same movie in this process and converting each frame to the
// same pixels. The movie, 1920 x 1080 ProRes 422 written by ffmpeg, is read
// in order and again from the start; frames are delivered as 8-bit 4:2:2
// ("2vuy") on both sides.
#include "server_process.h"

#include "platform/shared_section.h"
#include "tarsel/remote.h"
#include "tarsel/script_arguments.h"
#include "tarsel/script_val.h"

#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kFrames = 48;

// The movie, written once for the run.
const std::string& MoviePath() {
    static ScratchFolder folder("load-frame-bench");
    static const std::string path = [] {
        const std::string file = folder.path() + "/prores.mov";
        const std::string command = "ffmpeg -nostdin -y -hide_banner -loglevel error -f lavfi -i "
                                    "testsrc2=size=1920x1080:rate=25 -frames:v " +
                                    std::to_string(kFrames) +
                                    " -c:v prores -profile:v 2 -pix_fmt yuv422p10le '" + file + "'";
        return std::system(command.c_str()) == 0 ? file : std::string();
    }();
    return path;
}

void ServerLoadFrame(benchmark::State& benchState) {
    if (MoviePath().empty()) {
        benchState.SkipWithError("ffmpeg could not write the movie");
        return;
    }
    ScratchFolder scratch("load-frame-server");
    QTServerProcess::Options options;
    options.registryFile = scratch.WriteRegistry(TEST_MOVIE_MODULE_DIR);
    QTServerProcess server(options);
    ScriptVal app = server.Connect();
    ScriptVal state = app.CallMember("NewState");
    ScriptVal attributes = ScriptVal::NewTable();
    attributes.Set("PixelFormat", "qt2vuy");
    app.CallMember("SetStateAttrs", ArgumentTable({state, attributes}));
    if (!app.CallMember("LoadHeader", ArgumentTable({state, MoviePath()})).ToBoolean()) {
        benchState.SkipWithError("the server does not read the movie");
        return;
    }
    std::vector<uint8_t> frame(size_t{kWidth} * 2 * kHeight);
    std::unique_ptr<platform::SharedSection> section;
    std::string sectionName;
    int next = 0;
    for (auto _ : benchState) {
        const ScriptVal answer = app.CallMember("LoadFrame", ArgumentTable({state, next}));
        const std::string name = answer.ToString("MapName");
        if (name.empty()) {
            benchState.SkipWithError("no frame in a section");
            break;
        }
        if (name != sectionName) {
            platform::SectionError error;
            section = platform::SharedSection::Open(name, 0, error);
            sectionName = name;
        }
        if (!section || !section->MapView() || section->Size() < frame.size()) {
            benchState.SkipWithError("the section cannot be read");
            break;
        }
        std::memcpy(frame.data(), section->View(), frame.size());
        benchmark::DoNotOptimize(frame.data());
        next = (next + 1) % kFrames;
    }
    benchState.SetItemsProcessed(benchState.iterations());
    section.reset();
    app.CallMember("DisposeState", state);
    app.CallMember("ReleaseState", state);
}
BENCHMARK(ServerLoadFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

// FFmpeg alone: demux, decode (with the decoder's own threads, as the
// module uses it) and convert to 8-bit 4:2:2 rows of the same length.
void InProcessDecode(benchmark::State& benchState) {
    if (MoviePath().empty()) {
        benchState.SkipWithError("ffmpeg could not write the movie");
        return;
    }
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, MoviePath().c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(format, nullptr) < 0) {
        benchState.SkipWithError("FFmpeg does not read the movie");
        return;
    }
    const int stream = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVCodec* codec = avcodec_find_decoder(format->streams[stream]->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(context, format->streams[stream]->codecpar);
    context->thread_count = 0;
    avcodec_open2(context, codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* decoded = av_frame_alloc();
    SwsContext* scaler = nullptr;
    std::vector<uint8_t> frame(size_t{kWidth} * 2 * kHeight);
    for (auto _ : benchState) {
        bool got = false;
        while (!got) {
            if (avcodec_receive_frame(context, decoded) == 0) {
                got = true;
                break;
            }
            if (av_read_frame(format, packet) < 0) {
                // From the start again, as the server is asked.
                av_seek_frame(format, stream, 0, AVSEEK_FLAG_BACKWARD);
                avcodec_flush_buffers(context);
                continue;
            }
            if (packet->stream_index == stream) avcodec_send_packet(context, packet);
            av_packet_unref(packet);
        }
        scaler = sws_getCachedContext(
            scaler, decoded->width, decoded->height, static_cast<AVPixelFormat>(decoded->format),
            decoded->width, decoded->height, AV_PIX_FMT_UYVY422,
            SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr, nullptr, nullptr);
        uint8_t* planes[4] = {frame.data()};
        int strides[4] = {kWidth * 2};
        sws_scale(scaler, decoded->data, decoded->linesize, 0, decoded->height, planes, strides);
        benchmark::DoNotOptimize(frame.data());
    }
    benchState.SetItemsProcessed(benchState.iterations());
    sws_freeContext(scaler);
    av_frame_free(&decoded);
    av_packet_free(&packet);
    avcodec_free_context(&context);
    avformat_close_input(&format);
}
BENCHMARK(InProcessDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

} // namespace

BENCHMARK_MAIN();
