// Figures describing the system and this process, for reports written while
// the process may be crashing: every query uses only async-signal-safe
// system calls and the caller's memory.
#pragma once

#include <cstdint>

namespace platform {

struct OsVersionFigures {
    unsigned major = 0; // the kernel release's numbers: "6.1.76-..." gives 6, 1, 76
    unsigned minor = 0;
    unsigned build = 0;
    unsigned platformId = 0;
    char servicePack[160] = {}; // the system's name and kernel build text
};

struct ProcessorFigures {
    unsigned architecture = 0; // kArchitecture* below
    unsigned pageSize = 0;
    unsigned processors = 0;
    unsigned processorType = 0;
    unsigned allocationGranularity = 0;
    unsigned processorLevel = 0;    // the processor family
    unsigned processorRevision = 0; // model << 8 | stepping
    uintptr_t minimumApplicationAddress = 0;
    uintptr_t maximumApplicationAddress = 0;
    uintptr_t activeProcessorMask = 0;
};

struct MemoryFigures {
    uint64_t physicalTotal = 0, physicalAvailable = 0;
    uint64_t pageFileTotal = 0, pageFileAvailable = 0; // memory plus swap
    uint64_t virtualTotal = 0, virtualAvailable = 0;   // this process's address space
};

struct ProcessMemoryFigures {
    uint64_t pageFaultCount = 0;
    uint64_t peakWorkingSetSize = 0;
    uint64_t workingSetSize = 0;
    uint64_t quotaPeakPagedPoolUsage = 0; // no such pools here: 0
    uint64_t quotaPagedPoolUsage = 0;
    uint64_t quotaPeakNonPagedPoolUsage = 0;
    uint64_t quotaNonPagedPoolUsage = 0;
    uint64_t pagefileUsage = 0;     // private data bytes
    uint64_t peakPagefileUsage = 0; // peak address space bytes
};

// Architecture codes of ProcessorFigures.
inline constexpr unsigned kArchitectureX86 = 0;
inline constexpr unsigned kArchitectureArm = 5;
inline constexpr unsigned kArchitectureAmd64 = 9;
inline constexpr unsigned kArchitectureArm64 = 12;
inline constexpr unsigned kArchitectureUnknown = 0xFFFF;
// Platform id of OsVersionFigures: the one family of systems this runs on.
inline constexpr unsigned kPlatformIdLinux = 2;

// Each answers false when the system's figures cannot be read (the record
// keeps what could be).
bool ReadOsVersion(OsVersionFigures& figures);
bool ReadProcessorFigures(ProcessorFigures& figures);
bool ReadMemoryFigures(MemoryFigures& figures);
bool ReadProcessMemory(ProcessMemoryFigures& figures);
// Graphics and window objects of the process: there are none here.
unsigned GraphicsObjectCount();
unsigned UserObjectCount();
// Open descriptors of the process; false when they cannot be counted.
bool OpenDescriptorCount(unsigned& count);

} // namespace platform
