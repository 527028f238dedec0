// Moving rows between frame layouts: a frame of two separated fields (all
// rows of the first field, then all rows of the second) and one frame of
// interleaved lines; a single field and the frame it shows, each field row
// on two lines.
#pragma once

#include "omf/omf_types.h"

#include <cstddef>

namespace omf::media {

enum class FieldChange {
    none,
    separatedToFrame, // layout 2 -> layout 1
    frameToSeparated, // layout 1 -> layout 2
    oneFieldToFrame,  // layout 3 -> layout 1: every row twice
    frameToOneField,  // layout 1 -> layout 3: lines 0, 2, 4, ...
    unsupported,
};

// The change from rows of `from` to rows of `to` (layouts as field handling
// sees them: mixed fields count as a full frame).
FieldChange fieldChange(omfInt32 from, omfInt32 to);

// Rows the destination gets from `rows` source rows.
size_t destinationRowCount(FieldChange change, size_t rows);

// The source row of destination row `row` out of `rows` destination rows.
// Separated to frame: the first field's rows become lines 0, 2, 4, ...
// (1, 3, 5, ... when `fieldOrder` is 1), the second field's the other lines;
// frame to separated gathers them back the same way. One field to frame:
// field row k becomes lines 2k and 2k + 1; frame to one field keeps the even
// lines.
size_t sourceRow(FieldChange change, size_t row, size_t rows, int fieldOrder);

} // namespace omf::media
