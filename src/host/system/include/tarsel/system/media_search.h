// Media search: the file an external media path names, found where the path says or, when the
// media has moved, by its file name in a list of folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The folders of a search path text, separated by ':', in order; empty entries are skipped.
std::vector<std::string> SplitSearchPath(std::string_view text);

// The file `path` names: first the path itself, found on this system as host clips find it
// (Windows paths mapped, parts matched without regard to case, see clip.h); failing that, a file
// whose name is the path's last part (after the last '/' or '\', or a drive "X:"), matched
// without regard to case (the exact spelling first, else the first match in sorted order), in
// the first of `folders` that holds one. Folders that do not exist are passed over. Answers the
// file found, or an empty text when there is none.
std::string FindMediaFile(const std::string& path, const std::vector<std::string>& folders);
