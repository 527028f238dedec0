// The "write" command: pictures (files, a numbered sequence or a movie) written into a new OMF
// file by the OMF plug-in's saver, driven as a host drives it.
#pragma once

#include "output_file.h" // the file is written as a temporary and renamed into place

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace omftool {

struct WriteOptions {
    std::string output;                 // OMF file to create
    std::string codec;                  // codec ID, e.g. "RGBA", "JPEG", "AJPG"
    std::optional<std::string> variety; // for codecs with varieties ("AJPG": "Uncomp422"...)
    std::optional<double> rate;         // frames per second; unset: the document's rate
    std::optional<double> quality;      // 0..100 for the JPEG codecs; unset: the saver's default
    std::vector<std::string> inputs;
    bool progress = false; // show "frame i" on `err`, each line overwriting the last
};

// Runs the command; answers the process exit status: 0 when every frame was written, 2 when an
// input cannot be read, the saver refuses a choice or the file cannot be written. The saver
// writes a temporary that replaces `output` only when it is complete: on a failure or an
// interruption an earlier file of that name is left as it was.
int runWrite(const WriteOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
