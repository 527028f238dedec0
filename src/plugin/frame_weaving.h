// Turning a frame read as 8-bit A, R, G, B into the host's image: which rows go where, and
// how the two fields of separate-field media are woven into one frame.
#pragma once

#include <cstddef>
#include <cstdint>

#include "omf/omf_media_types.h"

class Image;

namespace omfplugin {

// What the media says about its fields.
struct FieldInfo {
    int32_t SignalStandard = 0; // 1 NTSC, 2 PAL, 0 other
    int32_t FieldOrder = 2;     // 0, 1, or 2 when unknown
    int32_t DominanceCode = 2;  // the field dominance code; 2 when it cannot be read
    int32_t Line1 = 0;          // the video line map, 0 and 0 when there is none
    int32_t Line2 = 0;
};

// Where the fields of one frame land: the first field's rows go to image rows 2j + Placement,
// the second's to 2j + 1 - Placement; RowShift moves the rows read within each field; with
// Reverse the host's field dominance is reversed at the end.
struct FieldPlacement {
    int32_t Placement = 0;
    int32_t RowShift = 0;
    bool Reverse = false;
};

FieldPlacement PlaceFields(const FieldInfo& fields, const omfRect_t& sampled, int32_t storedHeight,
                           const omfRect_t& display);

// The geometry of the bytes read.
struct FrameGeometry {
    int32_t Layout = kOmfFullFrame;
    int32_t StoredWidth = 0;
    int32_t StoredHeight = 0; // rows of one field for separate fields
    omfRect_t Sampled{};
    omfRect_t Display{};
    bool KeepAlpha = false; // 32-bit media; otherwise pixels are opaque
};

// Stores the frame's rows into `image` (Width x Height, rows counted from the top). Rows whose
// bytes do not lie wholly within `bytes`, or that would fall outside the image, are left as
// they are.
void StoreFrame(const uint8_t* bytes, std::size_t byteCount, const FrameGeometry& geometry,
                const FieldPlacement& fields, Image& image);

} // namespace omfplugin
