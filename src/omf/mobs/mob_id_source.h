// The major and minor parts of new mob IDs, unique across files, processes
// and machines.
#pragma once

#include <cstdint>

namespace omf::mobs {

struct MobIDParts {
    uint32_t major = 0; // the wall clock in microseconds, its low 32 bits
    uint32_t minor = 0; // this process's random start plus its count of IDs
};

// Parts no earlier call in this process answered (up to 2^32 calls). Another
// process, here or elsewhere, repeats them only when its random start lies
// within the IDs both made in the same microsecond of the clock. A process
// made by fork draws a start of its own.
MobIDParts nextMobIDParts();

} // namespace omf::mobs
