// The per-handle state of the sound codecs.
#pragma once

#include "audio/sound_format.h"
#include "media/codec_support/format_list.h"
#include "media/codec_support/media_handle.h"

#include <cstdint>
#include <vector>

namespace omf::codecs::audio {

// The size fields of both image formats are 32-bit: data ends before this.
constexpr omfInt64 kLargestImageEnd = omfInt64(UINT32_MAX) - 1;

struct AudioState {
    const SoundFormat* format = nullptr;
    SoundHeader header;
    media::FormatList fileFormat;   // sample size (whole bytes), rate, sample format, channels
    media::FormatList memoryFormat; // the caller's; what it leaves out is the file's
    std::vector<uint8_t> work;      // frames of several-channel transfers, in memory form
    bool samplesWritten = false;    // the layout is fixed once a sample is written
};

inline AudioState* audioStateOf(omfMediaHdl_t media) {
    return media != nullptr ? static_cast<AudioState*>(media->codecState) : nullptr;
}

// The state of a handle, or OM_ERR_MEDIA_SYSTEM_NOT_INIT.
omfErr_t requireState(omfHdl_t file, omfMediaHdl_t media, AudioState** state);

// Rebuilds the file format from the header and hands both formats to the stream.
omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, AudioState& state);

// Bytes of `frames` frames in the file and in memory.
omfErr_t frameBytes(omfHdl_t file, omfMediaHdl_t media, const AudioState& state, omfInt64 frames,
                    omfInt64* fileBytes, omfInt64* memoryBytes);

} // namespace omf::codecs::audio
