// Login session numbers of processes.
#pragma once

#include <cstdint>
#include <optional>

namespace platform {

// The login session of process `pid`: the kernel's audit session number, or
// 0 for a process outside any login session (started by the system, or on a
// kernel that keeps no sessions). Nothing for a process that does not exist.
std::optional<uint32_t> SessionOfProcess(uint32_t pid);

} // namespace platform
