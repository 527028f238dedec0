// The steps of source resolution, shared by its files and its tests.
#pragma once

#include "omf/internal/records.h"
#include "omf/omf_resolve.h"

#include <vector>

namespace omf::resolve {

// The nested scopes entered while resolving one track: for each, the scope
// object, its number of slots, the offset at which it was entered (the
// position within the scope every slot shares) and the slot being resolved.
class ScopeStack {
  public:
    struct Record {
        omfObject_t scope = nullptr;
        omfInt32 slotCount = 0;
        omfPosition_t offset = 0;
        omfInt32 slotIndex = 0; // counted from 1
    };

    ScopeStack() { records_.reserve(kInitialPlaces); }

    // Entering the scope on top again replaces its record; another scope is
    // pushed.
    void enter(const Record& record);
    // The record `relativeScope` places below the top (0: the top); null
    // when the stack is not that deep.
    const Record* fromTop(omfUInt32 relativeScope) const;
    // Drops every record above the one `relativeScope` places below the top
    // and makes `slotIndex` its current slot.
    void unwindTo(omfUInt32 relativeScope, omfInt32 slotIndex);
    size_t depth() const { return records_.size(); }

  private:
    static constexpr size_t kInitialPlaces = 10;
    std::vector<Record> records_;
};

// The choices a resolution follows and what it records on the way.
struct ResolveContext {
    const omfMediaCriteria_t* criteria = nullptr;
    omfInt32 effectChoice = kOmfNoEffectChoice;
    ScopeStack* scopes = nullptr; // null: scope references fail with OM_ERR_TRAVERSAL_FAILED
    omfObject_t effect = nullptr; // the effect that needed a choice (OM_ERR_EFFECT_NEEDS_MORE_INFO)
};

// What resolving a segment at an offset found: a leaf (null when the walk
// ended without one), the offset within it and the material available from
// there.
struct Leaf {
    omfObject_t object = nullptr;
    omfPosition_t offset = 0;
    omfLength_t length = 0;
};

// Where following a clip leads: the mob, track, offset and available length
// one step down, and the pulldown passed (null when none).
struct ChainStep {
    omfObject_t mob = nullptr;
    omfTrackID_t trackID = 0;
    omfObject_t track = nullptr;
    omfPosition_t offset = 0;
    omfLength_t length = 0;
    omfObject_t pulldown = nullptr;
    omfInt32 direction = 0;
    omfInt32 phase = 0;
};

// ---- object queries (object_queries.cpp) ----
// The object's class, as four characters and a NUL.
omfErr_t classOf(omfHdl_t file, omfObject_t object, char classID[5]);
bool isClass(const char classID[5], const char* wanted);
// The component's length (1.x sequences sum their components, transitions
// subtracted).
omfErr_t lengthOf(omfHdl_t file, omfObject_t component, omfLength_t* length);
// The 1.x track kind of a component (0 when absent).
omfErr_t trackKindOf(omfHdl_t file, omfObject_t component, omfInt32* kind);
// The mob registered under `mobID`; null when the file has none.
omfErr_t mobByID(omfHdl_t file, const omfUID_t& mobID, omfObject_t* mob);
// A track's ID, edit rate, origin and segment, for 1.x and 2.x tracks.
omfErr_t trackInfo(omfHdl_t file, omfObject_t mob, omfObject_t track, omfTrackID_t* trackID,
                   omfRational_t* editRate, omfPosition_t* origin, omfObject_t* segment);
// The track of `mob` with `trackID`; in 1.x files a track whose component
// has `trackKind` is preferred when several share the label (0: any).
omfErr_t findTrack(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfInt32 trackKind,
                   omfObject_t* track);
// Whether `mob` is of a mob kind of FindSource.
omfErr_t mobIsKind(omfHdl_t file, omfObject_t mob, omfMobKind_t kind, bool* matches);

// The representation of a media group to follow (representation_choice.cpp);
// null when none qualifies.
omfErr_t chooseRepresentation(omfHdl_t file, omfObject_t group, const omfMediaCriteria_t* criteria,
                              omfObject_t* chosen);

// ---- locators (locator_file.cpp) ----
constexpr omfInt32 kPathSize = 256; // locator paths are read into 256 bytes
// The path text of a locator by its class (zero-filled to kPathSize);
// OM_ERR_UNKNOWN_LOCATOR for a class that is no locator.
omfErr_t readLocatorPath(omfHdl_t file, omfObject_t locator, char path[kPathSize]);

// ---- the resolution steps ----
omfErr_t ResolveAtOffset(omfHdl_t file, ResolveContext& context, omfObject_t segment,
                         omfPosition_t offset, omfLength_t length, Leaf* leaf);
omfErr_t FollowClip(omfHdl_t file, omfObject_t mob, omfObject_t track, omfRational_t trackEditRate,
                    const Leaf& leaf, ChainStep* step);
// FindSource without its allocation guard.
omfErr_t findSource(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfPosition_t offset,
                    omfMobKind_t kind, const omfMediaCriteria_t* criteria, omfInt32 effectChoice,
                    omfObject_t* track, omfSourceSearchResult_t* result);
omfErr_t FindSourceInChain(omfHdl_t file, const ChainStep& start, omfMobKind_t kind,
                           const ResolveContext& choices, omfSourceSearchResult_t* result);

} // namespace omf::resolve
