// Toolkit failures shown to the user through the host application.
#pragma once

#include "omf/omf_error_codes.h"
#include "omf/omf_types.h"

#include <string_view>

namespace omfplugin {

// Error code that is never shown: the file is not an OMF file.
inline constexpr omfErr_t kSilentError = OM_ERR_INVALID_FILE;

// Shows `code` (unless 0 or kSilentError) as "OMF Error: %d\n%s" with category 16. The text is
// the open file's error report when `file` is set, else the code's text. Without an
// application nothing is shown. A `detail` (the decoder's messages) follows the text in brackets
// on a line of its own.
void ReportError(omfHdl_t file, omfErr_t code, std::string_view detail = {});

} // namespace omfplugin
