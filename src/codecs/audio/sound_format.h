// What sets one sound codec apart from the other: its names and classes,
// where its data and summary live, the byte order of its samples, and how
// its headers are read and built. The shared sound codec code does the rest.
#pragma once

#include "audio/sound_header.h"
#include "omf/omf_codec.h"

#include <cstdint>
#include <span>
#include <vector>

namespace omf::codecs::audio {

struct OperationEntry {
    omfCodecOperationIndex_t slot;
    omfCodecOperation_t operation;
};

struct SoundFormat {
    const char* name;
    const char* descriptorClass;
    const char* dataClass;
    const char* codecID;
    omfProperty_t dataProperty;    // the file image
    omfProperty_t summaryProperty; // the descriptor's copy of its header
    bool bigEndianSamples;         // samples are swapped on this machine
    bool padOddEnd;                // an odd data end gets a pad byte at close
    omfErr_t (*readHeader)(omfHdl_t file, HeaderSource& source, bool wantDataStart,
                           SoundHeader* header);
    // The header bytes of an image with `dataBytes` bytes of samples.
    std::vector<uint8_t> (*buildHeader)(const SoundHeader& header, omfInt64 dataBytes);
    // The size fields of an image laid out as buildHeader lays it out.
    omfInt64 headerBytes;
    // Whether samples of this size are stored offset binary.
    bool (*offsetBinary)(omfInt32 sampleBits);
};

} // namespace omf::codecs::audio
