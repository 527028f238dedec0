// How the sound fuzzer reads its input: a few control bytes choosing the
// codec and the caller's side of the transfers, then the hostile image.
//
//   byte 0      bit 0: WAVE (else AIFC); bit 1: a summary of its own
//               follows; bit 2: also append samples to the media
//   byte 1      memory sample size in bits (0: the file's)
//   byte 2      bits 0-1: memory rate x1, x2, /2, x3; bit 2: offset binary
//   bytes 3-4   the descriptor's Length (little-endian)
//   [byte 5     summary length n, then n summary bytes]  when bit 1
//   rest        the file image (also the summary without bit 1)
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fuzz_audio {

struct AudioInput {
    bool wave = false;
    bool append = false;
    uint8_t memoryBits = 0;
    uint8_t rateChoice = 0;
    bool offsetBinary = false;
    uint16_t length = 0;
    std::vector<uint8_t> summary;
    std::vector<uint8_t> image;
};

inline bool parseInput(const uint8_t* data, size_t size, AudioInput* input) {
    constexpr size_t kControlBytes = 5;
    if (size < kControlBytes) return false;
    input->wave = (data[0] & 1) != 0;
    const bool ownSummary = (data[0] & 2) != 0;
    input->append = (data[0] & 4) != 0;
    input->memoryBits = data[1];
    input->rateChoice = data[2] & 3;
    input->offsetBinary = (data[2] & 4) != 0;
    input->length = uint16_t(data[3] | data[4] << 8);
    size_t at = kControlBytes;
    if (ownSummary) {
        if (at >= size) return false;
        const size_t length = data[at++];
        if (length > size - at) return false;
        input->summary.assign(data + at, data + at + length);
        at += length;
    }
    input->image.assign(data + at, data + size);
    if (!ownSummary) input->summary = input->image;
    return true;
}

// The control bytes of a seed: codec, no own summary, the file's format.
inline std::vector<uint8_t> seedInput(bool wave, uint16_t length,
                                      const std::vector<uint8_t>& image) {
    std::vector<uint8_t> input = {uint8_t(wave ? 1 : 0), 0, 0, uint8_t(length),
                                  uint8_t(length >> 8)};
    input.insert(input.end(), image.begin(), image.end());
    return input;
}

} // namespace fuzz_audio
