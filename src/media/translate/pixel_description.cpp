// Reading the two format lists of a translation into pixel descriptions.
#include "media/codec_support/pixel_description.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace omf::media {

namespace {

// What one list says, item by item; an item the list leaves out stays empty.
struct ListItems {
    std::optional<omfInt32> pixelFormat, layout, pixelBits, lineStride;
    std::optional<omfRect_t> stored, sampled, display;
    std::optional<std::string> componentOrder;
    std::optional<std::array<uint8_t, 8>> componentSizes;
    std::optional<std::array<omfInt32, 2>> lineMap;
    std::optional<omfInt32> componentWidth, horizontalSubsampling, paddingBits;
    std::optional<omfInt32> colourSiting, blackLevel, whiteLevel, colourRange;

    // Whether the list describes Y'CbCr samples itself.
    bool namesComponentLayout() const {
        return componentWidth || horizontalSubsampling || paddingBits;
    }
};

ListItems readList(const omfFormatEntry_t* list) {
    ListItems items;
    for (; list != nullptr && list->opcode != kOmfVFmtEnd; ++list) {
        const auto& operand = list->operand;
        switch (list->opcode) {
        case kOmfPixelFormat:
            items.pixelFormat = operand.int32;
            break;
        case kOmfFrameLayout:
            items.layout = operand.int32;
            break;
        case kOmfStoredRect:
            items.stored = operand.rect;
            break;
        case kOmfSampledRect:
            items.sampled = operand.rect;
            break;
        case kOmfDisplayRect:
            items.display = operand.rect;
            break;
        case kOmfPixelSize:
            items.pixelBits = operand.int16;
            break;
        case kOmfVideoLineMap:
            items.lineMap = {operand.lineMap[0], operand.lineMap[1]};
            break;
        case kOmfLineLength:
            items.lineStride = operand.int32;
            break;
        case kOmfRGBCompLayout:
            items.componentOrder = std::string(operand.compLayout, strnlen(operand.compLayout, 8));
            break;
        case kOmfRGBCompSizes: {
            std::array<uint8_t, 8> sizes{};
            std::memcpy(sizes.data(), operand.compSizes, sizes.size());
            items.componentSizes = sizes;
            break;
        }
        case kOmfCDCICompWidth:
            items.componentWidth = operand.int32;
            break;
        case kOmfCDCIHorizSubsampling:
            items.horizontalSubsampling = operand.int32;
            break;
        case kOmfCDCIColorSiting:
            items.colourSiting = operand.int32;
            break;
        case kOmfCDCIBlackLevel:
            items.blackLevel = operand.int32;
            break;
        case kOmfCDCIWhiteLevel:
            items.whiteLevel = operand.int32;
            break;
        case kOmfCDCIColorRange:
            items.colourRange = operand.int32;
            break;
        case kOmfCDCIPadBits:
            items.paddingBits = operand.int16;
            break;
        default:
            break; // aspect ratio, alignment, flags: nothing to translate
        }
    }
    return items;
}

template <typename T>
T pick(const std::optional<T>& own, const std::optional<T>& other, T fallback) {
    if (own) return *own;
    if (other) return *other;
    return fallback;
}

size_t usedSizes(const std::array<uint8_t, 8>& sizes) {
    size_t count = 0;
    while (count < sizes.size() && sizes[count] != 0)
        ++count;
    return count;
}

omfInt32 sumOfSizes(const std::array<uint8_t, 8>& sizes) {
    omfInt32 sum = 0;
    for (size_t i = 0; i < usedSizes(sizes); ++i)
        sum += sizes[i];
    return sum;
}

// Bits per Y'CbCr pixel: three components (4:4:4) or two (4:2:2), plus padding.
omfInt32 ycbcrPixelBits(const PixelDescription& pixels) {
    const omfInt32 components = pixels.horizontalSubsampling == 1 ? 3 : 2;
    return components * pixels.componentWidth + pixels.paddingBits;
}

// Bits per pixel derived from the description's own structure, for a side
// that names no pixel size.
omfInt32 structuralPixelBits(const PixelDescription& pixels) {
    if (pixels.pixelFormat == kOmfPixYUV) return ycbcrPixelBits(pixels);
    omfInt32 bits = 0;
    for (size_t i = 0; i < pixels.componentCount; ++i)
        bits += pixels.componentSizes[i];
    return bits;
}

} // namespace

