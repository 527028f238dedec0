// The media part of the "info" command: every file mob with a media
// descriptor, the codec chosen for it and the picture and sample figures
// the descriptor gives.
#pragma once

#include "omf/omf_types.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace omftool {

// One entry per file mob with a descriptor, in mob-table order. Needs a
// session with the media layer initialised.
nlohmann::json describeMedia(omfSessionHdl_t session, omfHdl_t file);

// The entries as text, one line each.
void printMedia(std::ostream& out, const nlohmann::json& media);

} // namespace omftool
