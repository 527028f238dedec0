// A host image turned into the bytes of one stored frame: 8-bit A, R, G, B or R, G, B pixels,
// rows from the top, fields one after the other for separate-field media.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class Image;

namespace omfplugin {

struct PackLayout {
    bool WithAlpha = false;      // four bytes A R G B per pixel, else three R G B
    bool SeparateFields = false; // the first field's rows, then the second's
    bool OddRowsFirst = false;   // the first field is made of the odd rows (from the top)
};

// Bytes one packed frame of `width` x `height` takes; 0 when that does not fit in 31 bits.
std::size_t PackedFrameBytes(int32_t width, int32_t height, const PackLayout& layout);

// Fills `frame` (PackedFrameBytes of the image's size) with the image's pixels, each channel's
// high byte. Without separate fields image row j from the top becomes frame row j; with them
// field row i of the first field is image row 2i (2i + 1 with OddRowsFirst) and of the second
// field the other one. Answers false, touching nothing, when `frame` has another size.
bool PackFrame(const Image& image, const PackLayout& layout, std::span<uint8_t> frame);

} // namespace omfplugin
