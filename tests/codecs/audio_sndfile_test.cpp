// The file images the sound codecs write are sound files for an independent
// reader: libsndfile opens each one and finds the channels, rate, sample
// size and sample values that were written.
#include "audio_media_fixture.h"

#include <sndfile.h>

#include <fstream>
#include <tuple>

using namespace audio_test;

namespace {

using Case = std::tuple<const char*, int /*channels*/, int /*bits*/>;

class AudioSndfileTest : public AudioMediaTest, public ::testing::WithParamInterface<Case> {};

// The value libsndfile's int reads give a sample of `bytes` little-endian
// bytes: full 32-bit scale, 8-bit WAVE samples unsigned.
int32_t expectedInt(const uint8_t* sample, int bytes, bool unsignedBytes) {
    uint32_t value = 0;
    for (int b = bytes - 1; b >= 0; --b)
        value = (value << 8) | sample[b];
    if (unsignedBytes) value ^= 0x80;
    return int32_t(value << (32 - 8 * bytes));
}

TEST_P(AudioSndfileTest, LibsndfileReadsWhatWasWritten) {
    const auto [codec, channels, bits] = GetParam();
    const bool wave = std::string(codec) == "WAVE";
    constexpr omfInt32 kFrames = 300;
    const std::vector<uint8_t> frames = samplePattern(kFrames, channels, bits);
    omfMediaHdl_t media = createSound(codec, omfInt16(channels), omfInt16(bits), {22050, 1});
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(writeFrames(media, frames, kFrames), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    const std::vector<uint8_t> image =
        imageOf(wave ? kOmfProperty_WAVE_AudioData : kOmfProperty_AIFC_AudioData);
    const std::string name = path(wave ? "image.wav" : "image.aifc");
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));

    SF_INFO info{};
    SNDFILE* sound = sf_open(name.c_str(), SFM_READ, &info);
    ASSERT_NE(sound, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.channels, channels);
    EXPECT_EQ(info.samplerate, 22050);
    EXPECT_EQ(info.frames, kFrames);
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, wave ? SF_FORMAT_WAV : SF_FORMAT_AIFF);
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const int expectedSubtype = bits == 8    ? (wave ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_S8)
                                : bits == 16 ? SF_FORMAT_PCM_16
                                             : SF_FORMAT_PCM_24;
    EXPECT_EQ(subtype, expectedSubtype);
    std::vector<int32_t> values(size_t(kFrames * channels));
    EXPECT_EQ(sf_readf_int(sound, values.data(), kFrames), kFrames);
    sf_close(sound);
    const int bytes = bits / 8;
    for (size_t i = 0; i < values.size(); ++i) {
        ASSERT_EQ(values[i], expectedInt(&frames[i * size_t(bytes)], bytes, wave && bits == 8))
            << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(SoundImages, AudioSndfileTest,
                         ::testing::Combine(::testing::Values("AIFC", "WAVE"),
                                            ::testing::Values(1, 2), ::testing::Values(8, 16, 24)),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             return std::string(std::get<0>(info.param)) + "_" +
                                    std::to_string(std::get<1>(info.param)) + "ch_" +
                                    std::to_string(std::get<2>(info.param)) + "bit";
                         });

} // namespace
