// JPEG quantisation tables scaled by the saver's Quality control.
#pragma once

#include <cstdint>
#include <span>

namespace omfplugin {

// Entries of one 8-bit quantisation table.
inline constexpr int kQuantTableEntries = 64;

// The percentage a quality (0..100, fractions dropped) scales the tables by: quality q, taken
// as 1..100, gives 200 - 2q from 50 on and 5000 / q below.
int QualityScale(double quality);

// Each entry of `table` scaled: (entry x scale + 50) / 100, clamped to 1..255.
void ScaleQuantTable(std::span<const uint8_t, kQuantTableEntries> table, int scale,
                     std::span<uint8_t, kQuantTableEntries> scaled);

} // namespace omfplugin
