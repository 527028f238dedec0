// Movie reading through the real server: movies written by ffmpeg are opened
// with IsThisFormat and LoadHeader, their attributes read, and their frames
// loaded by number and by time and compared with the frames ffmpeg decodes.
#include "server_process.h"
#include "test_movies.h"

#include "movie/movie_services.h"
#include "platform/shared_section.h"
#include "tarsel/remote.h"
#include "tarsel/script_arguments.h"
#include "tarsel/script_val.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using movie::FourCharCode;

// The frames most tests use: 70 x 30 pixels (rows of 32-bit pixels need
// padding to 16 bytes), 12 frames at 25 per second.
constexpr int kWidth = 70;
constexpr int kHeight = 30;
constexpr int kFrames = 12;
const std::string kTestSource =
    "-f lavfi -i testsrc=size=70x30:rate=25:duration=0.48 -frames:v 12 ";

class MovieReading : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveFFmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    }

    void TearDown() override {
        if (state_.IsRemoteObject()) {
            app_.CallMember("DisposeState", state_);
            app_.CallMember("ReleaseState", state_);
        }
    }

    // The server and the state, started by the first call that needs them:
    // a server quits after 5 s without calls, which writing movies with
    // ffmpeg on a loaded machine can take.
    const ScriptVal& App() {
        if (!server_) {
            QTServerProcess::Options options;
            options.registryFile = scratch_.WriteRegistry(TEST_MOVIE_MODULE_DIR);
            server_ = std::make_unique<QTServerProcess>(options);
            app_ = server_->Connect();
            EXPECT_TRUE(app_.IsRemoteObject());
            state_ = app_.CallMember("NewState");
            EXPECT_TRUE(state_.IsRemoteObject());
        }
        return app_;
    }

    const ScriptVal& State() {
        App();
        return state_;
    }

    std::string Path(const std::string& name) const { return scratch_.path() + "/" + name; }

    // A movie `name` written by ffmpeg from `arguments`.
    std::string Movie(const std::string& name, const std::string& arguments) {
        const std::string path = Path(name);
        EXPECT_TRUE(WriteMovie(path, arguments)) << arguments;
        return path;
    }

    bool LoadHeader(const std::string& path) {
        return App().CallMember("LoadHeader", ArgumentTable({State(), path})).ToBoolean();
    }

    ScriptVal IsThisFormat(const std::string& path, const ScriptVal& kind) {
        return App().CallMember("IsThisFormat", ArgumentTable({State(), path, kind}));
    }

    ScriptVal Attributes() { return App().CallMember("GetStateAttrs", State()); }

    void SetAttributes(const ScriptVal& table) {
        App().CallMember("SetStateAttrs", ArgumentTable({State(), table}));
    }

    ScriptVal LoadFrame(int frame) {
        return App().CallMember("LoadFrame", ArgumentTable({State(), frame}));
    }

    ScriptVal LoadFrameAt(double seconds) {
        ScriptVal arguments = ArgumentTable({State(), 0});
        arguments.Set(3, seconds);
        return App().CallMember("LoadFrame", arguments);
    }

    // The bytes a LoadFrame answer delivered: from the section it names, or
    // its memory block.
    static std::vector<uint8_t> FrameBytes(const ScriptVal& answer) {
        const size_t size =
            static_cast<size_t>(answer.ToInteger("Height") * answer.ToInteger("RowModulo"));
        if (answer.HasKey("MapName")) {
            platform::SectionError error;
            auto section = platform::SharedSection::Open(answer.ToString("MapName"), 0, error);
            if (!section || section->Size() < size || !section->MapView()) return {};
            const auto* view = static_cast<const uint8_t*>(section->View());
            return {view, view + size};
        }
        const ScriptVal* block = answer.FindKeyConst("RawDataOut");
        if (!block || !block->IsMemBlock() || block->GetData()->size < size) return {};
        const auto* data = static_cast<const uint8_t*>(block->GetData()->data);
        return {data, data + size};
    }

    // Whether `frame` (rows of `rowBytes`) holds the packed rows of `expected`.
    static bool SamePixels(const std::vector<uint8_t>& frame, size_t rowBytes,
                           const std::vector<uint8_t>& expected, size_t packedRowBytes) {
        if (packedRowBytes == 0 || rowBytes < packedRowBytes) return false;
        const size_t rows = expected.size() / packedRowBytes;
        if (frame.size() < rows * rowBytes) return false;
        for (size_t row = 0; row < rows; ++row)
            if (std::memcmp(frame.data() + row * rowBytes, expected.data() + row * packedRowBytes,
                            packedRowBytes) != 0)
                return false;
        return true;
    }

    ScratchFolder scratch_{"qts-reading"};
    std::unique_ptr<QTServerProcess> server_;
    ScriptVal app_;
    ScriptVal state_;
};

