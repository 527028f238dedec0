#include "broadcast_wave.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace omftool {

namespace {

constexpr const char* kOriginator = "omftool";
// The bext chunk's version: 1 adds the UMID, left empty here.
constexpr unsigned kBextVersion = 1;

int pcmFormat(int bits) {
    switch (bits) {
    case 16:
        return SF_FORMAT_PCM_16;
    case 24:
        return SF_FORMAT_PCM_24;
    case 32:
        return SF_FORMAT_PCM_32;
    default:
        return 0;
    }
}

// Copies `text` into a fixed bext field, cut to fit; the field is zero-filled first.
template <size_t N> void putField(char (&field)[N], const std::string& text) {
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

} // namespace

BroadcastWaveFile::~BroadcastWaveFile() {
    if (sound_ != nullptr) sf_close(sound_);
}

bool BroadcastWaveFile::open(const std::string& path, int sampleRate, int channels, int bits,
                             const BroadcastInfo& info, std::string& why) {
    SF_INFO format{};
    format.samplerate = sampleRate;
    format.channels = channels;
    format.format = SF_FORMAT_WAV | pcmFormat(bits);
    if (pcmFormat(bits) == 0 || !sf_format_check(&format)) {
        why = "no WAVE format for " + std::to_string(channels) + " channels of " +
              std::to_string(bits) + " bits at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    sound_ = sf_open(path.c_str(), SFM_WRITE, &format);
    if (sound_ == nullptr) {
        why = sf_strerror(nullptr);
        return false;
    }
    SF_BROADCAST_INFO bext{};
    putField(bext.description, info.description);
    putField(bext.originator, kOriginator);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16] = {}, time[16] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    putField(bext.origination_date, date);
    putField(bext.origination_time, time);
    const auto reference = uint64_t(std::max<int64_t>(info.timeReference, 0));
    bext.time_reference_low = uint32_t(reference);
    bext.time_reference_high = uint32_t(reference >> 32);
    bext.version = kBextVersion;
    if (sf_command(sound_, SFC_SET_BROADCAST_INFO, &bext, sizeof bext) != SF_TRUE) {
        why = std::string("cannot add the bext chunk: ") + sf_strerror(sound_);
        return false;
    }
    return true;
}

bool BroadcastWaveFile::write(std::span<const uint8_t> frames, std::string& why) {
    if (frames.empty()) return true;
    // Least significant byte first is how WAVE keeps PCM: the bytes go in as they are.
    if (sf_write_raw(sound_, frames.data(), sf_count_t(frames.size())) !=
        sf_count_t(frames.size())) {
        why = sf_strerror(sound_);
        return false;
    }
    return true;
}

bool BroadcastWaveFile::close(std::string& why) {
    SNDFILE* sound = sound_;
    sound_ = nullptr;
    if (sound == nullptr) return true;
    const int failed = sf_close(sound);
    if (failed != 0) why = sf_error_number(failed);
    return failed == 0;
}

} // namespace omftool
