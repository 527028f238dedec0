// A composition plan written as a new OMF file through the toolkit's calls: one mono master mob
// and file mob per sound file channel with its samples embedded, and one composition mob.
#pragma once

#include "compose_plan.h"
#include "media_failure.h"

#include "omf/omf_types.h"

#include <functional>
#include <string>

namespace omftool {

// Called after each block of samples written, with the sample frames written so far and all
// there are; answering false stops the writing (an interruption).
using ComposeProgress = std::function<bool(int64_t done, int64_t total)>;

// Writes `plan` as a new OMF file of `revision` at `path`. False with the toolkit's failure
// and what was being done in `failure` (error 0 for a sound file that cannot be read or a
// stop asked for by `progress`); what was written is left for the caller to remove.
bool writeComposition(const ComposePlan& plan, const std::string& path, omfFileRev_t revision,
                      const ComposeProgress& progress, MediaFailure& failure);

} // namespace omftool
