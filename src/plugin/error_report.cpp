#include "error_report.h"

#include "omf/omf_errors.h"
#include "tarsel/system/application.h"

#include <algorithm>
#include <string>

namespace omfplugin {

namespace {
// How much of a file's error report is shown.
constexpr size_t kErrorTextSize = 256;
} // namespace

void ReportError(omfHdl_t file, omfErr_t code, std::string_view detail) {
    if (code == 0 || code == kSilentError) return;
    Application* app = GetApp();
    if (!app) return;
    char text[kErrorTextSize] = {};
    std::string shown = file ? omfsErrorText(file, code, sizeof text, text) : omfsErrorName(code);
    if (!detail.empty()) {
        shown.append("\n[").append(detail).append("]");
        shown.resize(std::min(shown.size(), kErrorTextSize - 1));
    }
    app->ShowMessage(MSG_Error, "OMF Error: %d\n%s", static_cast<int>(code), shown.c_str());
}

} // namespace omfplugin
