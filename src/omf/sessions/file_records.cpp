// File records: creation, the session's list, the mob table.
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"

#include <new>

namespace omf {

namespace {

void disposeMobEntry(void* value) { delete static_cast<MobTableEntry*>(value); }

} // namespace

omfHdl_t newFileRecord(omfSessionHdl_t session, omfFileRev_t revision, FileMode mode) {
    auto* file = new (std::nothrow) omfFileRec();
    if (file == nullptr) return nullptr;
    file->session = session;
    file->revision = revision;
    file->mode = mode;
    // Without a trace buffer errors are still returned, only not traced.
    file->trace.reset(new (std::nothrow) char[kTraceSize]);
    if (file->trace) file->trace[0] = '\0';
    clearBentoError(file, session);
    return file;
}

void discardFileRecord(omfHdl_t file) {
    if (file->container != nullptr) CMAbortContainer(file->container);
    file->container = nullptr;
    // The failure went back to the caller as its code; a container error left
    // pending would make the session's finish fail for it too. The message is
    // kept on the session for callers that want to show it.
    CMBentoErrorRecord& sessionError = file->session->bentoHandler.defaultError;
    if (file->bentoError.pending) sessionError = file->bentoError;
    sessionError.pending = false;
    file->bentoError.pending = false;
    delete file;
}

void linkFile(omfHdl_t file) {
    file->next = file->session->files;
    file->session->files = file;
}

void unlinkFile(omfHdl_t file) {
    for (omfHdl_t* link = &file->session->files; *link != nullptr; link = &(*link)->next) {
        if (*link == file) {
            *link = file->next;
            file->next = nullptr;
            return;
        }
    }
}

omfErr_t newMobTable(omfHdl_t file, omfInt32 buckets) {
    omfTable_t table = nullptr;
    OMF_CHECK(file, omfsNewUIDTable(file, buckets, &table));
    file->mobTable.reset(table);
    OMF_CHECK(file, omfsSetTableDispose(table, &disposeMobEntry));
    return 0;
}

omfErr_t addMob(omfHdl_t file, const omfUID_t& mobID, omfObject_t mob) {
    auto* entry = new (std::nothrow) MobTableEntry();
    if (entry == nullptr) OMF_RAISE(file, OM_ERR_NO_MEMORY);
    entry->mob = mob;
    omfErr_t status = omfsTableAddUID(file->mobTable.get(), mobID, entry, kOmfTableReplace);
    if (status != 0) {
        delete entry;
        return propagate(file, status, __FILE__, __LINE__);
    }
    return 0;
}

} // namespace omf
