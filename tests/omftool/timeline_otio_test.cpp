// Compositions built in code, read as timelines and written as OpenTimelineIO: every kind of
// component maps to its OTIO item, transitions trim their neighbours so that every OTIO track
// lasts as long as its OMF track, and each clip names its media as the reader found it.
#include "timeline_otio_checks.h"

#include "edit_timeline.h"
#include "open_omf_file.h"
#include "picture_media_fixture.h"
#include "timeline_otio.h"

#include <filesystem>
#include <fstream>

namespace {

using omftool_test::CompositionFile;
using omftool_test::expectTrackLengths;
using omftool_test::kEditRate;
using Json = nlohmann::ordered_json;

constexpr const char* kWipe = "omfi:effect:SMPTEVideoWipe";
constexpr const char* kFade = "omfi:effect:VideoFadeToBlack";

class TimelineOtio : public omftool_test::PictureMediaTest {
  protected:
    void SetUp() override {
        PictureMediaTest::SetUp();
        if (HasFatalFailure()) return;
        std::filesystem::create_directories(path("media folder"));
        std::ofstream(path("media folder/found.mov")) << "found";
    }

    // The 2.x edit (see editTrack) and a composition ending in a transition.
    void write2x() {
        CompositionFile file(session_, path("edit.omf"), kOmfRev2x);
        const omfMobID_t found = file.master("Found", kEditRate, 100, path("media folder/found.mov"));
        const omfMobID_t moved = file.master("Moved", kEditRate, 100, "/gone/Moved.MOV");
        const omfMobID_t fifty = file.master("Fifty", {50, 1}, 200);
        const omfMobID_t inside = file.masterInFile("Inside", 12);
        omfObject_t picture = file.sequence(
            {file.clip(found, 10, 0), file.transition(4, 1, kOmfEffectSimpleVideoDissolve),
             file.clip(moved, 20, 10), file.filler(5),
             file.speed(8, file.clip(found, 16, 20), 2, 1), file.repeat(6, file.clip(found, 1, 40)),
             file.transition(2, 0, kWipe),
             file.selector(7, file.clip(inside, 7, 1), file.clip(found, 7, 0)),
             file.mediaGroup(5, {file.clip(fifty, 5, 20)}),
             file.scope(6, {file.sequence({file.clip(found, 3, 60), file.filler(3)}),
                            file.clip(found, 6, 70)}),
             file.effect(kFade, 4, file.clip(found, 4, 80))});
        omfObject_t sound =
            file.sequence({file.clip(found, 30, 0, true), file.filler(35, true)}, true);
        file.composition("Edit", {{1, picture, "Picture"},
                                  {2, sound, "Sound"},
                                  {3, file.timecode(65, 90000, 25)}});
        file.composition(
            "Trailing",
            {{1, file.sequence({file.clip(found, 10, 0),
                                file.transition(4, 1, kOmfEffectSimpleVideoDissolve)})}});
        ASSERT_EQ(file.close(), 0);
    }

