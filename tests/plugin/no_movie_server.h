// Test helper: the plug-in finds no movie server, so DV decoding is absent.
#pragma once

#include <cstdlib>

#include "tarsel/system/qt_server.h"

inline void UseNoMovieServer() {
    ::setenv(QTServerPathVariable, "/nonexistent/TarselQTServer", 1);
}
