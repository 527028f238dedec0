#include "tarsel/system/media_search.h"

#include <filesystem>
#include <system_error>

#include "host_path.h"

namespace {

namespace fs = std::filesystem;

bool IsRegularFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_regular_file(path, error);
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

// The last part of a path written on any system: after the last slash of either kind, or after
// a drive letter and ':'.
std::string_view FileName(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    if (slash != std::string_view::npos) return path.substr(slash + 1);
    if (path.size() >= 2 && path[1] == ':') return path.substr(2);
    return path;
}

} // namespace

std::vector<std::string> SplitSearchPath(std::string_view text) {
    std::vector<std::string> folders;
    while (!text.empty()) {
        const std::size_t colon = text.find(':');
        const std::string_view folder = text.substr(0, colon);
        if (!folder.empty()) folders.emplace_back(folder);
        if (colon == std::string_view::npos) break;
        text.remove_prefix(colon + 1);
    }
    return folders;
}

std::string FindMediaFile(const std::string& path, const std::vector<std::string>& folders) {
    if (path.empty()) return {};
    if (const std::string own = ResolveHostPath(path); IsRegularFile(own)) return own;
    const std::string_view name = FileName(path);
    if (name.empty() || name == "." || name == "..") return {};
    for (const std::string& folder : folders) {
        if (!IsFolder(folder)) continue;
        // The folder as given; only the name is matched without regard to case.
        const fs::path wanted = fs::path(folder) / std::string(name);
        const std::string found = ResolveHostPath(wanted.string());
        if (IsRegularFile(found)) return found;
    }
    return {};
}
