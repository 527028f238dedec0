// The per-file error trace and the error text callers ask for.
#include "omf/internal/error_flow.h"
#include "omf/internal/records.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace omf {

bool validFile(omfHdl_t file) { return file != nullptr && file->tag == kFileTag; }

bool validSession(omfSessionHdl_t session) {
    return session != nullptr && session->tag == kSessionTag;
}

} // namespace omf

namespace {

// Codes whose text is followed by the container's own message.
bool carriesBentoText(omfErr_t code) {
    return code == OM_ERR_FILE_OPEN || code == OM_ERR_INVALID_FILE ||
           code == OM_ERR_FILE_NOT_FOUND || code == OM_ERR_BENTO;
}

const CMBentoErrorRecord* pendingBentoError(omfHdl_t file) {
    if (!omf::validFile(file)) return nullptr;
    if (file->bentoError.pending) return &file->bentoError;
    if (omf::validSession(file->session) && file->session->bentoHandler.defaultError.pending) {
        return &file->session->bentoHandler.defaultError;
    }
    return nullptr;
}

} // namespace

extern "C" {

char* omfsErrorText(omfHdl_t file, omfErr_t code, size_t capacity, char* buffer) {
    if (buffer == nullptr || capacity == 0) return buffer;
    std::string text = omfsErrorName(code);
    if (carriesBentoText(code)) {
        if (const CMBentoErrorRecord* bento = pendingBentoError(file)) {
            std::string detail = std::string("\n[") + bento->text + "]";
            if (text.size() + detail.size() < capacity) text += detail;
        }
    }
    size_t count = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return buffer;
}

void omfsRaiseError(omfHdl_t file, omfErr_t code, const char* sourceModule, int line) {
    if (!omf::validFile(file) || !file->trace) return;
    std::snprintf(file->trace.get(), omf::kTraceSize, "Error Raised <%1d>%s @ %d in '%s'\n",
                  static_cast<int>(code), omfsErrorName(code), static_cast<int16_t>(line),
                  sourceModule != nullptr ? sourceModule : "");
}

void omfsPropagateError(omfHdl_t file, omfErr_t code, const char* sourceModule, int line) {
    if (!omf::validFile(file) || !file->trace) return;
    char* trace = file->trace.get();
    size_t used = std::strlen(trace);
    if (used + 1 >= omf::kTraceSize) return;
    std::snprintf(trace + used, omf::kTraceSize - used,
                  "   Error <%1d>%s propagated  @ %d in '%s'\n", static_cast<int>(code),
                  omfsErrorName(code), static_cast<int16_t>(line),
                  sourceModule != nullptr ? sourceModule : "");
}

const char* omfsErrorTrace(omfHdl_t file) {
    if (!omf::validFile(file) || !file->trace) return "";
    return file->trace.get();
}

} // extern "C"
