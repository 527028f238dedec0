// A session's codec registry: codec definitions by codec ID and by the class
// of media descriptor they read. The calls codecs make on it are declared in
// media/codec_support/codec_calls.h.
#pragma once

#include "media/codec_support/codec_calls.h"
#include "omf/internal/hash_table.h"
#include "omf/internal/records.h"
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

// Creates the session's registry when absent.
omfErr_t createRegistry(omfSessionHdl_t session);

// The codec for a media descriptor: by its class, among the codecs whose
// selectInfo says they read it (a preferred one first); OM_ERR_INVALID_CODEC when none.
omfErr_t chooseCodecFor(omfHdl_t file, omfObject_t descriptor, omfCodecDef_t* definition);

} // namespace omf::media
