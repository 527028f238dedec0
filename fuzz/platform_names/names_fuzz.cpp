// Feeds arbitrary text to the section name mapping and the security text
// reader. A mapped name must be a single shared-memory object name; a mode
// must keep the owner's access and grant nothing beyond read and write.
#include "platform/access_rules.h"
#include "platform/shared_section.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto objectName = platform::SectionObjectName(text, 7)) {
        if (objectName->empty() || (*objectName)[0] != '/' ||
            objectName->find('/', 1) != std::string::npos ||
            objectName->find('\0') != std::string::npos)
            std::abort();
    }
    if (auto mode = platform::FileModeFromSecurityText(text)) {
        if ((*mode & 0600) != 0600 || (*mode & ~static_cast<mode_t>(0666)) != 0) std::abort();
    }
    return 0;
}
