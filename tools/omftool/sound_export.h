// The "audio" command: the sound media of a master mob (all its channels)
// written as a PCM WAVE file of 16 or 24 bits.
#pragma once

#include "master_mob_search.h"

#include <ostream>
#include <string>

namespace omftool {

struct AudioOptions {
    std::string file;
    MasterMobChoice mob; // counted among the master mobs with sound media
    std::string output;  // the WAVE file written
};

// Runs the command; answers the process exit status: 0 when the file was
// written, 2 otherwise ("OMF error N: TEXT" on `err`).
int runAudio(const AudioOptions& options, std::ostream& out, std::ostream& err);

} // namespace omftool
