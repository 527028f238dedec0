// Finding the file and data object that hold a file mob's samples.
//
// The data usually sits in the same OMF file under the file mob's MobID.
// Otherwise the descriptor's locators name files to try in order (opened as
// OMF files or as raw files by the descriptor's IsOMFI), and last the
// session's locate-failure callback may answer one. An OMF file is accepted
// only when it holds data under the MobID; a rejected file is closed again.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"

#include <unistd.h>

namespace omf::media {
namespace {

// Old files wrote media-data keys with prefix 1 where their mobs say 444.
constexpr uint32_t kRetriedPrefix = 444;
constexpr uint32_t kRetryPrefix = 1;

// Whether `candidate` holds the samples: a raw file that can be read does
// (a raw file record is made for any name), an OMF file when it has data
// under the mob ID.
omfErr_t holdsData(omfHdl_t candidate, bool omfData, const omfUID_t& mobID, bool* accepted) {
    *accepted = false;
    if (!omfData || candidate->rawFile) {
        *accepted = candidate->rawFile && ::access(candidate->rawFileName.c_str(), R_OK) == 0;
        return 0;
    }
    omfObject_t dataObject = nullptr;
    OMF_CHECK(candidate, dataObjectFor(candidate, mobID, &dataObject));
    *accepted = dataObject != nullptr;
    return 0;
}

} // namespace

omfErr_t dataObjectFor(omfHdl_t dataFile, const omfUID_t& mobID, omfObject_t* dataObject) {
    *dataObject = nullptr;
    if (dataFile->rawFile || dataFile->mediaDataTable == nullptr) return 0;
    void* value = nullptr;
    omfBool found = false;
    OMF_CHECK(dataFile, omfsTableLookupUID(dataFile->mediaDataTable.get(), mobID, &value, &found));
    if (!found && mobID.prefix == kRetriedPrefix) {
        omfUID_t retry = mobID;
        retry.prefix = kRetryPrefix;
        OMF_CHECK(dataFile,
                  omfsTableLookupUID(dataFile->mediaDataTable.get(), retry, &value, &found));
    }
    if (found) *dataObject = static_cast<omfObject_t>(value);
    return 0;
}

omfErr_t locateMediaData(omfHdl_t file, omfObject_t fileMob, omfObject_t descriptor,
                         omfHdl_t* dataFile) {
    *dataFile = nullptr;
    omfUID_t mobID{};
    OMF_CHECK(file, omfiReadMobID(file, fileMob, &mobID));
    bool here = false;
    OMF_CHECK(file, holdsData(file, true, mobID, &here));
    if (here) {
        *dataFile = file;
        return 0;
    }

    omfBool isOMFI = true;
    if (omfsPropertyPresent(file, descriptor, kOmfProperty_MDFL_IsOMFI, kOmfType_Boolean)) {
        OMF_CHECK(file, omfsReadBoolean(file, descriptor, kOmfProperty_MDFL_IsOMFI, &isOMFI));
    }
    omfInt32 locators = omfsLengthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator);
    for (omfInt32 i = 1; i <= locators; ++i) {
        omfObject_t locator = nullptr;
        OMF_CHECK(file,
                  omfsGetNthObjRefArray(file, descriptor, kOmfProperty_MDES_Locator, &locator, i));
        omfHdl_t candidate = nullptr;
        // A locator naming a file that is missing or unreadable is passed over.
        if (OpenLocatorFile(file, locator, !isOMFI, &candidate) != 0 || candidate == nullptr) {
            continue;
        }
        bool accepted = false;
        omfErr_t status = holdsData(candidate, isOMFI, mobID, &accepted);
        if (status == 0 && accepted) {
            *dataFile = candidate;
            return 0;
        }
        omfsCloseOMFFile(candidate);
    }

    if (auto* callback = file->session->locateFailure) {
        omfHdl_t candidate = callback(file, descriptor);
        if (candidate != nullptr && validFile(candidate)) {
            bool accepted = false;
            omfErr_t status = holdsData(candidate, !candidate->rawFile, mobID, &accepted);
            if (status == 0 && accepted) {
                *dataFile = candidate;
                return 0;
            }
            if (candidate != file) omfsCloseOMFFile(candidate);
        }
    }
    return 0;
}

} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmIsMediaDataInFile(omfHdl_t file, omfObject_t fileMob, omfBool* inFile) {
    OMF_CHECK(file, checkMediaFile(file));
    if (fileMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (inFile == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *inFile = false;
    omfUID_t mobID{};
    OMF_CHECK(file, omfiReadMobID(file, fileMob, &mobID));
    bool here = false;
    OMF_CHECK(file, holdsData(file, true, mobID, &here));
    *inFile = here;
    return 0;
}

omfErr_t omfmSetLocateFailureCallback(omfSessionHdl_t session, omfLocateFailureProc_t proc) {
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    session->locateFailure = proc;
    return 0;
}

} // extern "C"
