// Writing settings: the time base from the frame rate, codec quality, the
// frame buffer's pixel format, reordering, and timecode text.
#include "writing_settings.h"

#include "movie/movie_writing.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(WritingTimeBase, KnownRatesHaveTheirOwnTimeScales) {
    struct Case {
        int32_t frameRate, stored, timeScale, frameDuration;
    };
    for (const Case& rate : {Case{29970, 29970, 30000, 1001}, Case{23980, 23976, 2997, 125},
                             Case{23976, 23976, 2997, 125}, Case{24000, 24000, 2400, 100},
                             Case{25000, 25000, 25000, 1000}, Case{59940, 59940, 59940, 1000}}) {
        const auto base = TimeBaseFromFrameRate(rate.frameRate);
        ASSERT_TRUE(base) << rate.frameRate;
        EXPECT_EQ(base->frameRate, rate.stored) << rate.frameRate;
        EXPECT_EQ(base->timeScale, rate.timeScale) << rate.frameRate;
        EXPECT_EQ(base->frameDuration, rate.frameDuration) << rate.frameRate;
    }
    EXPECT_DOUBLE_EQ(TimeBaseFromFrameRate(23980)->rate, 23.976);
}

TEST(WritingTimeBase, ARateThatIsNotPositiveHasNone) {
    EXPECT_FALSE(TimeBaseFromFrameRate(0));
    EXPECT_FALSE(TimeBaseFromFrameRate(-25000));
    ASSERT_TRUE(TimeBaseFromFrameRate(1)); // the smallest rate
    EXPECT_EQ(TimeBaseFromFrameRate(1)->frameDuration, 1000);
}

TEST(CodecQuality, PercentMapsOntoOneTo1024) {
    EXPECT_EQ(CodecQualityFromPercent(0), 1);
    EXPECT_EQ(CodecQualityFromPercent(1), 10);
    EXPECT_EQ(CodecQualityFromPercent(75), 768);
    EXPECT_EQ(CodecQualityFromPercent(100), 1024);
    EXPECT_EQ(CodecQualityFromPercent(101), 1024);
    EXPECT_EQ(CodecQualityFromPercent(-1), 1);
}

TEST(BufferPixelFormat, TheFirstPreferredFormatTheCodecListsElse32) {
    const std::array<uint32_t, 3> proRes = {movie::kPixel32ARGB, movie::kPixel2vuy,
                                            movie::kPixelV210};
    EXPECT_EQ(PreferredPixelFormat(proRes), movie::kPixelV210);
    const std::array<uint32_t, 2> png = {movie::kPixelB48r, movie::kPixelB64a};
    EXPECT_EQ(PreferredPixelFormat(png), movie::kPixelB64a);
    const std::array<uint32_t, 2> rgb = {movie::kPixel24RGB, movie::kPixel32ARGB};
    EXPECT_EQ(PreferredPixelFormat(rgb), movie::kPixel32ARGB);
    EXPECT_EQ(PreferredPixelFormat({}), movie::kPixel32ARGB);
}

TEST(FrameReordering, H264FramesLargeEnoughAreNotReordered) {
    const uint32_t h264 = movie::FourCharCode("avc1");
    // 0xC0000000 / (2 x w x h) is 256 at 4096 x 1536 and 255 one row more.
    EXPECT_TRUE(AllowsFrameReordering(h264, 1920, 1080));
    EXPECT_TRUE(AllowsFrameReordering(h264, 4096, 1536));
    EXPECT_FALSE(AllowsFrameReordering(h264, 4096, 1537));
    EXPECT_FALSE(AllowsFrameReordering(h264, 4096, 2160));
    EXPECT_TRUE(AllowsFrameReordering(movie::FourCharCode("mp4v"), 4096, 2160));
}

TEST(Timecode, DigitRunsFromTheRightAreFramesSecondsMinutesHours) {
    EXPECT_EQ(TimecodeFrameNumber("01:00:00:00", 25), 90000u);
    EXPECT_EQ(TimecodeFrameNumber("01:00:00:00", 24), 86400u);
    EXPECT_EQ(TimecodeFrameNumber("10:20:30;12", 30), ((10 * 3600 + 20 * 60 + 30) * 30 + 12u));
    EXPECT_EQ(TimecodeFrameNumber(" 1.2.3.4 ", 25), (3600 + 2 * 60 + 3) * 25 + 4u);
    EXPECT_EQ(TimecodeFrameNumber("30:05", 25), 30 * 25 + 5u); // seconds and frames only
    EXPECT_EQ(TimecodeFrameNumber("", 25), 0u);
    EXPECT_EQ(TimecodeFrameNumber("no digits", 25), 0u);
    // Absurd fields saturate instead of wrapping.
    EXPECT_EQ(TimecodeFrameNumber("99999999999999999999:00:00:00", 255), 0xFFFFFFFFu);
}

TEST(Timecode, FramesPerSecondRoundTheRateOrAre24) {
    EXPECT_EQ(TimecodeFramesPerSecond(25.0), 25);
    EXPECT_EQ(TimecodeFramesPerSecond(29.97), 30);
    EXPECT_EQ(TimecodeFramesPerSecond(23.976), 24);
    EXPECT_EQ(TimecodeFramesPerSecond(24.4), 24);
    EXPECT_EQ(TimecodeFramesPerSecond(std::nullopt), 24);
}

} // namespace
