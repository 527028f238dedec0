// The WAVE codec: sound kept as a WAVE file image (little-endian samples,
// 8-bit samples unsigned).
#include "audio/sound_codec.h"
#include "builtin_codecs.h"
#include "omf/omf_codec_ids.h"
#include "wave/wave_header.h"

#include "omf/omf_registry.h"

namespace omf::codecs {

namespace {

std::vector<uint8_t> headerBytes(const audio::SoundHeader& header, omfInt64 dataBytes) {
    const auto bytes = wave::buildHeader(header, dataBytes);
    return {bytes.begin(), bytes.end()};
}

constexpr audio::SoundFormat kWave{
    "WAVE Codec",
    "WAVD",
    "WAVE",
    kOmfCodecWAVE,
    kOmfProperty_WAVE_AudioData,
    kOmfProperty_WAVD_Summary,
    false, // little-endian samples
    false, // no pad byte
    wave::readHeader,
    headerBytes,
    omfInt64(wave::kHeaderBytes),
    wave::offsetBinarySamples,
};

} // namespace

omfErr_t waveCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return audio::soundCodecEntry(kWave, audio::FormatOperations<kWave>::entries, {}, request,
                                  parms);
}

} // namespace omf::codecs
