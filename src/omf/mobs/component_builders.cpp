// Builders of the component classes that compositions are made of:
// sequences, fillers, transitions, effects, constant values, nested scopes,
// scope references, selectors, media groups and pulldowns.
#include "mobs/mob_support.h"

#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <algorithm>

namespace omf::mobs {
namespace {

// Creates a component of `classID` with its data kind and length.
omfErr_t newComponent(omfHdl_t file, CreatedObjects& created, const char* classID,
                      omfObject_t dataKind, omfLength_t length, omfObject_t* component) {
    OMF_CHECK(file, created.create(classID, component));
    OMF_CHECK(file, omfiInitComponent(file, *component, length, dataKind));
    return 0;
}

// The highest LabelNumber among the TRAKs of a 1.x group (0 when none).
omfErr_t highestLabel1x(omfHdl_t file, omfObject_t group, omfInt16* highest) {
    *highest = 0;
    omfInt32 count = omfsLengthObjRefArray(file, group, kOmfProperty_TRKG_Tracks);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t track = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, group, kOmfProperty_TRKG_Tracks, &track, i));
        omfInt16 label = 0;
        if (omfsPropertyPresent(file, track, kOmfProperty_TRAK_LabelNumber, kOmfType_Short)) {
            OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
        }
        *highest = std::max(*highest, label);
    }
    return 0;
}

// Appends a TRAK labelled `label` holding `segment` to a 1.x group's Tracks.
omfErr_t appendTrack1x(omfHdl_t file, omfObject_t group, omfInt32 label, omfObject_t segment,
                       omfObject_t* track) {
    if (label < 0 || label > 0x7FFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("TRAK", &object));
    OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_TRAK_LabelNumber,
                                   static_cast<omfInt16>(label)));
    OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_TRAK_TrackComponent, segment));
    OMF_CHECK(file, omfsAppendObjRefArray(file, group, kOmfProperty_TRKG_Tracks, object));
    created.keep();
    if (track != nullptr) *track = object;
    return 0;
}

omfErr_t checkClass(omfHdl_t file, omfObject_t object, const char* classID) {
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, object, classID)) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

#define OMF_BUILDER_ENTRY(file, result)                                                            \
    do {                                                                                           \
        if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;                                       \
        if ((result) == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);                               \
    } while (0)

extern "C" {

omfErr_t omfiSequenceNew(omfHdl_t file, omfObject_t dataKind, omfObject_t* sequence) {
    OMF_BUILDER_ENTRY(file, sequence);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "SEQU", dataKind, 0, &object));
    created.keep();
    *sequence = object;
    return 0;
}

omfErr_t omfiSequenceAppendCpnt(omfHdl_t file, omfObject_t sequence, omfObject_t component) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, checkClass(file, sequence, "SEQU"));
    omfProperty_t components =
        is2x(file) ? kOmfProperty_SEQU_Components : kOmfProperty_SEQU_Sequence;
    omfInt32 count = omfsLengthObjRefArray(file, sequence, components);
    bool transition = isA(file, component, "TRAN");
    if (transition && count == 0) OMF_RAISE(file, OM_ERR_LEADING_TRANSITION);
    if (transition) {
        omfObject_t last = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, sequence, components, &last, count));
        if (isA(file, last, "TRAN")) OMF_RAISE(file, OM_ERR_ADJACENT_TRANSITIONS);
    }
    if (!is2x(file)) {
        OMF_CHECK(file, omfsAppendObjRefArray(file, sequence, components, component));
        return 0;
    }
    omfLength_t sequenceLength = 0, componentLength = 0;
    OMF_CHECK(file, omfsReadLength(file, sequence, kOmfProperty_CPNT_Length, &sequenceLength));
    OMF_CHECK(file, omfiComponentLength(file, component, &componentLength));
    // A transition overlaps its neighbours, so it shortens the sequence.
    omfLength_t updated =
        transition ? sequenceLength - componentLength : sequenceLength + componentLength;
    if (updated < 0) OMF_RAISE(file, OM_ERR_SHORT_TRANSITION_INPUT);
    OMF_CHECK(file, omfsAppendObjRefArray(file, sequence, components, component));
    OMF_CHECK(file, omfsWriteLength(file, sequence, kOmfProperty_CPNT_Length, updated));
    return 0;
}

omfErr_t omfiFillerNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                       omfObject_t* filler) {
    OMF_BUILDER_ENTRY(file, filler);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "FILL", dataKind, length, &object));
    created.keep();
    *filler = object;
    return 0;
}

omfErr_t omfiTransitionNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                           omfPosition_t cutPoint, omfObject_t effect, omfObject_t* transition) {
    OMF_BUILDER_ENTRY(file, transition);
    if (is2x(file) && effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "TRAN", dataKind, length, &object));
    OMF_CHECK(file, omfsWritePosition(file, object, kOmfProperty_TRAN_CutPoint, cutPoint));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_TRAN_Effect, effect));
    } else if (effect != nullptr &&
               omfsPropertyPresent(file, effect, kOmfProperty_CPNT_EffectID, kOmfType_String)) {
        char effectID[64] = {};
        OMF_CHECK(file, omfsReadString(file, effect, kOmfProperty_CPNT_EffectID, effectID,
                                       sizeof effectID));
        OMF_CHECK(file, omfsWriteString(file, object, kOmfProperty_CPNT_EffectID, effectID));
    }
    created.keep();
    *transition = object;
    return 0;
}

