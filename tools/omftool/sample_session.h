// The example session bundled in examples/: a small sound edit as audio post receives it. An
// OMF 2.x file with two sound master mobs of generated mono 48 kHz sound, "Dialogue" of 16 bits
// and "Music" of 24, and a composition "Session" at 25 frames a second with a timecode track
// from 01:00:00:00 and two sound tracks:
//   A1: 5 frames of filler, Dialogue from frame 10 for 30 frames, a 10-frame audio crossfade,
//       Dialogue from frame 45 for 20 frames, 5 frames of filler;
//   A2: Music from frame 20 for 20 frames, 10 frames of filler, Music from frame 45 for 25 frames.
#pragma once

#include <cstdint>
#include <string>

namespace omftool {

inline constexpr int kSampleSessionRate = 48000;         // samples a second
inline constexpr int kSampleSessionFrameRate = 25;       // the composition's edit rate
inline constexpr int64_t kSampleSessionSamples = 144000; // 3 seconds of each master

// The two masters, in the order they are written.
enum class SampleSessionMedia { Dialogue = 0, Music = 1 };

// The sample size of a master's media: 16 bits for Dialogue, 24 for Music.
int sampleSessionBits(SampleSessionMedia media);

// Sample `index` of a master's media as written, in its sample size: a tone with the low bits
// counting, so that every sample differs from its neighbours.
int32_t sampleSessionSample(SampleSessionMedia media, int64_t index);

// Writes the file; answers true when it was written without error.
bool writeSampleSession(const std::string& path);

} // namespace omftool
