// The "compose" command: an OpenTimelineIO timeline and the sound files it names written as one
// OMF file for audio post.
#pragma once

#include <ostream>
#include <string>

namespace omftool {

struct ComposeCommandOptions {
    std::string timeline; // the .otio file
    std::string output;   // the OMF file written
    int revision = 2;     // 1: a 1.x file, 2: a 2.x file
    std::string rate;     // the edit rate as given; empty: the timeline's picture rate, else 25
    std::string name;     // the composition's name; empty: the timeline's
    int sampleRate = 0;   // 0: every sound file's own, which must be one
    bool progress = false;
};

// Runs the command; answers the exit status: 0 when OUT was written and read back, 2 with a
// message on `err` otherwise (nothing new left).
int runCompose(const ComposeCommandOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
