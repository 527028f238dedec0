// The movie server the commands that need one use, and a state on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tarsel/script_arguments.h"
#include "tarsel/script_val.h"

namespace omftool {

// Points the host at the movie server built with omftool unless the environment names one
// (the host's TARSEL_QTSERVER). The plug-in decodes DV media through that server.
void chooseMovieServer();

// Starts the movie server chooseMovieServer() names unless it runs; false with what is missing in
// `why` ("the movie server ... is not a program", "... did not start").
bool startMovieServer(std::string& why);

// The bytes of one row of 32-bit pixels the server answered with `rowModulo` for frames
// `width` pixels wide; nothing when it is not a row of them plus alignment padding. The
// answer comes from another process and sizes every copy.
std::optional<std::size_t> rowBytesOf(int64_t rowModulo, int width);

// Decodes one compressed DV frame of `width` x `height` through the server's "AvidDVDecompress"
// into `argb`: 4 bytes a pixel in the order A, R, G, B, rows in frame order. Starts the server
// when needed. False with `why` when no server runs or it cannot decode the frame.
bool decodeDVFrame(std::span<const uint8_t> frame, int width, int height,
                   std::vector<uint8_t>& argb, std::string& why);

// A movie state on the server, disposed and released however its user ends.
class ServerState {
  public:
    ServerState() = default;
    ServerState(const ServerState&) = delete;
    ServerState& operator=(const ServerState&) = delete;
    ~ServerState();

    // Starts the server when needed and makes a new state; answers false with `why`.
    bool open(std::string& why);
    // Disposes the state (which finishes a movie being written) and releases it; answers the
    // server's answer to the disposal, true when there was no state.
    bool close();
    const ScriptVal& get() const { return state_; }
    bool isOpen() const { return state_.IsRemoteObject(); }

  private:
    ScriptVal state_;
};

} // namespace omftool
