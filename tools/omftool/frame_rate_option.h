// The frame rate `write` takes: frames per second as a decimal ("25", "29.97") or a ratio
// ("30000/1001").
#pragma once

#include <optional>
#include <string_view>

namespace omftool {

// Frames per second given by `text`, or nothing when it is not a finite rate within the
// saver's range (0.01 to 1000 frames per second).
std::optional<double> parseFrameRate(std::string_view text);

} // namespace omftool
