// The reads source resolution makes of mobs, tracks and components, for
// 1.x and 2.x files alike.
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "resolve/resolution.h"

#include <cstring>

namespace omf::resolve {
namespace {

// 1.x edit rates are stored as an ExactEditRate: two 32-bit numbers.
omfErr_t readExactEditRate(omfHdl_t file, omfObject_t object, omfProperty_t property,
                           omfRational_t* rate) {
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 0, 0, kOmfType_ExactEditRate, 4,
                                       &rate->numerator));
    OMF_CHECK(file, omfsReadValueBytes(file, object, property, 4, 0, kOmfType_ExactEditRate, 4,
                                       &rate->denominator));
    return 0;
}

bool isA(omfHdl_t file, const char classID[5], const char* ancestor) {
    return classIsA(file, classID, ancestor);
}

} // namespace

omfErr_t classOf(omfHdl_t file, omfObject_t object, char classID[5]) {
    omfClassID_t read;
    OMF_CHECK(file, omfsReadClassOf(file, object, read));
    std::memcpy(classID, read, 4);
    classID[4] = '\0';
    return 0;
}

bool isClass(const char classID[5], const char* wanted) {
    return std::memcmp(classID, wanted, 4) == 0;
}

namespace {

// Summing a 1.x sequence visits at most this many components: a damaged
// file whose sequence contains itself would otherwise never finish.
constexpr int kMaximumComponentsSummed = 20000;

omfErr_t lengthWithBudget(omfHdl_t file, omfObject_t component, int* budget, omfLength_t* length) {
    if (--*budget < 0) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsReadLength(file, component, kOmfProperty_CPNT_Length, length));
        return 0;
    }
    char classID[5];
    OMF_CHECK(file, classOf(file, component, classID));
    omfInt32 stored = 0;
    if (isClass(classID, "SEQU")) {
        omfLength_t sum = 0;
        omfInt32 count = omfsLengthObjRefArray(file, component, kOmfProperty_SEQU_Sequence);
        for (omfInt32 i = 1; i <= count; ++i) {
            omfObject_t element = nullptr;
            OMF_CHECK(file, omfsGetNthObjRefArray(file, component, kOmfProperty_SEQU_Sequence,
                                                  &element, i));
            char elementClass[5];
            OMF_CHECK(file, classOf(file, element, elementClass));
            omfLength_t elementLength = 0;
            OMF_CHECK(file, lengthWithBudget(file, element, budget, &elementLength));
            sum += isClass(elementClass, "TRAN") ? -elementLength : elementLength;
        }
        *length = sum;
        return 0;
    }
    if (isA(file, classID, "TRKG")) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_TRKG_GroupLength, &stored));
    } else if (isA(file, classID, "CLIP")) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_CLIP_Length, &stored));
    } else {
        OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    }
    *length = stored;
    return 0;
}

} // namespace

omfErr_t lengthOf(omfHdl_t file, omfObject_t component, omfLength_t* length) {
    int budget = kMaximumComponentsSummed;
    OMF_CHECK(file, lengthWithBudget(file, component, &budget, length));
    return 0;
}

omfErr_t trackKindOf(omfHdl_t file, omfObject_t component, omfInt32* kind) {
    *kind = 0;
    if (omfsPropertyPresent(file, component, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType)) {
        OMF_CHECK(file, omfsReadEnum(file, component, kOmfProperty_CPNT_TrackKind,
                                     kOmfType_TrackType, kind));
    }
    return 0;
}

omfErr_t mobByID(omfHdl_t file, const omfUID_t& mobID, omfObject_t* mob) {
    *mob = nullptr;
    if (!file->mobTable) return 0;
    void* value = nullptr;
    omfBool found = false;
    OMF_CHECK(file, omfsTableLookupUID(file->mobTable.get(), mobID, &value, &found));
    if (found && value != nullptr) *mob = static_cast<MobTableEntry*>(value)->mob;
    return 0;
}

