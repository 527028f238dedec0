// Starting and finishing toolkit sessions.
#include "omf/internal/checks.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/records.h"
#include "omf/internal/registry.h"
#include "omf/omf_session.h"

#include <new>

namespace {

CMBentoErrorRecord* fileErrorRecord(void* omfFile) {
    auto* file = static_cast<omfFileRec*>(omfFile);
    return omf::validFile(file) ? &file->bentoError : nullptr;
}

std::string textOrEmpty(const char* text) { return text != nullptr ? text : ""; }

} // namespace

extern "C" {

omfErr_t omfsStartSession(const omfProductIdentification_t* identification,
                          omfSessionHdl_t* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = nullptr;
    auto* session = new (std::nothrow) omfSessionRec();
    if (session == nullptr) return OM_ERR_SESSION_OPEN;
    if (identification != nullptr) {
        session->hasIdentification = true;
        omf::ProductIdentification& copy = session->identification;
        copy.companyName = textOrEmpty(identification->companyName);
        copy.productName = textOrEmpty(identification->productName);
        copy.productVersionString = textOrEmpty(identification->productVersionString);
        copy.platform = textOrEmpty(identification->platform);
        copy.productID = identification->productID;
        copy.productVersion = identification->productVersion;
    }
    session->bentoHandler.fileErrorRecord = &fileErrorRecord;
    session->bento = CMStartBentoSession(&CMSessionMetaHandler, &session->bentoHandler);
    if (session->bento == nullptr) {
        CMReleaseHandlerSession(&session->bentoHandler);
        delete session;
        return OM_ERR_SESSION_OPEN;
    }
    CMSetTypeMetaHandler(session->bento, CMFileStreamTypeName, &CMFileStreamMetaHandler);
    if (CMGetMetaHandler(session->bento, CMFileStreamTypeName) != &CMFileStreamMetaHandler ||
        omf::createSessionRegistry(session) != 0 || omf::registerBuiltinChecks(session) != 0) {
        CMEndBentoSession(session->bento, 1);
        CMReleaseHandlerSession(&session->bentoHandler);
        delete session;
        return OM_ERR_SESSION_OPEN;
    }
    *result = session;
    return 0;
}

omfErr_t omfsFinishSession(omfSessionHdl_t session) {
    if (!omf::validSession(session)) return OM_ERR_BAD_SESSION;
    omfErr_t status = 0;
    if (session->finishHook != nullptr) status = session->finishHook(session);
    if (session->bentoHandler.defaultError.pending) {
        // The container session is in trouble: end it without closing files.
        CMEndBentoSession(session->bento, 0);
        status = OM_ERR_BENTO;
    } else {
        while (omfHdl_t file = session->files) {
            omfErr_t closed = omfsCloseOMFFile(file);
            if (closed != 0) status = closed;
            if (session->files == file) { // the close stopped early: drop the file
                omf::unlinkFile(file);
                omf::discardFileRecord(file);
            }
        }
        CMEndBentoSession(session->bento, 1);
    }
    CMReleaseHandlerSession(&session->bentoHandler);
    session->registry.reset();
    delete session;
    return status;
}

omfErr_t omfsSetMediaHooks(omfSessionHdl_t session, omfErr_t (*openHook)(omfHdl_t),
                           omfErr_t (*finishHook)(omfSessionHdl_t)) {
    if (!omf::validSession(session)) return OM_ERR_BAD_SESSION;
    session->openHook = openHook;
    session->finishHook = finishHook;
    return 0;
}

} // extern "C"
