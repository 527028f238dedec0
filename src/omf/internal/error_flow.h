// Raising and passing on errors inside the toolkit: the public OMF_RAISE and OMF_CHECK
// (omf/omf_error_flow.h), and what only the toolkit and the media layer see, the container's
// pending errors and the handle checks.
//
//   OMF_BENTO_CHECK(file, code)         raises `code` when a container error is pending
#pragma once

#include "omf/omf_error_flow.h"

namespace omf {

// When the file's (or else its session's) container-error block is pending:
// prints the "<Bento ...>" line, raises `code` and answers it; else 0.
omfErr_t checkBentoError(omfHdl_t file, omfSessionHdl_t session, omfErr_t code, const char* module,
                         int line);

// Clears a container-error block (number and pending flag).
void clearBentoError(omfHdl_t file, omfSessionHdl_t session);

bool validFile(omfHdl_t file);
bool validSession(omfSessionHdl_t session);

} // namespace omf

#define OMF_BENTO_CHECK(file, code)                                                                \
    do {                                                                                           \
        omfErr_t omfBentoStatus_ =                                                                 \
            ::omf::checkBentoError((file), nullptr, (code), __FILE__, __LINE__);                   \
        if (omfBentoStatus_ != 0) return omfBentoStatus_;                                          \
    } while (0)
