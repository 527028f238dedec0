// A composition read as a timeline: the sample edit's sequence item by item, with the media each
// clip plays resolved once and where it lies.
#include "edit_timeline.h"
#include "open_omf_file.h"
#include "sample_edit_fixture.h"

#include <gtest/gtest.h>

namespace {

using Kind = omftool::TimelineItem::Kind;

class EditTimelineRead : public omftool_test::SampleEditTest {};

TEST_F(EditTimelineRead, TheSampleEditIsItsSequenceItemByItem) {
    omftool::OpenOMFFile opened(file_, omftool::MediaLayer::kWith);
    omftool::MediaFailure failure;
    ASSERT_TRUE(opened.opened(failure.error, failure.message)) << failure.message;
    std::vector<omftool::EditTimeline> timelines;
    ASSERT_TRUE(omftool::readEditTimelines(opened.file(), {}, timelines, failure))
        << failure.message;
    ASSERT_EQ(timelines.size(), 1u);
    const omftool::EditTimeline& edit = timelines[0];
    EXPECT_EQ(edit.name, "Edit");
    EXPECT_EQ(edit.revision, 2);
    EXPECT_FALSE(edit.start.has_value());
    ASSERT_EQ(edit.tracks.size(), 1u);
    const omftool::TimelineTrack& track = edit.tracks[0];
    EXPECT_EQ(track.name, "Picture");
    EXPECT_EQ(track.kind, omftool::TrackKind::kVideo);
    EXPECT_EQ(track.editRate.numerator, 25);
    // 10 + 10 + 3 + 5 frames, the 4-frame dissolve overlapping its neighbours.
    EXPECT_EQ(track.length, 24);

    const struct {
        Kind kind;
        int64_t length, start;
        const char* source;
    } expected[] = {{Kind::kClip, 10, 0, "Gradient (uncompressed)"},
                    {Kind::kTransition, 4, 0, nullptr},
                    {Kind::kClip, 10, 2, "Bars (JPEG)"},
                    {Kind::kGap, 3, 0, nullptr},
                    {Kind::kClip, 5, 6, "Gradient (uncompressed)"}};
    ASSERT_EQ(track.items.size(), std::size(expected));
    for (std::size_t i = 0; i < track.items.size(); ++i) {
        SCOPED_TRACE(i);
        const omftool::TimelineItem& item = track.items[i];
        EXPECT_EQ(item.kind, expected[i].kind);
        EXPECT_EQ(item.length, expected[i].length);
        if (item.kind != Kind::kClip) continue;
        EXPECT_EQ(item.sourceStart, expected[i].start);
        ASSERT_NE(item.source, nullptr);
        EXPECT_EQ(item.source->name, expected[i].source);
        EXPECT_EQ(item.source->mobKind, "master");
        EXPECT_EQ(item.source->length, 12); // all the media there is
        EXPECT_EQ(item.source->place, omftool::MediaPlace::kInFile);
        EXPECT_NE(item.source->fileMob, nullptr);
        EXPECT_FALSE(item.source->codec.empty());
    }
    EXPECT_EQ(track.items[1].effectID, "omfi:effect:SimpleVideoDissolve");
    // One resolution per master track, shared by its clips.
    EXPECT_EQ(track.items[0].source, track.items[4].source);
}

} // namespace
