// The movie server the commands that need one use, and a state on it.
#include "movie_server.h"

#include "tarsel/system/qt_server.h"

#include <cstdlib>

namespace omftool {

void chooseMovieServer() {
#ifdef OMFTOOL_QTSERVER_PATH
    setenv(QTServerPathVariable, OMFTOOL_QTSERVER_PATH, 0);
#endif
}

std::optional<std::size_t> rowBytesOf(int64_t rowModulo, int width) {
    // Rows are padded to 16 bytes; this much slack is more than any alignment.
    constexpr int64_t kRowSlack = 4096;
    const int64_t packed = int64_t(width) * 4;
    if (width <= 0 || rowModulo < packed || rowModulo > packed + kRowSlack) return std::nullopt;
    return std::size_t(rowModulo);
}

ServerState::~ServerState() {
    close();
}

bool ServerState::open(std::string& why) {
    close();
    chooseMovieServer();
    if (!StartQTServer()) {
        why = "cannot start the movie server";
        return false;
    }
    state_ = g_QTRemoteApp.CallMember("NewState");
    if (!state_.IsRemoteObject()) {
        why = "the movie server offers no movie services";
        return false;
    }
    return true;
}

bool ServerState::close() {
    if (!state_.IsRemoteObject()) return true;
    const bool disposed = g_QTRemoteApp.CallMember("DisposeState", state_).ToBoolean();
    g_QTRemoteApp.CallMember("ReleaseState", state_);
    state_ = ScriptVal();
    return disposed;
}

} // namespace omftool
