// Vector loops for the two conversions every uncompressed frame of the
// common case goes through: 8-bit Y'CbCr 4:2:2 (Cb Y0 Cr Y1) to and from
// 4-byte RGB. They give the same bytes as the table loops. The widest loop
// the processor runs is chosen once, when a converter is prepared.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace omf::media {

// Where each component goes in a 4-byte RGB pixel, as multipliers of its
// value into the pixel's low and high 16-bit halves (bytes 0-1, 2-3): 1 for
// the half's first byte, 256 for its second, 0 when not in that half.
// Order: red, green, blue in the low half, then in the high half.
using ComponentPlacement = std::array<uint16_t, 6>;

ComponentPlacement placementOf(int redByte, int greenByte, int blueByte);

// The loops convert the leading whole vectors of `pixels` (an even count)
// and answer the number of pixels converted; the caller's tables do the rest.
using YCbCr422ToRgbWordLoop = size_t (*)(const uint8_t* in, uint8_t* out, size_t pixels,
                                         const ComponentPlacement& placement);
// Red, green and blue at bytes given by `byteShifts` (8 x byte index) of
// each source pixel.
using RgbWordToYCbCr422Loop = size_t (*)(const uint8_t* in, uint8_t* out, size_t pixels,
                                         const std::array<int, 3>& byteShifts);

// The widest loop this processor runs; null where there is none.
YCbCr422ToRgbWordLoop ycbcr422ToRgbWordLoop();
RgbWordToYCbCr422Loop rgbWordToYCbCr422Loop();

// Every loop this processor runs, narrowest first (to check them all).
std::vector<YCbCr422ToRgbWordLoop> ycbcr422ToRgbWordLoops();
std::vector<RgbWordToYCbCr422Loop> rgbWordToYCbCr422Loops();

} // namespace omf::media
