// Whole-frame reads of 720x486 8-bit 4:2:2 media into 8-bit ARGB through the
// media calls, against the floor they stand on: a plain read of the same
// bytes from a file plus the pixel translator alone. Both read warm files.
#include "media/codec_support/codec_stream.h"
#include "media/codec_support/translators.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr omfInt32 kWidth = 720;
constexpr omfInt32 kHeight = 486;
constexpr int kFrames = 48;
constexpr size_t kFileFrameBytes = size_t(kWidth) * kHeight * 2;
constexpr size_t kMemoryFrameBytes = size_t(kWidth) * kHeight * 4;

omfFormatEntry_t entry(omfInt32 opcode) {
    omfFormatEntry_t result;
    std::memset(&result, 0, sizeof result);
    result.opcode = opcode;
    return result;
}

// The caller's format: 8-bit ARGB full frames.
std::vector<omfFormatEntry_t> argbList() {
    std::vector<omfFormatEntry_t> list(5, entry(kOmfVFmtEnd));
    list[0] = entry(kOmfFrameLayout);
    list[0].operand.int32 = kOmfFullFrame;
    list[1] = entry(kOmfPixelFormat);
    list[1].operand.int32 = kOmfPixRGBA;
    list[2] = entry(kOmfRGBCompLayout);
    std::memcpy(list[2].operand.compLayout, "ARGB", 4);
    list[3] = entry(kOmfRGBCompSizes);
    std::memset(list[3].operand.compSizes, 8, 4);
    return list;
}

// The stored format: 8-bit 4:2:2 Y'CbCr.
std::vector<omfFormatEntry_t> storedList() {
    std::vector<omfFormatEntry_t> list(6, entry(kOmfVFmtEnd));
    list[0] = entry(kOmfPixelFormat);
    list[0].operand.int32 = kOmfPixYUV;
    list[1] = entry(kOmfFrameLayout);
    list[1].operand.int32 = kOmfFullFrame;
    list[2] = entry(kOmfPixelSize);
    list[2].operand.int16 = 16;
    list[3] = entry(kOmfStoredRect);
    list[3].operand.rect = {0, 0, kWidth, kHeight};
    list[4] = entry(kOmfCDCICompWidth);
    list[4].operand.int32 = 8;
    return list;
}

std::vector<uint8_t> framePattern(int frame) {
    std::vector<uint8_t> bytes(kFileFrameBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(i * 7 + size_t(frame) * 13 + i / 1440);
    return bytes;
}

// An OMF file with the frames as CDCI media, and a raw file with the same
// bytes; made once per run in a scratch folder.
struct Fixture {
    std::filesystem::path folder;
    std::string omfPath, rawPath;
    omfMobID_t masterID{};

    Fixture() {
        char pattern[] = "/tmp/omf-media-bench-XXXXXX";
        folder = mkdtemp(pattern);
        omfPath = (folder / "frames.omf").string();
        rawPath = (folder / "frames.raw").string();
        omfSessionHdl_t session = nullptr;
        omfHdl_t file = nullptr;
        omfObject_t master = nullptr, fileMob = nullptr;
        omfMediaHdl_t media = nullptr;
        omfProductIdentification_t ident{};
        ident.companyName = "bench";
        ident.productName = "media_read_bench";
        omfErr_t status = omfsStartSession(&ident, &session);
        if (status == 0) status = omfmInit(session);
        if (status == 0) status = omfsNewFile(omfPath.c_str(), session, kOmfRev2x, &file);
        if (status == 0) status = omfmCreateMasterMob(file, "bench", 5, &master);
        if (status == 0) status = omfmCreateFileMob(file, "bench", {30000, 1001}, "CDCI", &fileMob);
        if (status == 0) {
            status = omfmCreateVideoMedia(file, master, 1, fileMob, 0, {30000, 1001}, kHeight,
                                          kWidth, kOmfFullFrame, {4, 3}, &media);
        }
        if (status == 0) status = omfiReadMobID(file, master, &masterID);
        bool ok = status == 0;
        FILE* raw = std::fopen(rawPath.c_str(), "wb");
        for (int i = 0; ok && i < kFrames; ++i) {
            std::vector<uint8_t> frame = framePattern(i);
            status = omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size()));
            ok = status == 0 && std::fwrite(frame.data(), 1, frame.size(), raw) == frame.size();
        }
        ok = std::fclose(raw) == 0 && ok;
        if (media != nullptr && (status = omfmCloseMedia(media)) != 0) ok = false;
        if (file != nullptr && omfsCloseOMFFile(file) != 0) ok = false;
        omfsFinishSession(session);
        if (!ok) {
            std::fprintf(stderr, "media_read_bench: could not write the test media (OMF error %d)\n",
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

void BM_MediaReadsIntoARGB(benchmark::State& state) {
    const Fixture& files = fixture();
    omfSessionHdl_t session = nullptr;
    omfHdl_t file = nullptr;
    omfMediaHdl_t media = nullptr;
    omfProductIdentification_t ident{};
    ident.companyName = "bench";
    ident.productName = "media_read_bench";
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0 ||
        omfsOpenFileForRead(files.omfPath.c_str(), session, &file) != 0) {
        state.SkipWithError("cannot open the media file");
        return;
    }
    omfIterHdl_t iterator = nullptr;
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobID;
    criteria.tags.mobID = files.masterID;
    omfObject_t master = nullptr;
    omfiMobOpenSearch(file, &iterator);
    omfiNextMatchingMob(iterator, &criteria, &master);
    omfiSearchDispose(file, iterator);
    std::vector<omfFormatEntry_t> memory = argbList();
    if (omfmOpenMedia(file, master, 1, nullptr, kMediaOpenReadOnly, 0, &media) != 0 ||
        omfmSetMemoryFormat(media, memory.data()) != 0) {
        state.SkipWithError("cannot open the media");
        return;
    }
    std::vector<uint8_t> frame(kMemoryFrameBytes);
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
BENCHMARK(BM_MediaReadsIntoARGB)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_PlainReadPlusTranslator(benchmark::State& state) {
    const Fixture& files = fixture();
    int fd = open(files.rawPath.c_str(), O_RDONLY);
    std::vector<omfFormatEntry_t> memoryList = argbList(), fileList = storedList();
    omfObject_t kind = reinterpret_cast<omfObject_t>(uintptr_t(1)); // any kind but "not set"
    omf::media::StreamFormat memory{kind, memoryList.data(), nullptr, false};
    omf::media::StreamFormat stored{kind, fileList.data(), nullptr, false};
    std::unique_ptr<omf::media::FormatTranslator> translator = omf::media::makePixelTranslator();
    bool active = false;
    if (fd < 0 || translator->setFormats(memory, stored, &active) != 0 || !active) {
        state.SkipWithError("cannot set up the plain read");
        if (fd >= 0) close(fd);
        return;
    }
    std::vector<uint8_t> stored_bytes(kFileFrameBytes), frame(kMemoryFrameBytes);
    int next = 0;
    for (auto _ : state) {
        if (pread(fd, stored_bytes.data(), stored_bytes.size(), off_t(next) * off_t(kFileFrameBytes)) !=
            ssize_t(stored_bytes.size())) {
            state.SkipWithError("read failed");
            break;
        }
        size_t produced = 0;
        if (translator->translate(true, stored_bytes, frame, false, &produced) != 0) {
            state.SkipWithError("translation failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
        next = (next + 1) % kFrames;
    }
    state.counters["frames_per_second"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    close(fd);
}
BENCHMARK(BM_PlainReadPlusTranslator)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace
BENCHMARK_MAIN();