omfErr_t trackInfo(omfHdl_t file, omfObject_t mob, omfObject_t track, omfTrackID_t* trackID,
                   omfRational_t* editRate, omfPosition_t* origin, omfObject_t* segment) {
    if (file->revision == kOmfRev2x) {
        omfObject_t descriptor = nullptr;
        OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_MSLT_TrackDesc, &descriptor));
        if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_TRACK_NOT_FOUND);
        OMF_CHECK(file, omfsReadUInt32(file, descriptor, kOmfProperty_TRKD_TrackID, trackID));
        OMF_CHECK(file, omfsReadPosition(file, descriptor, kOmfProperty_TRKD_Origin, origin));
        OMF_CHECK(file, omfsReadRational(file, track, kOmfProperty_MSLT_EditRate, editRate));
        OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_MSLT_Segment, segment));
        return 0;
    }
    omfInt16 label = 0;
    OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
    *trackID = static_cast<omfTrackID_t>(label);
    OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, segment));
    // The component carries the rate; a mob-wide rate serves components without one.
    omfObject_t rateHolder = *segment;
    if (rateHolder == nullptr || !omfsPropertyPresent(file, rateHolder, kOmfProperty_CPNT_EditRate,
                                                      kOmfType_ExactEditRate)) {
        rateHolder = mob;
    }
    OMF_CHECK(file, readExactEditRate(file, rateHolder, kOmfProperty_CPNT_EditRate, editRate));
    *origin = 0;
    if (omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_StartPosition, kOmfType_Int32)) {
        omfInt32 start = 0;
        OMF_CHECK(file, omfsReadInt32(file, mob, kOmfProperty_MOBJ_StartPosition, &start));
        *origin = start;
    }
    return 0;
}

omfErr_t findTrack(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfInt32 trackKind,
                   omfObject_t* track) {
    *track = nullptr;
    if (file->revision == kOmfRev2x) {
        omfInt32 count = omfsLengthObjRefArray(file, mob, kOmfProperty_MOBJ_Slots);
        for (omfInt32 i = 1; i <= count; ++i) {
            omfObject_t slot = nullptr;
            OMF_CHECK(file, omfsGetNthObjRefArray(file, mob, kOmfProperty_MOBJ_Slots, &slot, i));
            if (!omfsPropertyPresent(file, slot, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef)) {
                continue; // a slot without a track description is not a track
            }
            omfObject_t descriptor = nullptr;
            OMF_CHECK(file, omfsReadObjRef(file, slot, kOmfProperty_MSLT_TrackDesc, &descriptor));
            omfUInt32 id = 0;
            OMF_CHECK(file, omfsReadUInt32(file, descriptor, kOmfProperty_TRKD_TrackID, &id));
            if (id == trackID) {
                *track = slot;
                return 0;
            }
        }
        OMF_RAISE(file, OM_ERR_TRACK_NOT_FOUND);
    }
    omfInt32 count = omfsLengthObjRefArray(file, mob, kOmfProperty_TRKG_Tracks);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t candidate = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, mob, kOmfProperty_TRKG_Tracks, &candidate, i));
        omfInt16 label = 0;
        if (!omfsPropertyPresent(file, candidate, kOmfProperty_TRAK_LabelNumber, kOmfType_Int16)) {
            continue;
        }
        OMF_CHECK(file, omfsReadInt16(file, candidate, kOmfProperty_TRAK_LabelNumber, &label));
        if (static_cast<omfTrackID_t>(label) != trackID) continue;
        if (*track == nullptr) *track = candidate;
        if (trackKind == 0) break;
        omfObject_t component = nullptr;
        OMF_CHECK(file,
                  omfsReadObjRef(file, candidate, kOmfProperty_TRAK_TrackComponent, &component));
        omfInt32 kind = 0;
        if (component != nullptr) OMF_CHECK(file, trackKindOf(file, component, &kind));
        if (kind == trackKind) {
            *track = candidate;
            break;
        }
    }
    if (*track == nullptr) OMF_RAISE(file, OM_ERR_TRACK_NOT_FOUND);
    return 0;
}

omfErr_t mobIsKind(omfHdl_t file, omfObject_t mob, omfMobKind_t kind, bool* matches) {
    omfErr_t status = 0;
    switch (kind) {
    case kCompMob:
        *matches = omfiMobIsComposition(file, mob, &status);
        break;
    case kMasterMob:
        *matches = omfiMobIsMaster(file, mob, &status);
        break;
    case kFileMob:
        *matches = omfiMobIsFile(file, mob, &status);
        break;
    case kTapeMob:
        *matches = omfiMobIsTape(file, mob, &status);
        break;
    case kFilmMob:
        *matches = omfiMobIsFilm(file, mob, &status);
        break;
    case kAllMobs:
        *matches = true;
        break;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
    }
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

} // namespace omf::resolve
