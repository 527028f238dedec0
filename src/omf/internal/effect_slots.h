// The inputs of a 2.x effect: the ESLT objects of its EffectSlots, each an
// argument ID (ArgID) and the segment supplied for it (ArgValue). Shared by
// the effect readers and source resolution.
#pragma once

#include "omf/internal/records.h"

namespace omf {

// The ArgValue of the first slot of `effect` whose ArgID is `argID`; *found
// is false (and *value null) when the effect has no such slot.
omfErr_t findEffectSlot(omfHdl_t file, omfObject_t effect, omfInt32 argID, omfObject_t* value,
                        bool* found);

} // namespace omf
