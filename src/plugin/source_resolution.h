// Following a segment's source clip to the mob it names and to the external file, if any, that
// holds its media.
#pragma once

#include "omf/omf_types.h"
#include "timeline_model.h"

namespace omfplugin {

// Fills the segment's source offset, source mob, mob name and external path from `clip`. The
// path stays empty when the media lies inside the file, the source is a composition, or no
// file mob or locator can be read.
void ResolveSourceClip(omfHdl_t file, omfFileRev_t revision, omfObject_t clip,
                       SegmentEntry& segment);

} // namespace omfplugin
