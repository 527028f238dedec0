// One channel of sound converted to another sample rate by FFmpeg's libswresample, block by
// block, for composing files of several rates into one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SwrContext;

namespace omftool {

class MonoResampler {
  public:
    MonoResampler() = default;
    ~MonoResampler();
    MonoResampler(const MonoResampler&) = delete;
    MonoResampler& operator=(const MonoResampler&) = delete;

    // Converts from `fromRate` to `toRate` samples a second; false with why.
    bool open(int fromRate, int toRate, std::string& why);
    // Converts `in` (32-bit samples) and appends what is ready to `out`; `in` empty finishes,
    // appending what the converter still holds.
    bool convert(const std::vector<int32_t>& in, std::vector<int32_t>& out, std::string& why);

  private:
    SwrContext* context_ = nullptr;
};

} // namespace omftool
