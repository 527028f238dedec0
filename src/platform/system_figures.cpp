// System figures from uname, sysconf and /proc, read with plain system calls
// into stack buffers so that a crash report may ask for them.
#include "platform/system_figures.h"

#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {
namespace {

// Room for the /proc files read here (their first part is enough).
constexpr size_t kProcFileBytes = 8192;
constexpr uint64_t kKibibyte = 1024;

// Reads up to `capacity - 1` bytes of a file and ends them with NUL.
size_t ReadSmallFile(const char* path, char* out, size_t capacity) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        out[0] = '\0';
        return 0;
    }
    size_t done = 0;
    while (done + 1 < capacity) {
        ssize_t got = read(fd, out + done, capacity - 1 - done);
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    close(fd);
    out[done] = '\0';
    return done;
}

// Parses the decimal number at `text`, skipping leading blanks; steps past it.
bool ParseNumber(const char*& text, uint64_t& value) {
    while (*text == ' ' || *text == '\t')
        ++text;
    if (*text < '0' || *text > '9') return false;
    value = 0;
    while (*text >= '0' && *text <= '9')
        value = value * 10 + static_cast<uint64_t>(*text++ - '0');
    return true;
}

// The number of the first line of `text` that reads "label:" (blanks
// allowed before the colon).
bool FindField(const char* text, const char* label, uint64_t& value) {
    size_t length = std::strlen(label);
    for (const char* line = text; line && *line;) {
        if (std::strncmp(line, label, length) == 0) {
            const char* at = line + length;
            while (*at == ' ' || *at == '\t')
                ++at;
            if (*at == ':') return ParseNumber(++at, value);
        }
        line = std::strchr(line, '\n');
        if (line) ++line;
    }
    return false;
}

unsigned ArchitectureCode() {
#if defined(__x86_64__)
    return kArchitectureAmd64;
#elif defined(__i386__)
    return kArchitectureX86;
#elif defined(__aarch64__)
    return kArchitectureArm64;
#elif defined(__arm__)
    return kArchitectureArm;
#else
    return kArchitectureUnknown;
#endif
}

// The processor type numbers the architectures are known by.
unsigned ProcessorTypeCode() {
#if defined(__x86_64__)
    return 8664;
#elif defined(__i386__)
    return 586;
#else
    return 0;
#endif
}

// One past the highest address a process of this architecture can map.
uintptr_t AddressSpaceEnd() {
#if defined(__x86_64__)
    return uintptr_t{1} << 47;
#elif defined(__aarch64__)
    return uintptr_t{1} << 48;
#else
    return UINTPTR_MAX;
#endif
}

} // namespace

bool ReadOsVersion(OsVersionFigures& figures) {
    figures.platformId = kPlatformIdLinux;
    utsname names{};
    if (uname(&names) != 0) return false;
    const char* at = names.release;
    uint64_t number = 0;
    if (ParseNumber(at, number)) figures.major = static_cast<unsigned>(number);
    if (*at == '.' && ParseNumber(++at, number)) figures.minor = static_cast<unsigned>(number);
    if (*at == '.' && ParseNumber(++at, number)) figures.build = static_cast<unsigned>(number);
    size_t length = 0;
    auto append = [&](const char* text) {
        while (*text && length + 1 < sizeof figures.servicePack)
            figures.servicePack[length++] = *text++;
        figures.servicePack[length] = '\0';
    };
    append(names.sysname);
    append(" ");
    append(names.version);
    return true;
}

bool ReadProcessorFigures(ProcessorFigures& figures) {
    long pageSize = sysconf(_SC_PAGESIZE);
    long processors = sysconf(_SC_NPROCESSORS_ONLN);
    figures.architecture = ArchitectureCode();
    figures.processorType = ProcessorTypeCode();
    figures.pageSize = pageSize > 0 ? static_cast<unsigned>(pageSize) : 0;
    figures.allocationGranularity = figures.pageSize; // mappings are placed page by page
    figures.processors = processors > 0 ? static_cast<unsigned>(processors) : 0;

    char text[kProcFileBytes];
    uint64_t value = 0;
    if (ReadSmallFile("/proc/sys/vm/mmap_min_addr", text, sizeof text) > 0) {
        const char* at = text;
        if (ParseNumber(at, value)) figures.minimumApplicationAddress = value;
    }
    figures.maximumApplicationAddress = AddressSpaceEnd() - figures.pageSize - 1;

    ReadSmallFile("/proc/cpuinfo", text, sizeof text);
    uint64_t family = 0, model = 0, stepping = 0;
    if (FindField(text, "cpu family", family))
        figures.processorLevel = static_cast<unsigned>(family);
    FindField(text, "model", model);
    FindField(text, "stepping", stepping);
    figures.processorRevision = static_cast<unsigned>((model & 0xFF) << 8 | (stepping & 0xFF));

    uintptr_t mask[16] = {};
    long got = syscall(SYS_sched_getaffinity, 0, sizeof mask, mask);
    if (got > 0) figures.activeProcessorMask = mask[0];
    return figures.pageSize > 0;
}

