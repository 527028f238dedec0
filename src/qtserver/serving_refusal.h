// Why the scripting library would not serve on a socket path.
#pragma once

#include <string>
#include <string_view>

// One line naming the cause, found by examining the path the way the library
// uses it: the path's length, its folder (missing and not makeable, not a
// folder, another user's, open to others) and a live server on the socket.
// `libraryError` (an errno value, or 0) is named when none of these is found.
std::string ServingRefusal(std::string_view socketPath, int libraryError);
