// How the media commands' steps fail: the toolkit error and what was being done.
#pragma once

#include "omf/omf_errors.h"

#include <string>

namespace omftool {

// A failed step: the toolkit error and its message (the error's text, and
// on a second line in brackets what was being done). Error 0 is a failure
// outside the toolkit (the movie server decoding DV), its message one line
// naming the cause.
struct MediaFailure {
    int error = 0;
    std::string message;
};

// Records `error` with what was being done in `failure`; answers false.
inline bool fail(MediaFailure& failure, int error, const std::string& doing) {
    failure.error = error;
    failure.message = std::string(omfsErrorName(error)) + "\n[" + doing + "]";
    return false;
}

} // namespace omftool
