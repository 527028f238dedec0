// Questions about mobs and components that hide the 1.x/2.x differences:
// mob kinds and counts, tracks, component lengths and data kinds.
#include "mobs/mob_support.h"

#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"

namespace omf::mobs {
namespace {

omfErr_t descriptorOf(omfHdl_t file, omfObject_t mob, omfObject_t* descriptor) {
    *descriptor = nullptr;
    omfProperty_t property =
        is2x(file) ? kOmfProperty_SMOB_MediaDescription : kOmfProperty_MOBJ_PhysicalMedia;
    if (is2x(file) && !isA(file, mob, "SMOB")) return 0;
    if (!omfsPropertyPresent(file, mob, property, kOmfType_ObjRef)) return 0;
    OMF_CHECK(file, omfsReadObjRef(file, mob, property, descriptor));
    return 0;
}

omfErr_t isMaster1x(omfHdl_t file, omfObject_t mob, bool* master) {
    *master = false;
    if (!omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_UsageCode, kOmfType_UsageCodeType)) {
        return 0;
    }
    omfInt32 usage = 0;
    OMF_CHECK(file,
              omfsReadEnum(file, mob, kOmfProperty_MOBJ_UsageCode, kOmfType_UsageCodeType, &usage));
    *master = usage == kMasterMobUsage1x;
    return 0;
}

omfErr_t isPrimary(omfHdl_t file, omfObject_t mob, bool* primary) {
    *primary = false;
    if (!is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    omfInt32 count = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_PrimaryMobs);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t listed = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, file->head, kOmfProperty_HEAD_PrimaryMobs,
                                              &listed, i));
        if (listed != nullptr && CMGetObjectID(listed) == CMGetObjectID(mob)) {
            *primary = true;
            return 0;
        }
    }
    return 0;
}

} // namespace

omfErr_t mobIsKind(omfHdl_t file, omfObject_t mob, omfMobKind_t kind, bool* result) {
    *result = false;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (kind == kAllMobs) {
        *result = true;
        return 0;
    }
    if (kind == kPrimaryMob) return isPrimary(file, mob, result);
    if (kind < kCompMob || kind > kAllMobs) OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
    if (!isA(file, mob, "MOBJ")) return 0;
    if (kind == kCompMob || kind == kMasterMob) {
        if (is2x(file)) {
            *result = isA(file, mob, kind == kCompMob ? "CMOB" : "MMOB");
            return 0;
        }
        if (omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_PhysicalMedia, kOmfType_ObjRef)) {
            return 0;
        }
        bool master = false;
        OMF_CHECK(file, isMaster1x(file, mob, &master));
        *result = (kind == kMasterMob) == master;
        return 0;
    }
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, descriptorOf(file, mob, &descriptor));
    if (descriptor == nullptr) return 0;
    if (kind == kFileMob && !is2x(file)) {
        omfInt32 mobKind = 0;
        if (omfsPropertyPresent(file, descriptor, kOmfProperty_MDES_MobKind,
                                kOmfType_PhysicalMobType)) {
            OMF_CHECK(file, omfsReadEnum(file, descriptor, kOmfProperty_MDES_MobKind,
                                         kOmfType_PhysicalMobType, &mobKind));
        }
        *result = mobKind == kFileMobKind1x;
        return 0;
    }
    const char* descriptorClass = kind == kFileMob ? "MDFL" : kind == kTapeMob ? "MDTP" : "MDFM";
    *result = isA(file, descriptor, descriptorClass);
    return 0;
}

} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

namespace {

omfBool kindTest(omfHdl_t file, omfObject_t mob, omfMobKind_t kind, omfErr_t* error) {
    omfErr_t ignored = 0;
    if (error == nullptr) error = &ignored;
    *error = 0;
    if (!validFile(file)) {
        *error = OM_ERR_BAD_FILE_HANDLE;
        return false;
    }
    bool result = false;
    *error = mobIsKind(file, mob, kind, &result);
    return *error == 0 && result;
}

omfErr_t sequenceLength1x(omfHdl_t file, omfObject_t sequence, omfLength_t* length) {
    if (is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_2X);
    *length = 0;
    omfInt32 count = omfsLengthObjRefArray(file, sequence, kOmfProperty_SEQU_Sequence);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t component = nullptr;
        omfLength_t part = 0;
        OMF_CHECK(file,
                  omfsGetNthObjRefArray(file, sequence, kOmfProperty_SEQU_Sequence, &component, i));
        OMF_CHECK(file, omfiComponentLength(file, component, &part));
        // A transition overlaps the components on both sides of it.
        *length += isA(file, component, "TRAN") ? -part : part;
    }
    return 0;
}

} // namespace

extern "C" {

omfBool omfiMobIsComposition(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kCompMob, error);
}
omfBool omfiMobIsMaster(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kMasterMob, error);
}
omfBool omfiMobIsFile(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kFileMob, error);
}
omfBool omfiMobIsTape(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kTapeMob, error);
}
omfBool omfiMobIsFilm(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kFilmMob, error);
}
omfBool omfiMobIsPrimary(omfHdl_t file, omfObject_t mob, omfErr_t* error) {
    return kindTest(file, mob, kPrimaryMob, error);
}

omfBool omfiObjectIsTrack(omfHdl_t file, omfObject_t object, omfErr_t* error) {
    omfErr_t ignored = 0;
    if (error == nullptr) error = &ignored;
    *error = 0;
    if (!validFile(file)) {
        *error = OM_ERR_BAD_FILE_HANDLE;
        return false;
    }
    if (object == nullptr) {
        *error = raise(file, OM_ERR_NULL_OBJECT, __FILE__, __LINE__);
        return false;
    }
    if (!is2x(file)) return isA(file, object, "TRAK");
    return isA(file, object, "MSLT") &&
           omfsPropertyPresent(file, object, kOmfProperty_MSLT_TrackDesc, kOmfType_ObjRef);
}

