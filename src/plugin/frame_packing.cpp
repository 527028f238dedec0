#include "frame_packing.h"

#include <algorithm>
#include <limits>

#include "tarsel/system/image.h"

namespace omfplugin {

namespace {

uint8_t HighByte(uint32_t channel) {
    return static_cast<uint8_t>(std::min<uint32_t>(channel, 0xFFFF) >> 8);
}

// Writes image row `fromTop` (counted from the top) into `row`.
void PackRow(const Image& image, int fromTop, bool withAlpha, uint8_t* row) {
    const int y = image.Height() - 1 - fromTop;
    for (int x = 0; x < image.Width(); ++x) {
        const Pixel pixel = image.FetchPixel(x, y);
        if (withAlpha) *row++ = HighByte(pixel.A);
        *row++ = HighByte(pixel.R);
        *row++ = HighByte(pixel.G);
        *row++ = HighByte(pixel.B);
    }
}

} // namespace

std::size_t PackedFrameBytes(int32_t width, int32_t height, const PackLayout& layout) {
    if (width <= 0 || height <= 0) return 0;
    const uint64_t bytes = uint64_t(width) * uint64_t(height) * (layout.WithAlpha ? 4u : 3u);
    return bytes > uint64_t(std::numeric_limits<int32_t>::max()) ? 0 : std::size_t(bytes);
}

bool PackFrame(const Image& image, const PackLayout& layout, std::span<uint8_t> frame) {
    const std::size_t bytes = PackedFrameBytes(image.Width(), image.Height(), layout);
    if (bytes == 0 || frame.size() != bytes) return false;
    const std::size_t rowBytes = bytes / std::size_t(image.Height());
    const int height = image.Height();
    if (!layout.SeparateFields) {
        for (int j = 0; j < height; ++j)
            PackRow(image, j, layout.WithAlpha, frame.data() + std::size_t(j) * rowBytes);
        return true;
    }
    const int fieldRows = height / 2;
    const int first = layout.OddRowsFirst ? 1 : 0;
    for (int i = 0; i < fieldRows; ++i) {
        PackRow(image, 2 * i + first, layout.WithAlpha, frame.data() + std::size_t(i) * rowBytes);
        PackRow(image, 2 * i + 1 - first, layout.WithAlpha,
                frame.data() + std::size_t(fieldRows + i) * rowBytes);
    }
    // An odd last row belongs to neither field.
    if (height % 2 != 0) {
        std::fill(frame.begin() + std::ptrdiff_t(2 * fieldRows) * std::ptrdiff_t(rowBytes),
                  frame.end(), uint8_t{0});
    }
    return true;
}

} // namespace omfplugin
