// Writing PCM sound as a Broadcast WAVE file (a WAVE file with a "bext" chunk) through
// libsndfile: the description, originator, origination date and time, and the time reference
// that places the file's first sample on a timeline.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct sf_private_tag;

namespace omftool {

struct BroadcastInfo {
    std::string description;   // up to 256 characters kept
    int64_t timeReference = 0; // the first sample's time, in samples since midnight
};

class BroadcastWaveFile {
  public:
    BroadcastWaveFile() = default;
    BroadcastWaveFile(const BroadcastWaveFile&) = delete;
    BroadcastWaveFile& operator=(const BroadcastWaveFile&) = delete;
    ~BroadcastWaveFile();

    // Creates `path` for `channels` interleaved channels of `bits` bits (16, 24 or 32) at
    // `sampleRate`, its origination the present time; false with why.
    bool open(const std::string& path, int sampleRate, int channels, int bits,
              const BroadcastInfo& info, std::string& why);
    // Appends whole frames of two's complement samples, least significant byte first, each
    // `bits` wide as given to open.
    bool write(std::span<const uint8_t> frames, std::string& why);
    // Finishes the file; false with why.
    bool close(std::string& why);

  private:
    sf_private_tag* sound_ = nullptr;
};

} // namespace omftool
