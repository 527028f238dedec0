// The example edit bundled in examples/: an OMF 2.x file with two picture master mobs, one of
// uncompressed R G B media and one of JPEG media, and a composition whose picture track dissolves
// from the first to the second, which the OMF plug-in plays as two sequences.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace omftool {

inline constexpr int kSampleEditWidth = 128;
inline constexpr int kSampleEditHeight = 96;
inline constexpr int kSampleEditFrames = 12; // frames of each master's media

// The two masters, in the order they are written (and listed by the plug-in).
enum class SampleEditMedia { Gradient = 0, Bars = 1 };

// Frame `frame` of a master's media as written: rows from the top, 3 bytes a pixel R, G, B.
std::vector<uint8_t> sampleEditPicture(SampleEditMedia media, int frame);

// Writes the file; answers true when it was written without error.
bool writeSampleEdit(const std::string& path);

} // namespace omftool
