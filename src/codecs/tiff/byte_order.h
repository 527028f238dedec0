// 16- and 32-bit numbers in a TIFF image's byte order.
#pragma once

#include <cstdint>

namespace omf::codecs::tiff {

struct ByteOrder {
    bool little = true;

    uint16_t get16(const uint8_t* bytes) const {
        return little ? uint16_t(bytes[0] | bytes[1] << 8) : uint16_t(bytes[0] << 8 | bytes[1]);
    }
    uint32_t get32(const uint8_t* bytes) const {
        uint32_t b0 = bytes[0], b1 = bytes[1], b2 = bytes[2], b3 = bytes[3];
        return little ? b0 | b1 << 8 | b2 << 16 | b3 << 24 : b0 << 24 | b1 << 16 | b2 << 8 | b3;
    }
    void put16(uint8_t* bytes, uint16_t value) const {
        bytes[little ? 0 : 1] = uint8_t(value);
        bytes[little ? 1 : 0] = uint8_t(value >> 8);
    }
    void put32(uint8_t* bytes, uint32_t value) const {
        for (int i = 0; i < 4; ++i)
            bytes[little ? i : 3 - i] = uint8_t(value >> (8 * i));
    }
};

} // namespace omf::codecs::tiff
