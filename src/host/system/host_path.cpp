#include "host_path.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <strings.h>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(path, error);
}

// Backslashes as slashes, and a drive letter replaced by its folder.
std::string Translate(const std::string& path) {
    std::string unix = path;
    std::replace(unix.begin(), unix.end(), '\\', '/');
    if (unix.size() >= 2 && std::isalpha(static_cast<unsigned char>(unix[0])) && unix[1] == ':') {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(unix[0])));
        const std::string variable = std::string(HostDriveVariablePrefix) + letter;
        const char* folder = std::getenv(variable.c_str());
        std::string rest = unix.substr(2);
        if (rest.empty() || rest[0] != '/') rest.insert(rest.begin(), '/');
        unix = (folder && *folder ? std::string(folder) : std::string()) + rest;
    }
    return unix;
}

// The entry of `folder` named `name` without regard to case: an exact match first, else the
// first matching name in sorted order; empty when there is none.
std::string MatchIgnoringCase(const fs::path& folder, const std::string& name) {
    std::error_code error;
    std::vector<std::string> matches;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
         !error && it != end; it.increment(error)) {
        const std::string entry = it->path().filename().string();
        if (entry == name) return entry;
        if (strcasecmp(entry.c_str(), name.c_str()) == 0) matches.push_back(entry);
    }
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}

} // namespace

std::string ResolveHostPath(const std::string& path) {
    if (path.empty() || Exists(path)) return path;
    const std::string translated = Translate(path);
    if (Exists(translated)) return translated;

    // Part by part, each part as written or, failing that, in another case.
    const fs::path wanted(translated);
    fs::path found = wanted.root_path();
    for (const fs::path& part : wanted.relative_path()) {
        const std::string name = part.string();
        if (name.empty() || name == "." || name == ".." || Exists(found / part)) {
            found /= part;
            continue;
        }
        const std::string match = MatchIgnoringCase(found, name);
        if (match.empty()) return translated;
        found /= match;
    }
    return found.string();
}
