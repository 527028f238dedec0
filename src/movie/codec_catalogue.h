// The codec catalogue: the codecs the module offers for movie files, each
// with its four-character type, its name, the FFmpeg encoder behind it and
// what it takes.
#pragma once

#include "movie/movie_writing.h"

#include <cstdint>
#include <span>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace movie {

struct CatalogueEntry {
    uint32_t codecType;
    const char* name;
    const char* encoder;   // FFmpeg encoder name
    int profile;           // the encoder profile the type stands for, or FF_PROFILE_UNKNOWN
    int32_t compressFlags; // kCodec... flags
    int32_t formatFlags;   // kFormat... flags
    // The pixel formats frames are best given in, best first, ended by 0.
    uint32_t pixelFormats[kMaxCodecPixelFormats];
    // The encoder formats allowed for the type, ended by AV_PIX_FMT_NONE;
    // all the encoder's own when the first is AV_PIX_FMT_NONE.
    AVPixelFormat encoderFormats[4];
};

// Every entry, whether or not its encoder is present.
std::span<const CatalogueEntry> CatalogueEntries();
// The component number of an entry (its position from 1).
uint32_t ComponentOf(const CatalogueEntry& entry);
// The entry for `codecType` and `component` (0 = the first present of the
// type) whose encoder is present, or null.
const CatalogueEntry* FindCatalogueEntry(uint32_t codecType, uint32_t component = 0);
const AVCodec* EncoderOf(const CatalogueEntry& entry);

// The codec information of `entry`.
CodecInfo InfoOf(const CatalogueEntry& entry);

} // namespace movie
