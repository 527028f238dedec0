// The AIFC codec on images built byte by byte and on media it wrote: the
// SSND offset rule, hostile headers, odd chunks, the frame range, the pad
// byte of odd data, 80-bit rates, the summary and its check.
#include "audio_image_fixture.h"

#include "aifc/aifc_header.h"
#include "audio/extended_rate.h"

using namespace audio_test;

namespace {

class AifcCodecTest : public AudioImageTest {
  protected:
    std::unique_ptr<omfMediaRec> aifcHandle(const std::vector<uint8_t>& image,
                                            const std::vector<uint8_t>& summary = {}) {
        return handleFor("AIFD", "AIFC", kOmfProperty_AIFD_Summary, kOmfProperty_AIFC_AudioData,
                         image, summary);
    }

    // Opens `image` and answers the offset of frame 1 and the first frame's bytes.
    void openAndReadFirst(const std::vector<uint8_t>& image, omfInt64* dataStart,
                          std::vector<uint8_t>* first) {
        auto media = aifcHandle(image);
        ASSERT_EQ(open(codec_, media.get()), 0);
        ASSERT_EQ(frameOffset(codec_, media.get(), 1, dataStart), 0);
        EXPECT_EQ(read(codec_, media.get(), 1, first), 0);
        EXPECT_EQ(close(codec_, media.get()), 0);
    }

    omfErr_t checkSummary(omfObject_t fileMob, omfObject_t data, bool skipFrames,
                          const char** message) {
        omfCodecParms_t parms{};
        parms.spc.checkSummary.fileMob = fileMob;
        parms.spc.checkSummary.dataObject = data;
        parms.spc.checkSummary.skipSampleFrames = skipFrames;
        omfErr_t status = codec_.call(kCodecOpCheckSummary, parms, nullptr, file_);
        *message = parms.spc.checkSummary.message;
        return status;
    }

