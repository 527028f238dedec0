// Creating sound media of one or more interleaved channels.
#pragma once

#include "omf/omf_audio_format.h"
#include "omf/omf_media.h"

extern "C" {

// Creates sound media of `numChannels` interleaved channels of `sampleBits`
// bits (1 to 32) for `fileMob`, written by the codec its descriptor names
// ("AIFC" or "WAVE"). With a master mob, its channels become tracks of the
// master mob after its last track, channel 1 first. Samples are written as
// whole frames (one transfer on channel 1) or one transfer per channel.
omfErr_t omfmCreateAudioMedia(omfHdl_t file, omfObject_t masterMob, omfObject_t fileMob,
                              omfRational_t sampleRate, omfInt16 numChannels, omfInt16 sampleBits,
                              omfMediaHdl_t* media);

} // extern "C"
