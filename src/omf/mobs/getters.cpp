// Typed reads of mob, track and component properties, one call per
// property group, for both revisions.
#include "mobs/mob_support.h"

#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf::mobs {
namespace {

omfErr_t readOptionalString(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfInt32 size, char* text) {
    if (text == nullptr) return 0;
    if (size <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    text[0] = '\0';
    if (!omfsPropertyPresent(file, object, property, kOmfType_String)) return 0;
    OMF_CHECK(file, omfsReadString(file, object, property, text, size));
    return 0;
}

omfErr_t readArgID(omfHdl_t file, omfObject_t object, omfProperty_t property, omfInt32* argID) {
    OMF_CHECK(file, omfsReadEnum(file, object, property, kOmfType_ArgIDType, argID));
    return 0;
}

omfErr_t countOf(omfHdl_t file, omfObject_t object, omfProperty_t property, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *count = omfsLengthObjRefArray(file, object, property);
    return 0;
}

omfErr_t readReference(omfHdl_t file, omfObject_t object, omfProperty_t property,
                       omfObject_t* target) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (target == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, omfsReadObjRef(file, object, property, target));
    return 0;
}

// A 1.x segment's edit rate, else its mob's.
omfErr_t editRate1x(omfHdl_t file, omfObject_t mob, omfObject_t segment, omfRational_t* rate) {
    if (segment != nullptr && hasEditRate1x(file, segment)) {
        OMF_CHECK(file, readEditRate1x(file, segment, kOmfProperty_CPNT_EditRate, rate));
        return 0;
    }
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, readEditRate1x(file, mob, kOmfProperty_CPNT_EditRate, rate));
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiMobGetName(omfHdl_t file, omfObject_t mob, omfInt32 size, char* name) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, readOptionalString(file, mob,
                                       is2x(file) ? kOmfProperty_MOBJ_Name : kOmfProperty_CPNT_Name,
                                       size, name));
    return 0;
}

omfErr_t omfiMobGetNumSlots(omfHdl_t file, omfObject_t mob, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    return countOf(file, mob, is2x(file) ? kOmfProperty_MOBJ_Slots : kOmfProperty_TRKG_Tracks,
                   count);
}

omfErr_t omfiMobGetNumTracks(omfHdl_t file, omfObject_t mob, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) return countOf(file, mob, kOmfProperty_TRKG_Tracks, count);
    omfInt32 slots = 0;
    OMF_CHECK(file, countOf(file, mob, kOmfProperty_MOBJ_Slots, &slots));
    *count = 0;
    for (omfInt32 i = 1; i <= slots; ++i) {
        omfObject_t slot = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, mob, kOmfProperty_MOBJ_Slots, &slot, i));
        if (omfsPropertyPresent(file, slot, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
            ++*count;
        }
    }
    return 0;
}

omfErr_t omfiMobGetDescriptor(omfHdl_t file, omfObject_t mob, omfObject_t* descriptor) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    return readReference(file, mob,
                         is2x(file) ? kOmfProperty_SMOB_MediaDescription
                                    : kOmfProperty_MOBJ_PhysicalMedia,
                         descriptor);
}

omfErr_t omfiMobSlotGetInfo(omfHdl_t file, omfObject_t slot, omfRational_t* editRate,
                            omfObject_t* segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (slot == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfObject_t component = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, slot,
                                   is2x(file) ? kOmfProperty_MSLT_Segment
                                              : kOmfProperty_TRAK_TrackComponent,
                                   &component));
    if (segment != nullptr) *segment = component;
    if (editRate != nullptr) {
        if (is2x(file)) {
            OMF_CHECK(file, omfsReadRational(file, slot, kOmfProperty_MSLT_EditRate, editRate));
        } else {
            OMF_CHECK(file, readEditRate1x(file, component, kOmfProperty_CPNT_EditRate, editRate));
        }
    }
    return 0;
}

