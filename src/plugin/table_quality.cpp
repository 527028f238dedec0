#include "table_quality.h"

#include <algorithm>

namespace omfplugin {

namespace {
constexpr int kLowestQuality = 1;
constexpr int kHighestQuality = 100;
// From this quality on the scale falls linearly to 0 at 100.
constexpr int kLinearFrom = 50;
constexpr int kSmallestEntry = 1;
constexpr int kLargestEntry = 255;
} // namespace

int QualityScale(double quality) {
    int q = kLowestQuality;
    // NaN and values outside the int range land on the nearest end.
    if (quality >= kHighestQuality) {
        q = kHighestQuality;
    } else if (quality > kLowestQuality) {
        q = static_cast<int>(quality);
    }
    return q >= kLinearFrom ? 200 - 2 * q : 5000 / q;
}

void ScaleQuantTable(std::span<const uint8_t, kQuantTableEntries> table, int scale,
                     std::span<uint8_t, kQuantTableEntries> scaled) {
    for (int i = 0; i < kQuantTableEntries; ++i) {
        const long entry = (long(table[i]) * scale + 50) / 100;
        scaled[i] = static_cast<uint8_t>(std::clamp<long>(entry, kSmallestEntry, kLargestEntry));
    }
}

} // namespace omfplugin
