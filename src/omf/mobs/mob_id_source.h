// The major and minor parts of new mob IDs, unique across files, processes
// and machines.
#pragma once

#include <cstdint>

namespace omf::mobs {

struct MobIDParts {
    uint32_t major = 0; // the wall clock in microseconds (low 32 bits) at the process's first ID
    uint32_t minor = 0; // the process's random start plus its count of IDs
};

// Parts no earlier call in this process answered. Another process, here or
// elsewhere, repeats them only when it took its first ID in the same
// microsecond of the clock (modulo 2^32) and its random start lies within the
// IDs both made. A process made by fork, and one that has made 2^32 - 1 IDs,
// takes the clock and a random start anew. Consecutive IDs of a process differ
// by one in their minor part, so the mobs of a file list in the order they
// were made, as they did when IDs were the file's count.
MobIDParts nextMobIDParts();

} // namespace omf::mobs
