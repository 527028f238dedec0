// Timecode sample descriptions and samples as stored, and their text.
#include "timecode_reading.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using movie::ParseTimecodeDescription;
using movie::ParseTimecodeSample;
using movie::TimecodeText;

// reserved, flags, time scale, frame duration, frames per second, reserved.
std::vector<uint8_t> Description(uint32_t flags, uint32_t scale, uint32_t duration,
                                 uint8_t framesPerSecond) {
    std::vector<uint8_t> bytes(4, 0);
    for (uint32_t value : {flags, scale, duration})
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(value >> shift));
    bytes.push_back(framesPerSecond);
    bytes.push_back(0);
    return bytes;
}

TEST(TimecodeDescription, EighteenBytesAreReadAndSeventeenRefused) {
    std::vector<uint8_t> bytes = Description(movie::kTimecodeDropFrame, 30000, 1001, 30);
    ASSERT_EQ(bytes.size(), movie::kTimecodeDescriptionSize);
    const auto description = ParseTimecodeDescription(bytes);
    ASSERT_TRUE(description);
    EXPECT_EQ(description->flags, movie::kTimecodeDropFrame);
    EXPECT_EQ(description->timeScale, 30000);
    EXPECT_EQ(description->frameDuration, 1001);
    EXPECT_EQ(description->framesPerSecond, 30);
    bytes.pop_back();
    EXPECT_FALSE(ParseTimecodeDescription(bytes));
}

TEST(TimecodeDescription, ARateOfZeroIsRefusedAndAMissingFrameCountIsDerived) {
    EXPECT_FALSE(ParseTimecodeDescription(Description(0, 0, 1001, 30)));
    EXPECT_FALSE(ParseTimecodeDescription(Description(0, 30000, 0, 30)));
    // A time scale whose frames come to more than 255 a second.
    EXPECT_FALSE(ParseTimecodeDescription(Description(0, 256, 1, 0)));
    const auto derived = ParseTimecodeDescription(Description(0, 25, 1, 0));
    ASSERT_TRUE(derived);
    EXPECT_EQ(derived->framesPerSecond, 25);
    const auto ntsc = ParseTimecodeDescription(Description(0, 30000, 1001, 0));
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->framesPerSecond, 30);
}

TEST(TimecodeSample, FourAndEightByteFrameNumbers) {
    const std::array<uint8_t, 8> bytes = {0x00, 0x01, 0x5F, 0x90, 0x00, 0x00, 0x00, 0x01};
    EXPECT_EQ(ParseTimecodeSample(std::span(bytes).first(4), false), 90000);
    EXPECT_FALSE(ParseTimecodeSample(std::span(bytes).first(3), false));
    EXPECT_EQ(ParseTimecodeSample(bytes, true), (int64_t{0x00015F90} << 32) + 1);
    EXPECT_FALSE(ParseTimecodeSample(std::span(bytes).first(7), true));
    const std::array<uint8_t, 4> negative = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(ParseTimecodeSample(negative, false), -1);
}

TEST(TimecodeText, FramesAreHoursMinutesSecondsAndFrames) {
    const auto pal = ParseTimecodeDescription(Description(0, 25, 1, 25));
    ASSERT_TRUE(pal);
    EXPECT_EQ(TimecodeText(*pal, 90000), "01:00:00:00");
    EXPECT_EQ(TimecodeText(*pal, 90000 + 25 * 61 + 7), "01:01:01:07");
    // Dropped frame numbers: the first two of each minute but every tenth.
    const auto ntsc =
        ParseTimecodeDescription(Description(movie::kTimecodeDropFrame, 30000, 1001, 30));
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(TimecodeText(*ntsc, 1799), "00:00:59;29");
    EXPECT_EQ(TimecodeText(*ntsc, 1800), "00:01:00;02");
    EXPECT_EQ(TimecodeText(*ntsc, 17982), "00:10:00;00");
    // Without the flag the same rate counts every frame.
    const auto counted = ParseTimecodeDescription(Description(0, 30000, 1001, 30));
    ASSERT_TRUE(counted);
    EXPECT_EQ(TimecodeText(*counted, 1800), "00:01:00:00");
}

} // namespace
