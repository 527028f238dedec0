// Timelines as CMX 3600 lists: the sample edit event by event, drop-frame timecode, speed, and
// the track choices a list cannot hold.
#include "edit_timeline.h"
#include "open_omf_file.h"
#include "sample_edit_fixture.h"
#include "timecode.h"
#include "timeline_edl.h"

#include <gtest/gtest.h>

namespace {

using omftool::TimecodeRate;

TEST(Timecode, DropFrameSkipsTwoNumbersAMinuteExceptEveryTenth) {
    const TimecodeRate ntsc = omftool::timecodeRateOf({30000, 1001});
    ASSERT_TRUE(ntsc.drop);
    ASSERT_EQ(ntsc.framesPerSecond, 30u);
    EXPECT_EQ(omftool::timecodeText(1799, ntsc), "00:00:59;29");
    EXPECT_EQ(omftool::timecodeText(1800, ntsc), "00:01:00;02"); // ;00 and ;01 are skipped
    EXPECT_EQ(omftool::timecodeText(17982, ntsc), "00:10:00;00"); // not on the tenth minute
    EXPECT_EQ(omftool::parseTimecode("00:01:00;02", ntsc), 1800);
    EXPECT_EQ(omftool::parseTimecode("01:00:00;00", ntsc), 107892);
    EXPECT_EQ(omftool::parseTimecode("00:01:00;00", ntsc), std::nullopt);
    // Non-drop rates count every number; fields out of range are no timecode.
    const TimecodeRate pal = omftool::timecodeRateOf({25, 1});
    EXPECT_FALSE(pal.drop);
    EXPECT_EQ(omftool::timecodeText(90000, pal), "01:00:00:00");
    EXPECT_EQ(omftool::parseTimecode("10:00:00:24", pal), 900024);
    for (const char* bad : {"10:00:00:25", "1:2:3", "00:60:00:00", "00:00:00:00x"})
        EXPECT_EQ(omftool::parseTimecode(bad, pal), std::nullopt) << bad;
    EXPECT_FALSE(omftool::timecodeRateOf({24000, 1001}).drop);
}

class TimelineEdl : public omftool_test::SampleEditTest {
  protected:
    omftool::EditTimeline Read() {
        omftool::OpenOMFFile opened(file_, omftool::MediaLayer::kWith);
        omftool::MediaFailure failure;
        std::vector<omftool::EditTimeline> timelines;
        EXPECT_TRUE(opened.opened(failure.error, failure.message));
        EXPECT_TRUE(omftool::readEditTimelines(opened.file(), {}, timelines, failure));
        return timelines.empty() ? omftool::EditTimeline{} : timelines[0];
    }
};

// The edit: gradient 0-9, a 4-frame dissolve into bars from their frame 2 (so the gradient's
// own event ends at 6), bars to 16, a 3-frame gap, the gradient from its frame 6 at 19 to 24.
TEST_F(TimelineEdl, TheSampleEditIsACutADissolveAndACutAfterTheGap) {
    const omftool::EditTimeline edit = Read();
    std::string text, why;
    ASSERT_TRUE(omftool::timelineEdl(edit, {}, text, why)) << why;
    EXPECT_EQ(text,
              "TITLE: Edit\n"
              "FCM: NON-DROP FRAME\n"
              "\n"
              "001  Gradient V     C        00:00:00:00 00:00:00:06 01:00:00:00 01:00:00:06\n"
              "* FROM CLIP NAME: Gradient (uncompressed)\n"
              "002  Gradient V     C        00:00:00:06 00:00:00:06 01:00:00:06 01:00:00:06\n"
              "002  Bars__JP V     D    004 00:00:00:02 00:00:00:12 01:00:00:06 01:00:00:16\n"
              "* FROM CLIP NAME: Gradient (uncompressed)\n"
              "* TO CLIP NAME: Bars (JPEG)\n"
              "003  Gradient V     C        00:00:00:06 00:00:00:11 01:00:00:19 01:00:00:24\n"
              "* FROM CLIP NAME: Gradient (uncompressed)\n");

    // A start of 10:00:00:00 moves every record timecode by nine hours.
    omftool::EdlOptions later;
    later.startFrame = 900000;
    ASSERT_TRUE(omftool::timelineEdl(edit, later, text, why));
    EXPECT_NE(text.find("00:00:00:06 00:00:00:11 10:00:00:19 10:00:00:24\n"), std::string::npos)
        << text;
}

TEST_F(TimelineEdl, SpeedIsAMotionLineAndTracksAListCannotHoldAreRefused) {
    omftool::EditTimeline edit = Read();
    omftool::TimelineItem& last = edit.tracks[0].items.back();
    last.speed = omfRational_t{2, 1};
    std::string text, why;
    ASSERT_TRUE(omftool::timelineEdl(edit, {}, text, why));
    EXPECT_NE(text.find("M2   Gradient       050.0                00:00:00:06\n"),
              std::string::npos)
        << text;

    omftool::EdlOptions options;
    options.tracks = {7};
    EXPECT_FALSE(omftool::timelineEdl(edit, options, text, why));
    EXPECT_EQ(why, "the composition has no picture or sound track 7");
    edit.tracks.push_back(edit.tracks[0]);
    edit.tracks.back().trackID = 2;
    options.tracks = {1, 2};
    EXPECT_FALSE(omftool::timelineEdl(edit, options, text, why));
    EXPECT_EQ(why, "an edit decision list holds one picture track; tracks 1 and 2 are both "
                   "picture");
}

} // namespace
