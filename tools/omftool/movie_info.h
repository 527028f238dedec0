// The "movie-info" command: a movie file's attributes as the movie server
// reads them (NewState, LoadHeader, GetStateAttrs and the first frame's
// metadata).
#pragma once

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>

namespace omftool {

// Reads `file` through the movie server, using video track `track` (from 1;
// 0 = the first). Answers false with `message` when the server cannot be
// started or does not read the file.
bool describeMovie(const std::string& file, int track, nlohmann::json& description,
                   std::string& message);

// Runs the command; answers the process exit status (2 when the server cannot
// be started or does not read the file).
int runMovieInfo(const std::string& file, int track, bool json, std::ostream& out,
                 std::ostream& err);

} // namespace omftool
