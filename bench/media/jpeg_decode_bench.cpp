// Decoding 720x486 4:2:2 JPEG media into 8-bit ARGB through the media calls,
// against the floor it stands on: the same JPEG bitstreams decoded by bare
// libjpeg-turbo into RGB plus a plain copy into ARGB. Both run in one
// process on the same frames.
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr omfInt32 kWidth = 720;
constexpr omfInt32 kHeight = 486;
constexpr int kFrames = 24;
constexpr size_t kRgbFrameBytes = size_t(kWidth) * kHeight * 3;
constexpr size_t kArgbFrameBytes = size_t(kWidth) * kHeight * 4;

omfFormatEntry_t entry(omfInt32 opcode) {
    omfFormatEntry_t result;
    std::memset(&result, 0, sizeof result);
    result.opcode = opcode;
    return result;
}

// 8-bit pixels with the given component letters.
std::vector<omfFormatEntry_t> rgbList(const char* letters) {
    std::vector<omfFormatEntry_t> list(4, entry(kOmfVFmtEnd));
    list[0] = entry(kOmfPixelFormat);
    list[0].operand.int32 = kOmfPixRGBA;
    list[1] = entry(kOmfRGBCompLayout);
    std::memcpy(list[1].operand.compLayout, letters, std::strlen(letters));
    list[2] = entry(kOmfRGBCompSizes);
    std::memset(list[2].operand.compSizes, 8, std::strlen(letters));
    return list;
}

// A camera-like picture: gradients, a moving soft disc and some texture.
std::vector<uint8_t> picture(int frame) {
    std::vector<uint8_t> rgb(kRgbFrameBytes);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            uint8_t* p = &rgb[(size_t(y) * kWidth + size_t(x)) * 3];
            int dx = x - 200 - frame * 10, dy = y - kHeight / 2;
            bool disc = dx * dx + dy * dy < 120 * 120;
            int texture = ((x * 7 + y * 13 + frame) % 17) - 8;
            p[0] = uint8_t(std::clamp(x * 255 / kWidth + texture, 0, 255));
            p[1] = uint8_t(std::clamp(y * 255 / kHeight - texture, 0, 255));
            p[2] = uint8_t(disc ? 210 : 50 + texture);
        }
    }
    return rgb;
}

omfSessionHdl_t startSession() {
    omfProductIdentification_t ident{};
    ident.companyName = "bench";
    ident.productName = "jpeg_decode_bench";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0) return nullptr;
    return session;
}

omfObject_t findMob(omfHdl_t file, const omfMobID_t& id) {
    omfIterHdl_t iterator = nullptr;
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobID;
    criteria.tags.mobID = id;
    omfObject_t mob = nullptr;
    omfiMobOpenSearch(file, &iterator);
    omfiNextMatchingMob(iterator, &criteria, &mob);
    omfiSearchDispose(file, iterator);
    return mob;
}

// An OMF file with the frames as JPEG media, and the stored bitstreams read
// back through raw transfers; made once per run in a scratch folder.
struct Fixture {
    std::filesystem::path folder;
    std::string omfPath;
    omfMobID_t masterID{};
    std::vector<std::vector<uint8_t>> bitstreams;

