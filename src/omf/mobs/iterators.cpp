// The iterator record, the mob search over the file's mob table, and the
// walk over reference arrays shared by tracks, slots and component lists.
#include "mobs/mob_support.h"

#include "omf/internal/hash_table.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

#include <cstring>
#include <new>
#include <string>

namespace {

constexpr uint32_t kIteratorTag = omf::fourCC("ITER");
constexpr omfInt32 kMobNameSize = 64;

// What an iterator is doing.
enum IteratorKind : omfInt32 { kFresh = 0, kMobWalk = 3, kArrayWalk = 4, kFinished = 17 };

// What an array walk hands out for each element.
enum class ElementView {
    element,          // the element itself
    trackComponent1x, // a 1.x TRAK's TrackComponent
    alternate1x,      // a 1.x selector's tracks but the selected one, as components
};

} // namespace

struct omfIterRec {
    uint32_t tag = kIteratorTag;
    omfInt32 kind = kFresh;
    omfHdl_t file = nullptr;
    omfInt32 position = 0; // next array element, from 1; mob entries visited
    omfInt32 count = 0;    // array elements, or mob-table entries
    omfInt32 totalMobs = 0;
    omfSearchTag_t searchTag = kOmfNoSearch;
    omfUID_t mobID{};
    omfMobKind_t mobKind = kAllMobs;
    omfClassID_t classID{};
    std::string text; // name or data-kind name
    omfTableIterate_t table{};
    bool tableStarted = false;
    // The array being walked.
    omfObject_t owner = nullptr;
    omfProperty_t property = 0;
    omfInt16 selectedLabel = 0;

    void clear(omfHdl_t boundFile) {
        omfIterRec fresh;
        *this = std::move(fresh);
        file = boundFile;
    }
};

namespace omf::mobs {
namespace {

bool validIterator(omfIterHdl_t iterator) {
    return iterator != nullptr && iterator->tag == kIteratorTag;
}

omfErr_t mobMatches(omfIterHdl_t iterator, omfObject_t mob, bool* matches) {
    omfHdl_t file = iterator->file;
    *matches = false;
    switch (iterator->searchTag) {
    case kOmfNoSearch:
        *matches = true;
        return 0;
    case kOmfByName: {
        omfProperty_t name = is2x(file) ? kOmfProperty_MOBJ_Name : kOmfProperty_CPNT_Name;
        if (!omfsPropertyPresent(file, mob, name, kOmfType_String)) return 0;
        char text[kMobNameSize] = {};
        OMF_CHECK(file, omfsReadString(file, mob, name, text, kMobNameSize));
        *matches = iterator->text == text;
        return 0;
    }
    case kOmfByMobID: {
        omfUID_t mobID{};
        OMF_CHECK(file, omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, &mobID));
        *matches = sameMobID(mobID, iterator->mobID);
        return 0;
    }
    case kOmfByMobKind:
        return mobIsKind(file, mob, iterator->mobKind, matches);
    default:
        OMF_RAISE(file, OM_ERR_INVALID_SEARCH_CRITERIA);
    }
}

omfErr_t startMobWalk(omfIterHdl_t iterator, const omfSearchCrit_t* criteria) {
    omfHdl_t file = iterator->file;
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!file->mobTable) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    omfSearchTag_t tag = criteria == nullptr ? kOmfNoSearch : criteria->searchTag;
    switch (tag) {
    case kOmfNoSearch:
        break;
    case kOmfByMobID:
        iterator->mobID = criteria->tags.mobID;
        break;
    case kOmfByMobKind:
        if (criteria->tags.mobKind < kCompMob || criteria->tags.mobKind > kAllMobs) {
            OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
        }
        iterator->mobKind = criteria->tags.mobKind;
        break;
    case kOmfByName:
        if (criteria->tags.name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        iterator->text = criteria->tags.name;
        break;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_SEARCH_CRITERIA);
    }
    iterator->searchTag = tag;
    OMF_CHECK(file, omfiCountMobs(file, kAllMobs, &iterator->totalMobs));
    OMF_CHECK(file, omfsTableNumEntries(file->mobTable.get(), &iterator->count));
    iterator->kind = kMobWalk;
    iterator->position = 0;
    iterator->tableStarted = false;
    return 0;
}