bool ReadMemoryFigures(MemoryFigures& figures) {
    char text[kProcFileBytes];
    if (ReadSmallFile("/proc/meminfo", text, sizeof text) == 0) return false;
    uint64_t total = 0, available = 0, swapTotal = 0, swapFree = 0;
    FindField(text, "MemTotal", total);
    FindField(text, "MemAvailable", available);
    FindField(text, "SwapTotal", swapTotal);
    FindField(text, "SwapFree", swapFree);
    figures.physicalTotal = total * kKibibyte;
    figures.physicalAvailable = available * kKibibyte;
    figures.pageFileTotal = (total + swapTotal) * kKibibyte;
    figures.pageFileAvailable = (available + swapFree) * kKibibyte;

    long pageSize = sysconf(_SC_PAGESIZE);
    uint64_t used = 0;
    ReadSmallFile("/proc/self/status", text, sizeof text);
    FindField(text, "VmSize", used);
    figures.virtualTotal = AddressSpaceEnd() - static_cast<uint64_t>(pageSize > 0 ? pageSize : 0);
    used *= kKibibyte;
    figures.virtualAvailable = used < figures.virtualTotal ? figures.virtualTotal - used : 0;
    return true;
}

bool ReadProcessMemory(ProcessMemoryFigures& figures) {
    char text[kProcFileBytes];
    if (ReadSmallFile("/proc/self/status", text, sizeof text) == 0) return false;
    uint64_t value = 0;
    if (FindField(text, "VmHWM", value)) figures.peakWorkingSetSize = value * kKibibyte;
    if (FindField(text, "VmRSS", value)) figures.workingSetSize = value * kKibibyte;
    if (FindField(text, "VmPeak", value)) figures.peakPagefileUsage = value * kKibibyte;

    // statm: size resident shared text lib data dirty, in pages.
    long pageSize = sysconf(_SC_PAGESIZE);
    if (ReadSmallFile("/proc/self/statm", text, sizeof text) > 0 && pageSize > 0) {
        const char* at = text;
        uint64_t fields[6] = {};
        for (uint64_t& field : fields)
            if (!ParseNumber(at, field)) break;
        figures.pagefileUsage = fields[5] * static_cast<uint64_t>(pageSize);
    }

    // stat: after the command name (which may hold spaces and parentheses)
    // come state ppid pgrp session tty_nr tpgid flags minflt cminflt majflt.
    constexpr int kMinorFaultsField = 7;
    constexpr int kMajorFaultsField = 9;
    if (ReadSmallFile("/proc/self/stat", text, sizeof text) > 0) {
        const char* at = std::strrchr(text, ')');
        uint64_t minor = 0, major = 0;
        for (int field = 0; at && field <= kMajorFaultsField; ++field) {
            at = std::strchr(at, ' ');
            if (!at) break;
            ++at;
            uint64_t number = 0;
            const char* digits = at;
            if (field == kMinorFaultsField && ParseNumber(digits, number)) minor = number;
            if (field == kMajorFaultsField && ParseNumber(digits, number)) major = number;
        }
        figures.pageFaultCount = minor + major;
    }
    return true;
}

unsigned GraphicsObjectCount() {
    return 0;
}

unsigned UserObjectCount() {
    return 0;
}

bool OpenDescriptorCount(unsigned& count) {
    int fd = open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    // Directory entries as getdents64 returns them.
    struct Entry {
        uint64_t inode;
        int64_t offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    alignas(8) char buffer[4096];
    unsigned entries = 0;
    for (;;) {
        long got = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
        if (got < 0) {
            close(fd);
            return false;
        }
        if (got == 0) break;
        for (long at = 0; at < got;) {
            auto* entry = reinterpret_cast<Entry*>(buffer + at);
            if (entry->name[0] != '.') ++entries;
            at += entry->length;
        }
    }
    close(fd);
    count = entries > 0 ? entries - 1 : 0; // less the descriptor that read the list
    return true;
}

} // namespace platform
