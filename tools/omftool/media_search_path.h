// The media search path of the commands that read external media: folders searched by file
// name for media that is not where its locator says.
#pragma once

#include "omf/omf_types.h"

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

// The media calls' locate-failure callback for omftool's sessions: when none of a descriptor's
// locators names a file where it says, each locator's path is looked for as the plug-in looks
// for it (Windows paths mapped, then by file name in the search path of OMF_MEDIA_PATH), and
// the first file found is opened in the file's session, as an OMF file or as a raw file as the
// descriptor's IsOMFI says. Null when none is found.
omfHdl_t openMovedMedia(omfHdl_t file, omfObject_t descriptor);

} // namespace omftool
