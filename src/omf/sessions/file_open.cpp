// Opening OMF files for reading: revision, byte order, caches, versions,
// class dictionary, mob table, file definitions, media data.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <algorithm>
#include <cstring>

namespace omf {

namespace {

// The HEAD Version under one revision's container names: found or not, and
// its major and minor numbers.
bool readVersionByName(omfHdl_t file, const char* propertyName, omfVersionType_t* version) {
    CMProperty property = CMGetGlobalNameObject(file->container, propertyName);
    CMType type = CMGetGlobalNameObject(file->container, "omfi:VersionType");
    if (property == nullptr || type == nullptr) return false;
    if (CMCountValues(file->head, property, type) == 0) return false;
    CMValue value = CMUseValue(file->head, property, type);
    uint8_t bytes[2] = {};
    if (CMReadValueData(value, bytes, 0, 2) != 2) return false;
    *version = omfVersionType_t{bytes[0], bytes[1]};
    return true;
}

omfErr_t decideRevision(omfHdl_t file) {
    omfVersionType_t version{};
    bool found = readVersionByName(file, "OMFI:HEAD:Version", &version) ||
                 readVersionByName(file, "OMFI:Version", &version);
    bool is2x = false;
    if (found) {
        if (version.major == 2 && version.minor == 0) {
            is2x = true;
        } else if (version.major != 1) {
            OMF_RAISE(file, OM_ERR_FILE_REV_UNSUPPORTED); // 2.1 and later, or 3 and later
        }
    }
    if (is2x) {
        file->revision = kOmfRev2x;
    } else {
        CMContainerLabelInfo label{};
        CMGetContainerLabelInfo(file->container, &label);
        file->revision = label.majorVersion < 2 ? kOmfRev1x : kOmfRevIMA;
    }
    return 0;
}

omfErr_t checkHeadClassAndByteOrder(omfHdl_t file) {
    omfClassID_t classID;
    if (omfsReadClassOf(file, file->head, classID) != 0 || std::memcmp(classID, "HEAD", 4) != 0) {
        OMF_RAISE(file, OM_ERR_INVALID_FILE);
    }
    omfProperty_t byteOrderProperty =
        file->revision == kOmfRev2x ? kOmfProperty_HEAD_ByteOrder : kOmfProperty_ByteOrder;
    if (!omfsPropertyPresent(file, file->head, byteOrderProperty, kOmfType_Int16)) {
        OMF_RAISE(file, OM_ERR_NO_BYTE_ORDER);
    }
    unsigned char order[2] = {};
    OMF_CHECK(file, omfsReadValueBytes(file, file->head, byteOrderProperty, 0, 0, kOmfType_Int16, 2,
                                       order));
    // "II" and "MM" read the same in either byte order.
    if (order[0] != order[1] || (order[0] != 'I' && order[0] != 'M'))
        OMF_RAISE(file, OM_ERR_INVALID_BYTE_ORDER);
    file->byteOrder = order[0] == 'I' ? kOmfLittleEndian : kOmfBigEndian;
    return 0;
}

// The writer's toolkit version: a VersionType in 1.x files, an Int32Array in 2.x files (the
// other type is still accepted, as some writers stored it).
omfErr_t checkVersionType(omfHdl_t file, bool* present) {
    *present = omfsPropertyPresent(file, file->head, kOmfProperty_HEAD_ToolkitVersion,
                                   kOmfType_VersionType);
    if (!*present) return 0;
    omfVersionType_t version{};
    OMF_CHECK(file,
              omfsReadVersionType(file, file->head, kOmfProperty_HEAD_ToolkitVersion, &version));
    if (version.major > 2) OMF_RAISE(file, OM_ERR_FILE_REV_UNSUPPORTED);
    if (file->revision == kOmfRev2x && version.major == 2 && version.minor == 0)
        OMF_RAISE(file, OM_ERR_TOOLKIT_REV_TOO_OLD);
    return 0;
}

omfErr_t checkVersionNumbers(omfHdl_t file, bool* present) {
    *present = omfsPropertyPresent(file, file->head, kOmfProperty_HEAD_ToolkitVersion,
                                   kOmfType_Int32Array);
    if (!*present) return 0;
    omfInt32 numbers[3] = {};
    omfInt32 count = omfsLengthInt32Array(file, file->head, kOmfProperty_HEAD_ToolkitVersion);
    for (omfInt32 i = 1; i <= std::min<omfInt32>(count, 3); ++i) {
        OMF_CHECK(file, omfsGetNthInt32Array(file, file->head, kOmfProperty_HEAD_ToolkitVersion, i,
                                             &numbers[i - 1]));
    }
    if (numbers[0] > 2) OMF_RAISE(file, OM_ERR_FILE_REV_UNSUPPORTED);
    if (file->revision == kOmfRev2x && numbers[0] == 2 && numbers[1] == 0 && numbers[2] == 0)
        OMF_RAISE(file, OM_ERR_TOOLKIT_REV_TOO_OLD);
    return 0;
}

omfErr_t checkToolkitVersion(omfHdl_t file) {
    bool present = false;
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, checkVersionNumbers(file, &present));
        if (!present) OMF_CHECK(file, checkVersionType(file, &present));
    } else {
        OMF_CHECK(file, checkVersionType(file, &present));
        if (!present) OMF_CHECK(file, checkVersionNumbers(file, &present));
    }
    return 0;
}

