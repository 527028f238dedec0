#include "library_logging.h"

extern "C" {
#include <libavutil/log.h>
}

namespace omftool {

namespace {
// Set once from the command line, before any command runs.
bool verboseLogging = false;
} // namespace

void setLibraryLogging(bool verbose) {
    verboseLogging = verbose;
    av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

bool libraryLoggingVerbose() {
    return verboseLogging;
}

} // namespace omftool