omfErr_t omfiTrackGetInfo(omfHdl_t file, omfObject_t mob, omfObject_t track,
                          omfRational_t* editRate, omfInt32 nameSize, char* name,
                          omfPosition_t* origin, omfTrackID_t* trackID, omfObject_t* segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (track == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (is2x(file)) {
        if (!omfsPropertyPresent(file, track, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
            OMF_RAISE(file, OM_ERR_NOT_TRACK);
        }
        OMF_CHECK(file, omfiMobSlotGetInfo(file, track, editRate, segment));
        omfObject_t description = nullptr;
        OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_MSLT_TrackDesc, &description));
        if (origin != nullptr) {
            OMF_CHECK(file, omfsReadPosition(file, description, kOmfProperty_TRKD_Origin, origin));
        }
        if (trackID != nullptr) {
            OMF_CHECK(file, omfsReadUInt32(file, description, kOmfProperty_TRKD_TrackID, trackID));
        }
        OMF_CHECK(file, readOptionalString(file, description, kOmfProperty_TRKD_TrackName, nameSize,
                                           name));
        return 0;
    }
    if (!isA(file, track, "TRAK")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    omfObject_t component = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, &component));
    if (segment != nullptr) *segment = component;
    if (editRate != nullptr) OMF_CHECK(file, editRate1x(file, mob, component, editRate));
    if (trackID != nullptr) {
        omfInt16 label = 0;
        OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
        *trackID = static_cast<omfTrackID_t>(label);
    }
    if (origin != nullptr) {
        *origin = 0;
        if (mob != nullptr &&
            omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_StartPosition, kOmfType_Long)) {
            omfInt32 start = 0;
            OMF_CHECK(file, omfsReadInt32(file, mob, kOmfProperty_MOBJ_StartPosition, &start));
            *origin = start;
        }
    }
    if (name != nullptr) {
        if (nameSize <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        name[0] = '\0';
    }
    return 0;
}

omfErr_t omfiTrackGetPhysicalNum(omfHdl_t file, omfObject_t track, omfUInt32* number) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (track == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (number == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (!omfsPropertyPresent(file, track, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
        OMF_RAISE(file, OM_ERR_NOT_TRACK);
    }
    omfObject_t description = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_MSLT_TrackDesc, &description));
    OMF_CHECK(file, omfsReadUInt32(file, description, kOmfProperty_TRKD_PhysicalTrack, number));
    return 0;
}

omfErr_t omfiSourceClipGetRef(omfHdl_t file, omfObject_t clip, omfSourceRef_t* sourceRef) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (clip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (sourceRef == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *sourceRef = omfSourceRef_t{};
    if (omfsPropertyPresent(file, clip, kOmfProperty_SCLP_SourceID, kOmfType_UID)) {
        OMF_CHECK(file, omfsReadUID(file, clip, kOmfProperty_SCLP_SourceID, &sourceRef->sourceID));
    }
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadUInt32(file, clip, kOmfProperty_SCLP_SourceTrackID,
                                       &sourceRef->sourceTrackID));
        OMF_CHECK(file,
                  omfsReadPosition(file, clip, kOmfProperty_SCLP_StartTime, &sourceRef->startTime));
        return 0;
    }
    omfInt16 track = 0;
    omfInt32 position = 0;
    OMF_CHECK(file, omfsReadInt16(file, clip, kOmfProperty_SCLP_SourceTrack, &track));
    OMF_CHECK(file, omfsReadInt32(file, clip, kOmfProperty_SCLP_SourcePosition, &position));
    sourceRef->sourceTrackID = static_cast<omfTrackID_t>(track);
    sourceRef->startTime = position;
    return 0;
}

omfErr_t omfiSourceClipGetInfo(omfHdl_t file, omfObject_t clip, omfObject_t* dataKind,
                               omfLength_t* length, omfSourceRef_t* sourceRef) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, omfiComponentGetInfo(file, clip, dataKind, length));
    if (sourceRef != nullptr) OMF_CHECK(file, omfiSourceClipGetRef(file, clip, sourceRef));
    return 0;
}

omfErr_t omfiTransitionGetInfo(omfHdl_t file, omfObject_t transition, omfObject_t* dataKind,
                               omfLength_t* length, omfPosition_t* cutPoint, omfObject_t* effect) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, omfiComponentGetInfo(file, transition, dataKind, length));
    if (cutPoint != nullptr) {
        OMF_CHECK(file, omfsReadPosition(file, transition, kOmfProperty_TRAN_CutPoint, cutPoint));
    }
    if (effect != nullptr) {
        *effect = nullptr;
        if (is2x(file)) {
            OMF_CHECK(file, omfsReadObjRef(file, transition, kOmfProperty_TRAN_Effect, effect));
        }
    }
    return 0;
}

omfErr_t omfiSequenceGetNumCpnts(omfHdl_t file, omfObject_t sequence, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    return countOf(file, sequence,
                   is2x(file) ? kOmfProperty_SEQU_Components : kOmfProperty_SEQU_Sequence, count);
}

