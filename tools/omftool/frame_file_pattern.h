// The printf-style pattern that names the image file of each exported frame,
// for instance "out/frame%04d.png".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace omftool {

class FrameFilePattern {
  public:
    // A pattern with exactly one integer conversion (%d, %i or %u, with
    // optional flags "-+ 0#", width and precision, at most 32 each) and any
    // number of "%%"; anything else answers nullopt with the reason in `why`.
    static std::optional<FrameFilePattern> parse(std::string_view pattern, std::string& why);

    // The file name of frame `number`.
    std::string name(int64_t number) const;

  private:
    std::string before_;     // text before the conversion, "%%" already reduced
    std::string conversion_; // the conversion as a printf format for a long long
    std::string after_;      // text after the conversion, "%%" already reduced
};

} // namespace omftool
