// One side of a pixel translation described in plain fields: what a format
// list says about the pixels, with the other side's list filling the gaps.
#pragma once

#include "omf/omf_media_types.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace omf::media {

struct PixelDescription {
    omfInt32 pixelFormat = kOmfPixNone;
    omfInt32 layout = 0; // omfFrameLayout_t; 0 when neither list names one
    omfRect_t stored{}, sampled{}, display{};
    omfInt32 pixelBits = 0;
    std::string componentOrder;              // RGB letters, e.g. "ARGB"
    std::array<uint8_t, 8> componentSizes{}; // bits, in component order
    size_t componentCount = 0;               // entries used in componentSizes
    omfInt32 lineStride = 0;                 // bytes; 0 = rows packed
    bool hasLineMap = false;
    omfInt32 lineMap[2] = {0, 0};
    omfInt32 fieldOrder = 0; // 1: the frame's first line belongs to field 2
    omfInt32 componentWidth = 8;
    omfInt32 horizontalSubsampling = 2;
    omfInt32 paddingBits = 0;
    omfInt32 colourSiting = 0, blackLevel = 16, whiteLevel = 235, colourRange = 225;

    // Layout as field handling sees it: mixed fields (4) move like a full frame.
    omfInt32 fieldLayout() const { return layout == kOmfMixedFields ? kOmfFullFrame : layout; }
    // Packed bytes of one stored row (whole bytes only; 0 when unknown).
    size_t rowBytes() const {
        if (stored.xSize <= 0 || pixelBits <= 0) return 0;
        return size_t(stored.xSize) * size_t(pixelBits) / 8;
    }
};

// Describes the side whose list is `own`: it starts from `other` and is
// overridden by `own`, so that what `own` leaves out comes from `other`.
// The line stride is the exception: it describes one buffer and is never
// taken from the other side. Either list may be null (empty).
PixelDescription describePixels(const omfFormatEntry_t* own, const omfFormatEntry_t* other);

// Field order of a two-field layout from its line map (first line of field
// 1, of field 2): the common second-field start lines 238 and 279 mean field
// 1 comes first and 278 means field 2 does; for other maps the field whose
// first line is lower comes first (equal lines: field 2).
omfInt32 fieldOrderFromLineMap(omfInt32 firstLine, omfInt32 secondLine);

} // namespace omf::media
