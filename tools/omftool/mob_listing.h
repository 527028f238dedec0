// The "mobs" command: every mob with its tracks and component trees.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <vector>

namespace omftool {

// Fills `description`; on failure fills `error` and `message` instead. A source clip's
// "target" says what its mob ID names (kind and name, the end of the chain, or a mob the file
// lacks); a mob's "locators" (and a master track's file mob "media", from its last readable
// locator) give the file each names on this system, searched by name in `mediaFolders` when
// it is not where the locator says.
bool describeMobs(const std::string& file, nlohmann::json& description, int& error,
                  std::string& message, const std::vector<std::string>& mediaFolders = {});

// Runs the command; answers the process exit status (2 when the file does
// not open, with "OMF error N: TEXT" on `err`).
int runMobs(const std::string& file, bool json, std::ostream& out, std::ostream& err,
            const std::vector<std::string>& mediaFolders = {});

} // namespace omftool