TEST_F(MovieReading, TheHeaderOfAPngMovieGivesItsSizeFramesRateAndCodec) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("Width"), kWidth);
    EXPECT_EQ(attributes.ToInteger("Height"), kHeight);
    EXPECT_EQ(attributes.ToInteger("NumFrames"), kFrames);
    EXPECT_EQ(attributes.ToNumber("Rate"), 25.0);
    EXPECT_EQ(attributes.ToInteger("max_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToInteger("use_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToNumber("XScale"), 1.0);
    EXPECT_EQ(attributes.ToNumber("YScale"), 1.0);
    // The identifier names the codec as the codec list does for writing.
    const std::string codec = attributes.ToString("CodecID");
    EXPECT_TRUE(codec.ends_with("_png ")) << codec;
    const ScriptVal list = App().CallMember("GetCodecList", State());
    App().CallMember("DisposeCodecList", State());
    bool listed = false;
    for (int64_t entry = 1; entry <= static_cast<int64_t>(list.NumKeys()); ++entry) {
        const ScriptVal* codecEntry = list.FindKeyConst(entry);
        if (codecEntry &&
            codecEntry->ToString("Name") + "_" + codecEntry->ToString("Compressor") == codec)
            listed = true;
    }
    EXPECT_TRUE(listed) << codec;
    // An 8-bit RGB codec gives none of the preferred deep or Y'CbCr formats.
    EXPECT_EQ(attributes.ToInteger("PixelFormat"), 32);
    EXPECT_FALSE(attributes.HasKey("MapName"));
}

TEST_F(MovieReading, FramesOfALosslessMovieAreTheFramesFFmpegDecodes) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    const auto expected = DecodedFrames(path, "argb", kWidth * kHeight * 4);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    ASSERT_TRUE(LoadHeader(path));
    for (int frame : {0, 1, 2, 7, 11}) {
        const ScriptVal answer = LoadFrame(frame);
        ASSERT_TRUE(answer.IsTable());
        EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), 32);
        // 70 pixels of 4 bytes padded to 16.
        EXPECT_EQ(answer.ToInteger("RowModulo"), 288);
        EXPECT_TRUE(answer.HasKey("MapName"));
        EXPECT_EQ(answer.ToInteger("MapSize"), 288 * kHeight);
        EXPECT_FALSE(answer.HasKey("NoMap"));
        EXPECT_FALSE(answer.HasKey("RawDataOut"));
        EXPECT_TRUE(SamePixels(FrameBytes(answer), 288, expected[frame], kWidth * 4))
            << "frame " << frame;
    }
}

