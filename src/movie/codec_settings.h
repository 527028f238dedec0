// Codec settings: an opaque block to clients, to the module lines of text
// "option=value" naming options of the codec's encoder.
#pragma once

#include "codec_catalogue.h"

#include <cstddef>

extern "C" {
#include <libavutil/dict.h>
}

namespace movie {

// Reads settings into encoder options; kBadSettings when a line is not
// "option=value" or names an option the entry's encoder does not have.
// Empty or null settings give no options.
int32_t ParseCodecSettings(const CatalogueEntry& entry, const void* settings, size_t size,
                           AVDictionary** options);

} // namespace movie
