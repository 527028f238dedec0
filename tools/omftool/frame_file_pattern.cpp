#include "frame_file_pattern.h"

#include <cstdio>

namespace omftool {

namespace {

constexpr std::string_view kFlags = "-+ 0#";
constexpr std::string_view kIntegerConversions = "diu";
constexpr int kMaxFieldDigits = 2; // width and precision up to 99...
constexpr int kMaxField = 32;      // ...and no more than 32, so a name stays short

// Reads a run of decimal digits at `at`; false when it is too long or too large.
bool readField(std::string_view pattern, size_t& at, std::string& field) {
    size_t start = at;
    while (at < pattern.size() && pattern[at] >= '0' && pattern[at] <= '9')
        ++at;
    field = std::string(pattern.substr(start, at - start));
    if (field.size() > size_t(kMaxFieldDigits)) return false;
    return field.empty() || std::stoi(field) <= kMaxField;
}

} // namespace

std::optional<FrameFilePattern> FrameFilePattern::parse(std::string_view pattern,
                                                        std::string& why) {
    FrameFilePattern result;
    bool seen = false;
    for (size_t at = 0; at < pattern.size(); ++at) {
        std::string& text = seen ? result.after_ : result.before_;
        if (pattern[at] != '%') {
            text += pattern[at];
            continue;
        }
        const size_t start = at++;
        if (at < pattern.size() && pattern[at] == '%') {
            text += '%';
            continue;
        }
        std::string flags, width, precision;
        while (at < pattern.size() && kFlags.find(pattern[at]) != std::string_view::npos)
            flags += pattern[at++];
        if (!readField(pattern, at, width)) {
            why = "the width of a conversion is at most " + std::to_string(kMaxField);
            return std::nullopt;
        }
        if (at < pattern.size() && pattern[at] == '.') {
            ++at;
            if (!readField(pattern, at, precision)) {
                why = "the precision of a conversion is at most " + std::to_string(kMaxField);
                return std::nullopt;
            }
            precision.insert(precision.begin(), '.');
        }
        if (at >= pattern.size() ||
            kIntegerConversions.find(pattern[at]) == std::string_view::npos) {
            why = '"';
            why += pattern.substr(start, at + 1 - start);
            why += "\" is not an integer conversion (%d, %i or %u)";
            return std::nullopt;
        }
        if (seen) {
            why = "it holds more than one conversion";
            return std::nullopt;
        }
        seen = true;
        result.conversion_ = "%" + flags + width + precision + "ll" + pattern[at];
    }
    if (!seen) {
        why = "it holds no integer conversion for the frame number";
        return std::nullopt;
    }
    return result;
}

std::string FrameFilePattern::name(int64_t number) const {
    char digits[80];
    // The conversion was built by parse() from checked flags and short
    // fields, so it takes exactly one long long and fits the buffer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(digits, sizeof digits, conversion_.c_str(), static_cast<long long>(number));
#pragma GCC diagnostic pop
    return before_ + digits + after_;
}

} // namespace omftool