omfErr_t stepMobWalk(omfIterHdl_t iterator, omfObject_t* mob) {
    omfHdl_t file = iterator->file;
    for (;;) {
        omfBool found = false;
        if (!iterator->tableStarted) {
            OMF_CHECK(file, omfsTableFirstEntry(file->mobTable.get(), &iterator->table, &found));
            iterator->tableStarted = true;
        } else {
            OMF_CHECK(file, omfsTableNextEntry(&iterator->table, &found));
        }
        if (!found) {
            if (iterator->position < iterator->count) OMF_RAISE(file, OM_ERR_ITERATOR_INTERNAL);
            OMF_RAISE(file, OM_ERR_NO_MORE_OBJECTS);
        }
        ++iterator->position;
        auto* entry = static_cast<MobTableEntry*>(iterator->table.value);
        if (entry == nullptr || entry->mob == nullptr) continue; // only referenced so far
        bool matches = false;
        OMF_CHECK(file, mobMatches(iterator, entry->mob, &matches));
        if (matches) {
            *mob = entry->mob;
            return 0;
        }
    }
}

// Whether an array element passes the walk's criteria. Slots and tracks
// are judged by their class and by their segment's data kind.
omfErr_t elementMatches(omfIterHdl_t iterator, omfObject_t element, bool* matches) {
    omfHdl_t file = iterator->file;
    *matches = true;
    if (iterator->searchTag == kOmfNoSearch) return 0;
    if (iterator->searchTag == kOmfByClass) {
        omfClassID_t classID;
        OMF_CHECK(file, omfsReadClassOf(file, element, classID));
        *matches = std::memcmp(classID, iterator->classID, 4) == 0;
        return 0;
    }
    omfObject_t component = element;
    if (isA(file, element, "MSLT")) {
        OMF_CHECK(file, omfsReadObjRef(file, element, kOmfProperty_MSLT_Segment, &component));
    } else if (isA(file, element, "TRAK")) {
        OMF_CHECK(file,
                  omfsReadObjRef(file, element, kOmfProperty_TRAK_TrackComponent, &component));
    } else if (isA(file, element, "ESLT")) {
        OMF_CHECK(file, omfsReadObjRef(file, element, kOmfProperty_ESLT_ArgValue, &component));
    }
    char name[kMobNameSize] = {};
    OMF_CHECK(file, omfiComponentDataKind(file, component, sizeof name, name));
    *matches = iterator->text == name;
    return 0;
}

omfErr_t startArrayWalk(omfIterHdl_t iterator, omfObject_t owner, omfProperty_t property,
                        const omfSearchCrit_t* criteria, ElementView view) {
    omfHdl_t file = iterator->file;
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    omfSearchTag_t tag = criteria == nullptr ? kOmfNoSearch : criteria->searchTag;
    switch (tag) {
    case kOmfNoSearch:
        break;
    case kOmfByClass:
        std::memcpy(iterator->classID, criteria->tags.objClass, 4);
        break;
    case kOmfByDatakind:
        if (criteria->tags.datakind == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        iterator->text = criteria->tags.datakind;
        break;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_SEARCH_CRITERIA);
    }
    iterator->searchTag = tag;
    iterator->owner = owner;
    iterator->property = property;
    iterator->count = omfsLengthObjRefArray(file, owner, property);
    iterator->position = 1;
    if (view == ElementView::alternate1x) {
        OMF_CHECK(file, omfsReadInt16(file, owner, kOmfProperty_SLCT_SelectedTrack,
                                      &iterator->selectedLabel));
    }
    iterator->kind = kArrayWalk;
    return 0;
}

// Which elements a walk hands out beyond the criteria.
enum class ElementFilter { all, tracks };

