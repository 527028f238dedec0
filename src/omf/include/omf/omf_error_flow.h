// Raising and passing on errors in code built on the toolkit's calls (the toolkit itself, the
// media layer, the codecs): a failure is recorded in the file's trace where it is raised, and
// every caller that passes it on adds a line.
//
//   OMF_RAISE(file, OM_ERR_NULL_PARAM)  records the raise in the file's trace and returns the code
//   OMF_CHECK(file, call(...))          passes a callee's non-zero code on with a propagate line
//
// A null or closed file records nothing; the code is returned all the same.
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

} // namespace omf

#define OMF_RAISE(file, code) return ::omf::raise((file), (code), __FILE__, __LINE__)
#define OMF_CHECK(file, expression)                                                                \
    do {                                                                                           \
        omfErr_t omfCheckStatus_ = (expression);                                                   \
        if (omfCheckStatus_ != 0)                                                                  \
            return ::omf::propagate((file), omfCheckStatus_, __FILE__, __LINE__);                  \
    } while (0)
