// The "dump" command: everything a container's label and TOC say.
#pragma once

#include "container/cm_api.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <ostream>
#include <string>

namespace omftool {

struct DumpOptions {
    size_t maxDataBytes = 32; // value bytes shown per value
};

// Describes the open container as JSON (the text form is rendered from it).
nlohmann::json describeContainer(CMContainer container, const std::string& file,
                                 const DumpOptions& options);
void printContainer(std::ostream& out, const nlohmann::json& description);

// Runs the command; answers the process exit status.
int runDump(const std::string& file, bool json, const DumpOptions& options, std::ostream& out,
            std::ostream& err);

} // namespace omftool
