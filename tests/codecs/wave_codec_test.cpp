// The WAVE codec on images built byte by byte and on media it wrote: the
// format tag, the block align it computes, hostile figures, unsigned 8-bit
// samples and the summary it leaves.
#include "audio_image_fixture.h"

using namespace audio_test;

namespace {

class WaveCodecTest : public AudioImageTest {
  protected:
    std::unique_ptr<omfMediaRec> waveHandle(const std::vector<uint8_t>& image,
                                            const std::vector<uint8_t>& summary = {}) {
        return handleFor("WAVD", "WAVE", kOmfProperty_WAVD_Summary, kOmfProperty_WAVE_AudioData,
                         image, summary);
    }

    CodecUnderTest codec_{omf::codecs::waveCodec, session_};
};

TEST_F(WaveCodecTest, OnlyPcmFormatIsRead) {
    WaveHeader pcm, floating;
    floating.formatTag = 3;
    auto media = waveHandle(waveImage(floating, {0, 0}), waveImage(pcm, {}));
    EXPECT_EQ(open(codec_, media.get()), OM_ERR_WAVE_READ);
    EXPECT_EQ(media->codecState, nullptr);
    media = waveHandle(waveImage(pcm, {0, 0}));
    EXPECT_EQ(open(codec_, media.get()), 0);
    EXPECT_EQ(close(codec_, media.get()), 0);
}

TEST_F(WaveCodecTest, BlockAlignComesFromChannelsAndSampleSize) {
    WaveHeader header;
    header.channels = 2;
    header.blockAlign = 3; // wrong for 16-bit stereo
    const std::vector<uint8_t> data = samplePattern(5, 2, 16);
    auto media = waveHandle(waveImage(header, data));
    ASSERT_EQ(open(codec_, media.get()), 0);
    EXPECT_EQ(media->channels.front().sampleCount, 5);
    omfInt64 offset = 0;
    ASSERT_EQ(frameOffset(codec_, media.get(), 2, &offset), 0);
    EXPECT_EQ(offset, 44 + 4);
    std::vector<uint8_t> frames;
    ASSERT_EQ(read(codec_, media.get(), 5, &frames), 0);
    EXPECT_EQ(frames, data);
    EXPECT_EQ(close(codec_, media.get()), 0);
}

TEST_F(WaveCodecTest, FiguresNoSampleCanHaveAreReadErrors) {
    WaveHeader noChannels, noBits, wideBits;
    noChannels.channels = 0;
    noBits.bits = 0;
    wideBits.bits = 40;
    for (const WaveHeader& header : {noChannels, noBits, wideBits}) {
        auto media = waveHandle(waveImage(header, {}), waveImage(WaveHeader{}, {}));
        EXPECT_EQ(open(codec_, media.get()), OM_ERR_WAVE_READ);
    }
    // No data chunk at all.
    std::vector<uint8_t> formatOnly = waveImage(WaveHeader{}, {});
    formatOnly.resize(36);
    auto media = waveHandle(formatOnly, waveImage(WaveHeader{}, {}));
    EXPECT_EQ(open(codec_, media.get()), OM_ERR_WAVE_READ);
}

TEST_F(WaveCodecTest, EightBitSamplesAreStoredUnsigned) {
    omfMediaHdl_t media = createSound("WAVE", 1, 8);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setMemoryFormat(media, {sampleFormatEntry(kOmfTwosComplement)}), 0);
    const std::vector<uint8_t> signedSamples = {0x00, 0x7F, 0x80}; // 0, 127, -128
    ASSERT_EQ(omfmWriteMediaSamples(media, 3, signedSamples.data(), 3), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    const std::vector<uint8_t> image = imageOf(kOmfProperty_WAVE_AudioData);
    ASSERT_EQ(image.size(), 47u);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 44, image.end()),
              (std::vector<uint8_t>{0x80, 0xFF, 0x00}));
    reopen();
    media = openSound();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setMemoryFormat(media, {sampleFormatEntry(kOmfTwosComplement)}), 0);
    std::vector<uint8_t> back(4, 0xEE); // room for the translator's 4-byte alignment
    omfInt32 samples = 0, bytes = 0;
    ASSERT_EQ(omfmReadMediaSamples(media, 3, 4, back.data(), &samples, &bytes), 0);
    EXPECT_EQ(samples, 3);
    back.resize(3);
    EXPECT_EQ(back, signedSamples);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(WaveCodecTest, ClosedMediaLeavesItsHeaderAsTheSummary) {
    omfMediaHdl_t media = createSound("WAVE", 2, 24, {44100, 1});
    ASSERT_NE(media, nullptr);
    const std::vector<uint8_t> frames = samplePattern(7, 2, 24);
    ASSERT_EQ(writeFrames(media, frames, 7), 0);
    omfObject_t descriptor = media->descriptor;
    ASSERT_EQ(omfmCloseMedia(media), 0);
    const std::vector<uint8_t> image = imageOf(kOmfProperty_WAVE_AudioData);
    ASSERT_EQ(image.size(), 44u + frames.size());
    const std::vector<uint8_t> summary = valueBytes(descriptor, kOmfProperty_WAVD_Summary);
    EXPECT_EQ(summary, std::vector<uint8_t>(image.begin(), image.begin() + 44));
    EXPECT_EQ(image[32], 6);      // block align
    EXPECT_EQ(image[40], 42);     // data size
    EXPECT_EQ(image[4], 36 + 42); // RIFF size
}

} // namespace
