// What the header of a sound file image says, the chunk walk shared by the
// AIFC and WAVE readers, and the numbers both store in their own byte order.
#pragma once

#include "audio/header_source.h"
#include "omf/omf_types.h"

#include <cstdint>

namespace omf::codecs::audio {

// Sizes our codecs handle: samples of 1 to 32 bits, up to this many channels.
constexpr omfInt32 kLargestSampleBits = 32;
constexpr omfInt32 kLargestChannelCount = 1024;

struct SoundHeader {
    omfInt32 channels = 1;
    omfInt64 sampleFrames = 0;
    omfInt32 sampleBits = 16;
    omfRational_t sampleRate{0, 1};
    omfInt64 dataStart = 0;           // first byte of the sample frames
    omfInt64 dataSizePosition = 0;    // the SSND or data chunk's size field
    omfInt64 frameCountPosition = -1; // AIFC's COMM sample-frame count; -1 none

    omfInt32 bytesPerSample() const { return (sampleBits + 7) / 8; }
    omfInt64 bytesPerFrame() const { return omfInt64(bytesPerSample()) * channels; }
    // Whether the figures are ones the codecs can move samples by.
    bool usable() const {
        return channels >= 1 && channels <= kLargestChannelCount && sampleBits >= 1 &&
               sampleBits <= kLargestSampleBits;
    }
};

// One chunk met by the walk: its four-letter ID, the position after its size
// field and its size.
struct Chunk {
    char id[4];
    omfInt64 body = 0;
    uint32_t size = 0;
    bool is(const char* name) const;
};

// Walks the chunks from byte 12 (the form type is not examined) until
// `visit` sets `*done` or no further chunk head can be read. Chunks are
// word aligned: an odd size is followed by a pad byte.
template <typename Visit> omfErr_t walkChunks(HeaderSource& source, bool bigEndian, Visit visit);

uint16_t loadUInt16(const uint8_t* at, bool bigEndian);
uint32_t loadUInt32(const uint8_t* at, bool bigEndian);
void storeUInt16(uint8_t* at, uint16_t value, bool bigEndian);
void storeUInt32(uint8_t* at, uint32_t value, bool bigEndian);

template <typename Visit> omfErr_t walkChunks(HeaderSource& source, bool bigEndian, Visit visit) {
    constexpr omfInt64 kFirstChunk = 12;
    for (omfInt64 position = kFirstChunk;;) {
        uint8_t head[8];
        if (!source.readAt(position, head, sizeof head)) return 0;
        Chunk chunk;
        for (int i = 0; i < 4; ++i)
            chunk.id[i] = char(head[i]);
        chunk.size = loadUInt32(head + 4, bigEndian);
        chunk.body = position + 8;
        bool done = false;
        if (omfErr_t status = visit(chunk, &done)) return status;
        if (done) return 0;
        position = chunk.body + omfInt64(chunk.size) + omfInt64(chunk.size & 1);
    }
}

} // namespace omf::codecs::audio
