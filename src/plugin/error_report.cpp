#include "error_report.h"

#include "omf/omf_errors.h"
#include "tarsel/system/application.h"

namespace omfplugin {

namespace {
// How much of a file's error report is shown.
constexpr size_t kErrorTextSize = 256;
} // namespace

void ReportError(omfHdl_t file, omfErr_t code) {
    if (code == 0 || code == kSilentError) return;
    Application* app = GetApp();
    if (!app) return;
    char text[kErrorTextSize] = {};
    const char* shown = file ? omfsErrorText(file, code, sizeof text, text) : omfsErrorName(code);
    app->ShowMessage(MSG_Error, "OMF Error: %d\n%s", static_cast<int>(code), shown);
}

} // namespace omfplugin
