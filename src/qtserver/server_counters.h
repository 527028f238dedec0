// Process-wide figures the diagnostics report prints. Written by any thread,
// read by the report (possibly while the process crashes), so each is a
// lock-free atomic.
#pragma once

#include <atomic>
#include <cstdint>

struct ServerCounters {
    // The movie library's version word, 0 until it has initialised.
    std::atomic<uint32_t> movieLibraryVersion{0};
    // LoadHeader calls.
    std::atomic<int32_t> movieCount{0};
    // Frame sections ever created (counted on every attempt to make one).
    std::atomic<int32_t> sectionCount{0};
};

ServerCounters& Counters();
