// Resolving a segment at an offset down to the leaf that holds the
// material there: through sequences, selectors, media groups, transitions,
// effects, nested scopes and scope references.
#include "omf/internal/effect_slots.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "resolve/resolution.h"

#include <algorithm>
#include <vector>

namespace omf::resolve {

void ScopeStack::enter(const Record& record) {
    if (!records_.empty() && records_.back().scope == record.scope) {
        records_.back() = record;
    } else {
        records_.push_back(record);
    }
}

const ScopeStack::Record* ScopeStack::fromTop(omfUInt32 relativeScope) const {
    if (relativeScope >= records_.size()) return nullptr;
    return &records_[records_.size() - 1 - relativeScope];
}

void ScopeStack::unwindTo(omfUInt32 relativeScope, omfInt32 slotIndex) {
    if (relativeScope >= records_.size()) return;
    records_.resize(records_.size() - relativeScope);
    records_.back().slotIndex = slotIndex;
}

namespace {

// Deeper nesting than this is taken for a reference cycle in a damaged file.
constexpr int kMaximumNesting = 200;

// Classes that end a resolution: the leaf holds (or names) the material.
bool isLeafClass(const char classID[5]) {
    for (const char* leaf : {"FILL", "SCLP", "TCCP", "ECCP", "MASK", "PDWN"}) {
        if (isClass(classID, leaf)) return true;
    }
    return false;
}

struct Resolver {
    omfHdl_t file;
    ResolveContext& context;
    int nesting = 0;

    omfErr_t resolve(omfObject_t segment, omfPosition_t offset, omfLength_t length, Leaf* leaf);

