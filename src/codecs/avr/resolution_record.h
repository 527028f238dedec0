// One named video resolution of Avid's AVR and JFIF families, as the AVR
// codec's table holds it and as info selector 3 hands it to the codec that
// writes the media: name, DIDResolutionID, compression factor, picture
// sizes for 525- and 625-line video, and the quantisation tables derived
// from the factor. The record is 624 bytes.
#pragma once

#include "omf/omf_types.h"

#include <cstdint>

namespace omf::codecs::avr {

struct ResolutionRecord {
    char name[16];         // zero-terminated, at most 15 characters
    omfInt32 resolutionID; // stored as DIDResolutionID
    omfInt32 factor;       // compression factor: the Annex K tables scaled by factor / 100
    omfInt32 width;
    omfInt32 height525; // rows per field (two-field resolutions) or frame, 525 lines
    omfInt32 height625;
    omfInt32 leadingLines525;
    omfInt32 leadingLines625;
    omfInt32 fields; // 1 or 2
    // Quantisation tables of components 0 (luminance), 1 and 2 (chrominance),
    // zig-zag order, as one-byte and as 16-bit entries.
    omfUInt8 quant8[3][64];
    omfUInt16 quant16[3][64];
};
static_assert(sizeof(ResolutionRecord) == 624, "resolution records are 624 bytes");

} // namespace omf::codecs::avr
