// Caret substitution for container messages.
#include "message_format.h"

#include <algorithm>

namespace container {

size_t substituteMessageArguments(char* out, size_t outSize, const char* messageTemplate, int argc,
                                  const char* const* argv) {
    if (out == nullptr || outSize == 0) return 0;
    const size_t limit = std::min(outSize - 1, kMaxMessageLength);
    size_t length = 0;
    auto append = [&](char c) {
        if (length >= limit) return false;
        out[length++] = c;
        return true;
    };

    const char* cursor = messageTemplate != nullptr ? messageTemplate : "";
    while (*cursor != '\0' && length < limit) {
        if (cursor[0] != '^' || cursor[1] < '0' || cursor[1] > '9') {
            append(*cursor++);
            continue;
        }
        // Read the whole argument number; a number too large for any argument
        // list simply selects nothing.
        ++cursor;
        long index = 0;
        while (*cursor >= '0' && *cursor <= '9') {
            if (index <= argc) index = index * 10 + (*cursor - '0');
            ++cursor;
        }
        if (argv == nullptr || index >= argc || argv[index] == nullptr) continue;
        for (const char* argument = argv[index]; *argument != '\0'; ++argument) {
            if (!append(*argument)) break;
        }
    }
    out[length] = '\0';
    return length;
}

} // namespace container
