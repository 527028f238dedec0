// Swapping and converting audio samples.
#include "translate/audio_samples.h"

#include <cstring>

namespace omf::media {

namespace {

// The unsigned value of sample `index`.
uint32_t readSample(const uint8_t* base, size_t index, const SampleLayout& layout) {
    const int bits = layout.bits;
    if (bits % 8 == 0) {
        const size_t bytes = size_t(bits) / 8;
        const uint8_t* at = base + index * bytes;
        uint32_t value = 0;
        if (layout.bigEndian) {
            for (size_t i = 0; i < bytes; ++i)
                value = (value << 8) | at[i];
        } else {
            for (size_t i = bytes; i-- > 0;)
                value = (value << 8) | at[i];
        }
        return value;
    }
    // A bit field of 4, 12, 20 or 28 bits: read nibble by nibble, high first.
    const size_t firstNibble = index * size_t(bits) / 4;
    uint32_t value = 0;
    for (size_t n = firstNibble; n < firstNibble + size_t(bits) / 4; ++n) {
        const uint8_t byte = base[n / 2];
        value = (value << 4) | (n % 2 == 0 ? byte >> 4 : byte & 0x0F);
    }
    return value;
}

void writeSample(uint8_t* base, size_t index, const SampleLayout& layout, uint32_t value) {
    const int bits = layout.bits;
    if (bits % 8 == 0) {
        const size_t bytes = size_t(bits) / 8;
        uint8_t* at = base + index * bytes;
        if (layout.bigEndian) {
            for (size_t i = bytes; i-- > 0; value >>= 8)
                at[i] = uint8_t(value);
        } else {
            for (size_t i = 0; i < bytes; ++i, value >>= 8)
                at[i] = uint8_t(value);
        }
        return;
    }
    const size_t nibbles = size_t(bits) / 4;
    const size_t firstNibble = index * nibbles;
    for (size_t k = nibbles; k-- > 0; value >>= 4) {
        const size_t n = firstNibble + k;
        uint8_t& byte = base[n / 2];
        if (n % 2 == 0) {
            byte = uint8_t((byte & 0x0F) | ((value & 0x0F) << 4));
        } else {
            byte = uint8_t((byte & 0xF0) | (value & 0x0F));
        }
    }
}

// The source value in the destination's size and format: the sign bit
// flips between the formats, then the value is shifted (narrowing keeps
// the high bits, widening fills the low bits with zeros).
uint32_t convertValue(uint32_t value, const SampleLayout& source, const SampleLayout& destination) {
    if (source.offsetBinary != destination.offsetBinary) value ^= uint32_t(1) << (source.bits - 1);
    if (destination.bits > source.bits) return value << (destination.bits - source.bits);
    return value >> (source.bits - destination.bits);
}

template <typename Word> void swapWords(const uint8_t* in, uint8_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        Word word;
        std::memcpy(&word, in + i * sizeof(Word), sizeof(Word));
        if constexpr (sizeof(Word) == 2) {
            word = __builtin_bswap16(word);
        } else {
            word = __builtin_bswap32(word);
        }
        std::memcpy(out + i * sizeof(Word), &word, sizeof(Word));
    }
}

} // namespace

void swapSamples(std::span<const uint8_t> in, uint8_t* out, int sampleBytes) {
    const size_t count = in.size() / size_t(sampleBytes);
    switch (sampleBytes) {
    case 2:
        swapWords<uint16_t>(in.data(), out, count);
        return;
    case 4:
        swapWords<uint32_t>(in.data(), out, count);
        return;
    case 3:
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* from = in.data() + i * 3;
            uint8_t* to = out + i * 3;
            const uint8_t first = from[0];
            to[1] = from[1];
            to[0] = from[2];
            to[2] = first;
        }
        return;
    default:
        std::memmove(out, in.data(), in.size());
        return;
    }
}

void convertSamples(const uint8_t* in, const SampleLayout& source, uint8_t* out,
                    const SampleLayout& destination, size_t frames, size_t channels, int64_t repeat,
                    int64_t keepEvery) {
    size_t target = 0; // destination frame
    for (size_t frame = 0; frame < frames; frame += size_t(keepEvery)) {
        for (int64_t copy = 0; copy < repeat; ++copy, ++target) {
            for (size_t channel = 0; channel < channels; ++channel) {
                const uint32_t value = readSample(in, frame * channels + channel, source);
                writeSample(out, target * channels + channel, destination,
                            convertValue(value, source, destination));
            }
        }
    }
}

} // namespace omf::media
