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

namespace {

// Why StartQTServer found no server.
std::string whyNoServer() {
    const std::string program = QTServerProgramPath();
    if (!program.empty()) return "the movie server " + program + " did not start";
    const char* named = std::getenv(QTServerPathVariable);
    if (named != nullptr && *named != 0) {
        return std::string("the movie server ") + QTServerPathVariable + " names (" + named +
               ") is not a program";
    }
    return std::string("no movie server program ") + QTServerProgramName + " was found";
}

} // namespace

bool startMovieServer(std::string& why) {
    chooseMovieServer();
    if (StartQTServer()) return true;
    why = whyNoServer();
    return false;
}

std::optional<std::size_t> rowBytesOf(int64_t rowModulo, int width) {
    // Rows are padded to 16 bytes; this much slack is more than any alignment.
    constexpr int64_t kRowSlack = 4096;
    const int64_t packed = int64_t(width) * 4;
    if (width <= 0 || rowModulo < packed || rowModulo > packed + kRowSlack) return std::nullopt;
    return std::size_t(rowModulo);
}

bool decodeDVFrame(std::span<const uint8_t> frame, int width, int height,
                   std::vector<uint8_t>& argb, std::string& why) {
    if (!startMovieServer(why)) {
        why = "DV frames are decoded by the movie server, and " + why;
        return false;
    }
    ScriptVal request = ScriptVal::NewTable();
    request.Set("Width", int64_t{width});
    request.Set("Height", int64_t{height});
    // Rows in frame order: the decoder's own, so no field can land on the wrong lines.
    request.Set("separateFields", int64_t{0});
    request.Set("RawDataIn", ScriptVal::NewMemBlock(frame.data(), frame.size()));
    const ScriptVal answer = g_QTRemoteApp.CallMember("AvidDVDecompress", ArgumentTable({request}));
    const ScriptVal* decoded = answer.IsTable() ? answer.FindKeyConst("RawDataOut") : nullptr;
    const MemBlock* block = decoded ? decoded->GetData() : nullptr;
    // The answer comes from another process: only a whole frame of the size asked counts.
    const std::size_t expected = std::size_t(width) * std::size_t(height) * 4;
    if (!block || !block->data || block->size != expected) {
        why = "the movie server cannot decode this DV frame of " + std::to_string(frame.size()) +
              " bytes as " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(block->data);
    argb.assign(bytes, bytes + expected);
    return true;
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
