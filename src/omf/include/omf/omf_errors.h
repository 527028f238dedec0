// Error codes and texts, the per-file error trace, and container error reporting.
#pragma once

#include "omf/omf_error_codes.h"
#include "omf/omf_types.h"

extern "C" {

// The message text of `code`; "OMFI_ERR: Unknown error code" outside the table.
const char* omfsErrorName(omfErr_t code);

// The message text cut to `capacity` (with its NUL) into `buffer`; for
// OM_ERR_FILE_OPEN, OM_ERR_INVALID_FILE, OM_ERR_FILE_NOT_FOUND and OM_ERR_BENTO the
// pending container error text of the file (or else of its session) follows as
// "\n[" TEXT "]" when it fits. Answers `buffer`.
char* omfsErrorText(omfHdl_t file, omfErr_t code, size_t capacity, char* buffer);

// Replaces the file's trace with an "Error Raised" line.
void omfsRaiseError(omfHdl_t file, omfErr_t code, const char* sourceModule, int line);
// Appends a "propagated" line to the file's trace.
void omfsPropagateError(omfHdl_t file, omfErr_t code, const char* sourceModule, int line);

// The file's error trace (empty text without a file or trace).
const char* omfsErrorTrace(omfHdl_t file);

// The last container error recorded on the session (also after a failed open
// has been unwound): its number and message. Answers false when there is none.
omfBool omfsLastContainerError(omfSessionHdl_t session, omfInt32* number, char* text,
                               size_t capacity);

// Whether container errors are printed on standard output as they are turned
// into toolkit errors (on by default).
omfErr_t omfsSetBentoErrorPrinting(omfSessionHdl_t session, omfBool print);

} // extern "C"
