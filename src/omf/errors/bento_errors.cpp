// Turning container errors recorded by the session handler into toolkit errors.
#include "omf/internal/error_flow.h"
#include "omf/internal/records.h"

#include <cstdio>

namespace omf {

namespace {

CMBentoErrorRecord* pendingBlock(omfHdl_t file, omfSessionHdl_t session) {
    if (validFile(file)) {
        if (file->bentoError.pending) return &file->bentoError;
        session = file->session;
    }
    if (validSession(session) && session->bentoHandler.defaultError.pending) {
        return &session->bentoHandler.defaultError;
    }
    return nullptr;
}

} // namespace

omfErr_t checkBentoError(omfHdl_t file, omfSessionHdl_t session, omfErr_t code,
                         const char* module, int line) {
    CMBentoErrorRecord* block = pendingBlock(file, session);
    if (block == nullptr) return 0;
    omfSessionHdl_t owner = validFile(file) ? file->session : session;
    if (!validSession(owner) || owner->printBentoErrors) {
        std::printf("<Bento %1ld>%s @ %d in '%s'\n", static_cast<long>(block->number),
                    block->text, line, module != nullptr ? module : "");
        std::fflush(stdout);
    }
    return raise(file, code, module, line);
}

void clearBentoError(omfHdl_t file, omfSessionHdl_t session) {
    if (validFile(file)) {
        file->bentoError.pending = false;
        file->bentoError.number = 0;
        session = file->session;
    }
    if (validSession(session)) {
        session->bentoHandler.defaultError.pending = false;
        session->bentoHandler.defaultError.number = 0;
    }
}

} // namespace omf

extern "C" omfBool omfsLastContainerError(omfSessionHdl_t session, omfInt32* number, char* text,
                                          size_t capacity) {
    if (!omf::validSession(session)) return false;
    const CMBentoErrorRecord& error = session->bentoHandler.defaultError;
    if (error.text[0] == '\0') return false;
    if (number != nullptr) *number = error.number;
    if (text != nullptr && capacity > 0) {
        std::snprintf(text, capacity, "%s", error.text);
    }
    return true;
}

extern "C" omfErr_t omfsSetBentoErrorPrinting(omfSessionHdl_t session, omfBool print) {
    if (!omf::validSession(session)) return OM_ERR_BAD_SESSION;
    session->printBentoErrors = print != 0;
    return 0;
}
