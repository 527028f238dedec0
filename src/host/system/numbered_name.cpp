// Parsing and formatting of numbered file names.
#include "tarsel/system/numbered_name.h"

#include <cstdio>

namespace {

// Longest digit run accepted as a frame number (keeps the value inside 64 bits).
constexpr std::size_t MaxDigits = 18;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<NumberedName> NumberedName::Parse(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart) dot = path.size();
    std::size_t digitsStart = dot;
    while (digitsStart > nameStart && IsDigit(path[digitsStart - 1]))
        --digitsStart;
    const std::size_t digits = dot - digitsStart;
    if (digits == 0 || digits > MaxDigits) return std::nullopt;

    NumberedName name;
    name.m_Prefix = path.substr(0, digitsStart);
    name.m_Suffix = path.substr(dot);
    name.m_Digits = static_cast<int>(digits);
    for (std::size_t i = digitsStart; i < dot; ++i)
        name.m_Number = name.m_Number * 10 + (path[i] - '0');
    return name;
}

std::string NumberedName::WithOffset(int64_t offset) const {
    int64_t number = 0;
    if (__builtin_add_overflow(m_Number, offset, &number) || number < 0) return {};
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*lld", m_Digits, static_cast<long long>(number));
    return m_Prefix + digits + m_Suffix;
}
