// Sound media written and read back through the media calls: AIFC and WAVE,
// mono and stereo, 8, 16 and 24 bits, written as whole frames and channel by
// channel, read back interleaved, channel by channel and from a frame on.
#include "audio_media_fixture.h"

#include <tuple>

using namespace audio_test;

namespace {

enum class WriteMode { wholeFrames, perChannel };

using Case = std::tuple<const char*, int /*channels*/, int /*bits*/, WriteMode>;

class AudioRoundTripTest : public AudioMediaTest, public ::testing::WithParamInterface<Case> {
  protected:
    const char* codec() const { return std::get<0>(GetParam()); }
    int channels() const { return std::get<1>(GetParam()); }
    int bits() const { return std::get<2>(GetParam()); }
    int sampleBytes() const { return (bits() + 7) / 8; }
    WriteMode mode() const { return std::get<3>(GetParam()); }

    // Writes `frames` in two calls of the test's mode.
    void write(omfMediaHdl_t media, const std::vector<uint8_t>& frames, omfInt32 count) {
        const omfInt32 first = count / 3;
        const size_t split = size_t(first) * size_t(channels() * sampleBytes());
        const std::vector<uint8_t> head(frames.begin(), frames.begin() + long(split));
        const std::vector<uint8_t> tail(frames.begin() + long(split), frames.end());
        writePart(media, head, first);
        writePart(media, tail, count - first);
    }

    void writePart(omfMediaHdl_t media, const std::vector<uint8_t>& frames, omfInt32 count) {
        if (mode() == WriteMode::wholeFrames) {
            ASSERT_EQ(writeFrames(media, frames, count), 0);
            return;
        }
        std::vector<std::vector<uint8_t>> samples;
        std::vector<omfmMultiXfer_t> transfers;
        for (int channel = 1; channel <= channels(); ++channel)
            samples.push_back(channelOf(frames, channels(), sampleBytes(), channel));
        // Channels in reverse order: each transfer names its own.
        for (int channel = channels(); channel >= 1; --channel) {
            std::vector<uint8_t>& buffer = samples[size_t(channel - 1)];
            transfers.push_back(omfmMultiXfer_t{omfInt16(channel), count, omfInt32(buffer.size()),
                                                buffer.data(), 0, 0});
        }
        ASSERT_EQ(omfmWriteMultiSamples(media, omfInt32(transfers.size()), transfers.data()), 0);
        for (const omfmMultiXfer_t& transfer : transfers)
            EXPECT_EQ(transfer.samplesXfered, count);
    }
};

TEST_P(AudioRoundTripTest, SamplesComeBackInterleavedAndPerChannel) {
    constexpr omfInt32 kFrames = 1000;
    const std::vector<uint8_t> frames = samplePattern(kFrames, channels(), bits());
    omfMediaHdl_t media = createSound(codec(), omfInt16(channels()), omfInt16(bits()));
    ASSERT_NE(media, nullptr);
    write(media, frames, kFrames);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    reopen();

    omfInt16 counted = 0;
    ASSERT_EQ(omfmCountChannels(file_, findMob(masterID_), 1, nullptr, sound_, &counted), 0);
    EXPECT_EQ(counted, channels());
    media = openSound();
    ASSERT_NE(media, nullptr);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, kFrames);

    // Interleaved, whole frames.
    std::vector<uint8_t> interleaved(frames.size());
    omfInt32 samplesRead = 0, bytesRead = 0;
    ASSERT_EQ(omfmReadMediaSamples(media, kFrames, omfInt32(interleaved.size()), interleaved.data(),
                                   &samplesRead, &bytesRead),
              0);
    EXPECT_EQ(samplesRead, kFrames);
    EXPECT_EQ(bytesRead, omfInt32(frames.size()));
    EXPECT_EQ(interleaved, frames);

    // Channel by channel from frame 401 on.
    constexpr omfInt32 kFrom = 401, kCount = kFrames - kFrom + 1;
    ASSERT_EQ(omfmSetFrame(media, kFrom), 0);
    const size_t skip = size_t(kFrom - 1) * size_t(channels() * sampleBytes());
    const std::vector<uint8_t> rest(frames.begin() + long(skip), frames.end());
    std::vector<std::vector<uint8_t>> samples(static_cast<size_t>(channels()));
    std::vector<omfmMultiXfer_t> transfers;
    for (int channel = 1; channel <= channels(); ++channel) {
        samples[size_t(channel - 1)].assign(size_t(kCount * sampleBytes()), 0xEE);
        transfers.push_back(omfmMultiXfer_t{omfInt16(channel), kCount,
                                            omfInt32(samples[size_t(channel - 1)].size()),
                                            samples[size_t(channel - 1)].data(), 0, 0});
    }
    if (channels() > 1) {
        ASSERT_EQ(omfmReadMultiSamples(media, omfInt32(transfers.size()), transfers.data()), 0);
        for (int channel = 1; channel <= channels(); ++channel) {
            EXPECT_EQ(transfers[size_t(channel - 1)].samplesXfered, kCount);
            EXPECT_EQ(samples[size_t(channel - 1)],
                      channelOf(rest, channels(), sampleBytes(), channel))
                << "channel " << channel;
        }
    } else {
        ASSERT_EQ(omfmReadChannelSamples(media, kCount, omfInt32(samples[0].size()),
                                         samples[0].data(), &bytesRead),
                  0);
        EXPECT_EQ(samples[0], rest);
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    return std::string(std::get<0>(info.param)) + "_" + std::to_string(std::get<1>(info.param)) +
           "ch_" + std::to_string(std::get<2>(info.param)) + "bit_" +
           (std::get<3>(info.param) == WriteMode::wholeFrames ? "frames" : "channels");
}

INSTANTIATE_TEST_SUITE_P(SoundMedia, AudioRoundTripTest,
                         ::testing::Combine(::testing::Values("AIFC", "WAVE"),
                                            ::testing::Values(1, 2), ::testing::Values(8, 16, 24),
                                            ::testing::Values(WriteMode::wholeFrames,
                                                              WriteMode::perChannel)),
                         caseName);

// The second channel of stereo media opened from its own master-mob track
// is the handle's read channel.
TEST_F(AudioMediaTest, SecondTrackReadsTheSecondChannel) {
    const std::vector<uint8_t> frames = samplePattern(64, 2, 16);
    omfMediaHdl_t media = createSound("WAVE", 2, 16);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(writeFrames(media, frames, 64), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    reopen();
    media = openSound(2);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> right(64 * 2);
    omfInt32 bytes = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 64, omfInt32(right.size()), right.data(), &bytes), 0);
    EXPECT_EQ(bytes, 128);
    EXPECT_EQ(right, channelOf(frames, 2, 2, 2));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

} // namespace

namespace {

// omfmInit registers both sound codecs for every file revision, under their
// IDs and names.
TEST_F(AudioMediaTest, BothSoundCodecsAreRegisteredForEveryRevision) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        omfInt32 count = 0;
        ASSERT_EQ(omfmCountCodecs(session_, "omfi:data:Sound", revision, &count), 0);
        EXPECT_EQ(count, 2) << revision;
    }
    for (const auto& [id, name] : {std::pair{"AIFC", "AIFC Codec"}, {"WAVE", "WAVE Codec"}}) {
        omfCodecDef_t codec{};
        ASSERT_EQ(omfmLookupCodec(session_, id, &codec), 0) << id;
        char text[32] = {};
        ASSERT_EQ(omfmGetCodecDescription(session_, &codec, nullptr, text, sizeof text), 0);
        EXPECT_STREQ(text, name);
    }
}

} // namespace