  private:
    omfErr_t dispatch(omfObject_t segment, const char classID[5], omfPosition_t offset,
                      omfLength_t length, Leaf* leaf);
    omfErr_t sequence(omfObject_t sequence, omfPosition_t offset, omfLength_t length, Leaf* leaf);
    omfErr_t transition(omfObject_t transition, omfObject_t before, omfPosition_t beforeOffset,
                        omfObject_t after, omfPosition_t afterOffset, omfPosition_t offset,
                        omfLength_t length, Leaf* leaf);
    omfErr_t effect(omfObject_t effect, omfPosition_t offset, omfLength_t length, Leaf* leaf);
    omfErr_t selector(omfObject_t selector, omfPosition_t offset, omfLength_t length, Leaf* leaf);
    omfErr_t trackGroup(omfObject_t group, omfPosition_t offset, omfLength_t length, Leaf* leaf);
    omfErr_t nestedScope(omfObject_t scope, omfPosition_t offset, omfLength_t length, Leaf* leaf);
    omfErr_t scopeReference(omfObject_t reference, omfPosition_t offset, omfLength_t length,
                            Leaf* leaf);
    omfErr_t slotSegment(omfObject_t scope, omfInt32 index, omfObject_t* segment);
    omfErr_t rendering(omfObject_t effect, omfObject_t* clip);
};

omfErr_t Resolver::resolve(omfObject_t segment, omfPosition_t offset, omfLength_t length,
                           Leaf* leaf) {
    if (segment == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    if (nesting >= kMaximumNesting) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    char classID[5];
    OMF_CHECK(file, classOf(file, segment, classID));
    omfLength_t own = 0;
    OMF_CHECK(file, lengthOf(file, segment, &own));
    // Nothing lies outside a component: the offset must fall inside it.
    if (offset < 0 || offset >= own) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    length = std::min(length, own - offset);
    ++nesting;
    omfErr_t status = dispatch(segment, classID, offset, length, leaf);
    --nesting;
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

omfErr_t Resolver::dispatch(omfObject_t segment, const char classID[5], omfPosition_t offset,
                            omfLength_t length, Leaf* leaf) {
    bool is2x = file->revision == kOmfRev2x;
    if (isLeafClass(classID)) {
        *leaf = Leaf{segment, offset, length};
        return 0;
    }
    if (isClass(classID, "SEQU")) return sequence(segment, offset, length, leaf);
    if (isClass(classID, "SLCT")) return selector(segment, offset, length, leaf);
    if (isClass(classID, "TRAN")) {
        return transition(segment, nullptr, 0, nullptr, 0, offset, length, leaf);
    }
    if (is2x && isClass(classID, "EFFE")) return effect(segment, offset, length, leaf);
    if (is2x && isClass(classID, "NEST")) return nestedScope(segment, offset, length, leaf);
    if ((is2x && isClass(classID, "SREF")) || (!is2x && isClass(classID, "TRKR"))) {
        return scopeReference(segment, offset, length, leaf);
    }
    if (is2x && isClass(classID, "MGRP")) {
        omfObject_t choice = nullptr;
        OMF_CHECK(file, chooseRepresentation(file, segment, context.criteria, &choice));
        if (choice == nullptr) {
            *leaf = Leaf{}; // nothing chosen: the walk ends without a leaf
            return 0;
        }
        OMF_CHECK(file, resolve(choice, offset, length, leaf));
        return 0;
    }
    if (!is2x && isClass(classID, "TRKG")) {
        // A 1.x track group carrying an effect ID is an effect; otherwise a scope.
        if (omfsPropertyPresent(file, segment, kOmfProperty_CPNT_EffectID, kOmfType_String)) {
            return effect(segment, offset, length, leaf);
        }
        return trackGroup(segment, offset, length, leaf);
    }
    OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
}

omfErr_t Resolver::sequence(omfObject_t sequence, omfPosition_t offset, omfLength_t length,
                            Leaf* leaf) {
    omfProperty_t property =
        file->revision == kOmfRev2x ? kOmfProperty_SEQU_Components : kOmfProperty_SEQU_Sequence;
    struct Element {
        omfObject_t object = nullptr;
        omfPosition_t position = 0;
        omfLength_t length = 0;
        bool isTransition = false;
    };
    std::vector<Element> elements;
    omfInt32 count = omfsLengthObjRefArray(file, sequence, property);
    omfPosition_t position = 0;
    for (omfInt32 i = 1; i <= count; ++i) {
        Element element;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, sequence, property, &element.object, i));
        char classID[5];
        OMF_CHECK(file, classOf(file, element.object, classID));
        OMF_CHECK(file, lengthOf(file, element.object, &element.length));
        element.isTransition = isClass(classID, "TRAN");
        // A transition overlaps the end of the component before it; the
        // component after it starts where the transition starts.
        if (element.isTransition) position -= element.length;
        element.position = position;
        if (!element.isTransition) position += element.length;
        elements.push_back(element);
    }
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element& element = elements[i];
        omfPosition_t start = element.position;
        omfPosition_t end = element.position + element.length;
        if (!element.isTransition) {
            // The overlaps with transitions belong to the transitions.
            if (i > 0 && elements[i - 1].isTransition) start += elements[i - 1].length;
            if (i + 1 < elements.size() && elements[i + 1].isTransition) {
                end -= elements[i + 1].length;
            }
        }
        if (offset < start || offset >= end) continue;
        omfLength_t available = std::min(length, end - offset);
        if (element.isTransition) {
            omfObject_t before = i > 0 ? elements[i - 1].object : nullptr;
            omfObject_t after = i + 1 < elements.size() ? elements[i + 1].object : nullptr;
            omfPosition_t beforeOffset = i > 0 ? offset - elements[i - 1].position : 0;
            omfPosition_t afterOffset =
                i + 1 < elements.size() ? offset - elements[i + 1].position : 0;
            ++nesting;
            omfErr_t status = transition(element.object, before, beforeOffset, after, afterOffset,
                                         offset - element.position, available, leaf);
            --nesting;
            if (status != 0) return propagate(file, status, __FILE__, __LINE__);
            return 0;
        }
        OMF_CHECK(file, resolve(element.object, offset - element.position, available, leaf));
        return 0;
    }
    OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
}

omfErr_t Resolver::rendering(omfObject_t effect, omfObject_t* clip) {
    *clip = nullptr;
    if (file->revision == kOmfRev2x) {
        for (omfProperty_t property :
             {kOmfProperty_EFFE_FinalRendering, kOmfProperty_EFFE_WorkingRendering}) {
            if (omfsPropertyPresent(file, effect, property, kOmfType_ObjRef)) {
                OMF_CHECK(file, omfsReadObjRef(file, effect, property, clip));
                if (*clip != nullptr) return 0;
            }
        }
    } else if (omfsPropertyPresent(file, effect, kOmfProperty_CPNT_Precomputed, kOmfType_ObjRef)) {
        OMF_CHECK(file, omfsReadObjRef(file, effect, kOmfProperty_CPNT_Precomputed, clip));
    }
    if (*clip == nullptr) OMF_RAISE(file, OM_ERR_NO_EFFECT_RENDERING);
    return 0;
}

omfErr_t Resolver::transition(omfObject_t transition, omfObject_t before,
                              omfPosition_t beforeOffset, omfObject_t after,
                              omfPosition_t afterOffset, omfPosition_t offset, omfLength_t length,
                              Leaf* leaf) {
    omfInt32 choice = context.effectChoice;
    if (choice == kOmfTransitionBefore && before != nullptr) {
        OMF_CHECK(file, resolve(before, beforeOffset, length, leaf));
        return 0;
    }
    if (choice == kOmfTransitionAfter && after != nullptr) {
        OMF_CHECK(file, resolve(after, afterOffset, length, leaf));
        return 0;
    }
    // 2.x transitions hold an effect with the rendering; 1.x ones carry it.
    omfObject_t holder = transition;
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsReadObjRef(file, transition, kOmfProperty_TRAN_Effect, &holder));
    }
    if (choice == kOmfNoEffectChoice) {
        context.effect = holder;
        OMF_RAISE(file, OM_ERR_EFFECT_NEEDS_MORE_INFO);
    }
    omfObject_t clip = nullptr;
    OMF_CHECK(file, rendering(holder, &clip));
    OMF_CHECK(file, resolve(clip, offset, length, leaf));
    return 0;
}

