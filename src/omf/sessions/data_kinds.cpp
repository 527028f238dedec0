// Data kinds and new objects. A 2.x data kind is a DDEF object listed in HEAD
// DefinitionObjects and found by its DataKindID; 1.x files have fixed tokens.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace omf {

namespace {

constexpr const char* kDataKindPrefix = "omfi:data:";
constexpr omfInt32 kDefinitionKeySize = 64; // IDs are read into 64 bytes
constexpr omfInt32 kDefinitionTableBuckets = 100;

std::string fullDataKindName(const char* name) {
    std::string full = name;
    if (full.rfind(kDataKindPrefix, 0) != 0) full = kDataKindPrefix + full;
    return full;
}

// The 1.x token of a data-kind name; 0 when there is none.
intptr_t dataKindToken(const std::string& name) {
    for (const char* picture : {"Picture", "PictureWithMatte", "Color", "Matte"}) {
        if (name == std::string(kDataKindPrefix) + picture) return 1;
    }
    if (name == kOmfDataKindSound || name == "omfi:data:StereoSound") return 2;
    if (name == kOmfDataKindTimecode) return 3;
    if (name == kOmfDataKindEdgecode) return 4;
    return 0;
}

omfErr_t newDefinitionTable(omfHdl_t file, TableHandle& table) {
    omfTable_t created = nullptr;
    OMF_CHECK(file, omfsNewStringTable(file, true, kDefinitionTableBuckets, &created));
    table.reset(created);
    return 0;
}

} // namespace

omfErr_t loadDefinitionTables(omfHdl_t file) {
    OMF_CHECK(file, newDefinitionTable(file, file->dataKindTable));
    OMF_CHECK(file, newDefinitionTable(file, file->effectDefTable));
    omfInt32 count = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_DefinitionObjects);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t definition = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, file->head, kOmfProperty_HEAD_DefinitionObjects,
                                              &definition, i));
        omfClassID_t classID;
        if (omfsReadClassOf(file, definition, classID) != 0) continue;
        char key[kDefinitionKeySize] = {};
        if (std::memcmp(classID, "DDEF", 4) == 0) {
            OMF_CHECK(file, omfsReadUniqueName(file, definition, kOmfProperty_DDEF_DataKindID, key,
                                               kDefinitionKeySize));
            OMF_CHECK(file, omfsTableAddString(file->dataKindTable.get(), key, definition,
                                               kOmfTableReplace));
        } else if (std::memcmp(classID, "EDEF", 4) == 0) {
            OMF_CHECK(file, omfsReadUniqueName(file, definition, kOmfProperty_EDEF_EffectID, key,
                                               kDefinitionKeySize));
            OMF_CHECK(file, omfsTableAddString(file->effectDefTable.get(), key, definition,
                                               kOmfTableReplace));
        }
    }
    return 0;
}

omfErr_t cacheStandardDataKinds(omfHdl_t file) {
    omfErr_t status = 0;
    omfsFindDataKind(file, "omfi:data:NoDatakind", &file->noDataKind, &status);
    omfsFindDataKind(file, kOmfDataKindPicture, &file->pictureKind, &status);
    omfsFindDataKind(file, kOmfDataKindSound, &file->soundKind, &status);
    return 0;
}

} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsObjectNew(omfHdl_t file, const char* classID, omfObject_t* object) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (file->rawFile) OMF_RAISE(file, OM_ERR_INVALID_FILE_TYPE);
    if (classID == nullptr || object == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfObject_t created = CMNewObject(file->container);
    OMF_BENTO_CHECK(file, OM_ERR_BENTO_OBJECT_CREATE);
    if (created == nullptr) OMF_RAISE(file, OM_ERR_BENTO_OBJECT_CREATE);
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsWriteClassID(file, created, kOmfProperty_OOBJ_ObjClass, classID));
    } else {
        OMF_CHECK(file, omfsWriteObjectTag(file, created, kOmfProperty_ObjID, classID));
    }
    *object = created;
    return 0;
}

omfErr_t omfsDefineDataKind(omfHdl_t file, const char* name, omfObject_t* dataKind) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (name == nullptr || dataKind == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (file->revision != kOmfRev2x || !file->dataKindTable) OMF_RAISE(file, OM_ERR_NOT_IN_1X);
    std::string full = fullDataKindName(name);
    void* existing = nullptr;
    omfBool found = false;
    OMF_CHECK(file,
              omfsTableLookupString(file->dataKindTable.get(), full.c_str(), &existing, &found));
    if (found) OMF_RAISE(file, OM_ERR_DUPLICATE_DATAKIND);
    omfObject_t definition = nullptr;
    OMF_CHECK(file, omfsObjectNew(file, "DDEF", &definition));
    OMF_CHECK(file,
              omfsWriteUniqueName(file, definition, kOmfProperty_DDEF_DataKindID, full.c_str()));
    OMF_CHECK(file, omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_DefinitionObjects,
                                          definition));
    OMF_CHECK(file, omfsTableAddString(file->dataKindTable.get(), full.c_str(), definition,
                                       kOmfTableUnique));
    *dataKind = definition;
    return 0;
}

omfBool omfsFindDataKind(omfHdl_t file, const char* name, omfObject_t* dataKind, omfErr_t* error) {
    if (error != nullptr) *error = 0;
    if (!validFile(file)) {
        if (error != nullptr) *error = OM_ERR_BAD_FILE_HANDLE;
        return false;
    }
    if (name == nullptr || dataKind == nullptr) {
        if (error != nullptr) *error = OM_ERR_NULL_PARAM;
        return false;
    }
    *dataKind = nullptr;
    std::string full = fullDataKindName(name);
    if (file->revision != kOmfRev2x) {
        intptr_t token = dataKindToken(full);
        *dataKind = reinterpret_cast<omfObject_t>(token);
        return token != 0;
    }
    if (!file->dataKindTable) return false;
    void* value = nullptr;
    omfBool found = false;
    omfErr_t status =
        omfsTableLookupString(file->dataKindTable.get(), full.c_str(), &value, &found);
    if (status != 0) {
        if (error != nullptr) *error = status;
        return false;
    }
    *dataKind = static_cast<omfObject_t>(value);
    return found;
}

} // extern "C"
