// The audio translator as callers meet it: memory formats of other sample
// sizes, sample formats and rates on media of the sound codecs, the
// conversions it refuses with their errors, and its byte swaps.
#include "audio_media_fixture.h"

#include "media/codec_support/translators.h"

using namespace audio_test;

namespace {

class AudioTranslatorTest : public AudioMediaTest {
  protected:
    // Mono 16-bit WAVE media at 24 kHz holding `samples`, opened for reading.
    omfMediaHdl_t mediaHolding(const std::vector<int16_t>& samples, const char* codec = "WAVE") {
        omfMediaHdl_t media = createSound(codec, 1, 16, {24000, 1});
        EXPECT_NE(media, nullptr);
        EXPECT_EQ(omfmWriteMediaSamples(media, omfInt32(samples.size()), samples.data(),
                                        omfInt32(samples.size() * 2)),
                  0);
        EXPECT_EQ(omfmCloseMedia(media), 0);
        reopen();
        return openSound();
    }

    // Reads `count` samples into an aligned buffer of `size` bytes.
    omfErr_t readInto(omfMediaHdl_t media, omfInt32 count, std::vector<uint8_t>* bytes,
                      size_t size = 256) {
        std::vector<uint32_t> words((size + 3) / 4);
        omfInt32 samples = 0, moved = 0;
        omfErr_t status =
            omfmReadMediaSamples(media, count, omfInt32(size), words.data(), &samples, &moved);
        const auto* at = reinterpret_cast<const uint8_t*>(words.data());
        bytes->assign(at, at + moved);
        return status;
    }

    const std::vector<int16_t> kSamples = {0x1234, -2, 0x7FFF, -0x8000};
};

TEST_F(AudioTranslatorTest, SampleSizesNarrowToTheHighBitsAndWidenWithZeros) {
    omfMediaHdl_t media = mediaHolding(kSamples);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(8)}), 0);
    ASSERT_EQ(readInto(media, 4, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0xFF, 0x7F, 0x80}));
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(24)}), 0);
    ASSERT_EQ(readInto(media, 2, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x00, 0x34, 0x12, 0x00, 0xFE, 0xFF}));
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(8), sampleFormatEntry(kOmfOffsetBinary)}), 0);
    ASSERT_EQ(readInto(media, 4, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x92, 0x7F, 0xFF, 0x00}));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AudioTranslatorTest, AifcSamplesAreStoredBigEndianAndReadInMachineOrder) {
    omfMediaHdl_t media = mediaHolding(kSamples, "AIFC");
    ASSERT_NE(media, nullptr);
    const std::vector<uint8_t> image = imageOf(kOmfProperty_AIFC_AudioData);
    ASSERT_EQ(image.size(), 74u + 8);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 74, image.begin() + 78),
              (std::vector<uint8_t>{0x12, 0x34, 0xFF, 0xFE}));
    std::vector<uint8_t> bytes;
    ASSERT_EQ(readInto(media, 4, &bytes), 0);
    ASSERT_EQ(bytes.size(), 8u);
    EXPECT_EQ(std::vector<int16_t>(reinterpret_cast<const int16_t*>(bytes.data()),
                                   reinterpret_cast<const int16_t*>(bytes.data()) + 4),
              kSamples);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AudioTranslatorTest, RatesThatAreWholeMultiplesRepeatOrDropSamples) {
    omfMediaHdl_t media = mediaHolding(kSamples);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> bytes;
    ASSERT_EQ(setMemoryFormat(media, {rateEntry(48000, 1), bitsEntry(8)}), 0);
    ASSERT_EQ(readInto(media, 4, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x12, 0xFF, 0xFF, 0x7F, 0x7F, 0x80, 0x80}));
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    ASSERT_EQ(setMemoryFormat(media, {rateEntry(12000, 1), bitsEntry(8)}), 0);
    ASSERT_EQ(readInto(media, 4, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x7F}));
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    ASSERT_EQ(setMemoryFormat(media, {rateEntry(36000, 1), bitsEntry(8)}), 0);
    EXPECT_EQ(readInto(media, 4, &bytes), OM_ERR_CODEC_RATE_MULTIPLE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AudioTranslatorTest, ConversionsItCannotMakeAreRefused) {
    omfMediaHdl_t media = mediaHolding(kSamples);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> bytes;
    // Sizes that are not multiples of 4 bits, and sizes beyond 32 bits.
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(10)}), 0);
    EXPECT_EQ(readInto(media, 2, &bytes), OM_ERR_CANNOT_TRANSLATE);
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(36)}), 0);
    EXPECT_EQ(readInto(media, 2, &bytes), OM_ERR_AUDIO_SAMPLE_SIZE);
    // 12-bit samples: two make three bytes, one does not make whole bytes.
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(12)}), 0);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    ASSERT_EQ(readInto(media, 2, &bytes), 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x12, 0x3F, 0xFF}));
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    EXPECT_EQ(readInto(media, 1, &bytes), OM_ERR_PARTIAL_BYTE_TRANSFER);
    // Converting needs 4-byte aligned buffers; copying does not.
    std::vector<uint32_t> words(16);
    auto* misaligned = reinterpret_cast<uint8_t*>(words.data()) + 1;
    omfInt32 samples = 0, moved = 0;
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(8)}), 0);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    EXPECT_EQ(omfmReadMediaSamples(media, 2, 32, misaligned, &samples, &moved),
              OM_ERR_BUFFER_NOT_ALIGNED);
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(16)}), 0);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    EXPECT_EQ(omfmReadMediaSamples(media, 2, 32, misaligned, &samples, &moved), 0);
    EXPECT_EQ(moved, 4);
    // A buffer short of the converted size.
    ASSERT_EQ(setMemoryFormat(media, {bitsEntry(32)}), 0);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    EXPECT_EQ(readInto(media, 4, &bytes, 15), OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AudioTranslatorTest, SwapsWholeSamplesOfTwoThreeAndFourBytes) {
    for (omfInt16 bits : {16, 24, 32}) {
        auto translator = omf::media::makeAudioTranslator();
        const omfFormatEntry_t list[2] = {bitsEntry(bits), audioEntry(0)};
        omf::media::StreamFormat memory{sound_, list, nullptr, false};
        omf::media::StreamFormat stored{sound_, list, nullptr, true};
        bool active = false;
        ASSERT_EQ(translator->setFormats(memory, stored, &active), 0);
        EXPECT_TRUE(active);
        const std::vector<uint8_t> in = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        std::vector<uint8_t> out(in.size());
        size_t produced = 0;
        ASSERT_EQ(translator->translate(true, in, out, true, &produced), 0);
        ASSERT_EQ(produced, in.size());
        const size_t size = size_t(bits / 8);
        for (size_t i = 0; i < in.size(); ++i) {
            EXPECT_EQ(out[i], in[i / size * size + (size - 1 - i % size)]) << bits << " " << i;
        }
        // Part of a sample.
        EXPECT_EQ(translator->translate(true, std::span(in).first(size + 1), out, true, &produced),
                  OM_ERR_PARTIAL_BYTE_TRANSFER);
    }
    // 8-bit samples need no swap and leave the translator idle.
    auto translator = omf::media::makeAudioTranslator();
    const omfFormatEntry_t list[2] = {bitsEntry(8), audioEntry(0)};
    bool active = true;
    ASSERT_EQ(translator->setFormats({sound_, list, nullptr, false}, {sound_, list, nullptr, true},
                                     &active),
              0);
    EXPECT_FALSE(active);
}

} // namespace