    Fixture() {
        char pattern[] = "/tmp/omf-jpeg-bench-XXXXXX";
        folder = mkdtemp(pattern);
        omfPath = (folder / "frames.omf").string();
        omfSessionHdl_t session = startSession();
        omfHdl_t file = nullptr;
        omfObject_t master = nullptr, fileMob = nullptr;
        omfMediaHdl_t media = nullptr;
        omfErr_t status = session == nullptr ? OM_ERR_BAD_SESSION : 0;
        if (status == 0) status = omfsNewFile(omfPath.c_str(), session, kOmfRev2x, &file);
        if (status == 0) status = omfmCreateMasterMob(file, "bench", 5, &master);
        if (status == 0) status = omfmCreateFileMob(file, "bench", {30000, 1001}, "JPEG", &fileMob);
        if (status == 0) {
            status = omfmCreateVideoMedia(file, master, 1, fileMob, 0, {30000, 1001}, kHeight,
                                          kWidth, kOmfFullFrame, {4, 3}, &media);
        }
        std::vector<omfFormatEntry_t> rgb = rgbList("RGB");
        if (status == 0) status = omfmSetMemoryFormat(media, rgb.data());
        if (status == 0) status = omfiReadMobID(file, master, &masterID);
        for (int i = 0; status == 0 && i < kFrames; ++i) {
            std::vector<uint8_t> frame = picture(i);
            status = omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size()));
        }
        if (media != nullptr && status == 0) status = omfmCloseMedia(media);
        if (file != nullptr && status == 0) status = omfsCloseOMFFile(file);
        if (status == 0) status = omfsOpenFileForRead(omfPath.c_str(), session, &file);
        if (status == 0) {
            status = omfmOpenMedia(file, findMob(file, masterID), 1, nullptr, kMediaOpenReadOnly,
                                   true, &media);
        }
        std::vector<uint8_t> stored(kRgbFrameBytes);
        for (int i = 0; status == 0 && i < kFrames; ++i) {
            omfInt32 bytes = 0;
            status = omfmSetFrame(media, i + 1);
            if (status == 0)
                status = omfmReadChannelSamples(media, 1, omfInt32(stored.size()), stored.data(),
                                                &bytes);
            bitstreams.emplace_back(stored.begin(), stored.begin() + bytes);
        }
        if (status == 0) status = omfmCloseMedia(media);
        if (status == 0) status = omfsCloseOMFFile(file);
        omfsFinishSession(session);
        if (status != 0) {
            std::fprintf(stderr,
                         "jpeg_decode_bench: could not write the test media (OMF error %d)\n",
                         int(status));
            std::exit(1);
        }
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
};

const Fixture& fixture() {
    static const Fixture made;
    return made;
}

void BM_MediaDecodesIntoARGB(benchmark::State& state) {
    const Fixture& files = fixture();
    omfSessionHdl_t session = startSession();
    omfHdl_t file = nullptr;
    omfMediaHdl_t media = nullptr;
    std::vector<omfFormatEntry_t> memory = rgbList("ARGB");
    if (session == nullptr || omfsOpenFileForRead(files.omfPath.c_str(), session, &file) != 0 ||
        omfmOpenMedia(file, findMob(file, files.masterID), 1, nullptr, kMediaOpenReadOnly, 0,
                      &media) != 0 ||
        omfmSetMemoryFormat(media, memory.data()) != 0) {
        state.SkipWithError("cannot open the media");
        return;
    }
    std::vector<uint8_t> frame(kArgbFrameBytes);
    int next = 0;
    for (auto _ : state) {
        omfInt32 bytes = 0;
        if (omfmSetFrame(media, next + 1) != 0 ||
            omfmReadChannelSamples(media, 1, omfInt32(frame.size()), frame.data(), &bytes) != 0) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
        next = (next + 1) % kFrames;
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    omfmCloseMedia(media);
    omfsCloseOMFFile(file);
    omfsFinishSession(session);
}
BENCHMARK(BM_MediaDecodesIntoARGB)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

void BM_BareLibjpegPlusCopy(benchmark::State& state) {
    const Fixture& files = fixture();
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    std::vector<uint8_t> rgb(kRgbFrameBytes), frame(kArgbFrameBytes);
    int next = 0;
    for (auto _ : state) {
        const std::vector<uint8_t>& bits = files.bitstreams[size_t(next)];
        jpeg_mem_src(&cinfo, bits.data(), static_cast<unsigned long>(bits.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = &rgb[size_t(cinfo.output_scanline) * kWidth * 3];
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        for (size_t i = 0, o = 0; i < kRgbFrameBytes; i += 3, o += 4) {
            frame[o] = 0;
            frame[o + 1] = rgb[i];
            frame[o + 2] = rgb[i + 1];
            frame[o + 3] = rgb[i + 2];
        }
        benchmark::DoNotOptimize(frame.data());
        next = (next + 1) % kFrames;
    }
    jpeg_destroy_decompress(&cinfo);
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BareLibjpegPlusCopy)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

} // namespace

BENCHMARK_MAIN();
