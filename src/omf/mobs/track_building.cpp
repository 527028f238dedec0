// Appending tracks to mobs: 2.x slots with track descriptions, 1.x TRAKs
// numbered per track kind, and the label bookkeeping of the mob table.
#include "mobs/mob_support.h"

#include "omf/internal/hash_table.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <cstdint>

namespace omf::mobs {
namespace {

// A 1.x track-table value: track kind in the high half, label in the low.
omfInt32 packLabel(omfInt32 kind, omfInt32 label) {
    return (kind << 16) | (label & 0xFFFF);
}
omfInt32 packedKind(intptr_t packed) {
    return static_cast<omfInt32>(packed >> 16);
}
omfInt16 packedLabel(intptr_t packed) {
    return static_cast<omfInt16>(packed & 0xFFFF);
}

omfErr_t mobEntryOf(omfHdl_t file, omfObject_t mob, MobTableEntry** entry) {
    omfUID_t mobID{};
    OMF_CHECK(file, omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, &mobID));
    *entry = findMobEntry(file, mobID);
    if (*entry == nullptr) OMF_RAISE(file, OM_ERR_MISSING_MOB_ID);
    return 0;
}

// Visits every TRAK of a 1.x mob with its track kind and label.
template <typename Visit> omfErr_t forEachTrack1x(omfHdl_t file, omfObject_t mob, Visit visit) {
    omfInt32 count = omfsLengthObjRefArray(file, mob, kOmfProperty_TRKG_Tracks);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t track = nullptr, component = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, mob, kOmfProperty_TRKG_Tracks, &track, i));
        OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, &component));
        omfInt32 kind = 0;
        omfInt16 label = 0;
        OMF_CHECK(file, readTrackKind(file, component, &kind));
        OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
        visit(kind, label);
    }
    return 0;
}

// Gives segments of a new 1.x track that lack an edit rate the track's rate.
struct EditRateWalk {
    omfRational_t rate;
};

omfBool matchEveryObject(omfHdl_t, omfObject_t, void*) {
    return true;
}

omfErr_t writeMissingEditRate(omfHdl_t file, omfObject_t object, omfInt32, void* argument) {
    // TRAKs keep what they have; only components carry an edit rate.
    if (isA(file, object, "TRAK") || !isA(file, object, "CPNT")) return 0;
    if (hasEditRate1x(file, object)) return 0;
    return writeEditRate1x(file, object, kOmfProperty_CPNT_EditRate,
                           static_cast<EditRateWalk*>(argument)->rate);
}

omfErr_t addTrack2x(omfHdl_t file, omfObject_t mob, omfRational_t editRate, omfObject_t segment,
                    omfPosition_t origin, omfTrackID_t trackID, const char* name,
                    omfObject_t* track) {
    omfInt32 count = omfsLengthObjRefArray(file, mob, kOmfProperty_MOBJ_Slots);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t slot = nullptr, description = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, mob, kOmfProperty_MOBJ_Slots, &slot, i));
        if (!omfsPropertyPresent(file, slot, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
            continue;
        }
        OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_MSLT_TrackDesc, &description));
        omfUInt32 existing = 0;
        OMF_CHECK(file, omfsReadUInt32(file, description, kOmfProperty_TRKD_TrackID, &existing));
        if (existing == trackID) OMF_RAISE(file, OM_ERR_DUPLICATE_TRACK_ID);
    }
    CreatedObjects created(file);
    omfObject_t slot = nullptr;
    OMF_CHECK(file, created.create("MSLT", &slot));
    OMF_CHECK(file, omfsWriteRational(file, slot, kOmfProperty_MSLT_EditRate, editRate));
    OMF_CHECK(file, omfsWriteObjRef(file, slot, kOmfProperty_MSLT_Segment, segment));
    omfObject_t description = nullptr;
    OMF_CHECK(file, omfiMakeTrackDesc(file, slot, origin, trackID, name, &description));
    omfErr_t status = omfsAppendObjRefArray(file, mob, kOmfProperty_MOBJ_Slots, slot);
    if (status != 0) {
        CMRemoveObject(description);
        return propagate(file, status, __FILE__, __LINE__);
    }
    created.keep();
    if (track != nullptr) *track = slot;
    return 0;
}