omfBool omfiIsTypeOf(omfHdl_t file, omfObject_t object, const char* classID, omfErr_t* error) {
    omfErr_t ignored = 0;
    if (error == nullptr) error = &ignored;
    *error = 0;
    if (!validFile(file)) {
        *error = OM_ERR_BAD_FILE_HANDLE;
        return false;
    }
    if (object == nullptr || classID == nullptr) {
        *error = raise(file, object == nullptr ? OM_ERR_NULL_OBJECT : OM_ERR_NULL_PARAM, __FILE__,
                       __LINE__);
        return false;
    }
    ClassName name;
    *error = classOf(file, object, &name);
    return *error == 0 && classIsA(file, name.text, classID);
}

omfErr_t omfiCountMobs(omfHdl_t file, omfMobKind_t kind, omfInt32* count) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *count = 0;
    if (kind < kCompMob || kind > kAllMobs) OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
    if (is2x(file)) {
        if (kind == kAllMobs) {
            *count = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs);
            return 0;
        }
        if (kind == kPrimaryMob) {
            *count = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_PrimaryMobs);
            return 0;
        }
        omfInt32 mobs = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs);
        for (omfInt32 i = 1; i <= mobs; ++i) {
            omfObject_t mob = nullptr;
            bool matches = false;
            OMF_CHECK(file,
                      omfsGetNthObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs, &mob, i));
            OMF_CHECK(file, mobIsKind(file, mob, kind, &matches));
            if (matches) ++*count;
        }
        return 0;
    }
    if (kind == kPrimaryMob) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    omfInt32 compositions = omfsLengthMobIndex(file, file->head, kOmfProperty_CompositionMobs);
    omfInt32 sources = omfsLengthMobIndex(file, file->head, kOmfProperty_SourceMobs);
    if (kind == kAllMobs) {
        *count = compositions + sources;
        return 0;
    }
    bool composition = kind == kCompMob || kind == kMasterMob;
    omfProperty_t list = composition ? kOmfProperty_CompositionMobs : kOmfProperty_SourceMobs;
    omfInt32 listed = composition ? compositions : sources;
    for (omfInt32 i = 1; i <= listed; ++i) {
        omfUID_t mobID{};
        omfObject_t mob = nullptr;
        bool matches = false;
        OMF_CHECK(file, omfsGetNthMobIndex(file, file->head, list, i, &mobID, &mob));
        OMF_CHECK(file, mobIsKind(file, mob, kind, &matches));
        if (matches) ++*count;
    }
    return 0;
}

omfErr_t omfiComponentLength(omfHdl_t file, omfObject_t component, omfLength_t* length) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (length == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadLength(file, component, kOmfProperty_CPNT_Length, length));
        return 0;
    }
    omfInt32 length32 = 0;
    if (isA(file, component, "TRKG")) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_TRKG_GroupLength, &length32));
    } else if (isA(file, component, "CLIP")) {
        OMF_CHECK(file, omfsReadInt32(file, component, kOmfProperty_CLIP_Length, &length32));
    } else if (isA(file, component, "SEQU")) {
        OMF_CHECK(file, sequenceLength1x(file, component, length));
        return 0;
    } else {
        OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    }
    *length = length32;
    return 0;
}

omfErr_t omfiComponentDataKind(omfHdl_t file, omfObject_t component, omfInt32 size, char* name) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (name == nullptr || size <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfObject_t dataKind = nullptr;
    OMF_CHECK(file, componentDataKind(file, component, &dataKind));
    OMF_CHECK(file, dataKindName(file, dataKind, size, name));
    return 0;
}

omfErr_t omfiDataKindGetName(omfHdl_t file, omfObject_t dataKind, omfInt32 size, char* name) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, dataKindName(file, dataKind, size, name));
    return 0;
}

omfErr_t omfiComponentGetInfo(omfHdl_t file, omfObject_t component, omfObject_t* dataKind,
                              omfLength_t* length) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (component == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (dataKind != nullptr) OMF_CHECK(file, componentDataKind(file, component, dataKind));
    if (length != nullptr) OMF_CHECK(file, omfiComponentLength(file, component, length));
    return 0;
}

omfErr_t omfiReadMobID(omfHdl_t file, omfObject_t mob, omfMobID_t* mobID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (mobID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, mobID));
    return 0;
}

omfErr_t omfiReadSelector(omfHdl_t file, omfObject_t selector, omfObject_t* dataKind,
                          omfLength_t* length, omfObject_t* selected) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (selector == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfiComponentGetInfo(file, selector, dataKind, length));
    if (selected == nullptr) return 0;
    *selected = nullptr;
    if (is2x(file)) {
        OMF_CHECK(file, omfsReadObjRef(file, selector, kOmfProperty_SLCT_Selected, selected));
        return 0;
    }
    omfInt16 wanted = 0;
    OMF_CHECK(file, omfsReadInt16(file, selector, kOmfProperty_SLCT_SelectedTrack, &wanted));
    omfInt32 count = omfsLengthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t track = nullptr;
        omfInt16 label = 0;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, selector, kOmfProperty_TRKG_Tracks, &track, i));
        OMF_CHECK(file, omfsReadInt16(file, track, kOmfProperty_TRAK_LabelNumber, &label));
        if (label == wanted) {
            OMF_CHECK(file,
                      omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, selected));
            return 0;
        }
    }
    return 0;
}

} // extern "C"
