// Finding the source clip that carries the picture of a segment component, looking through
// nested scopes, selectors and effects.
#pragma once

#include "omf/omf_types.h"

namespace omfplugin {

// The source clip of `component`, or null when it has none (fillers, scope references, strobe
// effects, anything unknown) or when reading it fails.
omfObject_t FindSourceClip(omfHdl_t file, omfObject_t component);

} // namespace omfplugin