omfErr_t omfiEffectGetInfo(omfHdl_t file, omfObject_t effect, omfObject_t* dataKind,
                           omfLength_t* length, omfObject_t* effectDef) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, omfiComponentGetInfo(file, effect, dataKind, length));
    if (effectDef != nullptr) {
        *effectDef = nullptr;
        if (is2x(file)) {
            OMF_CHECK(file, omfsReadObjRef(file, effect, kOmfProperty_EFFE_EffectKind, effectDef));
        }
    }
    return 0;
}

omfErr_t omfiEffectGetEffectID(omfHdl_t file, omfObject_t effect, omfInt32 size, char* effectID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (effectID == nullptr || size <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    effectID[0] = '\0';
    if (!is2x(file)) {
        OMF_CHECK(file,
                  readOptionalString(file, effect, kOmfProperty_CPNT_EffectID, size, effectID));
        return 0;
    }
    omfObject_t target = effect;
    if (isA(file, effect, "TRAN")) {
        OMF_CHECK(file, omfsReadObjRef(file, effect, kOmfProperty_TRAN_Effect, &target));
    }
    omfObject_t definition = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, target, kOmfProperty_EFFE_EffectKind, &definition));
    OMF_CHECK(file,
              omfsReadUniqueName(file, definition, kOmfProperty_EDEF_EffectID, effectID, size));
    return 0;
}

omfErr_t omfiEffectGetNumSlots(omfHdl_t file, omfObject_t effect, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    return countOf(file, effect,
                   is2x(file) ? kOmfProperty_EFFE_EffectSlots : kOmfProperty_TRKG_Tracks, count);
}

omfErr_t omfiEffectSlotGetInfo(omfHdl_t file, omfObject_t slot, omfInt32* argID,
                               omfObject_t* segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (slot == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (is2x(file)) {
        if (argID != nullptr)
            OMF_CHECK(file, readArgID(file, slot, kOmfProperty_ESLT_ArgID, argID));
        if (segment != nullptr) {
            OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_ESLT_ArgValue, segment));
        }
        return 0;
    }
    if (argID != nullptr) {
        omfInt16 label = 0;
        OMF_CHECK(file, omfsReadInt16(file, slot, kOmfProperty_TRAK_LabelNumber, &label));
        *argID = label;
    }
    if (segment != nullptr) {
        OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_TRAK_TrackComponent, segment));
    }
    return 0;
}

omfErr_t omfiEffectGetFinalRender(omfHdl_t file, omfObject_t effect, omfObject_t* sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    omfProperty_t property =
        is2x(file) ? kOmfProperty_EFFE_FinalRendering : kOmfProperty_CPNT_Precomputed;
    if (effect != nullptr && !omfsPropertyPresent(file, effect, property, kOmfType_ObjRef)) {
        OMF_RAISE(file, OM_ERR_NO_EFFECT_RENDERING);
    }
    return readReference(file, effect, property, sourceClip);
}

omfErr_t omfiEffectGetWorkingRender(omfHdl_t file, omfObject_t effect, omfObject_t* sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (effect != nullptr &&
        !omfsPropertyPresent(file, effect, kOmfProperty_EFFE_WorkingRendering, kOmfType_ObjRef)) {
        OMF_RAISE(file, OM_ERR_NO_EFFECT_RENDERING);
    }
    return readReference(file, effect, kOmfProperty_EFFE_WorkingRendering, sourceClip);
}

omfErr_t omfiEffectGetBypassOverride(omfHdl_t file, omfObject_t effect, omfInt32* argID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (argID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, readArgID(file, effect, kOmfProperty_EFFE_BypassOverride, argID));
    return 0;
}

