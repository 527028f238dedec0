// Steps shared by the effect readers: class tests, lengths and the effect
// definition check.
#include "effects/effect_support.h"

#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <string>

namespace omf::effects {

omfErr_t objectIsA(omfHdl_t file, omfObject_t object, const char* classID, bool* result) {
    omfClassID_t objectClass;
    OMF_CHECK(file, omfsReadClassOf(file, object, objectClass));
    char text[5] = {objectClass[0], objectClass[1], objectClass[2], objectClass[3], 0};
    *result = classIsA(file, text, classID);
    return 0;
}

omfErr_t componentLength(omfHdl_t file, omfObject_t component, omfInt64* length) {
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsReadLength(file, component, kOmfProperty_CPNT_Length, length));
        return 0;
    }
    bool isGroup = false;
    bool isClip = false;
    OMF_CHECK(file, objectIsA(file, component, "TRKG", &isGroup));
    OMF_CHECK(file, objectIsA(file, component, "CLIP", &isClip));
    omfInt32 stored = 0;
    if (isGroup) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_TRKG_GroupLength, &stored));
    } else if (isClip) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_CLIP_Length, &stored));
    } else {
        OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    }
    *length = stored;
    return 0;
}

omfErr_t requireDefinition(omfHdl_t file, omfObject_t effect, const char* effectID) {
    omfObject_t registered = nullptr;
    omfErr_t status = 0;
    bool found = omfiFindEffectDef(file, effectID, &registered, &status);
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    if (!found || registered == nullptr) OMF_RAISE(file, OM_ERR_INVALID_EFFECT_DEF);
    omfObject_t definition = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, effect, kOmfProperty_EFFE_EffectKind, &definition));
    if (definition != registered) OMF_RAISE(file, OM_ERR_INVALID_EFFECT_DEF);
    return 0;
}

omfErr_t firstTrackComponent(omfHdl_t file, omfObject_t group, omfObject_t* component) {
    *component = nullptr;
    if (omfsLengthObjRefArray(file, group, kOmfProperty_TRKG_Tracks) < 1) return 0;
    omfObject_t track = nullptr;
    OMF_CHECK(file, omfsGetNthObjRefArray(file, group, kOmfProperty_TRKG_Tracks, &track, 1));
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, component));
    return 0;
}

} // namespace omf::effects