omfErr_t loadClassDictionary(omfHdl_t file) {
    bool is2x = file->revision == kOmfRev2x;
    omfProperty_t dictionary =
        is2x ? kOmfProperty_HEAD_ClassDictionary : kOmfProperty_ClassDictionary;
    omfInt32 count = omfsLengthObjRefArray(file, file->head, dictionary);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t entry = nullptr;
        omfClassID_t classID, parentID;
        if (omfsGetNthObjRefArray(file, file->head, dictionary, &entry, i) != 0)
            OMF_RAISE(file, OM_ERR_CLASS_DICT_LOAD);
        omfErr_t status = is2x ? omfsReadClassID(file, entry, kOmfProperty_CLSD_Class, classID)
                               : omfsReadObjectTag(file, entry, kOmfProperty_CLSD_ClassID, classID);
        if (status != 0) OMF_RAISE(file, OM_ERR_CLASS_DICT_LOAD);
        bool hasParent = false;
        if (omfsPropertyPresent(file, entry, kOmfProperty_CLSD_ParentClass, kOmfType_ObjRef)) {
            omfObject_t parent = nullptr;
            if (omfsReadObjRef(file, entry, kOmfProperty_CLSD_ParentClass, &parent) != 0) {
                OMF_RAISE(file, OM_ERR_CLASS_DICT_LOAD);
            }
            status = is2x ? omfsReadClassID(file, parent, kOmfProperty_CLSD_Class, parentID)
                          : omfsReadObjectTag(file, parent, kOmfProperty_CLSD_ClassID, parentID);
            if (status != 0) OMF_RAISE(file, OM_ERR_CLASS_DICT_LOAD);
            hasParent = true;
        }
        char name[5] = {}, parentName[5] = {};
        std::memcpy(name, classID, 4);
        if (hasParent) std::memcpy(parentName, parentID, 4);
        if (registerFileClass(file, name, hasParent ? parentName : nullptr) != 0) {
            OMF_RAISE(file, OM_ERR_CLASS_DICT_LOAD);
        }
    }
    return 0;
}

omfErr_t loadMobTable(omfHdl_t file) {
    if (file->revision == kOmfRev2x) {
        omfInt32 count = omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs);
        OMF_CHECK(file, newMobTable(file, std::max(1000, 2 * count)));
        for (omfInt32 i = 1; i <= count; ++i) {
            omfObject_t mob = nullptr;
            omfUID_t mobID{};
            OMF_CHECK(file,
                      omfsGetNthObjRefArray(file, file->head, kOmfProperty_HEAD_Mobs, &mob, i));
            OMF_CHECK(file, omfsReadUID(file, mob, kOmfProperty_MOBJ_MobID, &mobID));
            OMF_CHECK(file, addMob(file, mobID, mob));
        }
        return 0;
    }
    omfInt32 compositions = omfsLengthMobIndex(file, file->head, kOmfProperty_CompositionMobs);
    omfInt32 sources = omfsLengthMobIndex(file, file->head, kOmfProperty_SourceMobs);
    OMF_CHECK(file, newMobTable(file, std::max(1000, 2 * (compositions + sources))));
    for (omfProperty_t list : {kOmfProperty_CompositionMobs, kOmfProperty_SourceMobs}) {
        omfInt32 count = list == kOmfProperty_CompositionMobs ? compositions : sources;
        for (omfInt32 i = 1; i <= count; ++i) {
            omfObject_t mob = nullptr;
            omfUID_t mobID{};
            OMF_CHECK(file, omfsGetNthMobIndex(file, file->head, list, i, &mobID, &mob));
            OMF_CHECK(file, addMob(file, mobID, mob));
        }
    }
    return 0;
}

omfErr_t loadMediaDataTable(omfHdl_t file) {
    bool is2x = file->revision == kOmfRev2x;
    omfInt32 count = is2x ? omfsLengthObjRefArray(file, file->head, kOmfProperty_HEAD_MediaData)
                          : omfsLengthMobIndex(file, file->head, kOmfProperty_MediaData);
    omfTable_t table = nullptr;
    OMF_CHECK(file, omfsNewUIDTable(file, std::max(200, count), &table));
    file->mediaDataTable.reset(table);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t media = nullptr;
        omfUID_t mobID{};
        if (is2x) {
            OMF_CHECK(file, omfsGetNthObjRefArray(file, file->head, kOmfProperty_HEAD_MediaData,
                                                  &media, i));
            OMF_CHECK(file, omfsReadUID(file, media, kOmfProperty_MDAT_MobID, &mobID));
        } else {
            OMF_CHECK(file, omfsGetNthMobIndex(file, file->head, kOmfProperty_MediaData, i, &mobID,
                                               &media));
        }
        OMF_CHECK(file, omfsTableAddUID(table, mobID, media, kOmfTableReplace));
    }
    return 0;
}

