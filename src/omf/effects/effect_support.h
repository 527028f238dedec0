// Steps shared by the effect readers.
#pragma once

#include "omf/internal/records.h"

namespace omf::effects {

// Whether the object's class is `classID` or descends from it.
omfErr_t objectIsA(omfHdl_t file, omfObject_t object, const char* classID, bool* result);

// The component's length: Length in 2.x files; GroupLength of track groups
// and Length of clips in 1.x files (OM_ERR_INVALID_OBJECT for any other 1.x class).
omfErr_t componentLength(omfHdl_t file, omfObject_t component, omfInt64* length);

// OM_ERR_INVALID_EFFECT_DEF unless the 2.x effect's EffectKind is the definition registered under
// `effectID` in the file.
omfErr_t requireDefinition(omfHdl_t file, omfObject_t effect, const char* effectID);

// The TrackComponent of the first element of a 1.x track group's Tracks
// (null when it has no tracks).
omfErr_t firstTrackComponent(omfHdl_t file, omfObject_t group, omfObject_t* component);

} // namespace omf::effects