    std::vector<omftool::EditTimeline> read(const std::string& name,
                                            const std::vector<std::string>& folders = {}) {
        omftool::OpenOMFFile opened(path(name), omftool::MediaLayer::kWith);
        omftool::MediaFailure failure;
        std::vector<omftool::EditTimeline> timelines;
        EXPECT_TRUE(opened.opened(failure.error, failure.message)) << failure.message;
        EXPECT_TRUE(omftool::readEditTimelines(opened.file(), folders, timelines, failure))
            << failure.message;
        return timelines;
    }
};

// What each OTIO item of the edit's picture track must be: its schema, duration, and for clips
// the source mob and first unit played, in the track's rate.
struct Expected {
    const char* schema;
    double duration;
    const char* name = "";
    double start = 0;
};

TEST_F(TimelineOtio, EveryComponentOfA2xEditBecomesItsOtioItem) {
    write2x();
    const std::vector<omftool::EditTimeline> timelines = read("edit.omf");
    ASSERT_EQ(timelines.size(), 2u);
    const Json edit = omftool::timelineOtio(timelines[0], {});
    expectTrackLengths(edit, timelines[0]);
    EXPECT_EQ(edit["name"], "Edit");
    EXPECT_EQ(edit["metadata"]["omf"]["revision"], 2);
    EXPECT_EQ(edit["global_start_time"]["value"], 90000.0);
    EXPECT_EQ(edit["global_start_time"]["rate"], 25.0);
    const Json& tracks = edit["tracks"]["children"];
    ASSERT_EQ(tracks.size(), 2u); // the timecode track is the start, not a track
    EXPECT_EQ(tracks[0]["kind"], "Video");
    EXPECT_EQ(tracks[1]["kind"], "Audio");
    EXPECT_EQ(tracks[1]["metadata"]["omf"]["track_id"], 2);

    // 10 under a dissolve of 4 cut at 1 keeps 7 and the next clip starts 1 later; the wipe of
    // 2 cut at 0 takes both units from the repeat; a clip's start counts its own track's units,
    // whatever the rate of the mob it names.
    const Expected expected[] = {
        {"Clip.2", 7, "Found", 0},  {"Transition.1", -1},       {"Clip.2", 19, "Moved", 11},
        {"Gap.1", 5},               {"Clip.2", 8, "Found", 20}, {"Clip.2", 4, "Found", 40},
        {"Transition.1", -1},       {"Clip.2", 7, "Inside", 1}, {"Clip.2", 5, "Fifty", 20},
        {"Stack.1", 6},             {"Clip.2", 4, "Found", 80}};
    const Json& items = tracks[0]["children"];
    ASSERT_EQ(items.size(), std::size(expected));
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(items[i]["OTIO_SCHEMA"], expected[i].schema);
        if (expected[i].duration < 0) continue;
        EXPECT_EQ(items[i]["source_range"]["duration"]["value"], expected[i].duration);
        EXPECT_EQ(items[i]["source_range"]["duration"]["rate"], 25.0);
        if (items[i]["OTIO_SCHEMA"] != "Clip.2") continue;
        EXPECT_EQ(items[i]["name"], expected[i].name);
        EXPECT_EQ(items[i]["source_range"]["start_time"]["value"], expected[i].start);
        EXPECT_EQ(items[i]["active_media_reference_key"], "DEFAULT_MEDIA");
    }
    EXPECT_EQ(items[1]["transition_type"], "SMPTE_Dissolve");
    EXPECT_EQ(items[1]["in_offset"]["value"], 1.0);
    EXPECT_EQ(items[1]["out_offset"]["value"], 3.0);
    EXPECT_EQ(items[6]["transition_type"], "Custom");
    EXPECT_EQ(items[6]["metadata"]["omf"]["effect_id"], kWipe);
    EXPECT_EQ(items[6]["out_offset"]["value"], 2.0);
    EXPECT_EQ(items[4]["effects"][0]["OTIO_SCHEMA"], "LinearTimeWarp.1");
    EXPECT_EQ(items[4]["effects"][0]["time_scalar"], 2.0);
    EXPECT_EQ(items[5]["effects"][0]["OTIO_SCHEMA"], "FreezeFrame.1");
    EXPECT_EQ(items[10]["effects"][0]["OTIO_SCHEMA"], "Effect.1");
    EXPECT_EQ(items[10]["effects"][0]["effect_name"], kFade);
    EXPECT_TRUE(items[3]["effects"].empty());
    // The nested scope: one track per slot, the first a clip and a gap.
    const Json& slots = items[9]["children"];
    ASSERT_EQ(slots.size(), 2u);
    EXPECT_EQ(slots[0]["children"][1]["OTIO_SCHEMA"], "Gap.1");
    EXPECT_EQ(slots[1]["children"][0]["source_range"]["start_time"]["value"], 70.0);

    // The composition that ends in a transition: its last clip takes the whole transition.
    const Json trailing = omftool::timelineOtio(timelines[1], {});
    expectTrackLengths(trailing, timelines[1]);
    EXPECT_EQ(trailing["tracks"]["children"][0]["children"][0]["source_range"]["duration"]["value"],
              6.0);
    EXPECT_EQ(omftool::otioDocument(timelines, {})["OTIO_SCHEMA"], "SerializableCollection.1");
}