// The toolkit error for a container that did not open: a bad magic is not an
// OMF file (OM_ERR_INVALID_FILE); the stream handler's "Cannot open" message means the file
// could not be opened at all (OM_ERR_FILE_NOT_FOUND); any other message-only report is about a
// label too short to be a container (OM_ERR_INVALID_FILE); everything else is OM_ERR_FILE_OPEN.
omfErr_t failedOpenError(omfHdl_t file) {
    const CMBentoErrorRecord& fileError = file->bentoError;
    const CMBentoErrorRecord& sessionError = file->session->bentoHandler.defaultError;
    const CMBentoErrorRecord* pending =
        fileError.pending ? &fileError : (sessionError.pending ? &sessionError : nullptr);
    omfErr_t code = OM_ERR_FILE_OPEN;
    if (pending != nullptr && pending->number == CM_ERR_BAD_MAGIC) {
        code = OM_ERR_INVALID_FILE;
    } else if (pending != nullptr && pending->number == CM_ERR_MESSAGE) {
        code = std::strncmp(pending->text, "Cannot open", 11) == 0 ? OM_ERR_FILE_NOT_FOUND
                                                                   : OM_ERR_INVALID_FILE;
    }
    OMF_BENTO_CHECK(file, code);
    OMF_RAISE(file, code);
}

omfErr_t openFile(omfHdl_t file, const char* fileName) {
    CMSession bento = file->session->bento;
    CMRefCon refCon = CMCreateFileRefCon(bento, fileName, nullptr, file);
    OMF_BENTO_CHECK(file, OM_ERR_SESSION_META_HANDLER);
    if (refCon == nullptr) OMF_RAISE(file, OM_ERR_SESSION_META_HANDLER);
    file->container = CMOpenContainer(bento, refCon, CMFileStreamTypeName, kCMReading);
    if (file->container == nullptr) OMF_CHECK(file, failedOpenError(file));
    file->head = CMFindObjectByID(file->container, 1);
    OMF_BENTO_CHECK(file, OM_ERR_INVALID_HEAD);
    if (file->head == nullptr) OMF_RAISE(file, OM_ERR_INVALID_HEAD);

    OMF_CHECK(file, decideRevision(file));
    OMF_CHECK(file, omfsBuildFileRegistry(file));
    OMF_CHECK(file, checkHeadClassAndByteOrder(file));
    if (file->revision == kOmfRev2x) OMF_CHECK(file, loadDefinitionTables(file));
    OMF_CHECK(file, cacheStandardDataKinds(file));
    OMF_CHECK(file, checkToolkitVersion(file));
    OMF_CHECK(file, loadClassDictionary(file));
    OMF_CHECK(file, loadMobTable(file));
    OMF_CHECK(file, registerFileDefinitions(file));
    OMF_CHECK(file, loadMediaDataTable(file));
    if (file->session->openHook != nullptr) OMF_CHECK(file, file->session->openHook(file));
    return 0;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" {

omfErr_t omfsOpenFileForRead(const char* fileName, omfSessionHdl_t session, omfHdl_t* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = nullptr;
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    if (fileName == nullptr) return OM_ERR_NULL_PARAM;
    omfHdl_t file = newFileRecord(session, kOmfRev2x, FileMode::read);
    if (file == nullptr) return OM_ERR_NO_MEMORY;
    omfErr_t status = openFile(file, fileName);
    if (status != 0) {
        discardFileRecord(file);
        return status;
    }
    linkFile(file);
    *result = file;
    return 0;
}

omfErr_t omfsOpenRawFile(const char* fileName, omfSessionHdl_t session, omfHdl_t* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = nullptr;
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    if (fileName == nullptr) return OM_ERR_NULL_PARAM;
    omfHdl_t file = newFileRecord(session, kOmfRev1x, FileMode::read);
    if (file == nullptr) return OM_ERR_NO_MEMORY;
    file->rawFile = true;
    file->rawFileName = fileName;
    linkFile(file);
    *result = file;
    return 0;
}

omfErr_t omfsFileRevision(omfHdl_t file, omfFileRev_t* revision) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (revision == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *revision = file->revision;
    return 0;
}

omfErr_t omfsFileByteOrder(omfHdl_t file, omfInt16* byteOrder) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (byteOrder == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *byteOrder = static_cast<omfInt16>(file->byteOrder);
    return 0;
}

omfErr_t omfsGetContainer(omfHdl_t file, CMContainer* container) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (container == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *container = file->container;
    return 0;
}

omfErr_t omfsGetSession(omfHdl_t file, omfSessionHdl_t* session) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (session == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *session = file->session;
    return 0;
}

omfErr_t omfsGetHeadObject(omfHdl_t file, omfObject_t* head) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (head == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (file->rawFile) OMF_RAISE(file, OM_ERR_INVALID_FILE_TYPE);
    *head = file->head;
    return 0;
}

} // extern "C"