omfInt32 fieldOrderFromLineMap(omfInt32 firstLine, omfInt32 secondLine) {
    if (secondLine == 238 || secondLine == 279) return 0;
    if (secondLine == 278) return 1;
    return firstLine >= secondLine ? 1 : 0;
}

PixelDescription describePixels(const omfFormatEntry_t* ownList,
                                const omfFormatEntry_t* otherList) {
    const ListItems own = readList(ownList);
    const ListItems other = readList(otherList);
    PixelDescription pixels;
    pixels.pixelFormat = pick(own.pixelFormat, other.pixelFormat, omfInt32(kOmfPixNone));
    pixels.layout = pick(own.layout, other.layout, omfInt32(0));
    pixels.stored = pick(own.stored, other.stored, omfRect_t{});
    pixels.sampled = pick(own.sampled, other.sampled, pixels.stored);
    pixels.display = pick(own.display, other.display, pixels.stored);
    pixels.lineStride = own.lineStride.value_or(0);
    pixels.componentWidth = pick(own.componentWidth, other.componentWidth, omfInt32(8));
    pixels.horizontalSubsampling =
        pick(own.horizontalSubsampling, other.horizontalSubsampling, omfInt32(2));
    pixels.paddingBits = pick(own.paddingBits, other.paddingBits, omfInt32(0));
    pixels.colourSiting = pick(own.colourSiting, other.colourSiting, omfInt32(0));
    pixels.blackLevel = pick(own.blackLevel, other.blackLevel, omfInt32(16));
    pixels.whiteLevel = pick(own.whiteLevel, other.whiteLevel, omfInt32(235));
    pixels.colourRange = pick(own.colourRange, other.colourRange, omfInt32(225));

    // RGB components: "RGB" with 8 bits each unless a list says otherwise;
    // letters without sizes are taken as 8 bits each.
    pixels.componentOrder = pick(own.componentOrder, other.componentOrder, std::string("RGB"));
    if (own.componentSizes || other.componentSizes) {
        pixels.componentSizes =
            pick(own.componentSizes, other.componentSizes, std::array<uint8_t, 8>{});
        pixels.componentCount = usedSizes(pixels.componentSizes);
    } else {
        pixels.componentCount = std::min<size_t>(pixels.componentOrder.size(), 8);
        for (size_t i = 0; i < pixels.componentCount; ++i)
            pixels.componentSizes[i] = 8;
    }

    if (const auto& map = own.lineMap ? own.lineMap : other.lineMap) {
        pixels.hasLineMap = true;
        pixels.lineMap[0] = (*map)[0];
        pixels.lineMap[1] = (*map)[1];
        if (pixels.layout == kOmfSeparateFields || pixels.layout == kOmfMixedFields)
            pixels.fieldOrder = fieldOrderFromLineMap((*map)[0], (*map)[1]);
    }

    // Pixel size: the side's own explicit size, else what its own component
    // description adds up to. A side that changes the pixel format without
    // giving a size (memory {RGB} over a Y'CbCr file) takes the size its
    // format implies rather than the other side's. Otherwise the other
    // side's size holds, explicit or derived in the same order.
    if (own.pixelBits) {
        pixels.pixelBits = *own.pixelBits;
    } else if (own.componentSizes) {
        pixels.pixelBits = sumOfSizes(*own.componentSizes);
    } else if (own.namesComponentLayout() && pixels.pixelFormat == kOmfPixYUV) {
        pixels.pixelBits = ycbcrPixelBits(pixels);
    } else if (own.pixelFormat && own.pixelFormat != other.pixelFormat) {
        pixels.pixelBits = structuralPixelBits(pixels);
    } else if (other.pixelBits) {
        pixels.pixelBits = *other.pixelBits;
    } else if (other.componentSizes) {
        pixels.pixelBits = sumOfSizes(*other.componentSizes);
    } else {
        pixels.pixelBits = structuralPixelBits(pixels);
    }
    return pixels;
}

} // namespace omf::media
