// How much each JFIF resolution scales the Annex K quantisation tables so
// that it compresses near the ratio its name gives (ratio = 8-bit 4:2:2
// size of the stored picture over the compressed frame). The resolution
// table's factor column cannot serve: it is 150 for both "JFIF2:1" and
// "JFIF3:1" and 120 for both "JFIF10:1" and "JFIF20:1".
#pragma once

#include "omf/omf_types.h"

#include <optional>

namespace omf::codecs::avr {

// The percent of the Annex K tables resolution `resolutionID` compresses
// with, or nothing for a resolution that is not of the JFIF kind.
std::optional<int> jfifTableScale(omfInt32 resolutionID);

} // namespace omf::codecs::avr
