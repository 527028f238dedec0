// Opening an FFmpeg encoder for a catalogue entry with the compression
// settings clients give: quality, key-frame interval, data rate and the
// codec's own settings.
#pragma once

#include "codec_catalogue.h"

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace movie {

struct EncoderRequest {
    const CatalogueEntry* entry;
    int32_t width, height;
    uint32_t sourceFormat;    // the frames' pixel format
    bool keepAlpha;           // prefer an encoder format with alpha
    int32_t quality;          // kMinCodecQuality .. kMaxCodecQuality
    int32_t keyFrameInterval; // 0 = the encoder's default
    int64_t averageDataRate;  // bytes per second, 0 = none
    bool allowReordering;
    int32_t timeScale, frameDuration;
    const void* settings;
    size_t settingsSize;
    bool globalHeader; // codec headers go to the file's sample description
};

// Opens the encoder. Answers 0 and the context (freed with
// avcodec_free_context), or a result code.
int32_t OpenEncoder(const EncoderRequest& request, AVCodecContext** encoder);

// The fixed quantiser for a codec quality, 31 (coarsest) to 1 (finest).
int QuantiserFor(int32_t quality);

} // namespace movie
