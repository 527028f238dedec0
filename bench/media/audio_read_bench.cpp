// Ten minutes of stereo 16-bit 48 kHz sound read through omfmReadMediaSamples
// (whole interleaved frames, 4096 at a time) from WAVE media and from AIFC
// media (whose big-endian samples are swapped on the way), against a plain
// read of the same sample bytes from a file of their own in blocks of the
// same size, the AIFC bytes swapped by a simple loop. All files are warm.
#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr omfInt32 kRate = 48000;
constexpr omfInt32 kFrames = kRate * 600; // ten minutes
constexpr omfInt16 kChannels = 2;
constexpr omfInt16 kBits = 16;
constexpr omfInt32 kBlockFrames = 4096;
constexpr size_t kFrameBytes = size_t(kChannels) * kBits / 8;
constexpr size_t kBlockBytes = kBlockFrames * kFrameBytes;
constexpr size_t kSampleBytes = size_t(kFrames) * kFrameBytes;

const char* const kCodecs[] = {"WAVE", "AIFC"};

// The OMF file with one master mob per codec, and the raw sample bytes.
struct Fixture {
    std::filesystem::path folder;
    std::string omfPath, rawPath;
    std::vector<uint8_t> samples;

    Fixture() {
        folder = std::filesystem::temp_directory_path() /
                 ("omf_audio_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        omfPath = (folder / "sound.omf").string();
        rawPath = (folder / "samples.raw").string();
        samples.resize(kSampleBytes);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = uint8_t(i * 31 + i / 4093);
        FILE* raw = std::fopen(rawPath.c_str(), "wb");
        if (raw == nullptr || std::fwrite(samples.data(), 1, samples.size(), raw) != samples.size())
            std::abort();
        std::fclose(raw);

        omfProductIdentification_t ident{};
        ident.companyName = "bench";
        ident.productName = "audio_read_bench";
        omfSessionHdl_t session = nullptr;
        omfHdl_t file = nullptr;
        if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0 ||
            omfsNewFile(omfPath.c_str(), session, kOmfRev2x, &file) != 0)
            std::abort();
        for (const char* codec : kCodecs) {
            omfObject_t master = nullptr, fileMob = nullptr;
            omfMediaHdl_t media = nullptr;
            if (omfmCreateMasterMob(file, codec, 4, &master) != 0 ||
                omfmCreateFileMob(file, codec, {kRate, 1}, codec, &fileMob) != 0 ||
                omfmCreateAudioMedia(file, master, fileMob, {kRate, 1}, kChannels, kBits, &media) !=
                    0)
                std::abort();
            for (size_t at = 0; at < samples.size(); at += kBlockBytes) {
                omfmMultiXfer_t transfer{
                    1, kBlockFrames, omfInt32(kBlockBytes), samples.data() + at, 0, 0};
                if (omfmWriteMultiSamples(media, 1, &transfer) != 0) std::abort();
            }
            if (omfmCloseMedia(media) != 0) std::abort();
        }
        if (omfsCloseOMFFile(file) != 0 || omfsFinishSession(session) != 0) std::abort();
    }
    ~Fixture() { std::filesystem::remove_all(folder); }
};

const Fixture& fixture() {
    static const Fixture made;
    return made;
}

omfObject_t masterMobNamed(omfHdl_t file, const char* name) {
    omfIterHdl_t iterator = nullptr;
    omfiMobOpenSearch(file, &iterator);
    omfSearchCrit_t criteria{};
    criteria.searchTag = kOmfByMobKind;
    criteria.tags.mobKind = kMasterMob;
    omfObject_t mob = nullptr, found = nullptr;
    while (found == nullptr && omfiNextMatchingMob(iterator, &criteria, &mob) == 0) {
        char text[16] = {};
        if (omfiMobGetName(file, mob, sizeof text, text) == 0 && std::strcmp(text, name) == 0)
            found = mob;
    }
    omfiSearchDispose(file, iterator);
    return found;
}

void BM_MediaRead(benchmark::State& state) {
    const Fixture& files = fixture();
    const char* codec = kCodecs[state.range(0)];
    state.SetLabel(codec);
    omfProductIdentification_t ident{};
    ident.companyName = "bench";
    ident.productName = "audio_read_bench";
    omfSessionHdl_t session = nullptr;
    omfHdl_t file = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0 ||
        omfsOpenFileForRead(files.omfPath.c_str(), session, &file) != 0) {
        state.SkipWithError("cannot open the OMF file");
        return;
    }
    std::vector<uint8_t> block(kBlockBytes);
    for (auto _ : state) {
        omfMediaHdl_t media = nullptr;
        if (omfmOpenMedia(file, masterMobNamed(file, codec), 1, nullptr, kMediaOpenReadOnly, 0,
                          &media) != 0) {
            state.SkipWithError("cannot open the media");
            break;
        }
        for (omfInt32 done = 0; done < kFrames; done += kBlockFrames) {
            omfInt32 samples = 0, bytes = 0;
            const omfInt32 count = std::min(kBlockFrames, kFrames - done);
            if (omfmReadMediaSamples(media, count, omfInt32(block.size()), block.data(), &samples,
                                     &bytes) != 0) {
                state.SkipWithError("a read failed");
                break;
            }
            benchmark::DoNotOptimize(block.data());
        }
        omfmCloseMedia(media);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSampleBytes));
    omfsCloseOMFFile(file);
    omfsFinishSession(session);
}

void swapInto(const uint8_t* in, uint8_t* out, size_t bytes) {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        out[i] = in[i + 1];
        out[i + 1] = in[i];
    }
}

void BM_PlainRead(benchmark::State& state) {
    const Fixture& files = fixture();
    const bool swap = state.range(0) == 1;
    state.SetLabel(swap ? "AIFC bytes, swapped" : "WAVE bytes");
    std::vector<uint8_t> block(kBlockBytes), swapped(kBlockBytes);
    for (auto _ : state) {
        const int fd = open(files.rawPath.c_str(), O_RDONLY);
        if (fd < 0) {
            state.SkipWithError("cannot open the raw file");
            break;
        }
        for (size_t done = 0; done < kSampleBytes; done += kBlockBytes) {
            const size_t bytes = std::min(kBlockBytes, kSampleBytes - done);
            if (read(fd, block.data(), bytes) != ssize_t(bytes)) std::abort();
            if (swap) swapInto(block.data(), swapped.data(), bytes);
            benchmark::DoNotOptimize(swapped.data());
        }
        close(fd);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kSampleBytes));
}

BENCHMARK(BM_MediaRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_PlainRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
