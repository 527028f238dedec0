// Sound files a timeline names (WAVE, Broadcast WAVE, AIFF, AIFC), read through libsndfile for
// composing: their format, and one channel's samples at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace omftool {

struct SoundFileFormat {
    int channels = 0;
    int sampleRate = 0;
    int bits = 0;       // 8, 16, 24 or 32: integer PCM only
    int64_t frames = 0; // sample frames (one sample of every channel)
    bool aiff = false;  // an AIFF or AIFC file, else WAVE
    // Whether the file's sample bytes are already as the media calls take them (mono
    // little-endian WAVE): they can be copied as they are.
    bool bytesAsMemory = false;
};

// The path a timeline's media URL names: file:// URLs percent-decoded, other absolute paths as
// they are, relative ones from `folder`. Empty with the reason in `why` for URLs of other
// schemes.
std::string pathOfMediaURL(const std::string& url, const std::string& folder, std::string& why);

// The format of the sound file at `path`; false with the reason (not found, not a sound file,
// floating-point samples) in `why`.
bool readSoundFormat(const std::string& path, SoundFileFormat& format, std::string& why);

// Reads one channel of a sound file at a time, frames [start, start + count), as libsndfile
// gives them: 32-bit samples, the file's bits at the top.
class SoundChannelReader {
  public:
    SoundChannelReader() = default;
    ~SoundChannelReader();
    SoundChannelReader(const SoundChannelReader&) = delete;
    SoundChannelReader& operator=(const SoundChannelReader&) = delete;

    bool open(const std::string& path, std::string& why);
    // Appends the samples of channel `channel` (from 0) to `samples`; false with why.
    bool read(int channel, int64_t start, int64_t count, std::vector<int32_t>& samples,
              std::string& why);
    // Appends the sample bytes of frames [start, start + count) as stored, `frameBytes` a frame;
    // false with why.
    bool readBytes(int64_t start, int64_t count, int frameBytes, std::vector<uint8_t>& bytes,
                   std::string& why);

  private:
    void* file_ = nullptr; // SNDFILE
    int channels_ = 0;
    std::vector<int32_t> frames_;
};

// Appends 32-bit samples (the sample's bits at the top) to `bytes` as the media calls take sound
// samples: little-endian two's complement of `bits` (8-bit samples unsigned).
void packSamples(const std::vector<int32_t>& samples, int bits, std::vector<uint8_t>& bytes);

} // namespace omftool
