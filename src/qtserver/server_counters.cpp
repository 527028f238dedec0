// The process's counters.
#include "server_counters.h"

static_assert(std::atomic<uint32_t>::is_always_lock_free &&
                  std::atomic<int32_t>::is_always_lock_free,
              "the crash report reads the counters from a signal handler");

ServerCounters& Counters() {
    static ServerCounters counters;
    return counters;
}
