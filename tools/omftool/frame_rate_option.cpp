#include "frame_rate_option.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace omftool {
namespace {

// The range of the saver's Frame Rate control.
constexpr double kLowestRate = 0.01;
constexpr double kHighestRate = 1000.0;

std::optional<int64_t> wholeNumber(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> decimal(std::string_view text) {
    if (text.empty()) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseFrameRate(std::string_view text) {
    std::optional<double> rate;
    if (const std::size_t slash = text.find('/'); slash != std::string_view::npos) {
        const auto numerator = wholeNumber(text.substr(0, slash));
        const auto denominator = wholeNumber(text.substr(slash + 1));
        if (numerator && denominator && *denominator > 0)
            rate = double(*numerator) / double(*denominator);
    } else {
        rate = decimal(text);
    }
    if (!rate || !std::isfinite(*rate) || *rate < kLowestRate || *rate > kHighestRate)
        return std::nullopt;
    return rate;
}

} // namespace omftool
