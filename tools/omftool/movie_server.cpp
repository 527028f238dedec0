// The movie server the commands that need one use.
#include "movie_server.h"

#include "tarsel/system/qt_server.h"

#include <cstdlib>

namespace omftool {

void chooseMovieServer() {
#ifdef OMFTOOL_QTSERVER_PATH
    setenv(QTServerPathVariable, OMFTOOL_QTSERVER_PATH, 0);
#endif
}

} // namespace omftool
