// The vector loop of 4:2:2 Y'CbCr -> 4-byte RGB, eight pixels at a time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace omf::media {

// Where each expanded component goes in a 4-byte pixel, as multipliers of
// its value into the pixel's low and high 16-bit halves (bytes 0-1, 2-3):
// 1 for the half's first byte, 256 for its second, 0 when not in the half.
// Order: red, green, blue in the low half, then in the high half.
using ComponentPlacement = std::array<uint16_t, 6>;

ComponentPlacement placementOf(int redByte, int greenByte, int blueByte);

// Converts the leading multiple of eight of `pixels` (an even count) from
// Cb Y0 Cr Y1 pairs to 4-byte pixels, exactly as the scalar tables do; the
// other bytes of a pixel are 0. Answers the number of pixels converted:
// 0 where no vector unit is available.
size_t ycbcr422ToRgbWordVector(const uint8_t* in, uint8_t* out, size_t pixels,
                               const ComponentPlacement& placement);

} // namespace omf::media