omfErr_t addTrack1x(omfHdl_t file, omfObject_t mob, omfRational_t editRate, omfObject_t segment,
                    omfPosition_t origin, omfTrackID_t trackID, omfObject_t* track) {
    if (!isA(file, mob, "MOBJ")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    omfInt32 kind = 0;
    OMF_CHECK(file, readTrackKind(file, segment, &kind));
    omfInt16 highest = 0;
    OMF_CHECK(file, forEachTrack1x(file, mob, [&](omfInt32 trackKind, omfInt16 label) {
                  if (trackKind == kind) highest = std::max(highest, label);
              }));
    if (highest == 0x7FFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    omfInt16 label = static_cast<omfInt16>(highest + 1);

    // Everything that can be refused is checked before anything is written.
    omfLength_t trackLength = 0;
    omfInt32 trackLength32 = 0, origin32 = 0, groupLength = 0;
    OMF_CHECK(file, omfiComponentLength(file, segment, &trackLength));
    OMF_CHECK(file, narrow32(file, trackLength, &trackLength32));
    OMF_CHECK(file, narrow32(file, origin, &origin32));
    MobTableEntry* entry = nullptr;
    OMF_CHECK(file, mobEntryOf(file, mob, &entry));
    if (!entry->tracks) {
        omfTable_t table = nullptr;
        OMF_CHECK(file, omfsNewDefaultTable(file, kTrackTableBuckets, &table));
        entry->tracks.reset(table);
    }
    auto key = static_cast<omfInt32>(trackID);
    void* recorded = nullptr;
    omfBool found = false;
    OMF_CHECK(file, omfsTableLookupInt32(entry->tracks.get(), key, &recorded, &found));
    if (found) OMF_RAISE(file, OM_ERR_TABLE_DUPLICATE_KEY);

    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create("TRAK", &object));
    OMF_CHECK(file, omfsWriteInt16(file, object, kOmfProperty_TRAK_LabelNumber, label));
    OMF_CHECK(file, omfsWriteObjRef(file, object, kOmfProperty_TRAK_TrackComponent, segment));
    if (!hasEditRate1x(file, mob)) {
        OMF_CHECK(file, writeEditRate1x(file, mob, kOmfProperty_CPNT_EditRate, editRate));
    }
    if (!omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_StartPosition, kOmfType_Long)) {
        OMF_CHECK(file, omfsWriteInt32(file, mob, kOmfProperty_MOBJ_StartPosition, origin32));
    }
    if (omfsPropertyPresent(file, mob, kOmfProperty_TRKG_GroupLength, kOmfType_Long)) {
        OMF_CHECK(file, omfsReadInt32(file, mob, kOmfProperty_TRKG_GroupLength, &groupLength));
    }
    if (trackLength32 > groupLength) {
        OMF_CHECK(file, omfsWriteInt32(file, mob, kOmfProperty_TRKG_GroupLength, trackLength32));
    }
    EditRateWalk walk{editRate};
    omfInt32 visited = 0;
    OMF_CHECK(file, omfiWalkObjectTree(file, segment, 0, matchEveryObject, nullptr,
                                       writeMissingEditRate, &walk, &visited));
    OMF_CHECK(file, omfsTableAddInt32(
                        entry->tracks.get(), key,
                        reinterpret_cast<void*>(static_cast<intptr_t>(packLabel(kind, label))),
                        kOmfTableUnique));
    omfErr_t status = omfsAppendObjRefArray(file, mob, kOmfProperty_TRKG_Tracks, object);
    if (status != 0) {
        omfsTableRemove(entry->tracks.get(), &key, sizeof key, nullptr);
        return propagate(file, status, __FILE__, __LINE__);
    }
    created.keep();
    if (track != nullptr) *track = object;
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiAddTrackToMob(omfHdl_t file, omfObject_t mob, omfRational_t editRate,
                           omfObject_t segment, omfPosition_t origin, omfTrackID_t trackID,
                           const char* name, omfObject_t* track) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr || segment == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (is2x(file)) {
        OMF_CHECK(file, addTrack2x(file, mob, editRate, segment, origin, trackID, name, track));
    } else {
        OMF_CHECK(file, addTrack1x(file, mob, editRate, segment, origin, trackID, track));
    }
    return 0;
}

