// Row order of field re-interleaving and of single fields shown as frames.
#include "translate/field_interleave.h"

#include "omf/omf_media_types.h"

namespace omf::media {

FieldChange fieldChange(omfInt32 from, omfInt32 to) {
    if (from == to) return FieldChange::none;
    if (to == kOmfFullFrame) {
        if (from == kOmfSeparateFields) return FieldChange::separatedToFrame;
        if (from == kOmfOneField) return FieldChange::oneFieldToFrame;
    }
    if (from == kOmfFullFrame) {
        if (to == kOmfSeparateFields) return FieldChange::frameToSeparated;
        if (to == kOmfOneField) return FieldChange::frameToOneField;
    }
    return FieldChange::unsupported;
}

size_t destinationRowCount(FieldChange change, size_t rows) {
    switch (change) {
    case FieldChange::oneFieldToFrame:
        return 2 * rows;
    case FieldChange::frameToOneField:
        return (rows + 1) / 2;
    default:
        return rows;
    }
}

size_t sourceRow(FieldChange change, size_t row, size_t rows, int fieldOrder) {
    const size_t half = rows / 2;
    const size_t firstParity = fieldOrder == 1 ? 1 : 0; // frame lines of the first field
    switch (change) {
    case FieldChange::separatedToFrame:
        return (row % 2 == firstParity ? 0 : half) + row / 2;
    case FieldChange::frameToSeparated:
        return row < half ? 2 * row + firstParity : 2 * (row - half) + (1 - firstParity);
    case FieldChange::oneFieldToFrame:
        return row / 2;
    case FieldChange::frameToOneField:
        return 2 * row;
    default:
        return row;
    }
}

} // namespace omf::media
