// The module's reading routines through its dispatcher, the module loaded
// as the server loads it, on movies ffmpeg writes.
#include "test_movies.h"

#include "movie/movie_reading.h"
#include "platform/module_loading.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace movie;

class ReadingDispatcher : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveFFmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        char pattern[] = "/tmp/movie-reading-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        folder_ = pattern;
        module_ = platform::LoadedModule(TEST_MOVIE_MODULE);
        ASSERT_TRUE(module_.IsLoaded());
        dispatch_ = reinterpret_cast<Dispatcher>(module_.FindEntry(kDispatcherEntry));
        ASSERT_NE(dispatch_, nullptr);
    }

    void TearDown() override {
        CloseMovieReaderArgs close{reader_};
        if (dispatch_) dispatch_(kCloseMovieReader, &close);
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }

    std::string Movie(const std::string& name, const std::string& arguments) {
        const std::string path = folder_ + "/" + name;
        EXPECT_TRUE(WriteMovie(path, arguments)) << arguments;
        return path;
    }

    int32_t Open(const std::string& path) {
        OpenMovieReaderArgs open{path.c_str(), &reader_};
        return dispatch_(kOpenMovieReader, &open);
    }

    // Decodes sample `sample`'s time of video track `track` into `pixelFormat`.
    std::vector<uint8_t> Decode(int32_t track, uint32_t pixelFormat, int64_t time,
                                int32_t* rowBytes = nullptr) {
        FrameDecoder* decoder = nullptr;
        int32_t row = 0, height = 0;
        CreateFrameDecoderArgs create{reader_, track, pixelFormat, &decoder, &row, &height};
        if (dispatch_(kCreateFrameDecoder, &create) != kNoError) return {};
        std::vector<uint8_t> pixels(static_cast<size_t>(row) * height);
        DecodeFrameArgs decode{decoder, time, pixels.data(), pixels.size()};
        const int32_t result = dispatch_(kDecodeFrame, &decode);
        DisposeFrameDecoderArgs dispose{decoder};
        dispatch_(kDisposeFrameDecoder, &dispose);
        if (rowBytes) *rowBytes = row;
        return result == kNoError ? pixels : std::vector<uint8_t>();
    }

    std::string folder_;
    platform::LoadedModule module_;
    Dispatcher dispatch_ = nullptr;
    MovieReader* reader_ = nullptr;
};

TEST_F(ReadingDispatcher, AFileThatIsNoMovieIsRefusedAndAMovieOpens) {
    const std::string text = folder_ + "/text.mov";
    ASSERT_EQ(std::system(("echo 'no movie' > '" + text + "'").c_str()), 0);
    EXPECT_EQ(Open(text), kNoMovieFound);
    EXPECT_EQ(reader_, nullptr);
    EXPECT_EQ(Open(folder_ + "/missing.mov"), kNoMovieFound);
    OpenMovieReaderArgs noPath{nullptr, &reader_};
    EXPECT_EQ(dispatch_(kOpenMovieReader, &noPath), kParameterError);
    EXPECT_EQ(dispatch_(kOpenMovieReader, nullptr), kParameterError);
    EXPECT_EQ(Open(Movie("ok.mov", "-f lavfi -i testsrc=size=16x16:rate=25:duration=0.2 "
                                   "-c:v png")),
              kNoError);
    EXPECT_NE(reader_, nullptr);
}

TEST_F(ReadingDispatcher, TracksAreNumberedFromOneAndTellTheirMediaType) {
    ASSERT_EQ(Open(Movie("av.mov", "-f lavfi -i sine=duration=0.4 -f lavfi -i "
                                   "testsrc=size=48x32:rate=25:duration=0.4 -timecode 00:00:10:00 "
                                   "-map 0:a -map 1:v -c:a pcm_s16le -c:v png")),
              kNoError);
    int32_t count = 0;
    GetTrackCountArgs countArgs{reader_, &count};
    ASSERT_EQ(dispatch_(kGetTrackCount, &countArgs), kNoError);
    ASSERT_EQ(count, 3);
    std::vector<uint32_t> types;
    for (int32_t track = 1; track <= count; ++track) {
        TrackInfo info{};
        GetTrackInfoArgs infoArgs{reader_, track, &info};
        ASSERT_EQ(dispatch_(kGetTrackInfo, &infoArgs), kNoError);
        types.push_back(info.mediaType);
        if (info.mediaType == kMediaVideo) {
            EXPECT_EQ(info.width, 48);
            EXPECT_EQ(info.height, 32);
            EXPECT_EQ(info.sampleCount, 10);
            EXPECT_EQ(info.xScale, 1.0);
        }
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{kMediaSound, kMediaVideo, kMediaTimecode}));
    TrackInfo info{};
    GetTrackInfoArgs none{reader_, 0, &info};
    EXPECT_EQ(dispatch_(kGetTrackInfo, &none), kInvalidTrack);
    GetTrackInfoArgs past{reader_, count + 1, &info};
    EXPECT_EQ(dispatch_(kGetTrackInfo, &past), kInvalidTrack);

    // The timecode at 0.2 s (frame 5 at 25 a second).
    char text[kTimecodeTextSize] = {};
    ReadTimecodeArgs timecode{reader_, 3, 200, 1000, text, sizeof text};
    ASSERT_EQ(dispatch_(kReadTimecode, &timecode), kNoError);
    EXPECT_STREQ(text, "00:00:10:05");
    ReadTimecodeArgs notTimecode{reader_, 2, 0, 1000, text, sizeof text};
    EXPECT_EQ(dispatch_(kReadTimecode, &notTimecode), kInvalidTrack);
    ReadTimecodeArgs small{reader_, 3, 0, 1000, text, 11}; // 11 characters and the zero
    EXPECT_EQ(dispatch_(kReadTimecode, &small), kBufferTooSmall);
}

