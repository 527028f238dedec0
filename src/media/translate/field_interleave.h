// Moving rows between a frame of two separated fields (all rows of the first
// field, then all rows of the second) and one frame of interleaved lines.
#pragma once

#include <cstddef>

namespace omf::media {

enum class FieldChange {
    none,
    separatedToFrame, // layout 2 -> layout 1
    frameToSeparated, // layout 1 -> layout 2
};

// The destination row of source row `row` out of `rows` (an even count).
// Separated to frame: the first half of the rows become lines 0, 2, 4, ...
// (1, 3, 5, ... when `fieldOrder` is 1), the second half the other lines;
// frame to separated gathers them back the same way.
size_t destinationRow(FieldChange change, size_t row, size_t rows, int fieldOrder);

} // namespace omf::media