TEST_F(MovieReading, AFrameThatFillsItsSectionToAPageBoundaryIsDelivered) {
    // 64 x 48 pixels of 4 bytes are exactly three pages: a conversion that
    // writes past the last row would fault the server.
    const std::string path =
        Movie("pages.mov", "-f lavfi -i testsrc=size=64x48:rate=25 -frames:v 2 -c:v png");
    const auto expected = DecodedFrames(path, "argb", 64 * 48 * 4);
    ASSERT_EQ(expected.size(), 2u);
    ASSERT_TRUE(LoadHeader(path));
    for (int frame : {0, 1}) {
        const ScriptVal answer = LoadFrame(frame);
        ASSERT_TRUE(answer.IsTable());
        ASSERT_EQ(answer.ToInteger("MapSize"), 3 * 4096);
        EXPECT_TRUE(SamePixels(FrameBytes(answer), 256, expected[frame], 256)) << frame;
    }
}

TEST_F(MovieReading, QtrleFramesIn24BitRGBMatchFFmpeg) {
    const std::string path = Movie("rle.mov", kTestSource + "-c:v qtrle -pix_fmt rgb24");
    const auto expected = DecodedFrames(path, "rgb24", kWidth * kHeight * 3);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    SetAttributes([] {
        ScriptVal table = ScriptVal::NewTable();
        table.Set("PixelFormat", "bit24");
        return table;
    }());
    ASSERT_TRUE(LoadHeader(path));
    EXPECT_EQ(Attributes().ToInteger("PixelFormat"), 24);
    for (int frame : {3, 4, 9}) {
        const ScriptVal answer = LoadFrame(frame);
        EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), 24);
        EXPECT_EQ(answer.ToInteger("RowModulo"), 224); // 210 padded to 16
        EXPECT_TRUE(SamePixels(FrameBytes(answer), 224, expected[frame], kWidth * 3))
            << "frame " << frame;
    }
}

TEST_F(MovieReading, SixteenBitARGBHoldsEachEightBitComponentInItsHighByte) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    const auto expected = DecodedFrames(path, "argb", kWidth * kHeight * 4);
    ASSERT_FALSE(expected.empty());
    ScriptVal table = ScriptVal::NewTable();
    table.Set("PixelFormat", "bit64");
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal answer = LoadFrame(0);
    EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), FourCharCode("b64a"));
    ASSERT_EQ(answer.ToInteger("RowModulo"), kWidth * 8);
    const std::vector<uint8_t> frame = FrameBytes(answer);
    ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth * 8 * kHeight));
    size_t mismatches = 0;
    for (size_t pixel = 0; pixel < static_cast<size_t>(kWidth * kHeight); ++pixel)
        for (size_t component = 0; component < 4; ++component)
            if (frame[pixel * 8 + component * 2] != expected[0][pixel * 4 + component])
                ++mismatches;
    EXPECT_EQ(mismatches, 0u);
}

TEST_F(MovieReading, FrameTenThenFiveThenSixAreEachTheRightFrame) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    const auto expected = DecodedFrames(path, "argb", kWidth * kHeight * 4);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    ASSERT_TRUE(LoadHeader(path));
    for (int frame : {10, 5, 6, 7, 5}) {
        const ScriptVal answer = LoadFrame(frame);
        EXPECT_TRUE(SamePixels(FrameBytes(answer), 288, expected[frame], kWidth * 4))
            << "frame " << frame;
    }
}

TEST_F(MovieReading, FramesByTimeAreTheFramesShownAtThatTime) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    const auto expected = DecodedFrames(path, "argb", kWidth * kHeight * 4);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kFrames));
    ASSERT_TRUE(LoadHeader(path));
    // 25 frames a second: 0.2 s is frame 5, 0.23 s still frame 5, 0.1 s
    // (going back) frame 2, 0.44 s frame 11; 3000 s (3e9 microseconds, past
    // what 32 bits hold) the last frame.
    const std::pair<double, int> cases[] = {{0.2, 5},   {0.23, 5}, {0.1, 2},
                                            {0.44, 11}, {0.0, 0},  {3000.0, 11}};
    for (const auto& [seconds, frame] : cases) {
        const ScriptVal answer = LoadFrameAt(seconds);
        EXPECT_TRUE(SamePixels(FrameBytes(answer), 288, expected[frame], kWidth * 4))
            << seconds << " s";
    }
}