    CodecUnderTest codec_{omf::codecs::aifcCodec, session_};
};

const std::vector<uint8_t> kTwoFrames = {0x12, 0x34, 0x56, 0x78}; // big-endian 0x1234, 0x5678

TEST_F(AifcCodecTest, SoundOffsetsAbove128KiBCountAsZero) {
    constexpr omfInt64 kAfterSoundSize = 12 + 8 + 18 + 8; // FORM head, COMM, SSND head
    omfInt64 start = 0;
    std::vector<uint8_t> first;
    // 131072 is kept: the samples follow that many bytes.
    openAndReadFirst(aifcImage({1, 2, 16, kRate44100, 131072, 131072}, kTwoFrames), &start, &first);
    EXPECT_EQ(start, kAfterSoundSize + 8 + 131072);
    EXPECT_EQ(first, (std::vector<uint8_t>{0x34, 0x12}));
    for (uint32_t offset : {131073u, 200000u}) {
        openAndReadFirst(aifcImage({1, 2, 16, kRate44100, offset, 0}, kTwoFrames), &start, &first);
        EXPECT_EQ(start, kAfterSoundSize + 8) << offset;
        EXPECT_EQ(first, (std::vector<uint8_t>{0x34, 0x12})) << offset;
    }
}

TEST_F(AifcCodecTest, FrameOffsetReachesTheEndButNotBeyond) {
    auto media = aifcHandle(aifcImage({2, 10, 16}, samplePattern(10, 2, 16)));
    ASSERT_EQ(open(codec_, media.get()), 0);
    omfInt64 offset = 0;
    EXPECT_EQ(frameOffset(codec_, media.get(), 11, &offset), 0);
    EXPECT_EQ(offset, 54 + 10 * 4);
    EXPECT_EQ(frameOffset(codec_, media.get(), 12, &offset), OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE);
    EXPECT_EQ(frameOffset(codec_, media.get(), 0, &offset), OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE);
    EXPECT_EQ(close(codec_, media.get()), 0);
}

TEST_F(AifcCodecTest, HeadersThatDescribeNoUsableSamplesAreReadErrors) {
    struct Case {
        const char* what;
        AifcHeader header;
    };
    AifcHeader noCommon, noSound, noChannels, noBits, wideBits, negativeChannels;
    noCommon.common = false;
    noSound.sound = false;
    noChannels.channels = 0;
    noBits.bits = 0;
    wideBits.bits = 33;
    negativeChannels.channels = 0x8000;
    for (const Case& c : {Case{"no COMM", noCommon}, Case{"no SSND", noSound},
                          Case{"0 channels", noChannels}, Case{"0 bits", noBits},
                          Case{"33 bits", wideBits}, Case{"negative channels", negativeChannels}}) {
        auto media = aifcHandle(aifcImage(c.header, {}), aifcImage(AifcHeader{}, {}));
        EXPECT_EQ(open(codec_, media.get()), OM_ERR_AIFC_READ) << c.what;
        EXPECT_EQ(media->codecState, nullptr) << c.what;
    }
    // Cut inside COMM.
    std::vector<uint8_t> cut = aifcImage(AifcHeader{}, {});
    cut.resize(12 + 8 + 10);
    auto media = aifcHandle(cut, aifcImage(AifcHeader{}, {}));
    EXPECT_EQ(open(codec_, media.get()), OM_ERR_AIFC_READ);
    // 32 bits and one channel are fine.
    AifcHeader widest;
    widest.bits = 32;
    media = aifcHandle(aifcImage(widest, {}));
    EXPECT_EQ(open(codec_, media.get()), 0);
    EXPECT_EQ(close(codec_, media.get()), 0);
}

TEST_F(AifcCodecTest, OddChunksAreFollowedByTheirPadByte) {
    AifcHeader header{1, 2, 16};
    header.leading = {'A', 'N', 'N', 'O', 0, 0, 0, 3, 'a', 'b', 'c', 0};
    omfInt64 start = 0;
    std::vector<uint8_t> first;
    openAndReadFirst(aifcImage(header, kTwoFrames), &start, &first);
    EXPECT_EQ(start, 12 + 12 + 26 + 16);
    EXPECT_EQ(first, (std::vector<uint8_t>{0x34, 0x12}));
}

TEST_F(AifcCodecTest, OddDataGetsAPadByteTheSizesDoNotCount) {
    for (omfInt32 samples : {3, 4}) {
        omfMediaHdl_t media = createSound("AIFC", 1, 8);
        ASSERT_NE(media, nullptr);
        const std::vector<uint8_t> data = {1, 2, 3, 4};
        ASSERT_EQ(omfmWriteMediaSamples(media, samples, data.data(), samples), 0);
        ASSERT_EQ(omfmCloseMedia(media), 0);
        const std::vector<uint8_t> image = imageOf(kOmfProperty_AIFC_AudioData);
        ASSERT_EQ(image.size(), 78u) << samples;
        EXPECT_EQ(image[74 + 2], 3);
        if (samples == 3) {
            EXPECT_EQ(image[77], 0);
        }
        auto big32 = [&](size_t at) {
            return uint32_t(image[at] << 24 | image[at + 1] << 16 | image[at + 2] << 8 |
                            image[at + 3]);
        };
        EXPECT_EQ(big32(4), uint32_t(66 + samples)) << "FORM size";
        EXPECT_EQ(big32(62), uint32_t(8 + samples)) << "SSND size";
        EXPECT_EQ(big32(22), uint32_t(samples)) << "frames";
    }
}

TEST_F(AifcCodecTest, RatesCrossTheExtendedFormBothWays) {
    EXPECT_EQ(omf::codecs::audio::extendedToDouble(kRate44100), 44100.0);
    for (double rate : {44100.0, 48000.0, 22050.0, 8000.0, 96000.0, 0.5}) {
        uint8_t bytes[10];
        omf::codecs::audio::doubleToExtended(rate, bytes);
        EXPECT_EQ(omf::codecs::audio::extendedToDouble(bytes), rate);
    }
    uint8_t bytes[10];
    omf::codecs::audio::doubleToExtended(44100.0, bytes);
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 10),
              std::vector<uint8_t>(kRate44100, kRate44100 + 10));
    const omfRational_t ntsc = omf::codecs::audio::rateFromDouble(30000.0 / 1001.0);
    EXPECT_EQ(ntsc.numerator, 30000);
    EXPECT_EQ(ntsc.denominator, 1001);
    // Infinity and NaN, as a hostile header may hold them, are no rate.
    const uint8_t infinite[10] = {0x7F, 0xFF, 0x80, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t notANumber[10] = {0x7F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 1};
    for (const uint8_t* value : {infinite, notANumber}) {
        const omfRational_t none =
            omf::codecs::audio::rateFromDouble(omf::codecs::audio::extendedToDouble(value));
        EXPECT_EQ(none.numerator, 0);
        EXPECT_EQ(none.denominator, 1);
    }
    // Created media carries its rate in COMM.
    omfMediaHdl_t media = createSound("AIFC", 1, 16, {44100, 1});
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    const std::vector<uint8_t> image = imageOf(kOmfProperty_AIFC_AudioData);
    ASSERT_GE(image.size(), 38u);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 28, image.begin() + 38),
              std::vector<uint8_t>(kRate44100, kRate44100 + 10));
}

