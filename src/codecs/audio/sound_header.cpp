// Chunk IDs and the numbers of sound headers.
#include "audio/sound_header.h"

#include <cstring>

namespace omf::codecs::audio {

bool Chunk::is(const char* name) const {
    return std::memcmp(id, name, 4) == 0;
}

uint16_t loadUInt16(const uint8_t* at, bool bigEndian) {
    return bigEndian ? uint16_t((at[0] << 8) | at[1]) : uint16_t((at[1] << 8) | at[0]);
}

uint32_t loadUInt32(const uint8_t* at, bool bigEndian) {
    if (bigEndian)
        return (uint32_t(at[0]) << 24) | (uint32_t(at[1]) << 16) | (uint32_t(at[2]) << 8) | at[3];
    return (uint32_t(at[3]) << 24) | (uint32_t(at[2]) << 16) | (uint32_t(at[1]) << 8) | at[0];
}

void storeUInt16(uint8_t* at, uint16_t value, bool bigEndian) {
    at[bigEndian ? 0 : 1] = uint8_t(value >> 8);
    at[bigEndian ? 1 : 0] = uint8_t(value);
}

void storeUInt32(uint8_t* at, uint32_t value, bool bigEndian) {
    for (int i = 0; i < 4; ++i)
        at[bigEndian ? i : 3 - i] = uint8_t(value >> (24 - 8 * i));
}

} // namespace omf::codecs::audio
