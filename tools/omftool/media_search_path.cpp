#include "media_search_path.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "tarsel/system/media_search.h"

namespace omftool {

namespace {

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::vector<std::string> mediaSearchFolders(const std::vector<std::string>& given,
                                            std::ostream& err) {
    std::vector<std::string> folders;
    for (const std::string& folder : given) {
        if (isFolder(folder)) {
            folders.push_back(folder);
        } else {
            err << "omftool: --media-path " << folder << " is not a folder; it is not searched\n";
        }
    }
    if (const char* variable = std::getenv(kMediaPathVariable)) {
        for (std::string& folder : SplitSearchPath(variable))
            if (isFolder(folder)) folders.push_back(std::move(folder));
    }
    return folders;
}

void shareMediaSearchFolders(const std::vector<std::string>& folders) {
    std::string text;
    for (const std::string& folder : folders)
        text += (text.empty() ? "" : ":") + folder;
    ::setenv(kMediaPathVariable, text.c_str(), 1);
}

} // namespace omftool
