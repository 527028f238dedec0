// The "frames" command: the picture frames of a master mob written as image
// files, one file per frame.
#pragma once

#include "picture_media.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace omftool {

struct FramesOptions {
    std::string file;
    MasterMobChoice mob;
    int64_t start = 0;            // first frame written, from 0
    std::optional<int64_t> count; // frames written; unset: to the last frame
    std::string pattern;          // printf-style file name, the frame number its one conversion
    bool progress = false;        // show "frame i of n" on `err`, each line overwriting the last
    bool raw = false;             // write each frame's stored bytes as they are
    bool stored = false;          // every stored line instead of the sampled area
    bool skipDamaged = false;     // report a frame that fails to read and go on
};

// Runs the command; answers the process exit status: 0 when every frame was
// written, 1 when damaged frames were skipped, 2 otherwise ("OMF error N: TEXT" on `err` for the
// toolkit's failures, a line naming the fault for a bad pattern, a file not written or DV frames
// the movie server does not decode).
int runFrames(const FramesOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
