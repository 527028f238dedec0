// OpenTimelineIO documents as other tools write them, read for composing: each item with its
// times and reference, and each fault named with its place beside a document that reads.
#include "otio_document.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using omftool::OtioItem;

// A third-party document: Clip.1 with an ExternalReference, a gap, a crossfade, a marker and a
// collection around the timeline, at NTSC's rate as a double.
const char* kDocument = R"({
 "OTIO_SCHEMA": "SerializableCollection.1", "name": "bin", "children": [
  {"OTIO_SCHEMA": "Timeline.1", "name": "Mix",
   "global_start_time": {"OTIO_SCHEMA": "RationalTime.1", "value": 107892, "rate": 29.97002997002997},
   "tracks": {"OTIO_SCHEMA": "Stack.1", "children": [
    {"OTIO_SCHEMA": "Track.1", "name": "A1", "kind": "Audio", "children": [
     {"OTIO_SCHEMA": "Clip.1", "name": "dialogue",
      "source_range": {"OTIO_SCHEMA": "TimeRange.1",
       "start_time": {"OTIO_SCHEMA": "RationalTime.1", "value": 12, "rate": 29.97002997002997},
       "duration": {"OTIO_SCHEMA": "RationalTime.1", "value": 48, "rate": 29.97002997002997}},
      "media_reference": {"OTIO_SCHEMA": "ExternalReference.1", "target_url": "file:///mnt/a%20b.wav"},
      "markers": [{"OTIO_SCHEMA": "Marker.2", "name": "sync"}]},
     {"OTIO_SCHEMA": "Transition.1", "transition_type": "SMPTE_Dissolve",
      "in_offset": {"OTIO_SCHEMA": "RationalTime.1", "value": 5, "rate": 29.97002997002997},
      "out_offset": {"OTIO_SCHEMA": "RationalTime.1", "value": 3, "rate": 29.97002997002997}},
     {"OTIO_SCHEMA": "Gap.1", "source_range": {"OTIO_SCHEMA": "TimeRange.1",
       "start_time": {"OTIO_SCHEMA": "RationalTime.1", "value": 0, "rate": 24},
       "duration": {"OTIO_SCHEMA": "RationalTime.1", "value": 10, "rate": 24}}}
    ]}]}}]})";

TEST(OtioReader, AThirdPartyDocumentReadsItemByItem) {
    omftool::OtioTimeline timeline;
    std::string why;
    ASSERT_TRUE(omftool::readOtio(kDocument, timeline, why)) << why;
    EXPECT_EQ(timeline.name, "Mix");
    ASSERT_TRUE(timeline.globalStart.has_value());
    EXPECT_EQ(timeline.globalStart->value, 107892);
    ASSERT_EQ(timeline.tracks.size(), 1u);
    const auto& items = timeline.tracks[0].items;
    EXPECT_EQ(timeline.tracks[0].kind, "Audio");
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].kind, OtioItem::Kind::kClip);
    EXPECT_EQ(items[0].sourceRange.start.value, 12);
    EXPECT_EQ(items[0].sourceRange.duration.value, 48);
    EXPECT_EQ(items[0].media.kind, omftool::OtioReference::Kind::kExternal);
    EXPECT_EQ(items[0].media.url, "file:///mnt/a%20b.wav");
    EXPECT_EQ(items[1].kind, OtioItem::Kind::kTransition);
    EXPECT_EQ(items[1].inOffset.value, 5);
    EXPECT_EQ(items[1].outOffset.value, 3);
    EXPECT_EQ(items[2].kind, OtioItem::Kind::kGap);
    EXPECT_EQ(items[2].sourceRange.duration.rate, 24);
    EXPECT_EQ(timeline.dropped,
              std::vector<std::string>{"tracks.children[0].children[0]: 1 marker"});
}

TEST(OtioReader, FaultsNameTheirPlace) {
    const std::string good = kDocument;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    const struct {
        std::string text, why;
    } cases[] = {
        {replaced("\"Gap.1\"", "\"Spline.1\""),
         "tracks.children[0].children[2]: unknown schema Spline.1 (Clip.1, Clip.2, Gap.1, "
         "Transition.1 and Stack.1 are read)"},
        {replaced("\"kind\": \"Audio\"", "\"kind\": \"Data\""),
         "tracks.children[0]: a track of kind \"Data\" (Video and Audio are read)"},
        {replaced("\"value\": 48,", ""),
         "tracks.children[0].children[0].source_range.duration: no \"value\""},
        {replaced("\"rate\": 24}}}", "\"rate\": 0}}}"),
         "tracks.children[0].children[2].source_range.duration: a time needs a finite value "
         "and a positive rate"},
        {replaced("\"ExternalReference.1\", \"target_url\"", "\"ImageSequenceReference.1\", \"x\""),
         "tracks.children[0].children[0].media_reference: unknown schema "
         "ImageSequenceReference.1 (ExternalReference.1 and MissingReference.1 are read)"},
        {replaced("\"Timeline.1\"", "\"Timeline2.1\""), "the collection holds no Timeline.1"},
        {replaced("\"tracks\": {", "\"tracks\": ["), "not JSON at line 5, column 28"},
    };
    for (const auto& c : cases) {
        omftool::OtioTimeline timeline;
        std::string why;
        EXPECT_FALSE(omftool::readOtio(c.text, timeline, why)) << c.why;
        EXPECT_EQ(why, c.why);
    }
}

} // namespace
