// Sample-level work of the audio translator: byte-order swaps of whole
// samples, and conversion between sample sizes, sample formats and rates
// that are whole multiples of each other.
#pragma once

#include "omf/omf_types.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace omf::media {

// How samples lie in one buffer. Sizes that are whole bytes are stored in
// `bigEndian` byte order; other sizes (multiples of 4 bits) are packed as
// big-endian bit fields.
struct SampleLayout {
    int bits = 0;
    bool bigEndian = false;
    bool offsetBinary = false; // else two's complement
};

// Reverses the bytes of each `sampleBytes`-byte sample of `in` into `out`
// (same size; sizes 1 to 4).
void swapSamples(std::span<const uint8_t> in, uint8_t* out, int sampleBytes);

// Converts `frames` source frames of `channels` samples into destination
// frames: each source frame is written `repeat` times, or only every
// `keepEvery`-th source frame is kept (one of them is 1). The destination
// must be cleared by the caller when its size is not whole bytes per sample.
void convertSamples(const uint8_t* in, const SampleLayout& source, uint8_t* out,
                    const SampleLayout& destination, size_t frames, size_t channels, int64_t repeat,
                    int64_t keepEvery);

} // namespace omf::media
