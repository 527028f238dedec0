// Audio format codes: the entries of the format lists that describe sound
// samples on either side of the audio translator (the file's samples and the
// caller's memory), and the layout record the sound codecs answer.
#pragma once

#include "omf/omf_media_types.h"

extern "C" {

typedef enum : omfInt32 {
    kOmfAudioSampleBits = 1,   // int16: bits per sample (multiples of 4 for conversion)
    kOmfAudioSampleRate = 2,   // rational: samples per second
    kOmfAudioSampleFormat = 3, // int32: omfAudioSampleFormat_t
    // int32: channels interleaved in one sample frame (1 when absent); rate
    // changes repeat or drop whole frames.
    kOmfAudioFrameChannels = 4,
} omfAudioFmtOpcode_t;

typedef enum : omfInt32 {
    kOmfOffsetBinary = 0, // unsigned, the zero level at half range
    kOmfTwosComplement = 1,
} omfAudioSampleFormat_t;

// The record of info selector kMediaInfoCodecParams on sound media: read
// from open media; written to created media before its first sample.
typedef struct {
    omfInt16 numChannels;
    omfInt16 sampleBits;
} omfAudioLayout_t;

} // extern "C"
