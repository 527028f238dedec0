#include "locator_path.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "tarsel/system/media_search.h"

namespace omfplugin {

namespace {

constexpr std::string_view kFileScheme = "file:";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsSlash(char c) {
    return c == '/' || c == '\\';
}

} // namespace

void NormaliseLocatorPath(std::string_view text, char (&out)[kLocatorPathSize]) {
    std::memset(out, 0, sizeof out);
    if (text.empty()) return;
    if (text.find(kFileScheme) != std::string_view::npos) text.remove_prefix(kFileScheme.size());

    // A run of one kind of slash keeps its last two.
    if (!text.empty() && IsSlash(text[0])) {
        const char slash = text[0];
        while (text.size() >= 3 && text[1] == slash && text[2] == slash)
            text.remove_prefix(1);
    }

    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size() && length < kLocatorPathSize - 1;) {
        if (text[i] != '%') {
            out[length++] = text[i++];
            continue;
        }
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high >= 0 && low >= 0) out[length++] = static_cast<char>(high * 16 + low);
        i += 3; // a bad escape is dropped with its two characters; the loop stops at the end
    }

    if (length > 4 && IsSlash(out[0]) && IsSlash(out[1]) &&
        std::isalpha(static_cast<unsigned char>(out[2])) && out[3] == ':') {
        std::memmove(out, out + 2, length - 2);
        length -= 2;
        out[length] = out[length + 1] = '\0';
    }
    for (std::size_t i = 0; i < length; ++i)
        if (out[i] == '/') out[i] = '\\';
}

std::vector<std::string> MediaSearchFolders() {
    const char* text = std::getenv(kMediaPathVariable);
    return text ? SplitSearchPath(text) : std::vector<std::string>{};
}

} // namespace omfplugin
