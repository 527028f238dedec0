// Locator texts (URLs or paths) turned into the Windows-style paths the host opens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace omfplugin {

// Size of a normalised path with its terminating zero.
inline constexpr int kLocatorPathSize = 256;

// Skips a leading "file:", keeps exactly two of a leading run of slashes, decodes "%hh"
// escapes (a '%' without two hexadecimal digits is dropped with the characters after it, as
// far as the text goes), drops the two slashes before a drive letter ("//C:") and turns '/'
// into '\'. The output is always terminated and holds at most 255 characters.
void NormaliseLocatorPath(std::string_view text, char (&out)[kLocatorPathSize]);

// Environment variable naming the folders, separated by ':', searched by file name (without
// regard to case) for external media whose locator path names no file. A host, or omftool for
// the plug-in it loads, sets it.
inline constexpr const char* kMediaPathVariable = "OMF_MEDIA_PATH";

// The folders kMediaPathVariable names, in order; none when it is unset.
std::vector<std::string> MediaSearchFolders();

} // namespace omfplugin
