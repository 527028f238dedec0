// Test helper: the "decoding" the test movie server applies to DV frames, so that tests know
// which pixels a frame must become. Every output byte depends on the compressed bytes and on
// its position, so a frame sent short, cut or placed wrongly decodes differently.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace plugin_test {

inline uint8_t DecodedDVByte(std::span<const uint8_t> compressed, std::size_t i) {
    return compressed.empty() ? 0 : uint8_t(compressed[i % compressed.size()] + i / 3);
}

} // namespace plugin_test