TEST_F(MovieReading, AFramePastTheLastOneAnswersWithoutBytes) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal last = LoadFrame(kFrames - 1);
    EXPECT_FALSE(FrameBytes(last).empty());
    const ScriptVal past = LoadFrame(kFrames);
    ASSERT_TRUE(past.IsTable());
    EXPECT_FALSE(past.HasKey("RawDataOut"));
    EXPECT_FALSE(past.HasKey("NoMap"));
    EXPECT_FALSE(past.HasKey("Metadata") && !last.HasKey("Metadata"));
}

TEST_F(MovieReading, AHeaderOnlyLoadDeliversNoBytesButTheMetadata) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    ASSERT_TRUE(LoadHeader(path));
    ScriptVal arguments = ArgumentTable({State(), 3});
    arguments.Set(3, ScriptVal());
    arguments.Set(4, true);
    const ScriptVal answer = App().CallMember("LoadFrame", arguments);
    ASSERT_TRUE(answer.IsTable());
    EXPECT_FALSE(answer.HasKey("RawDataOut"));
    EXPECT_FALSE(answer.HasKey("MapName"));
    const ScriptVal* metadata = answer.FindKeyConst("Metadata");
    ASSERT_TRUE(metadata && metadata->IsTable());
    EXPECT_EQ(metadata->ToString("ColorSpaceID"), "Rec709");
    EXPECT_EQ(metadata->ToString("GammaSpaceID"), "Rec709");
    EXPECT_FALSE(metadata->HasKey("TimeCode"));
}

TEST_F(MovieReading, ASoundTrackBeforeTheOnlyVideoTrackIsPassedOver) {
    const std::string path =
        Movie("sound-first.mov", "-f lavfi -i sine=frequency=440:duration=1 " + kTestSource +
                                     "-map 0:a -map 1:v -c:a pcm_s16le -c:v png");
    ScriptVal table = ScriptVal::NewTable();
    table.Set("use_vidtrack_num", 0);
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("max_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToInteger("use_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToInteger("Width"), kWidth);
    EXPECT_EQ(attributes.ToInteger("NumFrames"), kFrames);
    EXPECT_FALSE(FrameBytes(LoadFrame(4)).empty());
}

TEST_F(MovieReading, TheSecondVideoTrackIsReadWhenChosen) {
    const std::string path =
        Movie("two.mov",
              "-f lavfi -i testsrc=size=70x30:rate=25:duration=0.48 "
              "-f lavfi -i testsrc=size=32x16:rate=25:duration=0.48 -map 0:v -map 1:v -c:v png");
    ScriptVal table = ScriptVal::NewTable();
    table.Set("use_vidtrack_num", 2);
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("max_vidtrack_num"), 2);
    EXPECT_EQ(attributes.ToInteger("use_vidtrack_num"), 2);
    EXPECT_EQ(attributes.ToInteger("Width"), 32);
    // A track number past the last is taken as the first.
    table.Set("use_vidtrack_num", 3);
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("use_vidtrack_num"), 1);
    EXPECT_EQ(attributes.ToInteger("Width"), kWidth);
}

