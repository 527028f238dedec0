// Section names and their shared-memory objects.
#include "tarsel/section_names.h"

#include <charconv>

namespace Tarsel {
namespace {

constexpr std::string_view kLocalPrefix = "Local\\";
constexpr std::string_view kGlobalPrefix = "Global\\";
constexpr std::string_view kSessionPrefix = "Session\\";
constexpr std::string_view kObjectPrefix = "/tarsel.";
// Digits of a session number at most (32 bits).
constexpr size_t kMaxSessionDigits = 10;

bool IsBaseName(std::string_view name) {
    if (name.empty() || name.size() > kMaxSectionBaseName) return false;
    for (char c : name) {
        bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.';
        if (!allowed) return false;
    }
    // "." and ".." would name the folder of the objects, not an object.
    return name != "." && name != "..";
}

std::string SessionObject(uint32_t session, std::string_view base) {
    return std::string(kObjectPrefix) + "Session." + std::to_string(session) + "." +
           std::string(base);
}

} // namespace

std::optional<std::string> SectionObjectName(std::string_view name, uint32_t ownSession) {
    if (name.starts_with(kGlobalPrefix)) {
        name.remove_prefix(kGlobalPrefix.size());
        if (!IsBaseName(name)) return std::nullopt;
        return std::string(kObjectPrefix) + "Global." + std::string(name);
    }
    if (name.starts_with(kSessionPrefix)) {
        name.remove_prefix(kSessionPrefix.size());
        size_t separator = name.find('\\');
        if (separator == 0 || separator == name.npos || separator > kMaxSessionDigits)
            return std::nullopt;
        uint32_t session = 0;
        const char* end = name.data() + separator;
        auto parsed = std::from_chars(name.data(), end, session);
        if (parsed.ec != std::errc() || parsed.ptr != end) return std::nullopt;
        name.remove_prefix(separator + 1);
        if (!IsBaseName(name)) return std::nullopt;
        return SessionObject(session, name);
    }
    if (name.starts_with(kLocalPrefix)) name.remove_prefix(kLocalPrefix.size());
    if (!IsBaseName(name)) return std::nullopt;
    return SessionObject(ownSession, name);
}

bool IsQualifiedSectionName(std::string_view name) {
    return name.starts_with(kGlobalPrefix) || name.starts_with(kSessionPrefix);
}

} // namespace Tarsel
