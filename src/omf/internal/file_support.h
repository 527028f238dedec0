// Steps shared by opening, creating and closing files.
#pragma once

#include "omf/internal/records.h"

namespace omf {

// One entry of a file's mob table.
struct MobTableEntry {
    omfObject_t mob = nullptr; // null while the mob is only referenced
    TableHandle tracks;        // filled by mob building
};

omfErr_t newMobTable(omfHdl_t file, omfInt32 buckets);
omfErr_t addMob(omfHdl_t file, const omfUID_t& mobID, omfObject_t mob);

// Creates the file record, linked into nothing yet, with its trace buffer.
omfHdl_t newFileRecord(omfSessionHdl_t session, omfFileRev_t revision, FileMode mode);
// Frees a record that never made it into the session's list, closing its
// container without writing.
void discardFileRecord(omfHdl_t file);
void linkFile(omfHdl_t file);
void unlinkFile(omfHdl_t file);

// The data-kind and effect-definition tables of a 2.x file, from the DDEF
// and EDEF objects of HEAD DefinitionObjects.
omfErr_t loadDefinitionTables(omfHdl_t file);
// Caches NoDatakind, Picture and Sound.
omfErr_t cacheStandardDataKinds(omfHdl_t file);

} // namespace omf
