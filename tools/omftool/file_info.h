// The "info" command: what an OMF file says about itself.
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace omftool {

// Runs the command; answers the process exit status (2 when the file does
// not open, with "OMF error N: TEXT" on `err`).
int runInfo(const std::string& file, bool json, std::ostream& out, std::ostream& err);

// The description the command prints; fills `error`/`message` on failure.
bool describeFile(const std::string& file, nlohmann::json& description, int& error,
                  std::string& message);

} // namespace omftool
