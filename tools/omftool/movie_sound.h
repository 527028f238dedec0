// Whether a movie carries sound, which write does not copy.
#pragma once

#include <string>

namespace omftool {

// Whether FFmpeg finds an audio stream in the movie at `path` (false when it cannot open it).
bool movieHasSound(const std::string& path);

} // namespace omftool
