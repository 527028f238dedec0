#include "library_logging.h"

extern "C" {
#include <libavutil/log.h>
}

namespace omftool {

void setLibraryLogging(bool verbose) {
    av_log_set_level(verbose ? AV_LOG_INFO : AV_LOG_QUIET);
}

} // namespace omftool
