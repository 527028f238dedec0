// Timecode sample descriptions and samples from hostile bytes: the first 18
// bytes (or fewer) are the description, the rest a sample in the 4- or
// 8-byte form the first byte picks; the text of the frame number must be
// short and well formed whatever the bytes.
#include "timecode_reading.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const size_t split = std::min(size, movie::kTimecodeDescriptionSize);
    const auto description = movie::ParseTimecodeDescription(bytes.first(split));
    const bool wide = size > 0 && (data[0] & 1);
    const auto frame = movie::ParseTimecodeSample(bytes.subspan(split), wide);
    if (description && frame) {
        const std::string text = movie::TimecodeText(*description, *frame);
        if (text.size() >= movie::kTimecodeTextSize) std::abort();
    }
    return 0;
}
