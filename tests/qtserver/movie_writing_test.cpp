// Movies written through the server and read back by ffprobe and by a walk
// over their atoms: codec, size, frame count, time base, sound, timecode,
// colour, track matrix and the header placed first; refused headers and
// frames.
#include "movie_writing_fixture.h"

#include <sys/stat.h>

#include <cstring>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr char kJpeg[] = "Photo - JPEG_jpeg";

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

class MovieWriting : public MovieServerTest {
  protected:
    // SaveHeader with the settings, then `frames` frames of RawDataIn, each
    // with `perFrame`'s keys as well; disposes the state (which closes the
    // file). Answers SaveHeader's answer.
    bool WriteMovie(const std::string& path, const ScriptVal& settings, int frames,
                    const ScriptVal& perFrame = ScriptVal()) {
        ScriptVal state = NewState();
        const bool saved =
            app_.CallMember("SaveHeader", ArgumentTable({state, path, settings})).ToBoolean();
        const int width = static_cast<int>(settings.ToInteger("Width"));
        const int height = static_cast<int>(settings.ToInteger("Height"));
        for (int frame = 0; saved && frame < frames; ++frame) {
            ScriptVal table = ScriptVal::NewTable();
            if (perFrame.IsTable())
                perFrame.ForEachKey(
                    [&](const ScriptKey& key, const ScriptVal& value) { table.Set(key, value); });
            const std::vector<uint8_t> pixels = ArgbPattern(width, height, frame);
            table.Set("RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size()));
            EXPECT_TRUE(
                app_.CallMember("SaveFrame", ArgumentTable({state, frame, table})).ToBoolean())
                << "frame " << frame;
        }
        EXPECT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
        app_.CallMember("ReleaseState", state);
        return saved;
    }

    ScriptVal Settings(const char* codec, int frameRate) {
        return Table({{"Width", kWidth},
                      {"Height", kHeight},
                      {"FrameRate", frameRate},
                      {"CodecID", codec},
                      {"PixelFormat", "bit32"}});
    }

    void SetUp() override {
        MovieServerTest::SetUp();
        if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed";
    }
};

TEST_F(MovieWriting, AJpegMovieReadsBackWithItsCodecSizeFramesAndRate) {
    const std::string path = PathFor("jpeg.mov");
    ASSERT_TRUE(WriteMovie(path, Settings(kJpeg, 25000), 5));
    auto stream = ProbeStream(path, "v",
                              "codec_name,codec_tag_string,width,height,nb_frames,"
                              "r_frame_rate,time_base");
    EXPECT_EQ(stream["codec_name"], "mjpeg");
    EXPECT_EQ(stream["codec_tag_string"], "jpeg");
    EXPECT_EQ(stream["width"], "64");
    EXPECT_EQ(stream["height"], "48");
    EXPECT_EQ(stream["nb_frames"], "5");
    EXPECT_EQ(stream["r_frame_rate"], "25/1");
    EXPECT_EQ(stream["time_base"], "1/25000");
    EXPECT_EQ(ProbePacketDurations(path, "v"), std::vector<int64_t>(5, 1000));
}

TEST_F(MovieWriting, FrameRate29970HasTimeScale30000AndFramesOf1001) {
    const std::string path = PathFor("ntsc.mov");
    ASSERT_TRUE(WriteMovie(path, Settings(kJpeg, 29970), 3));
    auto stream = ProbeStream(path, "v", "time_base,r_frame_rate,nb_frames");
    EXPECT_EQ(stream["time_base"], "1/30000");
    EXPECT_EQ(stream["r_frame_rate"], "30000/1001");
    EXPECT_EQ(ProbePacketDurations(path, "v"), std::vector<int64_t>(3, 1001));
}

TEST_F(MovieWriting, FrameRate23980IsStoredAs23976) {
    const std::string path = PathFor("film.mov");
    ScriptVal state = NewState();
    ASSERT_TRUE(app_.CallMember("SaveHeader", ArgumentTable({state, path, Settings(kJpeg, 23980)}))
                    .ToBoolean());
    EXPECT_DOUBLE_EQ(app_.CallMember("GetStateAttrs", state).ToNumber("Rate"), 23.976);
    const std::vector<uint8_t> pixels = ArgbPattern(kWidth, kHeight);
    ASSERT_TRUE(
        app_.CallMember(
                "SaveFrame",
                ArgumentTable(
                    {state, 0,
                     Table({{"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size())}})}))
            .ToBoolean());
    ASSERT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    auto stream = ProbeStream(path, "v", "time_base,r_frame_rate");
    EXPECT_EQ(stream["time_base"], "1/2997");
    EXPECT_EQ(stream["r_frame_rate"], "2997/125");
    EXPECT_EQ(ProbePacketDurations(path, "v"), std::vector<int64_t>{125});
}

TEST_F(MovieWriting, AZeroOrMissingFrameRateIsRefusedAndNoFileIsMade) {
    ScriptVal noRate = Settings(kJpeg, 0);
    EXPECT_FALSE(WriteMovie(PathFor("zero.mov"), noRate, 0));
    noRate.Remove("FrameRate");
    EXPECT_FALSE(WriteMovie(PathFor("missing.mov"), noRate, 0));
    EXPECT_FALSE(Exists(PathFor("zero.mov")));
    EXPECT_FALSE(Exists(PathFor("missing.mov")));
    EXPECT_FALSE(WriteMovie(PathFor("negative.mov"), Settings(kJpeg, -25000), 0));
    // The control: one frame per second is a rate.
    EXPECT_TRUE(WriteMovie(PathFor("one.mov"), Settings(kJpeg, 1000), 1));
    EXPECT_EQ(ProbeStream(PathFor("one.mov"), "v", "nb_frames")["nb_frames"], "1");
}

TEST_F(MovieWriting, QualityChangesTheJpegData) {
    ScriptVal low = Settings(kJpeg, 25000);
    low.Set("Quality", 0);
    ScriptVal high = Settings(kJpeg, 25000);
    high.Set("Quality", 100);
    ASSERT_TRUE(WriteMovie(PathFor("low.mov"), low, 2));
    ASSERT_TRUE(WriteMovie(PathFor("high.mov"), high, 2));
    const auto lowSize = std::stoll(ProbeStream(PathFor("low.mov"), "v", "bit_rate")["bit_rate"]);
    const auto highSize = std::stoll(ProbeStream(PathFor("high.mov"), "v", "bit_rate")["bit_rate"]);
    // Headers weigh much in frames this small: the coarse data is still
    // well under two thirds of the fine.
    EXPECT_GT(2 * highSize, 3 * lowSize);
}

TEST_F(MovieWriting, TimecodeOfOneHourIsFrame90000At25AndFrame86400WithoutARate) {
    const std::string path = PathFor("timecode.mov");
    ScriptVal settings = Settings(kJpeg, 25000);
    settings.Set("Metadata", Table({{"TimeCode", "01:00:00:00"}, {"FrameRate", 25}}));
    ASSERT_TRUE(WriteMovie(
        path, settings, 2,
        Table({{"Metadata", Table({{"TimeCode", "01:00:00:00"}, {"FrameRate", 25.0}})}})));
    EXPECT_EQ(ProbeStream(path, "d", "codec_tag_string")["codec_tag_string"], "tmcd");
    EXPECT_EQ(ProbePacketData(path, "d"), (std::vector<std::string>{"00015f90", "00015f90"}));

    const std::string noRate = PathFor("timecode24.mov");
    ASSERT_TRUE(WriteMovie(noRate, settings, 1,
                           Table({{"Metadata", Table({{"TimeCode", "01:00:00:00"}})}})));
    EXPECT_EQ(ProbePacketData(noRate, "d"), std::vector<std::string>{"00015180"});
}

TEST_F(MovieWriting, WithoutTimecodeTextThereIsNoTimecodeTrack) {
    const std::string path = PathFor("plain.mov");
    ASSERT_TRUE(WriteMovie(path, Settings(kJpeg, 25000), 1));
    EXPECT_TRUE(ProbeStream(path, "d", "codec_tag_string").empty());
}

TEST_F(MovieWriting, SoundIsLinearPcmOfTheSampleBits) {
    struct Case {
        int bits;
        const char* codec;
    };
    for (const Case& sound :
         {Case{16, "pcm_s16be"}, Case{24, "pcm_s24be"}, Case{32, "pcm_f32be"}}) {
        const std::string path = PathFor("sound" + std::to_string(sound.bits) + ".mov");
        ScriptVal settings = Settings(kJpeg, 25000);
        settings.Set("NumChannels", 2);
        settings.Set("SampleBits", sound.bits);
        settings.Set("SampleRate", 48000);
        const std::vector<uint8_t> audio(1920 * 2 * sound.bits / 8, 0x11);
        ASSERT_TRUE(WriteMovie(
            path, settings, 3,
            Table({{"NumSamples", 1920},
                   {"RawAudioIn", ScriptVal::NewMemBlock(audio.data(), audio.size())}})));
        auto stream = ProbeStream(path, "a", "codec_name,sample_rate,channels,duration_ts");
        EXPECT_EQ(stream["codec_name"], sound.codec);
        EXPECT_EQ(stream["sample_rate"], "48000");
        EXPECT_EQ(stream["channels"], "2");
        EXPECT_EQ(stream["duration_ts"], "5760");
    }
}

TEST_F(MovieWriting, SaveAudioAddsSamplesAndRefusesAShortBlock) {
    const std::string path = PathFor("audio.mov");
    ScriptVal settings = Settings(kJpeg, 25000);
    settings.Set("NumChannels", 1);
    settings.Set("SampleBits", 16);
    settings.Set("SampleRate", 8000);
    ScriptVal state = NewState();
    ASSERT_TRUE(app_.CallMember("SaveHeader", ArgumentTable({state, path, settings})).ToBoolean());
    const std::vector<uint8_t> audio(2 * 800, 0);
    auto audioCall = [&](int samples, size_t bytes) {
        return app_
            .CallMember(
                "SaveAudio",
                ArgumentTable(
                    {state, Table({{"NumSamples", samples},
                                   {"RawAudioIn", ScriptVal::NewMemBlock(audio.data(), bytes)}})}))
            .ToBoolean();
    };
    EXPECT_TRUE(audioCall(800, audio.size()));
    EXPECT_FALSE(audioCall(801, audio.size())); // one sample more than the block holds
    EXPECT_FALSE(audioCall(0, audio.size()));
    ASSERT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    EXPECT_EQ(ProbeStream(path, "a", "duration_ts")["duration_ts"], "800");
}

TEST_F(MovieWriting, ColourParametersAndGammaAreStoredInTheDescription) {
    const std::string path = PathFor("colour.mov");
    ScriptVal settings = Settings(kJpeg, 25000);
    settings.Set("Primaries", 5);
    settings.Set("Transfer", 2);
    settings.Set("Matrix", 6);
    settings.Set("Gamma", 2.2);
    ASSERT_TRUE(WriteMovie(path, settings, 1));
    const std::vector<uint8_t> file = ReadFile(path);
    const std::vector<uint8_t> colour = BytesAfter(file, "nclc", 6);
    ASSERT_EQ(colour.size(), 6u);
    EXPECT_EQ(BigEndian16(&colour[0]), 5);
    EXPECT_EQ(BigEndian16(&colour[2]), 2);
    EXPECT_EQ(BigEndian16(&colour[4]), 6);
    const std::vector<uint8_t> gamma = BytesAfter(file, "gama", 4);
    ASSERT_EQ(gamma.size(), 4u);
    EXPECT_EQ(BigEndian32(gamma.data()), 0x00023333u); // 2.2 in 16.16, rounded

    // Another transfer: no gamma.
    settings.Set("Transfer", 1);
    ASSERT_TRUE(WriteMovie(PathFor("colour709.mov"), settings, 1));
    const std::vector<uint8_t> other = ReadFile(PathFor("colour709.mov"));
    EXPECT_EQ(BigEndian16(&BytesAfter(other, "nclc", 6)[2]), 1);
    EXPECT_TRUE(BytesAfter(other, "gama", 4).empty());
}

TEST_F(MovieWriting, TheTrackMatrixIsScaledByXScaleAndYScale) {
    const std::string path = PathFor("scaled.mov");
    ScriptVal settings = Settings(kJpeg, 25000);
    settings.Set("XScale", 1.0);
    settings.Set("YScale", 0.9);
    ASSERT_TRUE(WriteMovie(path, settings, 1));
    // tkhd: version and flags, two times, track, reserved, duration, 8
    // reserved, layer, group, volume, reserved (40 bytes), then the matrix.
    const std::vector<uint8_t> header = BytesAfter(ReadFile(path), "tkhd", 40 + 36);
    ASSERT_EQ(header.size(), 76u);
    EXPECT_EQ(BigEndian32(&header[40]), 0x00010000u);
    EXPECT_EQ(BigEndian32(&header[40 + 16]), 0x0000E666u); // 0.9
    EXPECT_EQ(BigEndian32(&header[40 + 32]), 0x40000000u);
}

TEST_F(MovieWriting, FastStartPutsTheMovieHeaderFirstAndLeavesNoTemporaryFile) {
    const std::string fast = PathFor("fast.mov");
    ScriptVal settings = Settings(kJpeg, 25000);
    settings.Set("DoFastStart", true);
    ASSERT_TRUE(WriteMovie(fast, settings, 2));
    const std::vector<std::string> fastAtoms = TopLevelAtoms(ReadFile(fast));
    const auto moov = std::find(fastAtoms.begin(), fastAtoms.end(), "moov");
    const auto mdat = std::find(fastAtoms.begin(), fastAtoms.end(), "mdat");
    ASSERT_NE(moov, fastAtoms.end());
    ASSERT_NE(mdat, fastAtoms.end());
    EXPECT_LT(moov, mdat);
    EXPECT_FALSE(Exists(fast + ".tmp"));
    EXPECT_EQ(ProbeStream(fast, "v", "nb_frames")["nb_frames"], "2");

    // The control: without it the header follows the data.
    const std::string plain = PathFor("plain.mov");
    ASSERT_TRUE(WriteMovie(plain, Settings(kJpeg, 25000), 2));
    const std::vector<std::string> plainAtoms = TopLevelAtoms(ReadFile(plain));
    EXPECT_GT(std::find(plainAtoms.begin(), plainAtoms.end(), "moov"),
              std::find(plainAtoms.begin(), plainAtoms.end(), "mdat"));
}

TEST_F(MovieWriting, V210FramesAreStoredAsTheyCome) {
    const std::string path = PathFor("v210.mov");
    ScriptVal settings = Settings("Component Y'CbCr 10-bit 4:2:2_v210", 25000);
    settings.Set("PixelFormat", "qtv210");
    ScriptVal state = NewState();
    ASSERT_TRUE(app_.CallMember("SaveHeader", ArgumentTable({state, path, settings})).ToBoolean());
    ScriptVal attributes = app_.CallMember("GetStateAttrs", state);
    const int64_t rowBytes = (kWidth + 47) / 48 * 128;
    EXPECT_EQ(attributes.ToInteger("RowModulo"), rowBytes);
    EXPECT_EQ(attributes.ToInteger("PixMapPixelFormat"), 0x76323130); // "v210"
    std::vector<uint8_t> frame(rowBytes * kHeight);
    for (size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<uint8_t>(i * 131 + 7);
    ASSERT_TRUE(
        app_.CallMember(
                "SaveFrame",
                ArgumentTable(
                    {state, 0,
                     Table({{"RawDataIn", ScriptVal::NewMemBlock(frame.data(), frame.size())}})}))
            .ToBoolean());
    // A frame one byte short of a whole one is refused.
    EXPECT_FALSE(app_.CallMember("SaveFrame",
                                 ArgumentTable(
                                     {state, 1,
                                      Table({{"RawDataIn", ScriptVal::NewMemBlock(
                                                               frame.data(), frame.size() - 1)}})}))
                     .ToBoolean());
    ASSERT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    auto stream = ProbeStream(path, "v", "codec_name,codec_tag_string,width,height");
    EXPECT_EQ(stream["codec_name"], "v210");
    EXPECT_EQ(stream["codec_tag_string"], "v210");
    const std::vector<uint8_t> file = ReadFile(path);
    EXPECT_NE(std::search(file.begin(), file.end(), frame.begin(), frame.end()), file.end());
}

TEST_F(MovieWriting, SaveFrameOnAStateWithoutAWritingMovieAnswersFalse) {
    ScriptVal state = NewState();
    const std::vector<uint8_t> pixels = ArgbPattern(kWidth, kHeight);
    ScriptVal frame = Table({{"RawDataIn", ScriptVal::NewMemBlock(pixels.data(), pixels.size())}});
    EXPECT_FALSE(app_.CallMember("SaveFrame", ArgumentTable({state, 0, frame})).ToBoolean());
    EXPECT_FALSE(app_.CallMember("SaveFrame", ArgumentTable({42, 0, frame})).ToBoolean());

    // A state opened for reading a movie.
    const std::string path = PathFor("read.mov");
    ASSERT_TRUE(WriteMovie(path, Settings(kJpeg, 25000), 2));
    ASSERT_TRUE(app_.CallMember("LoadHeader", ArgumentTable({state, path})).ToBoolean());
    EXPECT_FALSE(app_.CallMember("SaveFrame", ArgumentTable({state, 0, frame})).ToBoolean());
    EXPECT_FALSE(
        app_.CallMember("SaveAudio", ArgumentTable({state, ScriptVal::NewTable()})).ToBoolean());
    // The control: a state writing a movie takes the frame.
    ScriptVal writer = NewState();
    ASSERT_TRUE(app_.CallMember("SaveHeader",
                                ArgumentTable({writer, PathFor("w.mov"), Settings(kJpeg, 25000)}))
                    .ToBoolean());
    EXPECT_TRUE(app_.CallMember("SaveFrame", ArgumentTable({writer, 0, frame})).ToBoolean());
    EXPECT_TRUE(app_.CallMember("DisposeState", writer).ToBoolean());
}

TEST_F(MovieWriting, FramesMayComeThroughTheSectionReportedByTheState) {
    const std::string path = PathFor("section.mov");
    ScriptVal state = NewState();
    ASSERT_TRUE(app_.CallMember("SaveHeader", ArgumentTable({state, path, Settings(kJpeg, 25000)}))
                    .ToBoolean());
    ScriptVal attributes = app_.CallMember("GetStateAttrs", state);
    EXPECT_EQ(attributes.ToInteger("RowModulo"), kWidth * 4);
    EXPECT_EQ(attributes.ToInteger("PixMapPixelFormat"), 32);
    EXPECT_EQ(attributes.ToInteger("MapSize"), kWidth * 4 * kHeight);
    EXPECT_FALSE(attributes.ToString("MapName").empty());
    // Without RawDataIn the frame is taken from the section.
    EXPECT_TRUE(
        app_.CallMember("SaveFrame", ArgumentTable({state, 0, ScriptVal::NewTable()})).ToBoolean());
    ASSERT_TRUE(app_.CallMember("DisposeState", state).ToBoolean());
    EXPECT_EQ(ProbeStream(path, "v", "nb_frames")["nb_frames"], "1");
}

TEST_F(MovieWriting, EveryCatalogueCodecWritesAMovieFfprobeNames) {
    struct Case {
        const char* codecID;
        const char* codecName;
        int width, height;
    };
    const Case cases[] = {
        {"Cinepak_cvid", "cinepak", 64, 48},
        {"PNG_png ", "png", 64, 48},
        {"None_raw ", "rawvideo", 64, 48},
        {"Component Y'CbCr 8-bit 4:2:2_2vuy", "rawvideo", 64, 48},
        {"Component Y'CbCr 10-bit 4:4:4_v410", "v410", 64, 48},
        {"DV - NTSC_dvc ", "dvvideo", 720, 480},
        {"DV - PAL_dvcp", "dvvideo", 720, 576},
        {"Apple ProRes 422_apcn", "prores", 64, 48},
        {"Apple ProRes 4444_ap4h", "prores", 64, 48},
        {"MPEG-4 Video_mp4v", "mpeg4", 64, 48},
        {"H.264_avc1", "h264", 64, 48},
    };
    for (const Case& codec : cases) {
        const std::string path = PathFor(std::string("codec-") + codec.codecName + ".mov");
        ScriptVal settings = Table({{"Width", codec.width},
                                    {"Height", codec.height},
                                    {"FrameRate", 25000},
                                    {"CodecID", codec.codecID},
                                    {"PixelFormat", "bit32"}});
        ASSERT_TRUE(WriteMovie(path, settings, 2)) << codec.codecID;
        auto stream = ProbeStream(path, "v", "codec_name,codec_tag_string,nb_frames");
        EXPECT_EQ(stream["codec_name"], codec.codecName) << codec.codecID;
        EXPECT_EQ(stream["codec_tag_string"],
                  std::string(codec.codecID).substr(std::strlen(codec.codecID) - 4))
            << codec.codecID;
        EXPECT_EQ(stream["nb_frames"], "2") << codec.codecID;
    }
}

} // namespace
