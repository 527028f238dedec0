// The media search path of the commands that read external media: folders searched by file
// name for media that is not where its locator says.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace omftool {

// Environment variable of the search path, folders separated by ':'; the OMF plug-in reads it
// too, so omftool hands its search path to the plug-in it loads through it.
inline constexpr const char* kMediaPathVariable = "OMF_MEDIA_PATH";

// The folders searched, in order: those given (--media-path), then those of OMF_MEDIA_PATH. A
// given folder that does not exist is named on `err` and left out; folders of the variable that
// do not exist are passed over without a word (the variable may serve several machines).
std::vector<std::string> mediaSearchFolders(const std::vector<std::string>& given,
                                            std::ostream& err);

// Makes `folders` the search path of the plug-in this process loads (OMF_MEDIA_PATH).
void shareMediaSearchFolders(const std::vector<std::string>& folders);

} // namespace omftool