TEST_F(ReadingDispatcher, SamplesAreTimedAndReadUpToTheLastOne) {
    const std::string path =
        Movie("v210.mov", "-f lavfi -i testsrc=size=96x16:rate=25:duration=0.2 -c:v v210");
    const auto stored = StoredSamples(path);
    ASSERT_EQ(stored.size(), 5u);
    ASSERT_EQ(Open(path), kNoError);
    SampleTiming timing{};
    GetSampleTimingArgs last{reader_, 1, 4, &timing};
    ASSERT_EQ(dispatch_(kGetSampleTiming, &last), kNoError);
    TrackInfo info{};
    GetTrackInfoArgs infoArgs{reader_, 1, &info};
    ASSERT_EQ(dispatch_(kGetTrackInfo, &infoArgs), kNoError);
    EXPECT_EQ(timing.time, 4 * info.timeScale / 25);
    EXPECT_EQ(timing.duration, info.timeScale / 25);
    EXPECT_EQ(timing.keyFrame, 1);
    GetSampleTimingArgs past{reader_, 1, 5, &timing};
    EXPECT_EQ(dispatch_(kGetSampleTiming, &past), kInvalidSample);

    size_t size = 0;
    ReadSampleArgs sizeOnly{reader_, 1, 3, nullptr, 0, &size};
    ASSERT_EQ(dispatch_(kReadSample, &sizeOnly), kNoError);
    ASSERT_EQ(size, stored[3].size());
    std::vector<uint8_t> bytes(size);
    ReadSampleArgs tooSmall{reader_, 1, 3, bytes.data(), size - 1, &size};
    EXPECT_EQ(dispatch_(kReadSample, &tooSmall), kBufferTooSmall);
    ReadSampleArgs whole{reader_, 1, 3, bytes.data(), size, &size};
    ASSERT_EQ(dispatch_(kReadSample, &whole), kNoError);
    EXPECT_EQ(bytes, stored[3]);
    ReadSampleArgs pastSample{reader_, 1, 5, bytes.data(), size, &size};
    EXPECT_EQ(dispatch_(kReadSample, &pastSample), kInvalidSample);
}