omfErr_t omfiMakeTrackDesc(omfHdl_t file, omfObject_t slot, omfPosition_t origin,
                           omfTrackID_t trackID, const char* name, omfObject_t* descriptor) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (slot == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, slot, "MSLT")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    bool reused = omfsPropertyPresent(file, slot, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef);
    if (reused) {
        OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_MSLT_TrackDesc, &object));
    } else {
        OMF_CHECK(file, created.create("TRKD", &object));
    }
    OMF_CHECK(file, omfsWritePosition(file, object, kOmfProperty_TRKD_Origin, origin));
    OMF_CHECK(file, omfsWriteUInt32(file, object, kOmfProperty_TRKD_TrackID, trackID));
    if (name != nullptr) {
        OMF_CHECK(file, omfsWriteString(file, object, kOmfProperty_TRKD_TrackName, name));
    }
    if (!reused) {
        OMF_CHECK(file, omfsWriteObjRef(file, slot, kOmfProperty_MSLT_TrackDesc, object));
    }
    created.keep();
    if (descriptor != nullptr) *descriptor = object;
    return 0;
}

omfErr_t omfiSetPhysicalTrack(omfHdl_t file, omfObject_t track, omfUInt32 number) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    if (track == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (!isA(file, track, "MSLT")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    if (!omfsPropertyPresent(file, track, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
        OMF_RAISE(file, OM_ERR_NOT_TRACK);
    }
    omfObject_t description = nullptr;
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_MSLT_TrackDesc, &description));
    OMF_CHECK(file, omfsWriteUInt32(file, description, kOmfProperty_TRKD_PhysicalTrack, number));
    return 0;
}

omfErr_t omfiLookupTrackLabel(omfHdl_t file, omfMobID_t mobID, omfObject_t dataKind,
                              omfTrackID_t trackID, omfInt16* label) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (label == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (!is2x(file) && dataKind == nullptr) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    MobTableEntry* entry = findMobEntry(file, mobID);
    if (entry == nullptr) OMF_RAISE(file, OM_ERR_MISSING_MOB_ID);
    if (is2x(file)) {
        if (trackID > 0x7FFF) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        *label = static_cast<omfInt16>(trackID);
        return 0;
    }
    omfInt16 kind = 0;
    OMF_CHECK(file, trackKindOf(file, dataKind, &kind));
    if (entry->tracks) {
        void* recorded = nullptr;
        omfBool found = false;
        OMF_CHECK(file, omfsTableLookupInt32(entry->tracks.get(), static_cast<omfInt32>(trackID),
                                             &recorded, &found));
        auto packed = reinterpret_cast<intptr_t>(recorded);
        if (found && packedKind(packed) == kind) {
            *label = packedLabel(packed);
            return 0;
        }
        if (found) OMF_RAISE(file, OM_ERR_MISSING_TRACK_ID);
    }
    // A file read from disk carries no requested IDs: its track IDs are the
    // label numbers themselves.
    bool present = false;
    if (entry->mob != nullptr) {
        OMF_CHECK(file, forEachTrack1x(file, entry->mob, [&](omfInt32 trackKind, omfInt16 number) {
                      if (trackKind == kind && static_cast<omfTrackID_t>(number) == trackID) {
                          present = true;
                      }
                  }));
    }
    if (!present) OMF_RAISE(file, OM_ERR_MISSING_TRACK_ID);
    *label = static_cast<omfInt16>(trackID);
    return 0;
}

} // extern "C"
