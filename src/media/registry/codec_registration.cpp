// Creating a session's codec registry and registering codecs with it.
#include "media/internal/codec_registry.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"

#include <cstdlib>
#include <new>

namespace omf::media {

CodecRegistry* registryOf(omfSessionHdl_t session) {
    return static_cast<CodecRegistry*>(session->media.get());
}

omfErr_t checkMediaSession(omfSessionHdl_t session) {
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    if (registryOf(session) == nullptr) return OM_ERR_OMFM_INIT_NOT_CALLED;
    return 0;
}

omfErr_t checkMediaFile(omfHdl_t file) {
    if (!validFile(file) || !validSession(file->session)) return OM_ERR_BAD_FILE_HANDLE;
    if (registryOf(file->session) == nullptr) OMF_RAISE(file, OM_ERR_OMFM_INIT_NOT_CALLED);
    return 0;
}

omfErr_t createRegistry(omfSessionHdl_t session) {
    if (registryOf(session) != nullptr) return 0;
    auto registry = std::shared_ptr<CodecRegistry>(new (std::nothrow) CodecRegistry());
    if (registry == nullptr) return OM_ERR_NO_MEMORY;
    omfTable_t byID = nullptr;
    omfTable_t byClass = nullptr;
    omfErr_t status = omfsNewStringTable(nullptr, true, 100, &byID);
    registry->byID.reset(byID);
    if (status == 0) status = omfsNewClassIDTable(nullptr, 100, &byClass);
    registry->byClass.reset(byClass);
    if (status != 0) return status;
    session->media = registry;
    return 0;
}

omfErr_t runOperation(const omfCodecDef_t& definition, omfCodecOperationIndex_t index,
                      omfCodecParms_t& parms, omfMediaHdl_t media, omfHdl_t file) {
    parms.persistent = definition.persistent;
    parms.fileRevision = file != nullptr ? file->revision : kOmfRev2x;
    omfCodecOperation_t operation = definition.table[index];
    if (operation == nullptr) operation = &omfmCodecDefaultOperation;
    return operation(&parms, media, file);
}

omfErr_t describeCodec(const omfCodecDef_t& definition, const char* variety, char* name,
                       omfInt32 nameLength, omfCodecMetaInfo_t* info) {
    omfCodecParms_t parms{};
    parms.persistent = definition.persistent;
    parms.fileRevision = kOmfRev2x;
    parms.spc.describe.variety = variety;
    parms.spc.describe.name = name;
    parms.spc.describe.nameLength = nameLength;
    omfErr_t status = definition.entry(kCodecDescribe, &parms);
    if (status == 0 && info != nullptr) *info = parms.spc.describe.info;
    return status;
}

} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmCodecDefaultOperation(omfCodecParms_t*, omfMediaHdl_t, omfHdl_t) {
    return OM_ERR_INVALID_CODEC_OPERATION;
}

omfErr_t omfmAddCodec(omfSessionHdl_t session, omfCodecEntry_t entry) {
    if (omfErr_t status = checkMediaSession(session)) return status;
    if (entry == nullptr) return OM_ERR_NULL_PARAM;
    CodecRegistry* registry = registryOf(session);
    auto definition = std::unique_ptr<omfCodecDef_t>(new (std::nothrow) omfCodecDef_t{});
    if (definition == nullptr) return OM_ERR_NO_MEMORY;
    definition->entry = entry;

    omfCodecParms_t parms{};
    parms.fileRevision = kOmfRev2x;
    parms.spc.init.session = session;
    if (omfErr_t status = entry(kCodecInit, &parms)) return status;
    definition->persistent = parms.persistent;
    // Persistent data is the registry's from here on, so a failed
    // registration must not leak it.
    struct PersistentGuard {
        omfCodecDef_t* definition;
        ~PersistentGuard() {
            if (definition != nullptr) std::free(definition->persistent);
        }
        void keep() { definition = nullptr; }
    } guard{definition.get()};

    omfCodecMetaInfo_t info{};
    if (omfErr_t status = describeCodec(*definition, nullptr, nullptr, 0, &info)) return status;
    if (info.revision != kOmfCodecRevision) return OM_ERR_CODEC_OUT_OF_DATE;
    if (info.codecID == nullptr) return OM_ERR_INVALID_CODEC;
    definition->revision = info.revision;
    definition->dataKind = info.dataKind;
    definition->minFileRevision = info.minFileRevision;
    definition->maxFileRevision = info.maxFileRevision;
    definition->hasMaxFileRevision = info.hasMaxFileRevision;

    for (omfCodecOperation_t& operation : definition->table) operation = &omfmCodecDefaultOperation;
    parms = omfCodecParms_t{};
    parms.persistent = definition->persistent;
    parms.spc.fillTable.table = definition->table;
    parms.spc.fillTable.count = kOmfCodecTableSize;
    if (omfErr_t status = entry(kCodecFillTable, &parms)) return status;

    // The ID table refuses a second codec under one ID before the class
    // table takes it, so a refused registration leaves both unchanged.
    void* existing = nullptr;
    omfBool found = false;
    if (omfErr_t status = omfsTableLookupString(registry->byID.get(), info.codecID, &existing,
                                                &found)) {
        return status;
    }
    if (found) return OM_ERR_TABLE_DUPLICATE_KEY;
    // Owned by the registry before either table points at it, so that a
    // failed insertion leaves no dangling entry.
    omfCodecDef_t* entered = definition.get();
    registry->definitions.push_back(std::move(definition));
    guard.keep();
    if (info.descriptorClass != nullptr) {
        if (omfErr_t status = omfsTableAddClassID(registry->byClass.get(), info.descriptorClass,
                                                  entered, kOmfTableDuplicates)) {
            return status;
        }
    }
    return omfsTableAddString(registry->byID.get(), info.codecID, entered, kOmfTableUnique);
}

} // extern "C"
