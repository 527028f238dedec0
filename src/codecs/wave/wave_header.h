// WAVE file images: reading the header of one (the data, or the
// descriptor's summary) and building the header the codec writes.
#pragma once

#include "audio/sound_header.h"

#include <array>

namespace omf::codecs::wave {

// The header as written: RIFF, "WAVEfmt " with a 16-byte PCM format, data.
constexpr size_t kHeaderBytes = 44;
constexpr omfInt64 kDataSizePosition = 40;

// Reads the format and, when `wantDataStart`, the data chunk;
// OM_ERR_WAVE_READ when they cannot be read, the format is not PCM or the
// figures describe no usable samples. The block align is taken from the
// channels and sample size, whatever the file says.
omfErr_t readHeader(omfHdl_t file, audio::HeaderSource& source, bool wantDataStart,
                    audio::SoundHeader* header);

std::array<uint8_t, kHeaderBytes> buildHeader(const audio::SoundHeader& header, omfInt64 dataBytes);

// WAVE keeps samples of 8 bits and fewer unsigned, wider ones two's complement.
bool offsetBinarySamples(omfInt32 sampleBits);

} // namespace omf::codecs::wave