TEST_F(MovieReading, KindsTellMoviesFromSingleFramePictures) {
    const std::string picture =
        Movie("one.mov", "-f lavfi -i testsrc=size=70x30:rate=25 -frames:v 1 -c:v png");
    const std::string movie = Movie("png.mov", kTestSource + "-c:v png");
    EXPECT_FALSE(IsThisFormat(picture, "QuickTimeMovies").ToBoolean());
    EXPECT_TRUE(IsThisFormat(picture, "QuickDrawPictures").ToBoolean());
    EXPECT_TRUE(IsThisFormat(movie, "QuickTimeMovies").ToBoolean());
    EXPECT_FALSE(IsThisFormat(movie, "QuickDrawPictures").ToBoolean());
    // A kind that is not text counts as movies; other kinds keep the answer.
    EXPECT_FALSE(IsThisFormat(picture, 7).ToBoolean());
    EXPECT_TRUE(IsThisFormat(picture, "Other").ToBoolean());
    EXPECT_TRUE(IsThisFormat(picture, ScriptVal()).ToBoolean());
    // Not a movie at all, and no file.
    const std::string text = Path("text.mov");
    ASSERT_EQ(std::system(("echo 'not a movie' > '" + text + "'").c_str()), 0);
    EXPECT_FALSE(IsThisFormat(text, ScriptVal()).ToBoolean());
    EXPECT_FALSE(IsThisFormat(Path("missing.mov"), ScriptVal()).ToBoolean());
    EXPECT_FALSE(LoadHeader(Path("missing.mov")));
}

TEST_F(MovieReading, AStateOpenedByIsThisFormatLoadsFrames) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    const auto expected = DecodedFrames(path, "argb", kWidth * kHeight * 4);
    ASSERT_FALSE(expected.empty());
    ASSERT_TRUE(IsThisFormat(path, ScriptVal()).ToBoolean());
    EXPECT_EQ(Attributes().ToInteger("NumFrames"), kFrames);
    const ScriptVal answer = LoadFrame(3);
    EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), 32);
    EXPECT_TRUE(SamePixels(FrameBytes(answer), 288, expected[3], kWidth * 4));
}

TEST_F(MovieReading, TheRateIsTheMedianSampleDuration) {
    // Durations 1001, 1001, 2002, 1001 at 30000 units a second: the median
    // gives 29.97 frames a second, the mean would give 23.976.
    const std::string path = Movie(
        "vfr.mov", "-f lavfi -i testsrc=size=70x30:rate=30000/1001 -frames:v 4 "
                   "-vf settb=1/30000,setpts='if(eq(N\\,3)\\,4004\\,N*1001)' -fps_mode passthrough "
                   "-video_track_timescale 30000 -c:v png");
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("NumFrames"), 4);
    EXPECT_EQ(attributes.ToNumber("Rate"), 29.97);
}

TEST_F(MovieReading, TimecodeIsReadForEachFrame) {
    const std::string path = Movie("tc.mov", kTestSource + "-timecode 01:00:00:00 -c:v png");
    ASSERT_TRUE(LoadHeader(path));
    for (const auto& [frame, text] :
         {std::pair{0, "01:00:00:00"}, std::pair{7, "01:00:00:07"}, std::pair{2, "01:00:00:02"}}) {
        const ScriptVal answer = LoadFrame(frame);
        const ScriptVal* metadata = answer.FindKeyConst("Metadata");
        ASSERT_TRUE(metadata && metadata->IsTable());
        EXPECT_EQ(metadata->ToString("TimeCode"), text);
        EXPECT_EQ(metadata->ToNumber("FrameRate"), 25.0);
    }
}

TEST_F(MovieReading, ColourParametersNameTheColourSpace) {
    const std::string smpteC =
        Movie("c6.mov", kTestSource + "-c:v png -color_primaries smpte170m -color_trc bt709 "
                                      "-colorspace smpte170m");
    const std::string smpte240 =
        Movie("c7.mov", kTestSource + "-c:v png -color_primaries bt470bg -color_trc smpte240m "
                                      "-colorspace bt470bg");
    const std::string pal =
        Movie("c5.mov", kTestSource + "-c:v png -color_primaries bt470bg -color_trc bt709 "
                                      "-colorspace bt470bg");
    ASSERT_TRUE(LoadHeader(smpteC));
    ScriptVal metadata = *LoadFrame(0).FindKeyConst("Metadata");
    EXPECT_EQ(metadata.ToString("ColorSpaceID"), "SMPTEC");
    EXPECT_EQ(metadata.ToString("GammaSpaceID"), "Rec709");

    // The name the movie before gave is not kept.
    ASSERT_TRUE(LoadHeader(smpte240));
    metadata = *LoadFrame(0).FindKeyConst("Metadata");
    EXPECT_EQ(metadata.ToString("ColorSpaceID"), "SMPTE240");
    EXPECT_FALSE(metadata.HasKey("GammaSpaceID"));

    ASSERT_TRUE(LoadHeader(pal));
    metadata = *LoadFrame(0).FindKeyConst("Metadata");
    EXPECT_EQ(metadata.ToString("ColorSpaceID"), "Rec601");
}