omfErr_t omfiEffectNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                       const char* effectID, omfObject_t* effect) {
    OMF_BUILDER_ENTRY(file, effect);
    if (effectID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    if (is2x(file)) {
        omfObject_t definition = nullptr;
        omfErr_t status = 0;
        if (!omfiFindEffectDef(file, effectID, &definition, &status)) {
            if (status != 0) return propagate(file, status, __FILE__, __LINE__);
            OMF_RAISE(file, OM_ERR_INVALID_EFFECT_DEF);
        }
        OMF_CHECK(file, newComponent(file, created, "EFFE", dataKind, length, &object));
        OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_EFFE_EffectKind, definition));
    } else {
        OMF_CHECK(file, newComponent(file, created, "TRKG", dataKind, length, &object));
        OMF_CHECK(file, omfsWriteString(file, object, kOmfProperty_CPNT_EffectID, effectID));
    }
    created.keep();
    *effect = object;
    return 0;
}

omfErr_t omfiEffectAddNewSlot(omfHdl_t file, omfObject_t effect, omfInt32 argID,
                              omfObject_t segment, omfObject_t* slot) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (segment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!is2x(file)) {
        OMF_CHECK(file, checkClass(file, effect, "TRKG"));
        OMF_CHECK(file, appendTrack1x(file, effect, argID, segment, slot));
        return 0;
    }
    OMF_CHECK(file, checkClass(file, effect, "EFFE"));
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("ESLT", &object));
    OMF_CHECK(file,
              omfsWriteEnum(file, object, kOmfProperty_ESLT_ArgID, kOmfType_ArgIDType, argID));
    OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_ESLT_ArgValue, segment));
    OMF_CHECK(file, omfsAppendObjRefArray(file, effect, kOmfProperty_EFFE_EffectSlots, object));
    created.keep();
    if (slot != nullptr) *slot = object;
    return 0;
}

omfErr_t omfiEffectSetFinalRender(omfHdl_t file, omfObject_t effect, omfObject_t sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (effect == nullptr || sourceClip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfsWriteObjRef(file, effect,
                                    is2x(file) ? kOmfProperty_EFFE_FinalRendering
                                               : kOmfProperty_CPNT_Precomputed,
                                    sourceClip));
    return 0;
}

omfErr_t omfiEffectSetWorkingRender(omfHdl_t file, omfObject_t effect, omfObject_t sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (effect == nullptr || sourceClip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfsWriteObjRef(file, effect, kOmfProperty_EFFE_WorkingRendering, sourceClip));
    return 0;
}

omfErr_t omfiEffectSetBypassOverride(omfHdl_t file, omfObject_t effect, omfInt32 argID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (effect == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfsWriteEnum(file, effect, kOmfProperty_EFFE_BypassOverride,
                                  kOmfType_ArgIDType, argID));
    return 0;
}

omfErr_t omfiConstValueNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length, omfInt32 size,
                           const void* value, omfObject_t* constValue) {
    OMF_BUILDER_ENTRY(file, constValue);
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (value == nullptr || size < 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "CVAL", dataKind, length, &object));
    OMF_CHECK(file,
              omfsWriteDataValue(file, object, kOmfProperty_CVAL_Value, dataKind, value, size));
    created.keep();
    *constValue = object;
    return 0;
}

omfErr_t omfiNestedScopeNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                            omfObject_t* scope) {
    OMF_BUILDER_ENTRY(file, scope);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file,
              newComponent(file, created, is2x(file) ? "NEST" : "TRKG", dataKind, length, &object));
    created.keep();
    *scope = object;
    return 0;
}

omfErr_t omfiNestedScopeAppendSlot(omfHdl_t file, omfObject_t scope, omfObject_t segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (segment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (is2x(file)) {
        OMF_CHECK(file, checkClass(file, scope, "NEST"));
        OMF_CHECK(file, omfsAppendObjRefArray(file, scope, kOmfProperty_NEST_Slots, segment));
        return 0;
    }
    OMF_CHECK(file, checkClass(file, scope, "TRKG"));
    omfInt16 highest = 0;
    OMF_CHECK(file, highestLabel1x(file, scope, &highest));
    OMF_CHECK(file, appendTrack1x(file, scope, highest + 1, segment, nullptr));
    return 0;
}

omfErr_t omfiScopeRefNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfUInt32 relativeScope, omfUInt32 relativeSlot, omfObject_t* scopeRef) {
    OMF_BUILDER_ENTRY(file, scopeRef);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    if (is2x(file)) {
        OMF_CHECK(file, newComponent(file, created, "SREF", dataKind, length, &object));
        OMF_CHECK(file,
                  omfsWriteUInt32(file, object, kOmfProperty_SREF_RelativeScope, relativeScope));
        OMF_CHECK(file,
                  omfsWriteUInt32(file, object, kOmfProperty_SREF_RelativeSlot, relativeSlot));
    } else {
        // 1.x counts tracks backwards: RelativeTrack is the negated slot.
        if (relativeScope > 0x7FFF || relativeSlot > 0x8000)
            OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        OMF_CHECK(file, newComponent(file, created, "TRKR", dataKind, length, &object));
        OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_TRKR_RelativeScope,
                                       static_cast<omfInt16>(relativeScope)));
        OMF_CHECK(file,
                  omfsWriteInt16(file, object, kOmfProperty_TRKR_RelativeTrack,
                                 static_cast<omfInt16>(-static_cast<omfInt32>(relativeSlot))));
    }
    created.keep();
    *scopeRef = object;
    return 0;
}

