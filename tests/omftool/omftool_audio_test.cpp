// omftool audio: the sound media of a master mob written as a PCM WAVE file,
// read back with libsndfile; master mob choice, sample sizes and failures;
// and the sound figures omftool info lists.
#include "media_listing.h"
#include "sound_export.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_error_codes.h"
#include "omf_fixture.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <sstream>

namespace {

class OmftoolAudioTest : public omf_test::ToolkitTest {
  protected:
    // Writes an OMF file holding one master mob "tone" of sound media.
    void writeFile(const char* codec, omfInt16 channels, omfInt16 bits,
                   const std::vector<uint8_t>& frames, omfInt32 count) {
        ASSERT_EQ(omfmInit(session_), 0);
        omfHdl_t file = nullptr;
        ASSERT_EQ(omfsNewFile(path("sound.omf").c_str(), session_, kOmfRev2x, &file), 0);
        omfObject_t master = nullptr, fileMob = nullptr;
        ASSERT_EQ(omfmCreateMasterMob(file, "tone", 4, &master), 0);
        ASSERT_EQ(omfmCreateFileMob(file, "tone samples", {32000, 1}, codec, &fileMob), 0);
        omfMediaHdl_t media = nullptr;
        ASSERT_EQ(omfmCreateAudioMedia(file, master, fileMob, {32000, 1}, channels, bits, &media),
                  0);
        omfmMultiXfer_t transfer{
            1, count, omfInt32(frames.size()), const_cast<uint8_t*>(frames.data()), 0, 0};
        ASSERT_EQ(omfmWriteMultiSamples(media, 1, &transfer), 0);
        ASSERT_EQ(omfmCloseMedia(media), 0);
        ASSERT_EQ(omfsCloseOMFFile(file), 0);
    }

    int run(omftool::AudioOptions options) {
        options.file = path("sound.omf");
        options.output = path("out.wav");
        out_.str("");
        err_.str("");
        return omftool::runAudio(options, out_, err_);
    }

    // The output's samples as libsndfile reads them (full 32-bit scale).
    std::vector<int32_t> readOutput(SF_INFO* info) {
        SNDFILE* sound = sf_open(path("out.wav").c_str(), SFM_READ, info);
        EXPECT_NE(sound, nullptr);
        if (sound == nullptr) return {};
        std::vector<int32_t> values(size_t(info->frames * info->channels));
        EXPECT_EQ(sf_readf_int(sound, values.data(), info->frames), info->frames);
        sf_close(sound);
        return values;
    }

    std::ostringstream out_, err_;
};

std::vector<uint8_t> ramp(size_t bytes) {
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i)
        data[i] = uint8_t(i * 13 + 7);
    return data;
}

TEST_F(OmftoolAudioTest, StereoSixteenBitAifcBecomesTheSameWave) {
    const std::vector<uint8_t> frames = ramp(10000 * 4);
    writeFile("AIFC", 2, 16, frames, 10000);
    omftool::AudioOptions options;
    options.mob.name = "tone";
    ASSERT_EQ(run(options), 0) << err_.str();
    EXPECT_NE(out_.str().find("10000 frames"), std::string::npos) << out_.str();
    SF_INFO info{};
    const std::vector<int32_t> values = readOutput(&info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplerate, 32000);
    ASSERT_EQ(values.size(), 20000u);
    for (size_t i = 0; i < values.size(); ++i) {
        const auto sample = int16_t(frames[2 * i] | frames[2 * i + 1] << 8);
        ASSERT_EQ(values[i], int32_t(sample) * 65536) << i;
    }
}

TEST_F(OmftoolAudioTest, EightBitWaveWidensToSixteenAndWideSamplesToTwentyFour) {
    const std::vector<uint8_t> unsignedSamples = {0x80, 0xFF, 0x00, 0x81};
    writeFile("WAVE", 1, 8, unsignedSamples, 4);
    omftool::AudioOptions options;
    options.mob.index = 1;
    ASSERT_EQ(run(options), 0) << err_.str();
    SF_INFO info{};
    std::vector<int32_t> values = readOutput(&info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(values, (std::vector<int32_t>{0, 127 << 24, -128 << 24, 1 << 24}));

    ASSERT_EQ(omfsFinishSession(session_), 0);
    session_ = nullptr;
    omfProductIdentification_t ident = omf_test::testIdentification();
    ASSERT_EQ(omfsStartSession(&ident, &session_), 0);
    const std::vector<uint8_t> wide = ramp(3 * 3 * 2);
    writeFile("AIFC", 3, 20, wide, 2);
    ASSERT_EQ(run(options), 0) << err_.str();
    values = readOutput(&info);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_EQ(info.channels, 3);
    EXPECT_EQ(values.size(), 6u);
}

TEST_F(OmftoolAudioTest, MissingMasterMobsAreReportedWithTheirError) {
    writeFile("WAVE", 1, 16, ramp(8), 4);
    omftool::AudioOptions options;
    options.mob.name = "silence";
    EXPECT_EQ(run(options), 2);
    EXPECT_NE(err_.str().find("OMF error 139: "), std::string::npos) << err_.str();
    EXPECT_NE(err_.str().find("no master mob named \"silence\" has sound media"), std::string::npos)
        << err_.str();
    options.mob.name.clear();
    options.mob.index = 2;
    EXPECT_EQ(run(options), 2);
    EXPECT_NE(err_.str().find("fewer than 2 master mobs with sound media"), std::string::npos);
}

TEST_F(OmftoolAudioTest, InfoListsChannelsAndSampleSize) {
    writeFile("AIFC", 2, 24, ramp(6 * 5), 5);
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsOpenFileForRead(path("sound.omf").c_str(), session_, &file), 0);
    const nlohmann::json media = omftool::describeMedia(session_, file);
    ASSERT_EQ(omfsCloseOMFFile(file), 0);
    ASSERT_EQ(media.size(), 1u);
    EXPECT_EQ(media[0]["codec"], "AIFC Codec");
    EXPECT_EQ(media[0]["channels"], 2);
    EXPECT_EQ(media[0]["sampleBits"], 24);
    EXPECT_EQ(media[0]["length"], 5);
    std::ostringstream text;
    omftool::printMedia(text, media);
    EXPECT_NE(text.str().find("AIFC Codec; 2 channels, 24-bit; 5 samples at 32000/1"),
              std::string::npos)
        << text.str();
}

} // namespace
