// Opens an OMF file for reading in a session of its own, for the inspection
// commands, and keeps the reason when it does not open.
#pragma once

#include "command_line.h"
#include "media_failure.h"

#include "omf/omf_types.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace omftool {

// How omftool names itself to the toolkit (and in the files it writes);
// `versionText` says which part of it is at work.
omfProductIdentification_t productIdentification(const char* versionText);

// Whether a file is opened for the toolkit's object calls only, or also for
// the media calls (codecs registered with the session before the open).
enum class MediaLayer { kWithout, kWith };

// Starts a session of omftool's, the toolkit's container trace off; with the media layer, also
// Avid's codecs (as the plug-in has them) and the search for moved media. 0 or the toolkit's
// error; the session, when one was started, is the caller's to finish.
omfErr_t startSession(MediaLayer media, omfSessionHdl_t& session);

class OpenOMFFile {
  public:
    explicit OpenOMFFile(const std::string& path, MediaLayer media = MediaLayer::kWithout);
    ~OpenOMFFile();
    OpenOMFFile(const OpenOMFFile&) = delete;
    OpenOMFFile& operator=(const OpenOMFFile&) = delete;

    omfHdl_t file() const { return file_; }
    omfSessionHdl_t session() const { return session_; }
    // Whether the file opened; when it did not, `error` and `message` receive
    // the toolkit error and its text (with the container's reason).
    bool opened(int& error, std::string& message) const {
        if (file_ != nullptr) return true;
        error = error_;
        message = message_;
        return false;
    }

  private:
    omfSessionHdl_t session_ = nullptr;
    omfHdl_t file_ = nullptr;
    int error_ = 0;
    std::string message_;
};

// Writes a new OMF file of `revision` at `path` in a session of its own with the media layer,
// `versionText` naming the writer: `write` fills it, and the file is closed and the session
// finished whatever happens. Answers the first error.
omfErr_t writeNewOMFFile(const std::string& path, const char* versionText, omfFileRev_t revision,
                         const std::function<omfErr_t(omfHdl_t)>& write);

// Prints `text` as `command`'s one-line failure ("omftool frames: TEXT"); answers kExitError.
int commandFailure(std::ostream& err, std::string_view command, const std::string& text);
// A media step's failure: the toolkit's "OMF error N: TEXT", or `command`'s one line for a
// failure outside the toolkit (error 0). Answers kExitError.
int mediaStepFailure(std::string_view command, const MediaFailure& failure, std::ostream& out,
                     std::ostream& err);

// Prints a command's failure: the line `said` on `err`, and with JSON output also
// {"error": N, "message": TEXT} on `out`. Answers kExitError.
int reportFailure(std::string_view said, int error, const std::string& message, bool json,
                  std::ostream& out, std::ostream& err);
// The same for the toolkit's failures, `said` being "OMF error N: TEXT".
int reportFailure(int error, const std::string& message, bool json, std::ostream& out,
                  std::ostream& err);

// Runs an inspection command: `describe(path, description, error, message)`
// fills the description, which is written as JSON or by `printText`.
template <typename Describe, typename PrintText>
int runDescription(const std::string& path, bool json, std::ostream& out, std::ostream& err,
                   Describe describe, PrintText printText) {
    nlohmann::json description;
    int error = 0;
    std::string message;
    if (!describe(path, description, error, message)) {
        return reportFailure(error, message, json, out, err);
    }
    if (json) {
        out << description.dump(2) << "\n";
    } else {
        printText(out, description);
    }
    return kExitDone;
}

} // namespace omftool
