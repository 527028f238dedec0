// Hands fuzz input to the libraries as a file: the bytes go into an
// in-memory file that the file stream handler opens by its /proc path.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// The path of a file holding exactly `data`; empty when it cannot be made.
inline std::string inputFile(const uint8_t* data, size_t size) {
    static int fd = memfd_create("fuzz-input", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0) return std::string();
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return std::string();
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace fuzz
