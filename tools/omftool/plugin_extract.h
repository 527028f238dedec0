// The "extract" command: the OMF plug-in driven as a host drives it, one entry of its "Video
// Track" control chosen and its frames written as image files.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace omftool {

struct ExtractOptions {
    std::string file;
    int track = 0;                // Video Track entry, from 0
    int64_t start = 0;            // first frame written, from 0
    std::optional<int64_t> count; // frames written; unset: to the entry's last frame
    std::string pattern;          // printf-style file name, the frame number its one conversion;
                                  // its folder is made when missing
    std::optional<int> bits;      // picture files' bits a channel, 8 or 16; unset: 16 where
                                  // the image format holds them. Refused for a movie
    std::string movieCodec;       // with a movie file as output: the server's codec (see
                                  // MovieOutput::start); empty: kDefaultMovieCodec. Refused for
                                  // picture files, as is a rate
    double rate = 0;              // with a movie file as output: frames a second; 0: the entry's
    bool progress = false;        // show "frame i of n" on `err`, each line overwriting the last
    bool skipDamaged = false;     // report a frame whose media fails to read and go on
};

// An output ending in .mov is one movie file written through the movie server instead of one
// picture file per frame.
// Runs the command; answers the process exit status: 0 when at least one frame was written
// (frames that cannot be read, such as those of a gap, are counted and skipped, and blank
// frames in a movie); 1 when
// damaged frames (whose media fails to read) were skipped; 2 with a message on `err` at a
// damaged frame without skipDamaged, for a bad pattern, a file the plug-in refuses, an entry or
// range that does not exist, an image file that cannot be written, or when no frame could be read.
int runExtract(const ExtractOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