omfErr_t stepArrayWalk(omfIterHdl_t iterator, ElementView view, ElementFilter filter,
                       omfObject_t* result) {
    omfHdl_t file = iterator->file;
    while (iterator->position <= iterator->count) {
        omfObject_t element = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, iterator->owner, iterator->property, &element,
                                              iterator->position));
        ++iterator->position;
        if (filter == ElementFilter::tracks) {
            if (is2x(file)) {
                if (!isA(file, element, "MSLT")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
                if (!omfsPropertyPresent(file, element, kOmfProperty_MSLT_TrackDesc,
                                         kOmfType_ObjRef)) {
                    continue; // a slot that is not a track
                }
            } else if (!isA(file, element, "TRAK")) {
                OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
            }
        }
        if (view == ElementView::alternate1x) {
            omfInt16 label = 0;
            OMF_CHECK(file, omfsReadInt16(file, element, kOmfProperty_TRAK_LabelNumber, &label));
            if (label == iterator->selectedLabel) continue;
        }
        if (view != ElementView::element) {
            OMF_CHECK(file,
                      omfsReadObjRef(file, element, kOmfProperty_TRAK_TrackComponent, &element));
        }
        bool matches = false;
        OMF_CHECK(file, elementMatches(iterator, element, &matches));
        if (matches) {
            *result = element;
            return 0;
        }
    }
    if (omfsLengthObjRefArray(file, iterator->owner, iterator->property) != iterator->count) {
        OMF_RAISE(file, OM_ERR_ITERATOR_INTERNAL);
    }
    OMF_RAISE(file, OM_ERR_NO_MORE_OBJECTS);
}

// One call of an array walk: binds the walk on first use, keeps the
// position where it was on failure, and finishes the iterator at the end.
omfErr_t nextElement(omfIterHdl_t iterator, omfObject_t owner, omfProperty_t property,
                     const omfSearchCrit_t* criteria, ElementView view, ElementFilter filter,
                     omfObject_t* result) {
    if (!validIterator(iterator)) return OM_ERR_BAD_ITERATOR;
    omfHdl_t file = iterator->file;
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (iterator->kind == kFinished) return OM_ERR_NO_MORE_OBJECTS;
    if (iterator->kind == kMobWalk) OMF_RAISE(file, OM_ERR_WRONG_ITERATOR_TYPE);
    if (iterator->kind == kFresh) {
        if (owner == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
        omfErr_t status = startArrayWalk(iterator, owner, property, criteria, view);
        if (status != 0) {
            iterator->clear(file);
            return propagate(file, status, __FILE__, __LINE__);
        }
    }
    omfInt32 position = iterator->position;
    omfErr_t status = stepArrayWalk(iterator, view, filter, result);
    if (status != 0) {
        iterator->position = position;
        if (status == OM_ERR_NO_MORE_OBJECTS) iterator->kind = kFinished;
        return status == OM_ERR_NO_MORE_OBJECTS ? OM_ERR_NO_MORE_OBJECTS
                                                : propagate(file, status, __FILE__, __LINE__);
    }
    return 0;
}

// The reference array of a mob's tracks and slots, and how its elements are seen.
omfProperty_t slotsProperty(omfHdl_t file) {
    return is2x(file) ? kOmfProperty_MOBJ_Slots : kOmfProperty_TRKG_Tracks;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiMobOpenSearch(omfHdl_t file, omfIterHdl_t* iterator) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (iterator == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *iterator = new (std::nothrow) omfIterRec();
    if (*iterator == nullptr) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    (*iterator)->file = file;
    return 0;
}

omfErr_t omfiSearchDispose(omfHdl_t file, omfIterHdl_t iterator) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!validIterator(iterator)) OMF_RAISE(file, OM_ERR_BAD_ITERATOR);
    iterator->tag = 0;
    delete iterator;
    return 0;
}

omfErr_t omfiSearchReset(omfHdl_t file, omfIterHdl_t iterator) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!validIterator(iterator)) OMF_RAISE(file, OM_ERR_BAD_ITERATOR);
    iterator->clear(file);
    return 0;
}