omfErr_t Resolver::effect(omfObject_t effect, omfPosition_t offset, omfLength_t length,
                          Leaf* leaf) {
    omfInt32 choice = context.effectChoice;
    if (choice == kOmfEffectRendering) {
        omfObject_t clip = nullptr;
        OMF_CHECK(file, rendering(effect, &clip));
        OMF_CHECK(file, resolve(clip, offset, length, leaf));
        return 0;
    }
    if (choice < kOmfEffectRendering) {
        context.effect = effect;
        OMF_RAISE(file, OM_ERR_EFFECT_NEEDS_MORE_INFO);
    }
    // Choice n >= 4 takes the input whose argument ID is 3 - n; 1.x effects
    // hold their inputs as tracks in order, input A first.
    omfInt32 argID = kOmfEffectRendering - choice;
    if (file->revision != kOmfRev2x) {
        omfInt32 position = choice - kOmfEffectRendering;
        if (position <= omfsLengthObjRefArray(file, effect, kOmfProperty_TRKG_Tracks)) {
            omfObject_t input = nullptr;
            OMF_CHECK(file, slotSegment(effect, position, &input));
            OMF_CHECK(file, resolve(input, offset, length, leaf));
            return 0;
        }
        *leaf = Leaf{};
        return 0;
    }
    omfObject_t input = nullptr;
    bool found = false;
    OMF_CHECK(file, findEffectSlot(file, effect, argID, &input, &found));
    if (found) {
        OMF_CHECK(file, resolve(input, offset, length, leaf));
        return 0;
    }
    *leaf = Leaf{}; // no such input: the walk ends without a leaf
    return 0;
}

omfErr_t Resolver::selector(omfObject_t selector, omfPosition_t offset, omfLength_t length,
                            Leaf* leaf) {
    omfObject_t selected = nullptr;
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsReadObjRef(file, selector, kOmfProperty_SLCT_Selected, &selected));
    } else {
        omfInt16 wanted = 0;
        OMF_CHECK(file, omfsReadInt16(file, selector, kOmfProperty_SLCT_SelectedTrack, &wanted));
        omfInt32 count = omfsLengthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks);
        for (omfInt32 i = 1; i <= count && selected == nullptr; ++i) {
            omfObject_t track = nullptr;
            OMF_CHECK(file,
                      omfsGetNthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks, &track, i));
            omfInt16 label = 0;
            OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
            if (label == wanted) {
                OMF_CHECK(file,
                          omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, &selected));
            }
        }
    }
    if (selected == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    OMF_CHECK(file, resolve(selected, offset, length, leaf));
    return 0;
}

