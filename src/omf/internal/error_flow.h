// Raising and passing on errors inside the toolkit.
//
//   OMF_RAISE(file, OM_ERR_NULL_PARAM)  records the raise in the file's trace and returns the code
//   OMF_CHECK(file, call(...))          passes a callee's non-zero code on with a propagate line
#pragma once

#include "omf/omf_errors.h"

namespace omf {

inline omfErr_t raise(omfHdl_t file, omfErr_t code, const char* module, int line) {
    omfsRaiseError(file, code, module, line);
    return code;
}

inline omfErr_t propagate(omfHdl_t file, omfErr_t code, const char* module, int line) {
    omfsPropagateError(file, code, module, line);
    return code;
}

// When the file's (or else its session's) container-error block is pending:
// prints the "<Bento ...>" line, raises `code` and answers it; else 0.
omfErr_t checkBentoError(omfHdl_t file, omfSessionHdl_t session, omfErr_t code,
                         const char* module, int line);

// Clears a container-error block (number and pending flag).
void clearBentoError(omfHdl_t file, omfSessionHdl_t session);

bool validFile(omfHdl_t file);
bool validSession(omfSessionHdl_t session);

} // namespace omf

#define OMF_RAISE(file, code) return ::omf::raise((file), (code), __FILE__, __LINE__)
#define OMF_CHECK(file, expression)                                                            \
    do {                                                                                       \
        omfErr_t omfCheckStatus_ = (expression);                                               \
        if (omfCheckStatus_ != 0)                                                              \
            return ::omf::propagate((file), omfCheckStatus_, __FILE__, __LINE__);              \
    } while (0)
#define OMF_BENTO_CHECK(file, code)                                                            \
    do {                                                                                       \
        omfErr_t omfBentoStatus_ =                                                             \
            ::omf::checkBentoError((file), nullptr, (code), __FILE__, __LINE__);               \
        if (omfBentoStatus_ != 0) return omfBentoStatus_;                                      \
    } while (0)
