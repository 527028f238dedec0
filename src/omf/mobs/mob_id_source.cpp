// New mob ID parts: the microsecond clock when the process made its first,
// and a per-process random start plus a counter.
#include "mobs/mob_id_source.h"

#include <ctime>
#include <mutex>

#include <sys/random.h>
#include <unistd.h>

namespace omf::mobs {
namespace {

constexpr uint64_t kMicrosecondsPerSecond = 1000000;
constexpr uint64_t kNanosecondsPerMicrosecond = 1000;

// The IDs this process has given: whose they are (a forked child must not
// repeat its parent's), the clock when the first was made, where the counted
// part starts and how many there were.
struct ProcessIDs {
    pid_t owner = 0;
    uint32_t clock = 0;
    uint32_t start = 0;
    uint32_t count = 0;
};

std::mutex g_processIDsLock; // guards g_processIDs
ProcessIDs g_processIDs;

uint64_t microsecondsNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * kMicrosecondsPerSecond +
           static_cast<uint64_t>(now.tv_nsec) / kNanosecondsPerMicrosecond;
}

// SplitMix64's finaliser: spreads every input bit over the result.
uint64_t mix(uint64_t value) {
    value += 0x9e3779b97f4a7c15ULL;
    value = (value ^ (value >> 30)) * 0xbf58476d1ce4e5b9ULL;
    value = (value ^ (value >> 27)) * 0x94d049bb133111ebULL;
    return value ^ (value >> 31);
}

// The system's random bytes, mixed with the clock and the process ID so that
// a system without a random source still gives processes different starts.
uint32_t randomStart(pid_t pid) {
    uint64_t random = 0;
    if (getrandom(&random, sizeof random, GRND_NONBLOCK) != sizeof random) random = 0;
    const uint64_t seed = random ^ mix(microsecondsNow() ^ (static_cast<uint64_t>(pid) << 40));
    return static_cast<uint32_t>(mix(seed) >> 32);
}

} // namespace

MobIDParts nextMobIDParts() {
    const pid_t pid = getpid();
    std::lock_guard guard(g_processIDsLock);
    if (g_processIDs.owner != pid || g_processIDs.count == UINT32_MAX) {
        g_processIDs = {pid, static_cast<uint32_t>(microsecondsNow()), randomStart(pid), 0};
    }
    ++g_processIDs.count;
    return {g_processIDs.clock, g_processIDs.start + g_processIDs.count};
}

} // namespace omf::mobs
