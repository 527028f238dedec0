#include "source_clip_finder.h"

#include <cstring>

#include "mob_iterator.h"
#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

namespace omfplugin {

namespace {

// Effects whose input is the picture they show, and the one that shows none.
constexpr const char* kSpeedControlEffect = "omfi:effect:VideoSpeedControl";
constexpr const char* kRepeatEffect = "omfi:effect:VideoRepeat";
constexpr const char* kStrobeEffect = "omfi:effect:VideoStrobeEffect";
// Effect IDs are read up to this size.
constexpr int kEffectIDSize = 64;

bool IsA(omfHdl_t file, omfObject_t object, const char* classID) {
    omfErr_t error = 0;
    return object && omfiIsTypeOf(file, object, classID, &error) && error == 0;
}

omfObject_t IfSourceClip(omfHdl_t file, omfObject_t segment) {
    return IsA(file, segment, "SCLP") ? segment : nullptr;
}

// Every Source Clip in the sequences of a nested scope (and of scopes nested in them); the
// last one found wins. A slot that is a Source Clip itself counts as a sequence of one clip.
omfObject_t FindInNestedScope(omfHdl_t file, omfObject_t scope) {
    omfObject_t found = nullptr;
    MobIterator slots(file);
    if (slots.OpenError()) return nullptr;
    omfObject_t slot = nullptr;
    while (omfiNestedScopeGetNextSlot(slots.get(), scope, nullptr, &slot) == 0) {
        if (IsA(file, slot, "SCLP")) {
            found = slot;
            continue;
        }
        if (!IsA(file, slot, "SEQU")) continue;
        MobIterator components(file);
        if (components.OpenError()) continue;
        omfObject_t component = nullptr;
        while (omfiSequenceGetNextCpnt(components.get(), slot, nullptr, &component) == 0) {
            if (IsA(file, component, "SCLP")) {
                found = component;
            } else if (IsA(file, component, "NEST")) {
                if (omfObject_t inner = FindInNestedScope(file, component)) found = inner;
            }
        }
    }
    return found;
}

omfObject_t SpeedControlInput(omfHdl_t file, omfObject_t effect) {
    omfObject_t input = nullptr;
    if (omfiReadSpeedControl(file, effect, nullptr, &input, nullptr, nullptr) != 0) return nullptr;
    return IfSourceClip(file, input);
}

omfObject_t RepeatInput(omfHdl_t file, omfObject_t effect) {
    omfObject_t input = nullptr;
    if (omfiReadRepeat(file, effect, nullptr, &input, nullptr) != 0) return nullptr;
    return IfSourceClip(file, input);
}

// The argument an effect is bypassed with: its override when present, else its definition's.
omfInt32 BypassArgument(omfHdl_t file, omfObject_t effect) {
    omfInt32 argument = 0;
    if (omfiEffectGetBypassOverride(file, effect, &argument) == 0) return argument;
    omfObject_t definition = nullptr;
    if (omfiEffectGetInfo(file, effect, nullptr, nullptr, &definition) != 0 || !definition) {
        return 0;
    }
    if (omfsReadEnum(file, definition, kOmfProperty_EDEF_Bypass, kOmfType_ArgIDType, &argument) !=
        0)
        return 0;
    return argument;
}

// The bypass input of an effect. Inputs have negative argument IDs (-1 is input A), so any
// argument ID other than 0 names a slot.
omfObject_t BypassInput(omfHdl_t file, omfObject_t effect) {
    const omfInt32 bypass = BypassArgument(file, effect);
    if (bypass == 0) return nullptr;
    MobIterator slots(file);
    if (slots.OpenError()) return nullptr;
    omfObject_t slot = nullptr;
    while (omfiEffectGetNextSlot(slots.get(), effect, nullptr, &slot) == 0) {
        omfInt32 argument = 0;
        omfObject_t segment = nullptr;
        if (omfiEffectSlotGetInfo(file, slot, &argument, &segment) != 0) continue;
        if (argument == bypass) return IfSourceClip(file, segment);
    }
    return nullptr;
}

omfObject_t FindInEffect(omfHdl_t file, omfObject_t effect) {
    char effectID[kEffectIDSize + 1] = {};
    if (omfiEffectGetEffectID(file, effect, kEffectIDSize, effectID) != 0) return nullptr;
    if (std::strcmp(effectID, kSpeedControlEffect) == 0) return SpeedControlInput(file, effect);
    if (std::strcmp(effectID, kRepeatEffect) == 0) return RepeatInput(file, effect);
    if (std::strcmp(effectID, kStrobeEffect) == 0) return nullptr;
    return BypassInput(file, effect);
}

} // namespace

omfObject_t FindSourceClip(omfHdl_t file, omfObject_t component) {
    if (IsA(file, component, "SCLP")) return component;
    if (IsA(file, component, "FILL") || IsA(file, component, "SREF")) return nullptr;
    if (IsA(file, component, "NEST")) return FindInNestedScope(file, component);
    if (IsA(file, component, "SLCT")) {
        omfObject_t selected = nullptr;
        if (omfiReadSelector(file, component, nullptr, nullptr, &selected) != 0) return nullptr;
        return IfSourceClip(file, selected);
    }
    // 1.x speed control and repeat have classes of their own.
    if (IsA(file, component, "SPED")) return SpeedControlInput(file, component);
    if (IsA(file, component, "REPT")) return RepeatInput(file, component);
    // 2.x effects, and 1.x effects (track groups carrying an effect ID).
    if (IsA(file, component, "EFFE") || IsA(file, component, "TRKG")) {
        return FindInEffect(file, component);
    }
    return nullptr;
}

} // namespace omfplugin
