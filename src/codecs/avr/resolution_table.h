// The AVR codec's table of named resolutions, addressed 1..43 as the
// codec's varieties, and the full records derived from it.
#pragma once

#include "avr/resolution_record.h"

#include <string_view>

namespace omf::codecs::avr {

inline constexpr omfInt32 kResolutionCount = 43;

// What the table states about one resolution; the record adds the
// quantisation tables.
struct Resolution {
    const char* name;
    omfInt32 resolutionID;
    omfInt32 factor;
    omfInt32 width;
    omfInt32 height525;
    omfInt32 height625;
    omfInt32 leadingLines525;
    omfInt32 leadingLines625;
    omfInt32 fields;
};

// Resolution `number` (1..kResolutionCount), or null outside the table.
const Resolution* resolutionNumber(omfInt32 number);
// The resolution named exactly `name`, or null.
const Resolution* resolutionNamed(std::string_view name);

// The record of a resolution. Its quantisation tables are the Annex K
// tables scaled by the resolution's calibrated JFIF scale (JFIF kind) or
// by its factor (the others), in percent.
ResolutionRecord makeRecord(const Resolution& resolution);

// Puts the Annex K tables scaled by `percent` / 100 (entries clamped to
// 1..255) into `record`.
void putQuantTables(ResolutionRecord& record, int percent);

} // namespace omf::codecs::avr
