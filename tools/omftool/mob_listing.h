// The "mobs" command: every mob with its tracks and component trees.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace omftool {

// Fills `description`; on failure fills `error` and `message` instead.
bool describeMobs(const std::string& file, nlohmann::json& description, int& error,
                  std::string& message);

// Runs the command; answers the process exit status (2 when the file does
// not open, with "OMF error N: TEXT" on `err`).
int runMobs(const std::string& file, bool json, std::ostream& out, std::ostream& err);

} // namespace omftool