omfErr_t Resolver::slotSegment(omfObject_t scope, omfInt32 index, omfObject_t* segment) {
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file,
                  omfsGetNthObjRefArray(file, scope, kOmfProperty_NEST_Slots, segment, index));
        return 0;
    }
    omfObject_t track = nullptr;
    OMF_CHECK(file, omfsGetNthObjRefArray(file, scope, kOmfProperty_TRKG_Tracks, &track, index));
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, segment));
    return 0;
}

omfErr_t Resolver::trackGroup(omfObject_t group, omfPosition_t offset, omfLength_t length,
                              Leaf* leaf) {
    omfInt32 count = omfsLengthObjRefArray(file, group, kOmfProperty_TRKG_Tracks);
    constexpr omfInt32 kPictureTrackKind = 1;
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t segment = nullptr;
        OMF_CHECK(file, slotSegment(group, i, &segment));
        if (segment == nullptr) continue;
        omfInt32 kind = 0;
        OMF_CHECK(file, trackKindOf(file, segment, &kind));
        if (kind != kPictureTrackKind) continue;
        if (context.scopes != nullptr) context.scopes->enter({group, count, offset, i});
        OMF_CHECK(file, resolve(segment, offset, length, leaf));
        return 0;
    }
    OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
}

omfErr_t Resolver::nestedScope(omfObject_t scope, omfPosition_t offset, omfLength_t length,
                               Leaf* leaf) {
    omfInt32 count = omfsLengthObjRefArray(file, scope, kOmfProperty_NEST_Slots);
    if (count < 1) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    if (context.scopes != nullptr) context.scopes->enter({scope, count, offset, count});
    omfObject_t last = nullptr;
    OMF_CHECK(file, slotSegment(scope, count, &last));
    OMF_CHECK(file, resolve(last, offset, length, leaf));
    return 0;
}

omfErr_t Resolver::scopeReference(omfObject_t reference, omfPosition_t offset, omfLength_t length,
                                  Leaf* leaf) {
    if (context.scopes == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    omfUInt32 relativeScope = 0;
    omfInt64 relativeSlot = 0;
    if (file->revision == kOmfRev2x) {
        omfUInt32 slot = 0;
        OMF_CHECK(file,
                  omfsReadUInt32(file, reference, kOmfProperty_SREF_RelativeScope, &relativeScope));
        OMF_CHECK(file, omfsReadUInt32(file, reference, kOmfProperty_SREF_RelativeSlot, &slot));
        relativeSlot = slot;
    } else {
        // 1.x track references count tracks backwards with negative numbers.
        omfInt16 scope = 0;
        omfInt16 track = 0;
        OMF_CHECK(file, omfsReadInt16(file, reference, kOmfProperty_TRKR_RelativeScope, &scope));
        OMF_CHECK(file, omfsReadInt16(file, reference, kOmfProperty_TRKR_RelativeTrack, &track));
        if (scope < 0) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
        relativeScope = static_cast<omfUInt32>(scope);
        relativeSlot = -static_cast<omfInt64>(track);
    }
    const ScopeStack::Record* record = context.scopes->fromTop(relativeScope);
    if (record == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    omfInt64 index = record->slotIndex - relativeSlot;
    if (index < 1 || index > record->slotCount) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    omfObject_t scope = record->scope;
    // Every slot of a scope shares its time: the referenced slot is read at
    // the position within the scope, which references inside sequences
    // would otherwise lose.
    omfPosition_t scopeOffset = record->offset;
    omfObject_t segment = nullptr;
    OMF_CHECK(file, slotSegment(scope, static_cast<omfInt32>(index), &segment));
    // References inside the referenced slot count from it.
    ScopeStack unwound = *context.scopes;
    unwound.unwindTo(relativeScope, static_cast<omfInt32>(index));
    ScopeStack* saved = context.scopes;
    context.scopes = &unwound;
    omfErr_t status = resolve(segment, scopeOffset, length, leaf);
    context.scopes = saved;
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    (void)offset;
    return 0;
}

} // namespace

omfErr_t ResolveAtOffset(omfHdl_t file, ResolveContext& context, omfObject_t segment,
                         omfPosition_t offset, omfLength_t length, Leaf* leaf) {
    Resolver resolver{file, context};
    *leaf = Leaf{};
    OMF_CHECK(file, resolver.resolve(segment, offset, length, leaf));
    return 0;
}

} // namespace omf::resolve
