// AIFC file images: reading the header of one (the data, or the descriptor's
// summary) and building the header the codec writes.
#pragma once

#include "audio/sound_header.h"

#include <array>

namespace omf::codecs::aifc {

// The header as written: FORM, COMM (38 bytes, "NONE" "Not Compressed"),
// SSND with offset and block size 0, then the sample frames.
constexpr size_t kHeaderBytes = 74;
constexpr omfInt64 kFrameCountPosition = 22;
constexpr omfInt64 kSoundSizePosition = 62;
// SSND offsets above this are taken as 0.
constexpr uint32_t kLargestSoundOffset = 0x20000;

// Reads COMM and, when `wantDataStart`, the data start from SSND;
// OM_ERR_AIFC_READ when they cannot be read or describe no usable samples.
omfErr_t readHeader(omfHdl_t file, audio::HeaderSource& source, bool wantDataStart,
                    audio::SoundHeader* header);

// The header of an image whose sample data is `dataBytes` long (the pad
// byte of an odd length not counted).
std::array<uint8_t, kHeaderBytes> buildHeader(const audio::SoundHeader& header, omfInt64 dataBytes);

} // namespace omf::codecs::aifc
