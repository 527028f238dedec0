// A session's codec registry: codec definitions by codec ID and by the class
// of media descriptor they read.
#pragma once

#include "internal/hash_table.h"
#include "internal/records.h"
#include "omf/omf_codec.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace omf::media {

struct CodecRegistry {
    TableHandle byID;    // codec ID text -> definition, unique
    TableHandle byClass; // descriptor class -> definition, duplicates kept
    std::vector<std::unique_ptr<omfCodecDef_t>> definitions; // owned; the tables point here

    // Codecs allocate their persistent data with std::malloc; it ends with the registry.
    ~CodecRegistry() {
        for (auto& definition : definitions) std::free(definition->persistent);
    }
};

// The session's registry; null when omfmInit has not run on it.
CodecRegistry* registryOf(omfSessionHdl_t session);

// OM_ERR_BAD_SESSION / OM_ERR_OMFM_INIT_NOT_CALLED for a session the media calls cannot use.
omfErr_t checkMediaSession(omfSessionHdl_t session);
// The same for a file: OM_ERR_BAD_FILE_HANDLE, then its session's check.
omfErr_t checkMediaFile(omfHdl_t file);

// Creates the session's registry when absent.
omfErr_t createRegistry(omfSessionHdl_t session);

// The codec for a media descriptor: by its class, among the codecs whose
// selectInfo says they read it (a preferred one first); OM_ERR_INVALID_CODEC when none.
omfErr_t chooseCodecFor(omfHdl_t file, omfObject_t descriptor, omfCodecDef_t* definition);

// Runs one operation of a definition with (parms, media, file), filling in
// its persistent data and the file's revision.
omfErr_t runOperation(const omfCodecDef_t& definition, omfCodecOperationIndex_t index,
                      omfCodecParms_t& parms, omfMediaHdl_t media, omfHdl_t file);

// Runs `describe` of a definition (variety may be null, name may be null with length 0).
omfErr_t describeCodec(const omfCodecDef_t& definition, const char* variety, char* name,
                       omfInt32 nameLength, omfCodecMetaInfo_t* info);

} // namespace omf::media
