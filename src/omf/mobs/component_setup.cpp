// Component set-up (data kind and length), source clips, and 2.x effect
// definitions.
#include "mobs/mob_support.h"

#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <string>

namespace omf::mobs {
namespace {

constexpr const char* kEffectPrefix = "omfi:effect:";

std::string fullEffectID(const char* effectID) {
    std::string full = effectID;
    if (full.rfind(kEffectPrefix, 0) != 0) full = kEffectPrefix + full;
    return full;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiInitComponent(omfHdl_t file, omfObject_t component, omfLength_t length,
                           omfObject_t dataKind) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (dataKind == nullptr) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteObjRef(file, component, kOmfProperty_CPNT_DataKind, dataKind));
        OMF_CHECK(file, omfsWriteLength(file, component, kOmfProperty_CPNT_Length, length));
        return 0;
    }
    omfInt16 kind = 0;
    OMF_CHECK(file, trackKindOf(file, dataKind, &kind));
    omfInt32 length32 = 0;
    OMF_CHECK(file, narrow32(file, length, &length32));
    OMF_CHECK(file, omfsWriteEnum(file, component, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType,
                                  kind));
    if (isA(file, component, "TRKG")) {
        OMF_CHECK(file, omfsWriteInt32(file, component, kOmfProperty_TRKG_GroupLength, length32));
    } else if (isA(file, component, "CLIP")) {
        OMF_CHECK(file, omfsWriteInt32(file, component, kOmfProperty_CLIP_Length, length32));
    }
    return 0;
}

omfErr_t omfiMakeSourceClip(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                            omfSourceRef_t sourceRef, omfObject_t* clip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (clip == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("SCLP", &object));
    OMF_CHECK(file, omfiInitComponent(file, object, length, dataKind));
    OMF_CHECK(file, omfsWriteUID(file, object, kOmfProperty_SCLP_SourceID, sourceRef.sourceID));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteUInt32(file, object, kOmfProperty_SCLP_SourceTrackID,
                                        sourceRef.sourceTrackID));
        OMF_CHECK(file, omfsWritePosition(file, object, kOmfProperty_SCLP_StartTime,
                                          sourceRef.startTime));
    } else {
        if (sourceRef.sourceTrackID > 0x7FFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        omfInt32 position = 0;
        OMF_CHECK(file, narrow32(file, sourceRef.startTime, &position));
        OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_SCLP_SourceTrack,
                                       static_cast<omfInt16>(sourceRef.sourceTrackID)));
        OMF_CHECK(file, omfsWriteInt32(file, object, kOmfProperty_SCLP_SourcePosition, position));
    }
    created.keep();
    *clip = object;
    return 0;
}

omfErr_t omfiEffectDefNew(omfHdl_t file, const char* effectID, const char* name,
                          const char* description, omfBool isTimeWarp, omfObject_t* definition) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effectID == nullptr || definition == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (!is2x(file) || !file->effectDefTable) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    std::string full = fullEffectID(effectID);
    void* existing = nullptr;
    omfBool found = false;
    OMF_CHECK(file,
              omfsTableLookupString(file->effectDefTable.get(), full.c_str(), &existing, &found));
    if (found) OMF_RAISE(file, OM_ERR_DUPLICATE_EFFECT_DEF);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("EDEF", &object));
    OMF_CHECK(file, omfsWriteUniqueName(file, object, kOmfProperty_EDEF_EffectID, full.c_str()));
    if (name != nullptr) {
        OMF_CHECK(file, omfsWriteString(file, object, kOmfProperty_EDEF_EffectName, name));
    }
    if (description != nullptr) {
        OMF_CHECK(file,
                  omfsWriteString(file, object, kOmfProperty_EDEF_EffectDescription, description));
    }
    OMF_CHECK(file, omfsWriteBoolean(file, object, kOmfProperty_EDEF_IsTimeWarp, isTimeWarp));
    OMF_CHECK(file, omfsTableAddString(file->effectDefTable.get(), full.c_str(), object,
                                       kOmfTableUnique));
    omfErr_t status =
        omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_DefinitionObjects, object);
    if (status != 0) {
        omfsTableRemove(file->effectDefTable.get(), full.c_str(),
                        static_cast<omfInt32>(full.size() + 1), nullptr);
        return propagate(file, status, __FILE__, __LINE__);
    }
    created.keep();
    *definition = object;
    return 0;
}

omfBool omfiFindEffectDef(omfHdl_t file, const char* effectID, omfObject_t* definition,
                          omfErr_t* error) {
    omfErr_t ignored = 0;
    if (error == nullptr) error = &ignored;
    *error = 0;
    if (!validFile(file)) {
        *error = OM_ERR_BAD_FILE_HANDLE;
        return false;
    }
    if (effectID == nullptr || definition == nullptr) {
        *error = raise(file, OM_ERR_NULL_PARAM, __FILE__, __LINE__);
        return false;
    }
    *definition = nullptr;
    if (!is2x(file) || !file->effectDefTable) {
        *error = raise(file, OM_ERR_NOT_IN_1X, __FILE__, __LINE__);
        return false;
    }
    std::string full = fullEffectID(effectID);
    void* value = nullptr;
    omfBool found = false;
    omfErr_t status =
        omfsTableLookupString(file->effectDefTable.get(), full.c_str(), &value, &found);
    if (status != 0) {
        *error = status;
        return false;
    }
    *definition = static_cast<omfObject_t>(value);
    return found;
}

} // extern "C"