omfErr_t omfiNextMatchingMob(omfIterHdl_t iterator, const omfSearchCrit_t* criteria,
                             omfObject_t* mob) {
    if (!validIterator(iterator)) return OM_ERR_BAD_ITERATOR;
    omfHdl_t file = iterator->file;
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (iterator->kind == kFinished) return OM_ERR_NO_MORE_OBJECTS;
    if (iterator->kind == kArrayWalk) OMF_RAISE(file, OM_ERR_WRONG_ITERATOR_TYPE);
    if (iterator->kind == kFresh) {
        omfErr_t status = startMobWalk(iterator, criteria);
        if (status != 0) {
            iterator->clear(file);
            return propagate(file, status, __FILE__, __LINE__);
        }
    }
    // A failed step leaves the walk where it was before the call.
    omfTableIterate_t table = iterator->table;
    bool started = iterator->tableStarted;
    omfInt32 position = iterator->position;
    omfErr_t status = stepMobWalk(iterator, mob);
    if (status != 0) {
        iterator->table = table;
        iterator->tableStarted = started;
        iterator->position = position;
        if (status == OM_ERR_NO_MORE_OBJECTS) iterator->kind = kFinished;
        return status == OM_ERR_NO_MORE_OBJECTS ? OM_ERR_NO_MORE_OBJECTS
                                                : propagate(file, status, __FILE__, __LINE__);
    }
    return 0;
}

omfErr_t omfiNextSlotOf(omfIterHdl_t iterator, omfObject_t mob, const omfSearchCrit_t* criteria,
                        omfObject_t* slot) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    return nextElement(iterator, mob, file != nullptr && validFile(file) ? slotsProperty(file) : 0,
                       criteria, ElementView::element, ElementFilter::all, slot);
}

omfErr_t omfiNextTrackOf(omfIterHdl_t iterator, omfObject_t mob, const omfSearchCrit_t* criteria,
                         omfObject_t* track) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    return nextElement(iterator, mob, file != nullptr && validFile(file) ? slotsProperty(file) : 0,
                       criteria, ElementView::element, ElementFilter::tracks, track);
}

omfErr_t omfiSequenceGetNextCpnt(omfIterHdl_t iterator, omfObject_t sequence,
                                 const omfSearchCrit_t* criteria, omfObject_t* component) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    bool twoX = file != nullptr && validFile(file) && is2x(file);
    return nextElement(iterator, sequence,
                       twoX ? kOmfProperty_SEQU_Components : kOmfProperty_SEQU_Sequence, criteria,
                       ElementView::element, ElementFilter::all, component);
}

omfErr_t omfiEffectGetNextSlot(omfIterHdl_t iterator, omfObject_t effect,
                               const omfSearchCrit_t* criteria, omfObject_t* slot) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    bool twoX = file != nullptr && validFile(file) && is2x(file);
    return nextElement(iterator, effect,
                       twoX ? kOmfProperty_EFFE_EffectSlots : kOmfProperty_TRKG_Tracks, criteria,
                       ElementView::element, ElementFilter::all, slot);
}

omfErr_t omfiNestedScopeGetNextSlot(omfIterHdl_t iterator, omfObject_t scope,
                                    const omfSearchCrit_t* criteria, omfObject_t* slot) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    bool twoX = file != nullptr && validFile(file) && is2x(file);
    return nextElement(iterator, scope, twoX ? kOmfProperty_NEST_Slots : kOmfProperty_TRKG_Tracks,
                       criteria, twoX ? ElementView::element : ElementView::trackComponent1x,
                       ElementFilter::all, slot);
}

omfErr_t omfiSelectorGetNextAltSlot(omfIterHdl_t iterator, omfObject_t selector,
                                    const omfSearchCrit_t* criteria, omfObject_t* segment) {
    omfHdl_t file = validIterator(iterator) ? iterator->file : nullptr;
    bool twoX = file != nullptr && validFile(file) && is2x(file);
    return nextElement(iterator, selector,
                       twoX ? kOmfProperty_SLCT_Alternates : kOmfProperty_TRKG_Tracks, criteria,
                       twoX ? ElementView::element : ElementView::alternate1x, ElementFilter::all,
                       segment);
}

omfErr_t omfiMediaGroupGetNextChoice(omfIterHdl_t iterator, omfObject_t group,
                                     const omfSearchCrit_t* criteria, omfObject_t* choice) {
    if (validIterator(iterator) && validFile(iterator->file) && !is2x(iterator->file)) {
        OMF_RAISE(iterator->file, OM_ERR_NOT_IN_1X);
    }
    return nextElement(iterator, group, kOmfProperty_MGRP_Choices, criteria, ElementView::element,
                       ElementFilter::all, choice);
}

} // extern "C"
