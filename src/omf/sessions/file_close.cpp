// Closing OMF files: media handles, the class dictionary, the container.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace omf {

namespace {

std::string classKey(const char* classID) { return std::string(classID, 4); }

omfErr_t readClassDictionaryEntry(omfHdl_t file, omfObject_t entry, omfClassID_t classID) {
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsReadClassID(file, entry, kOmfProperty_CLSD_Class, classID));
    } else {
        OMF_CHECK(file, omfsReadObjectTag(file, entry, kOmfProperty_CLSD_ClassID, classID));
    }
    return 0;
}

// Brings HEAD ClassDictionary up to date with the file's revision class
// table: one CLSD per class, each pointing at its parent's CLSD.
omfErr_t updateClassDictionary(omfHdl_t file) {
    bool is2x = file->revision == kOmfRev2x;
    omfProperty_t dictionary =
        is2x ? kOmfProperty_HEAD_ClassDictionary : kOmfProperty_ClassDictionary;
    std::map<std::string, omfObject_t> entries;
    omfInt32 count = omfsLengthObjRefArray(file, file->head, dictionary);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t entry = nullptr;
        omfClassID_t classID;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, file->head, dictionary, &entry, i));
        OMF_CHECK(file, readClassDictionaryEntry(file, entry, classID));
        entries.emplace(classKey(classID), entry);
    }
    std::vector<omfObject_t> created;
    auto entryFor = [&](const char* classID, omfObject_t* entry) -> omfErr_t {
        auto found = entries.find(classKey(classID));
        if (found != entries.end()) {
            *entry = found->second;
            return 0;
        }
        OMF_CHECK(file, omfsObjectNew(file, "CLSD", entry));
        if (is2x) {
            OMF_CHECK(file, omfsWriteClassID(file, *entry, kOmfProperty_CLSD_Class, classID));
        } else {
            OMF_CHECK(file, omfsWriteObjectTag(file, *entry, kOmfProperty_CLSD_ClassID, classID));
        }
        entries.emplace(classKey(classID), *entry);
        created.push_back(*entry);
        return 0;
    };

    omfTable_t classes = file->session->registry->classes[revisionTableOf(file->revision)].get();
    std::vector<const ClassRecord*> records;
    omfTableIterate_t iterator{};
    omfBool more = false;
    OMF_CHECK(file, omfsTableFirstEntry(classes, &iterator, &more));
    for (; more; omfsTableNextEntry(&iterator, &more)) {
        records.push_back(static_cast<const ClassRecord*>(iterator.value));
    }
    for (const ClassRecord* record : records) {
        omfObject_t entry = nullptr;
        OMF_CHECK(file, entryFor(record->id, &entry));
    }
    for (const ClassRecord* record : records) {
        if (!record->hasParent) continue;
        omfObject_t entry = nullptr, parent = nullptr;
        OMF_CHECK(file, entryFor(record->id, &entry));
        OMF_CHECK(file, entryFor(record->parent, &parent));
        OMF_CHECK(file, omfsWriteObjRef(file, entry, kOmfProperty_CLSD_ParentClass, parent));
    }
    for (omfObject_t entry : created) {
        OMF_CHECK(file, omfsAppendObjRefArray(file, file->head, dictionary, entry));
    }
    return 0;
}

omfErr_t closeMediaHandles(omfHdl_t file) {
    while (!file->mediaHandles.empty()) {
        if (file->closeMediaHandle == nullptr) OMF_RAISE(file, OM_ERR_NO_MEDIA_CLOSE_PROC);
        void* handle = file->mediaHandles.back();
        omfErr_t status = file->closeMediaHandle(handle);
        if (status != 0) return propagate(file, status, __FILE__, __LINE__);
        // The close routine normally removes the handle from the list itself.
        if (!file->mediaHandles.empty() && file->mediaHandles.back() == handle) {
            file->mediaHandles.pop_back();
        }
    }
    return 0;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" omfErr_t omfsCloseOMFFile(omfHdl_t file) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    OMF_CHECK(file, closeMediaHandles(file));
    unlinkFile(file);
    omfErr_t status = 0;
    if (!file->rawFile && (file->mode == FileMode::created || file->mode == FileMode::modify)) {
        if (updateClassDictionary(file) != 0)
            status = raise(file, OM_ERR_CLASS_DICT_UPDATE, __FILE__, __LINE__);
    }
    file->mobTable.reset();
    file->mediaDataTable.reset();
    file->dataKindTable.reset();
    file->effectDefTable.reset();
    file->registry.reset();
    if (file->container != nullptr) {
        CMContainer container = file->container;
        file->container = nullptr;
        // A class dictionary that could not be brought up to date (OM_ERR_CLASS_DICT_UPDATE) still
        // leaves the file's own data worth keeping: only a container error
        // stops the TOC from being written.
        if (file->bentoError.number != 0) {
            CMAbortContainer(container);
        } else {
            CMCloseContainer(container);
        }
        if (file->bentoError.pending) {
            status =
                checkBentoError(file, nullptr,
                                file->bentoError.number == CM_ERR_BAD_WRITE ? OM_ERR_CONTAINER_WRITE
                                                                            : OM_ERR_FILE_CLOSE,
                                __FILE__, __LINE__);
        }
    }
    delete file;
    return status;
}
