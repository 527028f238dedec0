// Caret substitution shared by the numbered message table and the handlers'
// own pre-formatted messages.
#pragma once

#include <cstddef>

namespace container {

// Longest message text, without its terminating NUL.
constexpr size_t kMaxMessageLength = 255;

// Copies `messageTemplate` into `out`, replacing each caret followed by a
// decimal number n with argv[n] (nothing when there is no such argument); a
// caret not followed by digits is copied. The text is cut at 255 characters
// and at outSize - 1, and always NUL-terminated when outSize > 0. Answers the
// length written.
size_t substituteMessageArguments(char* out, size_t outSize, const char* messageTemplate, int argc,
                                  const char* const* argv);

} // namespace container
