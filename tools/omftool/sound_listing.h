// The sound figures of the "info" command: channels and sample size of a
// file mob's sound media, read from the open media.
#pragma once

#include "omf/omf_types.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace omftool {

// Adds "channels" and "sampleBits" (or "soundError") to `out` when the
// file mob holds sound media; nothing for other media.
void addSoundFigures(omfHdl_t file, omfObject_t fileMob, nlohmann::json& out);

// The figures as text, after the codec name ("; 2 channels, 16-bit").
void printSoundFigures(std::ostream& out, const nlohmann::json& entry);

} // namespace omftool
