// Feeds arbitrary bytes to the registry key file parser. A file that parses
// must answer every query, and its values must respect the limits.
#include "platform/registry.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::RegistryValues values;
    size_t line = 0;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    platform::KeyFileError error = values.Parse(bytes, line);
    if (error != platform::KeyFileError::None) {
        if (values.Count() != 0) std::abort(); // nothing half-read is kept
        return 0;
    }
    if (line != 0) std::abort();
    // Query with names taken from the input itself.
    auto value = values.Query(bytes.substr(0, 64), bytes.substr(size / 2, 32));
    if (value && value->size() > platform::kMaxValueTextLength) std::abort();
    return 0;
}
