// Reads arbitrary bytes as an OpenTimelineIO document: JSON of any shape and depth, schemas
// unknown or misspelt, fields of the wrong kind, times that are no numbers.
#include "otio_document.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    omftool::OtioTimeline timeline;
    std::string why;
    omftool::readOtio(std::string(reinterpret_cast<const char*>(data), size), timeline, why);
    return 0;
}