TEST_F(AifcCodecTest, ChannelsComeFromTheSummaryForSoundOnly) {
    auto media = aifcHandle(aifcImage({1, 0, 16}, {}), aifcImage({6, 0, 16}, {}));
    omfObject_t fileMob = nullptr;
    ASSERT_EQ(omfmCreateFileMob(file_, "six", {44100, 1}, "AIFC", &fileMob), 0);
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
    const std::vector<uint8_t> summary = aifcImage({6, 0, 16}, {});
    ASSERT_EQ(omfsWriteDataBytes(file_, descriptor, kOmfProperty_AIFD_Summary, kOmfType_DataValue,
                                 0, omfInt32(summary.size()), summary.data()),
              0);
    omfInt16 channels = 0;
    ASSERT_EQ(omfmCodecNumChannels(file_, fileMob, sound_, &channels), 0);
    EXPECT_EQ(channels, 6);
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture, &status));
    ASSERT_EQ(omfmCodecNumChannels(file_, fileMob, picture, &channels), 0);
    EXPECT_EQ(channels, 0);
}

TEST_F(AifcCodecTest, SummaryCheckNamesTheFirstFigureThatDisagrees) {
    omfObject_t fileMob = nullptr;
    ASSERT_EQ(omfmCreateFileMob(file_, "checked", {44100, 1}, "AIFC", &fileMob), 0);
    omfObject_t descriptor = nullptr, data = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
    ASSERT_EQ(omfsObjectNew(file_, "AIFC", &data), 0);
    const std::vector<uint8_t> image = aifcImage({1, 2, 16}, kTwoFrames);
    ASSERT_EQ(omfsWriteDataBytes(file_, data, kOmfProperty_AIFC_AudioData, kOmfType_DataValue, 0,
                                 omfInt32(image.size()), image.data()),
              0);
    const uint8_t rate48000[10] = {0x40, 0x0E, 0xBB, 0x80, 0, 0, 0, 0, 0, 0};
    struct Case {
        AifcHeader summary;
        bool skipFrames;
        omfErr_t status;
        const char* message;
    };
    const Case cases[] = {
        {{2, 2, 16}, false, OM_ERR_MEDIA_SUMMARY_MISMATCH, "Number of channels"},
        {{1, 3, 16},
         false,
         OM_ERR_MEDIA_CHECK_WARNING,
         "Sample Frames in summary don't agree with data"},
        {{1, 3, 16}, true, 0, nullptr},
        {{1, 2, 8}, false, OM_ERR_MEDIA_SUMMARY_MISMATCH, "Bits Per Sample"},
        {{1, 2, 16, rate48000}, false, OM_ERR_MEDIA_SUMMARY_MISMATCH, "Frame Rate"},
        {{1, 2, 16}, false, 0, nullptr},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> summary = aifcImage(c.summary, {});
        ASSERT_EQ(omfsWriteDataBytes(file_, descriptor, kOmfProperty_AIFD_Summary,
                                     kOmfType_DataValue, 0, omfInt32(summary.size()),
                                     summary.data()),
                  0);
        const char* message = nullptr;
        EXPECT_EQ(checkSummary(fileMob, data, c.skipFrames, &message), c.status);
        if (c.message == nullptr) {
            EXPECT_EQ(message, nullptr);
        } else {
            ASSERT_NE(message, nullptr);
            EXPECT_STREQ(message, c.message);
        }
    }
}

TEST_F(AifcCodecTest, ReadSummaryRebuildsTheSummaryAndRateFromTheData) {
    omfObject_t fileMob = nullptr;
    ASSERT_EQ(omfmCreateFileMob(file_, "rebuilt", {1, 1}, "AIFC", &fileMob), 0);
    omfObject_t descriptor = nullptr, data = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
    ASSERT_EQ(omfsObjectNew(file_, "AIFC", &data), 0);
    const std::vector<uint8_t> image = aifcImage({1, 2, 16}, kTwoFrames);
    ASSERT_EQ(omfsWriteDataBytes(file_, data, kOmfProperty_AIFC_AudioData, kOmfType_DataValue, 0,
                                 omfInt32(image.size()), image.data()),
              0);
    omfCodecParms_t parms{};
    parms.spc.readSummary.fileMob = fileMob;
    parms.spc.readSummary.dataObject = data;
    ASSERT_EQ(codec_.call(kCodecOpReadSummary, parms, nullptr, file_), 0);
    omfRational_t rate{};
    ASSERT_EQ(omfsReadRational(file_, descriptor, kOmfProperty_MDFL_SampleRate, &rate), 0);
    EXPECT_EQ(rate.numerator, 44100);
    EXPECT_EQ(rate.denominator, 1);
    const std::vector<uint8_t> summary = valueBytes(descriptor, kOmfProperty_AIFD_Summary);
    ASSERT_EQ(summary.size(), omf::codecs::aifc::kHeaderBytes);
    EXPECT_EQ(summary[21], 1);  // channels
    EXPECT_EQ(summary[25], 2);  // frames
    EXPECT_EQ(summary[27], 16); // bits
}

} // namespace