TEST_F(MovieReading, PixelAspectSetsTheVerticalScale) {
    const std::string path = Movie("pasp.mov", kTestSource + "-c:v png -vf setsar=10/11");
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToNumber("XScale"), 1.0);
    EXPECT_DOUBLE_EQ(attributes.ToNumber("YScale"), 11.0 / 10.0);
}

// Stored samples of the raw codecs are delivered as they are.
struct RawCodec {
    const char* name;
    const char* ffmpegArguments;
    uint32_t codecType;
    int rowBytes; // of 70 pixels
};

class RawMovieReading : public MovieReading, public ::testing::WithParamInterface<RawCodec> {};

TEST_P(RawMovieReading, SamplesAreDeliveredAsStored) {
    const RawCodec& codec = GetParam();
    const std::string path =
        Movie(std::string(codec.name) + ".mov", kTestSource + codec.ffmpegArguments);
    const auto stored = StoredSamples(path);
    ASSERT_EQ(stored.size(), static_cast<size_t>(kFrames));
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("PixelFormat"), codec.codecType);
    EXPECT_EQ(attributes.ToInteger("PixMapPixelFormat"), codec.codecType);
    for (int frame : {0, 6, 2}) {
        const ScriptVal answer = LoadFrame(frame);
        EXPECT_EQ(answer.ToInteger("RowModulo"), codec.rowBytes);
        EXPECT_EQ(FrameBytes(answer), stored[frame]) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(Codecs, RawMovieReading,
                         ::testing::Values(RawCodec{"v210", "-c:v v210", FourCharCode("v210"), 256},
                                           RawCodec{"v410", "-c:v v410", FourCharCode("v410"), 280},
                                           RawCodec{"2vuy",
                                                    "-c:v rawvideo -pix_fmt uyvy422 -tag:v 2vuy",
                                                    FourCharCode("2vuy"), 140}),
                         [](const auto& info) { return std::string("Codec_") + info.param.name; });

TEST_F(MovieReading, ARawCodecAskedForAnotherFormatIsDecoded) {
    const std::string path = Movie("v210.mov", kTestSource + "-c:v v210");
    ScriptVal table = ScriptVal::NewTable();
    table.Set("PixelFormat", "qt2vuy");
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal answer = LoadFrame(1);
    EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), FourCharCode("2vuy"));
    EXPECT_EQ(answer.ToInteger("RowModulo"), 144); // 140 padded to 16
    EXPECT_EQ(FrameBytes(answer).size(), 144u * kHeight);
}

TEST_F(MovieReading, ADeepYCbCrCodecIsDecodedToItsPreferredFormat) {
    const std::string path =
        Movie("prores.mov", kTestSource + "-c:v prores -profile:v 2 -pix_fmt yuv422p10le");
    ASSERT_TRUE(LoadHeader(path));
    const ScriptVal attributes = Attributes();
    EXPECT_EQ(attributes.ToInteger("PixelFormat"), FourCharCode("v210"));
    EXPECT_TRUE(attributes.ToString("CodecID").ends_with("_apcn"));
    const ScriptVal answer = LoadFrame(2);
    EXPECT_EQ(answer.ToInteger("PixMapPixelFormat"), FourCharCode("v210"));
    EXPECT_EQ(answer.ToInteger("RowModulo"), 256);
    EXPECT_EQ(FrameBytes(answer).size(), 256u * kHeight);
}

