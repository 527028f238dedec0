// Pixel conversion between RGB with 8-bit components (any letter order) and
// 8-bit Y'CbCr, 4:2:2 (Cb Y0 Cr Y1 per pixel pair) or 4:4:4 (Y Cb Cr).
// The loop for a pair of formats is chosen once, when the converter is
// prepared; converting runs it with no per-pixel decisions on format.
#pragma once

#include "media/codec_support/pixel_description.h"
#include "translate/vector_loops.h"

#include "omf/omf_types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace omf::media {

class PixelConverter {
  public:
    // Chooses the loop for `source` -> `destination`: OM_ERR_CANNOT_TRANSLATE
    // when either side is not a format the loops handle.
    omfErr_t prepare(const PixelDescription& source, const PixelDescription& destination);

    // Converts `pixels` pixels, a multiple of groupPixels(), from `in` to `out`.
    void convert(const uint8_t* in, uint8_t* out, size_t pixels) const {
        run_(*this, in, out, pixels);
    }
    // Pixels that convert together (a 4:2:2 pixel pair), and their bytes.
    size_t groupPixels() const { return groupPixels_; }
    size_t sourceGroupBytes() const { return groupPixels_ * sourcePixelBytes_; }
    size_t destinationGroupBytes() const { return groupPixels_ * destinationPixelBytes_; }

    // The state the loops read; set by prepare.
    using Loop = void (*)(const PixelConverter&, const uint8_t*, uint8_t*, size_t);
    struct BytePositions {
        int red = -1, green = -1, blue = -1; // byte of each component in an RGB pixel
    };

  private:
    friend struct ConversionLoops;
    Loop run_ = nullptr;
    size_t groupPixels_ = 1;
    size_t sourcePixelBytes_ = 0, destinationPixelBytes_ = 0;
    BytePositions sourceRgb_, destinationRgb_;
    // RGB -> RGB: the source byte of each destination byte, -1 for a zero.
    std::array<int8_t, 8> sourceByteOf_{};
    // Y'CbCr -> 4-byte RGB: the full-range expansion of each component,
    // already shifted to its place in the pixel word, indexed by luma plus
    // chroma term (offset by kTermBias); one table per component.
    std::vector<uint32_t> placedExpansion_;
    ComponentPlacement placement_{}; // the same places, for the vector loop
    // Vector loops for 4:2:2 <-> 4-byte RGB (null: tables only), and the
    // source components' bit shifts within a 4-byte pixel.
    YCbCr422ToRgbWordLoop ycbcrVectorLoop_ = nullptr;
    RgbWordToYCbCr422Loop rgbVectorLoop_ = nullptr;
    std::array<int, 3> sourceShifts_{};
};

} // namespace omf::media
