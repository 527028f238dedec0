// The reference clip the JFIF resolutions' quantisation tables are calibrated on, and that the
// tests measure them with: natural-looking frames made in code (a sky gradient, a textured
// ground, hard-edged shapes that move, fine detail, and film-like grain that changes every
// frame). The same arguments always give the same pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace jfif_calibration {

// Frame `frame` (0-based) of the clip at `width` x `height`: 8-bit R, G, B, rows from the top.
std::vector<uint8_t> referenceFrame(int width, int height, int frame);

} // namespace jfif_calibration