// Frames of a codec with key frames, reordered frames and inter-frame
// prediction: each delivered frame is closest to ffmpeg's own decoding of
// the frame asked for (the colour conversions may round differently).
TEST_F(MovieReading, LongGroupFramesAreFoundForwardBackwardAndPastKeyFrames) {
    if (std::system("ffmpeg -hide_banner -encoders 2>/dev/null | grep -q libx264") != 0)
        GTEST_SKIP() << "ffmpeg has no H.264 encoder";
    const std::string path =
        Movie("h264.mov", "-f lavfi -i testsrc=size=64x48:rate=25 -frames:v 40 -c:v libx264 "
                          "-pix_fmt yuv420p -g 10 -bf 2");
    const auto expected = DecodedFrames(path, "argb", 64 * 48 * 4);
    ASSERT_EQ(expected.size(), 40u);
    ScriptVal table = ScriptVal::NewTable();
    table.Set("PixelFormat", "bit32");
    SetAttributes(table);
    ASSERT_TRUE(LoadHeader(path));
    EXPECT_EQ(Attributes().ToInteger("NumFrames"), 40);
    auto distance = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        uint64_t sum = 0;
        for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            sum += static_cast<uint64_t>(std::abs(a[i] - b[i]));
        return sum;
    };
    for (int frame : {0, 1, 2, 3, 25, 26, 12, 39, 5}) {
        const std::vector<uint8_t> bytes = FrameBytes(LoadFrame(frame));
        ASSERT_EQ(bytes.size(), expected[0].size()) << "frame " << frame;
        size_t closest = 0;
        for (size_t k = 1; k < expected.size(); ++k)
            if (distance(bytes, expected[k]) < distance(bytes, expected[closest])) closest = k;
        EXPECT_EQ(closest, static_cast<size_t>(frame));
    }
}

TEST_F(MovieReading, LoadingAnotherHeaderGivesUpTheFirstMovieAndItsSection) {
    const std::string first = Movie("png.mov", kTestSource + "-c:v png");
    const std::string second =
        Movie("small.mov", "-f lavfi -i testsrc=size=32x16:rate=25 -frames:v 3 -c:v png");
    const auto expected = DecodedFrames(second, "argb", 32 * 16 * 4);
    ASSERT_EQ(expected.size(), 3u);
    ASSERT_TRUE(LoadHeader(first));
    ASSERT_TRUE(LoadFrame(4).HasKey("MapName"));
    ASSERT_TRUE(LoadHeader(second));
    const ScriptVal attributes = Attributes();
    EXPECT_FALSE(attributes.HasKey("MapName"));
    EXPECT_EQ(attributes.ToInteger("Width"), 32);
    EXPECT_EQ(attributes.ToInteger("NumFrames"), 3);
    const ScriptVal answer = LoadFrame(2);
    EXPECT_EQ(answer.ToInteger("MapSize"), 128 * 16);
    EXPECT_TRUE(SamePixels(FrameBytes(answer), 128, expected[2], 32 * 4));
}

TEST_F(MovieReading, DisposingTheStateLeavesItWithoutAMovie) {
    const std::string path = Movie("png.mov", kTestSource + "-c:v png");
    ASSERT_TRUE(LoadHeader(path));
    ASSERT_TRUE(LoadFrame(0).IsTable());
    EXPECT_TRUE(App().CallMember("DisposeState", State()).ToBoolean());
    EXPECT_TRUE(LoadFrame(0).IsNil());
    EXPECT_FALSE(Attributes().HasKey("MapName"));
    // The state opens a movie again afterwards.
    ASSERT_TRUE(LoadHeader(path));
    EXPECT_FALSE(FrameBytes(LoadFrame(1)).empty());
}

} // namespace
