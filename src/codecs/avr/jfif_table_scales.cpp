// The JFIF resolutions' table scales, found by tools/jfif_calibration on
// its reference clip (NTSC and PAL frames together): for each resolution
// the scale whose frames come nearest its named ratio. Rerun the program
// and paste its table here when the clip, the tables or the encoder change.
#include "avr/jfif_table_scales.h"

#include <iterator>

namespace omf::codecs::avr {

namespace {

struct TableScale {
    omfInt32 resolutionID;
    int percent;
};

constexpr TableScale kTableScales[] = {
    // ID, percent: name, named ratio, ratio reached on the reference clip (NTSC, PAL)
    {80, 1},    // JFIF2:1s 2:1, 1.95:1 (1.88, 2.00)
    {78, 69},   // JFIF15:1s 15:1, 15.04:1 (13.97, 16.07)
    {77, 4},    // JFIF3:1 3:1, 2.92:1 (2.83, 3.01)
    {76, 1},    // JFIF2:1 2:1, 1.92:1 (1.87, 1.97)
    {82, 92},   // JFIF20:1 20:1, 20.02:1 (18.60, 21.40)
    {75, 32},   // JFIF10:1 10:1, 9.94:1 (9.39, 10.46)
    {79, 8},    // JFIF4:1s 4:1, 3.96:1 (3.78, 4.11)
    {102, 166}, // JFIF35:1p 35:1, 35.02:1 (33.36, 36.55)
    {104, 112}, // JFIF28:1p 28:1, 27.90:1 (26.62, 29.08)
    {103, 41},  // JFIF14:1p 14:1, 13.97:1 (13.51, 14.38)
    {97, 3},    // JFIF3:1p 3:1, 2.86:1 (2.82, 2.89)
    {98, 1},    // JFIF2:1p 2:1, 2.06:1 (2.03, 2.08)
};

} // namespace

std::optional<int> jfifTableScale(omfInt32 resolutionID) {
    for (const TableScale& scale : kTableScales) {
        if (scale.resolutionID == resolutionID) return scale.percent;
    }
    return std::nullopt;
}

} // namespace omf::codecs::avr
