// The example edit bundled in examples/: an OMF 2.x file with two picture master mobs, one of
// uncompressed R G B media and one of JPEG media, and a composition whose picture track dissolves
// from the first to the second and, after a gap, cuts back to the first; the OMF plug-in plays it
// as two sequences: 10 frames of the gradient (frames 0 to 9), and 18 frames made of the bars'
// frames 2 to 11, a 3-frame gap and the gradient's frames 6 to 10.
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
