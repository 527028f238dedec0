// New mobs and their media descriptors, and entering mobs in the file's mob
// table (and, in 1.x files, in the HEAD's MobIndex lists).
#include "mobs/mob_support.h"

#include "mobs/mob_id_source.h"

#include "omf/internal/hash_table.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

namespace omf::mobs {
namespace {

constexpr omfInt32 kMobIndexSize1x = 20; // mob ID (12 bytes) and reference (8 bytes)
// The first part of new mob IDs, to which the session's product ID is added.
constexpr uint32_t kMobIDPrefix = 42;

omfErr_t newTrackTable(omfHdl_t file, MobTableEntry* entry) {
    if (entry->tracks) return 0;
    omfTable_t table = nullptr;
    OMF_CHECK(file, omfsNewDefaultTable(file, kTrackTableBuckets, &table));
    entry->tracks.reset(table);
    return 0;
}

// The HEAD MobIndex list a 1.x mob belongs in: SourceMobs for a MOBJ with
// PhysicalMedia, CompositionMobs for other MOBJs; OM_ERR_INVALID_MOB_TYPE for other objects.
omfErr_t mobList1x(omfHdl_t file, omfObject_t mob, omfProperty_t* list) {
    if (!isA(file, mob, "MOBJ")) OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
    *list = omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_PhysicalMedia, kOmfType_ObjRef)
                ? kOmfProperty_SourceMobs
                : kOmfProperty_CompositionMobs;
    return 0;
}

omfErr_t removeMobIndex1x(omfHdl_t file, omfProperty_t list, const omfUID_t& mobID) {
    omfInt32 count = omfsLengthMobIndex(file, file->head, list);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfUID_t listed{};
        omfObject_t ignored = nullptr;
        OMF_CHECK(file, omfsGetNthMobIndex(file, file->head, list, i, &listed, &ignored));
        if (sameMobID(listed, mobID)) {
            OMF_CHECK(file, omfsArrayDelete(file, file->head, list, kOmfType_MobIndex,
                                            kMobIndexSize1x, i));
            return 0;
        }
    }
    return 0;
}

// Name, times and (2.x) primary listing shared by the mob constructors; the
// caller has created `mob`.
omfErr_t finishMob(omfHdl_t file, omfObject_t mob, const char* name, omfBool isPrimary,
                   omfMobID_t mobID) {
    if (name != nullptr) OMF_CHECK(file, omfiMobSetName(file, mob, name));
    OMF_CHECK(file, omfsWriteTimeStamp(file, mob, kOmfProperty_MOBJ_LastModified, now()));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteTimeStamp(file, mob, kOmfProperty_MOBJ_CreationTime, now()));
    } else {
        OMF_CHECK(file,
                  omfsWriteEnum(file, mob, kOmfProperty_CPNT_TrackKind, kOmfType_TrackType, 0));
        OMF_CHECK(file, omfsWriteInt32(file, mob, kOmfProperty_TRKG_GroupLength, 0));
    }
    OMF_CHECK(file, omfiSetMobIdentity(file, mob, mobID));
    if (isPrimary) {
        OMF_CHECK(file,
                  omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_PrimaryMobs, mob));
    }
    return 0;
}

omfErr_t newDescriptor(omfHdl_t file, const char* classID, omfInt32 mobKind1x,
                       omfObject_t* descriptor) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create(classID, &object));
    if (!is2x(file)) {
        OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_MDES_MobKind,
                                      kOmfType_PhysicalMobType, mobKind1x));
    }
    created.keep();
    *descriptor = object;
    return 0;
}

} // namespace
} // namespace omf::mobs

using namespace omf;
using namespace omf::mobs;

extern "C" {

omfErr_t omfiMobIDNew(omfHdl_t file, omfMobID_t* mobID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mobID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    uint32_t prefix = kMobIDPrefix;
    if (file->session->hasIdentification)
        prefix += static_cast<uint32_t>(file->session->identification.productID);
    omfUID_t candidate{};
    do {
        const MobIDParts parts = nextMobIDParts();
        candidate = {prefix, parts.major, parts.minor};
    } while (findMobEntry(file, candidate) != nullptr);
    *mobID = candidate;
    return 0;
}

omfErr_t omfiSetMobIdentity(omfHdl_t file, omfObject_t mob, omfMobID_t mobID) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    if (!file->mobTable) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);

    // The mob's earlier identity, when it was registered under another ID.
    bool hadID = false;
    omfUID_t oldID{};
    if (omfsPropertyPresent(file, mob, kOmfProperty_MOBJ_MobID, kOmfType_UID)) {
        OMF_CHECK(file, omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, &oldID));
        MobTableEntry* old = findMobEntry(file, oldID);
        hadID = old != nullptr && old->mob == mob;
    }
    if (hadID && sameMobID(oldID, mobID)) return 0;

    MobTableEntry* entry = findMobEntry(file, mobID);
    if (entry != nullptr && entry->mob != nullptr) OMF_RAISE(file, OM_ERR_DUPLICATE_MOB_ID);
    omfProperty_t list = 0;
    if (!is2x(file)) OMF_CHECK(file, mobList1x(file, mob, &list));

    OMF_CHECK(file, omfsWriteUID(file, mob, kOmfProperty_MOBJ_MobID, mobID));
    if (entry == nullptr) {
        OMF_CHECK(file, addMob(file, mobID, mob));
        entry = findMobEntry(file, mobID);
        if (entry == nullptr) OMF_RAISE(file, OM_ERR_ITERATOR_INTERNAL);
    } else {
        entry->mob = mob;
    }
    if (hadID) {
        // Move the track table to the new entry and forget the old ID.
        MobTableEntry* old = findMobEntry(file, oldID);
        if (old != nullptr && old->tracks && !entry->tracks) entry->tracks = std::move(old->tracks);
        OMF_CHECK(file, omfsTableRemove(file->mobTable.get(), &oldID, sizeof oldID, nullptr));
    }
    OMF_CHECK(file, newTrackTable(file, entry));

    if (is2x(file)) {
        // A mob new to the file joins HEAD Mobs, from which the mob table is
        // rebuilt when the file is opened again.
        if (!hadID) {
            OMF_CHECK(file, omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs, mob));
        }
        return 0;
    }
    if (hadID) OMF_CHECK(file, removeMobIndex1x(file, list, oldID));
    OMF_CHECK(file, omfsAppendMobIndex(file, file->head, list, mobID, mob));
    return 0;
}