omfErr_t omfiSelectorNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfObject_t* selector) {
    OMF_BUILDER_ENTRY(file, selector);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "SLCT", dataKind, length, &object));
    if (!is2x(file)) {
        OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_SLCT_SelectedTrack, 0));
    }
    created.keep();
    *selector = object;
    return 0;
}

omfErr_t omfiSelectorSetSelected(omfHdl_t file, omfObject_t selector, omfObject_t segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (segment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, checkClass(file, selector, "SLCT"));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteObjRef(file, selector, kOmfProperty_SLCT_Selected, segment));
        return 0;
    }
    // Replace the component of the selected track when there is one.
    omfInt16 selected = 0;
    OMF_CHECK(file, omfsReadInt16(file, selector, kOmfProperty_SLCT_SelectedTrack, &selected));
    omfInt32 count = omfsLengthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks);
    for (omfInt32 i = 1; i <= count && selected > 0; ++i) {
        omfObject_t track = nullptr;
        omfInt16 label = 0;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks, &track, i));
        OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
        if (label == selected) {
            OMF_CHECK(file,
                      omfsWriteObjRef(file, track, kOmfProperty_TRAK_TrackComponent, segment));
            return 0;
        }
    }
    omfInt16 highest = 0;
    OMF_CHECK(file, highestLabel1x(file, selector, &highest));
    OMF_CHECK(file, appendTrack1x(file, selector, highest + 1, segment, nullptr));
    OMF_CHECK(file, omfsWriteInt16(file, selector, kOmfProperty_SLCT_SelectedTrack,
                                   static_cast<omfInt16>(highest + 1)));
    return 0;
}

omfErr_t omfiSelectorAddAlt(omfHdl_t file, omfObject_t selector, omfObject_t segment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (segment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, checkClass(file, selector, "SLCT"));
    if (is2x(file)) {
        OMF_CHECK(file,
                  omfsAppendObjRefArray(file, selector, kOmfProperty_SLCT_Alternates, segment));
        return 0;
    }
    omfInt16 highest = 0;
    OMF_CHECK(file, highestLabel1x(file, selector, &highest));
    OMF_CHECK(file, appendTrack1x(file, selector, highest + 1, segment, nullptr));
    return 0;
}

omfErr_t omfiMediaGroupNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                           omfObject_t* group) {
    OMF_BUILDER_ENTRY(file, group);
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "MGRP", dataKind, length, &object));
    created.keep();
    *group = object;
    return 0;
}

omfErr_t omfiMediaGroupAddChoice(omfHdl_t file, omfObject_t group, omfObject_t sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (group == nullptr || sourceClip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfsAppendObjRefArray(file, group, kOmfProperty_MGRP_Choices, sourceClip));
    return 0;
}

omfErr_t omfiMediaGroupSetStillFrame(omfHdl_t file, omfObject_t group, omfObject_t sourceClip) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (group == nullptr || sourceClip == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfsWriteObjRef(file, group, kOmfProperty_MGRP_StillFrame, sourceClip));
    return 0;
}

omfErr_t omfiPulldownNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfPulldownKind_t kind, omfPulldownDir_t direction, omfInt32 phaseFrame,
                         omfObject_t inputSegment, omfObject_t* pulldown) {
    OMF_BUILDER_ENTRY(file, pulldown);
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (inputSegment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (direction != kOmfTapeToFilmSpeed && direction != kOmfFilmToTapeSpeed)
        OMF_RAISE(file, OM_ERR_ILLEGAL_PULLDOWN_DIRECTION);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, newComponent(file, created, "PDWN", dataKind, length, &object));
    OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_PDWN_InputSegment, inputSegment));
    OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_PDWN_PulldownKind,
                                  kOmfType_PulldownKindType, kind));
    OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_PDWN_PhaseFrame,
                                  kOmfType_PhaseFrameType, phaseFrame));
    OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_PDWN_PulldownDirection,
                                  kOmfType_PulldownDirectionType, direction));
    created.keep();
    *pulldown = object;
    return 0;
}

} // extern "C"
