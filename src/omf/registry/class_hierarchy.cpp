// Class queries in a file's revision table: descent, parents, and classes
// learned from the file's class dictionary.
#include "omf/internal/error_flow.h"
#include "omf/internal/registry.h"

#include <cstring>

namespace omf {

namespace {

bool sameClass(const char* a, const char* b) {
    return std::memcmp(a, b, sizeof(omfClassID_t)) == 0;
}

const SessionRegistry* registryOf(omfHdl_t file) {
    if (!validFile(file) || !validSession(file->session)) return nullptr;
    return file->session->registry.get();
}

} // namespace

bool classIsA(omfHdl_t file, const char* classID, const char* ancestor) {
    if (classID == nullptr || ancestor == nullptr) return false;
    if (sameClass(classID, ancestor)) return true;
    const SessionRegistry* registry = registryOf(file);
    if (registry == nullptr) return false;
    RevisionTable table = revisionTableOf(file->revision);
    // Parents learned from a file may form a loop; a chain longer than the
    // number of classes must contain one, so the walk stops there.
    omfInt32 limit = 0;
    omfsTableNumEntries(registry->classes[table].get(), &limit);
    const ClassRecord* record = registry->findClass(table, classID);
    for (omfInt32 steps = 0; record != nullptr && record->hasParent && steps <= limit; ++steps) {
        if (sameClass(record->parent, ancestor)) return true;
        record = registry->findClass(table, record->parent);
    }
    return false;
}

omfErr_t classParent(omfHdl_t file, const char* classID, omfClassID_t parent, bool* found) {
    if (!validFile(file)) OMF_RAISE(nullptr, OM_ERR_BAD_FILE_HANDLE);
    if (classID == nullptr || parent == nullptr || found == nullptr) {
        OMF_RAISE(file, OM_ERR_NULL_PARAM);
    }
    *found = false;
    const SessionRegistry* registry = registryOf(file);
    if (registry == nullptr) return 0;
    const ClassRecord* record = registry->findClass(revisionTableOf(file->revision), classID);
    if (record != nullptr && record->hasParent) {
        std::memcpy(parent, record->parent, sizeof(omfClassID_t));
        *found = true;
    }
    return 0;
}

omfErr_t registerFileClass(omfHdl_t file, const char* classID, const char* parent) {
    if (!validFile(file)) OMF_RAISE(nullptr, OM_ERR_BAD_FILE_HANDLE);
    if (classID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    // A parent given as four characters need not end with a NUL.
    char parentText[sizeof(omfClassID_t) + 1] = {};
    if (parent != nullptr) std::memcpy(parentText, parent, sizeof(omfClassID_t));
    OMF_CHECK(file, registerClass(file->session, classID, parentText, revisionSetOf(file->revision),
                                  kClassFlagLearned));
    return 0;
}

} // namespace omf