omfErr_t omfiMobSetName(omfHdl_t file, omfObject_t mob, const char* name) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (name == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file,
              omfsWriteString(file, mob,
                              is2x(file) ? kOmfProperty_MOBJ_Name : kOmfProperty_CPNT_Name, name));
    return 0;
}

omfErr_t omfiCompMobNew(omfHdl_t file, const char* name, omfBool isPrimary, omfMobID_t mobID,
                        omfObject_t* mob) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (isPrimary && !is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create(is2x(file) ? "CMOB" : "MOBJ", &object));
    OMF_CHECK(file, finishMob(file, object, name, isPrimary, mobID));
    created.keep();
    *mob = object;
    return 0;
}

omfErr_t omfiMasterMobNew(omfHdl_t file, const char* name, omfBool isPrimary, omfMobID_t mobID,
                          omfObject_t* mob) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (isPrimary && !is2x(file)) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create(is2x(file) ? "MMOB" : "MOBJ", &object));
    if (!is2x(file)) {
        OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_MOBJ_UsageCode,
                                      kOmfType_UsageCodeType, kMasterMobUsage1x));
        OMF_CHECK(file, omfsWriteInt32(file, object, kOmfProperty_MOBJ_StartPosition, 0));
    }
    OMF_CHECK(file, finishMob(file, object, name, isPrimary, mobID));
    created.keep();
    *mob = object;
    return 0;
}

omfErr_t omfiSourceMobNew(omfHdl_t file, const char* name, omfMobID_t mobID, omfObject_t descriptor,
                          omfObject_t* mob) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create(is2x(file) ? "SMOB" : "MOBJ", &object));
    OMF_CHECK(file, omfsWriteObjRef(file, object,
                                    is2x(file) ? kOmfProperty_SMOB_MediaDescription
                                               : kOmfProperty_MOBJ_PhysicalMedia,
                                    descriptor));
    OMF_CHECK(file, finishMob(file, object, name, false, mobID));
    created.keep();
    *mob = object;
    return 0;
}

omfErr_t omfiFileDescriptorNew(omfHdl_t file, const char* classID, omfRational_t sampleRate,
                               omfLength_t length, omfObject_t* descriptor) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    const char* descriptorClass = classID != nullptr ? classID : "MDFL";
    if (!classIsA(file, descriptorClass, "MDFL")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    CreatedObjects created(file);
    omfObject_t object = nullptr;
    OMF_CHECK(file, created.create(descriptorClass, &object));
    OMF_CHECK(file, omfsWriteBoolean(file, object, kOmfProperty_MDFL_IsOMFI, false));
    if (is2x(file)) {
        OMF_CHECK(file, omfsWriteRational(file, object, kOmfProperty_MDFL_SampleRate, sampleRate));
    } else {
        OMF_CHECK(file, omfsWriteEnum(file, object, kOmfProperty_MDES_MobKind,
                                      kOmfType_PhysicalMobType, kFileMobKind1x));
        OMF_CHECK(file, writeEditRate1x(file, object, kOmfProperty_MDFL_SampleRate, sampleRate));
    }
    OMF_CHECK(file, omfsWriteLength(file, object, kOmfProperty_MDFL_Length, length));
    created.keep();
    *descriptor = object;
    return 0;
}

omfErr_t omfiTapeDescriptorNew(omfHdl_t file, omfObject_t* descriptor) {
    return newDescriptor(file, "MDTP", kTapeMobKind1x, descriptor);
}

omfErr_t omfiFilmDescriptorNew(omfHdl_t file, omfObject_t* descriptor) {
    return newDescriptor(file, "MDFM", kFilmMobKind1x, descriptor);
}

} // extern "C"