TEST_F(ReadingDispatcher, DecodersTakeTheThirteenFormatsAndRefuseOthers) {
    ASSERT_EQ(Open(Movie("png.mov", "-f lavfi -i testsrc=size=70x30:rate=25:duration=0.2 "
                                    "-c:v png")),
              kNoError);
    const std::pair<uint32_t, int32_t> rows[] = {{24, 224},
                                                 {32, 288},
                                                 {FourCharCode("24BG"), 224},
                                                 {FourCharCode("2vuy"), 144},
                                                 {FourCharCode("ABGR"), 288},
                                                 {FourCharCode("BGRA"), 288},
                                                 {FourCharCode("RGBA"), 288},
                                                 {FourCharCode("b48r"), 432},
                                                 {FourCharCode("b64a"), 560},
                                                 {FourCharCode("r408"), 288},
                                                 {FourCharCode("v210"), 256},
                                                 {FourCharCode("v408"), 288},
                                                 {FourCharCode("v410"), 288}};
    for (const auto& [format, expected] : rows) {
        int32_t rowBytes = 0;
        EXPECT_EQ(Decode(1, format, 0, &rowBytes).size(), static_cast<size_t>(expected) * 30)
            << format;
        EXPECT_EQ(rowBytes, expected) << format;
    }
    FrameDecoder* decoder = nullptr;
    int32_t rowBytes = 0, height = 0;
    CreateFrameDecoderArgs refused{reader_, 1, FourCharCode("yuvs"), &decoder, &rowBytes, &height};
    EXPECT_EQ(dispatch_(kCreateFrameDecoder, &refused), kPixelFormatNotAccepted);
    EXPECT_EQ(decoder, nullptr);
    CreateFrameDecoderArgs sixteen{reader_, 1, 16, &decoder, &rowBytes, &height};
    EXPECT_EQ(dispatch_(kCreateFrameDecoder, &sixteen), kPixelFormatNotAccepted);

    // A buffer one byte short of the frame.
    CreateFrameDecoderArgs create{reader_, 1, 32, &decoder, &rowBytes, &height};
    ASSERT_EQ(dispatch_(kCreateFrameDecoder, &create), kNoError);
    std::vector<uint8_t> pixels(static_cast<size_t>(rowBytes) * height);
    DecodeFrameArgs shortBuffer{decoder, 0, pixels.data(), pixels.size() - 1};
    EXPECT_EQ(dispatch_(kDecodeFrame, &shortBuffer), kBufferTooSmall);
    DecodeFrameArgs whole{decoder, 0, pixels.data(), pixels.size()};
    EXPECT_EQ(dispatch_(kDecodeFrame, &whole), kNoError);
    DisposeFrameDecoderArgs dispose{decoder};
    dispatch_(kDisposeFrameDecoder, &dispose);
}

// Stored 10-bit and 8-bit Y'CbCr decoded into their own layout come back as
// stored: the packing matches ffmpeg's writers bit for bit.
TEST_F(ReadingDispatcher, PackedYCbCrLayoutsMatchTheStoredSamples) {
    struct Case {
        const char* name;
        const char* arguments;
        uint32_t format;
    };
    for (const Case& test :
         {Case{"v210", "-c:v v210", FourCharCode("v210")},
          Case{"v410", "-c:v v410", FourCharCode("v410")},
          Case{"2vuy", "-c:v rawvideo -pix_fmt uyvy422 -tag:v 2vuy", FourCharCode("2vuy")}}) {
        const std::string path = Movie(
            std::string(test.name) + ".mov",
            std::string("-f lavfi -i testsrc=size=96x16:rate=25:duration=0.2 ") + test.arguments);
        const auto stored = StoredSamples(path);
        ASSERT_EQ(stored.size(), 5u) << test.name;
        CloseMovieReaderArgs close{reader_};
        dispatch_(kCloseMovieReader, &close);
        reader_ = nullptr;
        ASSERT_EQ(Open(path), kNoError);
        for (int frame : {0, 3, 1})
            EXPECT_EQ(Decode(1, test.format, frame * 512), stored[frame])
                << test.name << " frame " << frame;
    }
}

// 8-bit 4:4:4 Y'CbCr into the two 4:4:4:4 layouts: "v408" Cb Y' Cr A, and
// "r408" A Y' Cb Cr with Y' less 16 and signed chroma.
TEST_F(ReadingDispatcher, FourFourFourFourLayoutsOrderAndBiasTheComponents) {
    const std::string path =
        Movie("ffv1.mov", "-f lavfi -i testsrc=size=32x8:rate=25:duration=0.2 -c:v ffv1 "
                          "-pix_fmt yuv444p");
    const auto planes = DecodedFrames(path, "yuv444p", 32 * 8 * 3);
    ASSERT_EQ(planes.size(), 5u);
    ASSERT_EQ(Open(path), kNoError);
    const std::vector<uint8_t> v408 = Decode(1, FourCharCode("v408"), 0);
    const std::vector<uint8_t> r408 = Decode(1, FourCharCode("r408"), 0);
    ASSERT_EQ(v408.size(), 32u * 4 * 8);
    ASSERT_EQ(r408.size(), 32u * 4 * 8);
    const size_t area = 32 * 8;
    size_t wrong = 0;
    for (size_t pixel = 0; pixel < area; ++pixel) {
        const uint8_t y = planes[0][pixel], cb = planes[0][area + pixel],
                      cr = planes[0][2 * area + pixel];
        const uint8_t* v = &v408[pixel * 4];
        const uint8_t* r = &r408[pixel * 4];
        if (v[0] != cb || v[1] != y || v[2] != cr || v[3] != 255) ++wrong;
        if (r[0] != 255 || r[1] != static_cast<uint8_t>(y < 16 ? 0 : y - 16) ||
            r[2] != static_cast<uint8_t>(cb - 128) || r[3] != static_cast<uint8_t>(cr - 128))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0u);
}

} // namespace
