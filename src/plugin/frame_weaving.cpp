#include "frame_weaving.h"

#include "tarsel/system/image.h"

namespace omfplugin {

namespace {

constexpr int32_t kNTSC = 1;
constexpr int32_t kBytesPerPixel = 4; // A, R, G, B
// 8-bit channels become 16-bit ones: 255 x 257 = 65535.
constexpr uint32_t kChannelScale = 257;
constexpr uint32_t kOpaque = 65535;

// Copies one row of W pixels from `offset` in the bytes to image row `row` (from the top).
void StoreRow(const uint8_t* bytes, std::size_t byteCount, int64_t offset, int32_t row,
              bool keepAlpha, Image& image) {
    const int32_t width = image.Width();
    if (offset < 0 || row < 0 || row >= image.Height()) return;
    if (uint64_t(offset) + uint64_t(width) * kBytesPerPixel > byteCount) return;
    const uint8_t* pixel = bytes + offset;
    const int y = image.Height() - 1 - row;
    for (int x = 0; x < width; ++x, pixel += kBytesPerPixel) {
        const uint32_t alpha = keepAlpha ? pixel[0] * kChannelScale : kOpaque;
        image.StorePixel(
            x, y,
            {pixel[3] * kChannelScale, pixel[2] * kChannelScale, pixel[1] * kChannelScale, alpha});
    }
}

} // namespace

FieldPlacement PlaceFields(const FieldInfo& fields, const omfRect_t& sampled, int32_t storedHeight,
                           const omfRect_t& display) {
    FieldPlacement place;
    const int32_t line1 = fields.Line1, line2 = fields.Line2;
    if (fields.SignalStandard == kNTSC) {
        switch (fields.FieldOrder) {
        case 1:
            place.Placement = line1 >= line2 ? 1 : 0;
            break;
        case 0:
            place.Placement = line2 >= line1 ? 1 : 0;
            break;
        case 2:
            place.Placement = fields.DominanceCode == 1 ? 1 : 0;
            if (fields.DominanceCode == 2) {
                if (sampled.yOffset + sampled.ySize < storedHeight) {
                    place.RowShift = 1;
                } else if (display.yOffset > 0) {
                    place.RowShift = -1;
                } else {
                    place.RowShift = 1;
                    place.Reverse = true;
                }
            }
            break;
        default:
            break;
        }
        return place;
    }
    if (fields.FieldOrder == 0) place.Placement = line1 > line2 ? 1 : 0;
    if (fields.FieldOrder == 1) place.Placement = line2 > line1 ? 1 : 0;
    return place;
}

void StoreFrame(const uint8_t* bytes, std::size_t byteCount, const FrameGeometry& geometry,
                const FieldPlacement& fields, Image& image) {
    const int64_t xA = geometry.Sampled.xOffset, yA = geometry.Sampled.yOffset;
    const int64_t wB = geometry.Display.xSize, ws = geometry.StoredWidth;
    const int64_t hs = geometry.StoredHeight;
    const int32_t height = image.Height();
    if (geometry.Layout == kOmfSeparateFields) {
        const int64_t g = fields.RowShift;
        for (int32_t j = 0; j < geometry.Sampled.ySize; ++j) {
            StoreRow(bytes, byteCount, kBytesPerPixel * ((yA + g + j) * ws + xA),
                     2 * j + fields.Placement, geometry.KeepAlpha, image);
            StoreRow(bytes, byteCount, kBytesPerPixel * ((hs + yA + g + j) * ws + xA),
                     2 * j + 1 - fields.Placement, geometry.KeepAlpha, image);
        }
        return;
    }
    const int64_t firstRow = geometry.Layout == kOmfFullFrame || geometry.Layout == 0 ? yA : 2 * yA;
    for (int32_t j = 0; j < height; ++j) {
        StoreRow(bytes, byteCount, kBytesPerPixel * ((firstRow + j) * wB + xA), j,
                 geometry.KeepAlpha, image);
    }
}

} // namespace omfplugin