omfErr_t omfiEffectDefGetInfo(omfHdl_t file, omfObject_t definition, omfInt32 idSize,
                              char* effectID, omfInt32 nameSize, char* name, omfBool* isTimeWarp) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (definition == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (effectID != nullptr) {
        if (idSize <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        OMF_CHECK(file, omfsReadUniqueName(file, definition, kOmfProperty_EDEF_EffectID, effectID,
                                           idSize));
    }
    OMF_CHECK(file,
              readOptionalString(file, definition, kOmfProperty_EDEF_EffectName, nameSize, name));
    if (isTimeWarp != nullptr) {
        *isTimeWarp = false;
        if (omfsPropertyPresent(file, definition, kOmfProperty_EDEF_IsTimeWarp, kOmfType_Boolean)) {
            OMF_CHECK(file,
                      omfsReadBoolean(file, definition, kOmfProperty_EDEF_IsTimeWarp, isTimeWarp));
        }
    }
    return 0;
}

omfErr_t omfiConstValueGetInfo(omfHdl_t file, omfObject_t constValue, omfObject_t* dataKind,
                               omfLength_t* length, omfInt32 size, void* value,
                               omfInt32* bytesRead) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    omfObject_t kind = nullptr;
    OMF_CHECK(file, omfiComponentGetInfo(file, constValue, &kind, length));
    if (dataKind != nullptr) *dataKind = kind;
    if (value != nullptr) {
        if (bytesRead == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        OMF_CHECK(file, omfsReadDataValue(file, constValue, kOmfProperty_CVAL_Value, kind, value,
                                          size, bytesRead));
    }
    return 0;
}

omfErr_t omfiNestedScopeGetNumSlots(omfHdl_t file, omfObject_t scope, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    return countOf(file, scope, is2x(file) ? kOmfProperty_NEST_Slots : kOmfProperty_TRKG_Tracks,
                   count);
}

omfErr_t omfiScopeRefGetInfo(omfHdl_t file, omfObject_t scopeRef, omfObject_t* dataKind,
                             omfLength_t* length, omfUInt32* relativeScope,
                             omfUInt32* relativeSlot) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, omfiComponentGetInfo(file, scopeRef, dataKind, length));
    if (is2x(file)) {
        if (relativeScope != nullptr) {
            OMF_CHECK(file, omfsReadUInt32(file, scopeRef, kOmfProperty_SREF_RelativeScope,
                                           relativeScope));
        }
        if (relativeSlot != nullptr) {
            OMF_CHECK(file,
                      omfsReadUInt32(file, scopeRef, kOmfProperty_SREF_RelativeSlot, relativeSlot));
        }
        return 0;
    }
    omfInt16 scope = 0, track = 0;
    if (relativeScope != nullptr) {
        OMF_CHECK(file, omfsReadInt16(file, scopeRef, kOmfProperty_TRKR_RelativeScope, &scope));
        *relativeScope = static_cast<omfUInt32>(scope);
    }
    if (relativeSlot != nullptr) {
        OMF_CHECK(file, omfsReadInt16(file, scopeRef, kOmfProperty_TRKR_RelativeTrack, &track));
        *relativeSlot = static_cast<omfUInt32>(-static_cast<omfInt32>(track));
    }
    return 0;
}

omfErr_t omfiSelectorGetNumAltSlots(omfHdl_t file, omfObject_t selector, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (is2x(file)) return countOf(file, selector, kOmfProperty_SLCT_Alternates, count);
    OMF_CHECK(file, countOf(file, selector, kOmfProperty_TRKG_Tracks, count));
    omfObject_t selected = nullptr;
    OMF_CHECK(file, omfiReadSelector(file, selector, nullptr, nullptr, &selected));
    if (selected != nullptr) --*count;
    return 0;
}

omfErr_t omfiMediaGroupGetNumChoices(omfHdl_t file, omfObject_t group, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    return countOf(file, group, kOmfProperty_MGRP_Choices, count);
}

omfErr_t omfiMediaGroupGetStillFrame(omfHdl_t file, omfObject_t group, omfObject_t* sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    return readReference(file, group, kOmfProperty_MGRP_StillFrame, sourceClip);
}

omfErr_t omfiPulldownGetInfo(omfHdl_t file, omfObject_t pulldown, omfPulldownKind_t* kind,
                             omfPulldownDir_t* direction, omfInt32* phaseFrame,
                             omfObject_t* inputSegment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (pulldown == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfInt32 value = 0;
    if (kind != nullptr) {
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PulldownKind,
                                     kOmfType_PulldownKindType, &value));
        *kind = static_cast<omfPulldownKind_t>(value);
    }
    if (direction != nullptr) {
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PulldownDirection,
                                     kOmfType_PulldownDirectionType, &value));
        *direction = static_cast<omfPulldownDir_t>(value);
    }
    if (phaseFrame != nullptr) {
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PhaseFrame,
                                     kOmfType_PhaseFrameType, phaseFrame));
    }
    if (inputSegment != nullptr) {
        OMF_CHECK(file,
                  omfsReadObjRef(file, pulldown, kOmfProperty_PDWN_InputSegment, inputSegment));
    }
    return 0;
}

} // extern "C"