TEST_F(TimelineOtio, ClipsNameTheirMediaWhereTheReaderFoundIt) {
    write2x();
    const Json otio = omftool::timelineOtio(read("edit.omf")[0], {});
    const Json& items = otio["tracks"]["children"][0]["children"];
    const Json& found = items[0]["media_references"]["DEFAULT_MEDIA"];
    EXPECT_EQ(found["OTIO_SCHEMA"], "ExternalReference.1");
    EXPECT_EQ(found["target_url"], "file://" + dir_.string() + "/media%20folder/found.mov");
    EXPECT_EQ(found["available_range"]["duration"]["value"], 100.0);
    const Json& moved = items[2]["media_references"]["DEFAULT_MEDIA"];
    EXPECT_EQ(moved["OTIO_SCHEMA"], "MissingReference.1");
    EXPECT_EQ(moved["metadata"]["omf"]["locator_paths"], Json::array({"/gone/Moved.MOV"}));
    const Json& inside = items[7]["media_references"]["DEFAULT_MEDIA"];
    EXPECT_EQ(inside["OTIO_SCHEMA"], "MissingReference.1");
    EXPECT_EQ(inside["metadata"]["omf"]["media"], "in_omf_file");
    EXPECT_EQ(items[7]["metadata"]["omf"]["file_mob_id"], inside["metadata"]["omf"]["file_mob_id"]);
    // All the 50-per-second media there is, at its own rate.
    const Json& fifty = items[8]["media_references"]["DEFAULT_MEDIA"]["available_range"];
    EXPECT_EQ(fifty["duration"]["value"], 200.0);
    EXPECT_EQ(fifty["duration"]["rate"], 50.0);

    // Moved media found in a search folder by its name in another letter case.
    std::filesystem::create_directories(path("moved"));
    std::ofstream(path("moved/moved.mov")) << "moved";
    const Json searched = omftool::timelineOtio(read("edit.omf", {path("moved")})[0], {});
    EXPECT_EQ(searched["tracks"]["children"][0]["children"][2]["media_references"]
                      ["DEFAULT_MEDIA"]["target_url"],
              "file://" + dir_.string() + "/moved/moved.mov");

    // The caller's URL for media in the file; Clip.1 holds its one reference directly.
    omftool::OtioOptions options;
    options.clip1 = true;
    options.mediaURL = [](const omftool::ClipSource& source) -> std::optional<std::string> {
        if (source.place != omftool::MediaPlace::kInFile) return std::nullopt;
        return "file:///exported/" + source.name + ".mov";
    };
    const Json exported = omftool::timelineOtio(read("edit.omf")[0], options);
    const Json& clip = exported["tracks"]["children"][0]["children"][7];
    EXPECT_EQ(clip["OTIO_SCHEMA"], "Clip.1");
    EXPECT_FALSE(clip.contains("media_references"));
    EXPECT_EQ(clip["media_reference"]["target_url"], "file:///exported/Inside.mov");
    EXPECT_EQ(exported["tracks"]["children"][0]["children"][2]["media_reference"]["OTIO_SCHEMA"],
              "MissingReference.1");
}

// 1.x: the transition carries its own effect ID, and a file mob without locators names its
// media by its name.
TEST_F(TimelineOtio, A1xEditKeepsItsLengthAndFindsMediaByTheFileMobName) {
    {
        CompositionFile file(session_, path("old.omf"), kOmfRev1x);
        const omfMobID_t found = file.master("Found", kEditRate, 100);
        file.composition(
            "Old", {{1, file.sequence({file.clip(found, 10, 0),
                                       file.transition(4, 2, "Blend:Dissolve"),
                                       file.clip(found, 20, 30), file.filler(5),
                                       file.scope(6, {file.clip(found, 6, 50)})})}});
        ASSERT_EQ(file.close(), 0);
    }
    std::ofstream(path("media folder/Found file")) << "found";
    const std::vector<omftool::EditTimeline> timelines = read("old.omf", {path("media folder")});
    ASSERT_EQ(timelines.size(), 1u);
    const Json otio = omftool::timelineOtio(timelines[0], {});
    EXPECT_EQ(otio["metadata"]["omf"]["revision"], kOmfRev1x);
    expectTrackLengths(otio, timelines[0]); // 10 - 4 + 20 + 5 + 6
    const Json& items = otio["tracks"]["children"][0]["children"];
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0]["source_range"]["duration"]["value"], 8.0);
    EXPECT_EQ(items[1]["transition_type"], "Custom");
    EXPECT_EQ(items[1]["metadata"]["omf"]["effect_id"], "Blend:Dissolve");
    EXPECT_EQ(items[2]["source_range"]["start_time"]["value"], 32.0);
    EXPECT_EQ(items[2]["source_range"]["duration"]["value"], 18.0);
    EXPECT_EQ(items[4]["OTIO_SCHEMA"], "Stack.1");
    EXPECT_EQ(items[0]["media_references"]["DEFAULT_MEDIA"]["target_url"],
              "file://" + dir_.string() + "/media%20folder/Found%20file");
}

} // namespace
