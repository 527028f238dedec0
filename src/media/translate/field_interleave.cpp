// Row order of field re-interleaving.
#include "translate/field_interleave.h"

namespace omf::media {

size_t destinationRow(FieldChange change, size_t row, size_t rows, int fieldOrder) {
    const size_t half = rows / 2;
    const size_t firstParity = fieldOrder == 1 ? 1 : 0; // frame lines of the first field
    switch (change) {
    case FieldChange::separatedToFrame:
        return row < half ? 2 * row + firstParity : 2 * (row - half) + (1 - firstParity);
    case FieldChange::frameToSeparated:
        return (row % 2 == firstParity ? 0 : half) + row / 2;
    case FieldChange::none:
        break;
    }
    return row;
}

} // namespace omf::media
