// omftool timeline run as the built program: the document it writes for each choice of
// composition, tracks and start, written the same twice and loadable by Python's json module,
// and exit status 2 with the cause for what it cannot use.
#include "composition_fixture.h"
#include "picture_media_fixture.h"
#include "otio_document.h"
#include "timeline_otio_checks.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/wait.h>

namespace {

using omftool_test::kEditRate;
using Json = nlohmann::ordered_json;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int shell(const std::string& command) {
    const int result = std::system(command.c_str());
    return WIFEXITED(result) ? WEXITSTATUS(result) : -1;
}

class OmftoolTimeline : public omftool_test::PictureMediaTest {
  protected:
    void SetUp() override {
        PictureMediaTest::SetUp();
        if (HasFatalFailure()) return;
        omftool_test::CompositionFile file(session_, path("edit.omf"), kOmfRev2x);
        const omfMobID_t moved = file.master("Moved", kEditRate, 100, "/gone/Moved.MOV");
        const omfMobID_t inside = file.masterInFile("Inside", 12);
        file.composition(
            "Edit", {{1, file.sequence({file.clip(inside, 10, 0),
                                        file.transition(4, 2, kOmfEffectSimpleVideoDissolve),
                                        file.clip(moved, 20, 5)})},
                     {2, file.filler(26, true)}});
        file.composition("Second", {{1, file.clip(moved, 8, 0)}});
        ASSERT_EQ(file.close(), 0);
        std::filesystem::create_directories(path("moved"));
        std::ofstream(path("moved/moved.mov")) << "moved";
    }

    ToolRun timeline(const std::string& arguments) {
        ToolRun run;
        run.status = shell(std::string(OMFTOOL_PATH) + " timeline '" + path("edit.omf") + "' " +
                           arguments + " >'" + path("out.txt") + "' 2>'" + path("err.txt") +
                           "'");
        run.out = contents(path("out.txt"));
        run.err = contents(path("err.txt"));
        std::filesystem::remove(path("out.txt"));
        std::filesystem::remove(path("err.txt"));
        return run;
    }

    Json document(const std::string& arguments) {
        const ToolRun run = timeline(arguments);
        EXPECT_EQ(run.status, 0) << run.err;
        return Json::parse(run.out, nullptr, false);
    }
};

TEST_F(OmftoolTimeline, WritesEveryCompositionOrTheOneChosenTheSameEveryTime) {
    const Json all = document("");
    ASSERT_EQ(all["OTIO_SCHEMA"], "SerializableCollection.1");
    ASSERT_EQ(all["children"].size(), 2u);
    EXPECT_EQ(all["children"][1]["name"], "Second");
    // 10 + 20 - 4: the first clip keeps 8, the second starts at 5 + 2 and keeps 18.
    const Json& edit = all["children"][0]["tracks"]["children"];
    EXPECT_EQ(omftool_test::otioTrackDuration(edit[0]), 26.0);
    EXPECT_EQ(omftool_test::otioTrackDuration(edit[1]), 26.0);
    EXPECT_EQ(edit[0]["children"][2]["source_range"]["start_time"]["value"], 7.0);

    for (const char* output : {"one.otio", "two.otio"}) {
        const ToolRun run = timeline("--composition 1 -o '" + path(output) + "'");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(path(output)), std::string::npos) << run.out;
        EXPECT_EQ(shell("python3 -c 'import json,sys; json.load(open(sys.argv[1]))' '" +
                        path(output) + "'"),
                  0);
    }
    EXPECT_EQ(contents(path("one.otio")), contents(path("two.otio")));
    EXPECT_EQ(contents(path("one.otio")), timeline("--composition Edit").out);
    EXPECT_EQ(Json::parse(contents(path("one.otio"))), all["children"][0]);
    EXPECT_EQ(document("--composition Second")["name"], "Second");
    // The team's own OTIO reader takes what is written, transition offsets and all.
    omftool::OtioTimeline read;
    std::string why;
    ASSERT_TRUE(omftool::readOtio(contents(path("one.otio")), read, why)) << why;
    ASSERT_EQ(read.tracks.size(), 2u);
    ASSERT_EQ(read.tracks[0].items.size(), 3u);
    EXPECT_EQ(read.tracks[0].items[1].inOffset.value, 2.0);
    EXPECT_EQ(read.tracks[0].items[1].outOffset.value, 2.0);
}

// The list of one composition, to standard output or a file, with the start given.
TEST_F(OmftoolTimeline, WritesOneCompositionAsAnEdl) {
    const ToolRun listed = timeline("--format edl --composition Edit --start 10:00:00:00");
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind("TITLE: Edit\n", 0), 0u) << listed.out;
    EXPECT_NE(listed.out.find("10:00:00:00"), std::string::npos) << listed.out;
    const ToolRun written = timeline("--format edl --composition 2 -o '" + path("second.edl") + "'");
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(contents(path("second.edl")).rfind("TITLE: Second\n", 0), 0u);
}

TEST_F(OmftoolTimeline, OptionsChooseTracksStartClipSchemaAndMediaFolders) {
    const Json sound = document("--composition Edit --track 2");
    ASSERT_EQ(sound["tracks"]["children"].size(), 1u);
    EXPECT_EQ(sound["tracks"]["children"][0]["kind"], "Audio");
    // One hour at 25 frames a second.
    const Json started = document("--composition Edit --start 01:00:00:00");
    EXPECT_EQ(started["global_start_time"]["value"], 90000.0);
    EXPECT_EQ(started["global_start_time"]["rate"], 25.0);
    const Json old = document("--composition Second --clip1");
    const Json& clip = old["tracks"]["children"][0]["children"][0];
    EXPECT_EQ(clip["OTIO_SCHEMA"], "Clip.1");
    EXPECT_EQ(clip["media_reference"]["OTIO_SCHEMA"], "MissingReference.1");
    const Json searched = document("--composition Second --media-path '" + path("moved") + "'");
    EXPECT_EQ(searched["tracks"]["children"][0]["children"][0]["media_references"]
                      ["DEFAULT_MEDIA"]["target_url"],
              "file://" + path("moved/moved.mov"));
}

TEST_F(OmftoolTimeline, WhatCannotBeUsedExitsTwoNamingItAndLeavesNothing) {
    std::ofstream(path("text.omf")) << "not an OMF file";
    std::ofstream(path("blocker")) << "a file, not a folder";
    const struct {
        std::string arguments, says;
    } cases[] = {
        {"--composition 3", "no composition 3; the compositions are 1 \"Edit\", 2 \"Second\""},
        {"--composition Third", "no composition Third"},
        {"--composition Edit --track 9", "no picture or sound track 9 in \"Edit\"; its tracks "
                                         "are 1 (V1) 2 (A1)"},
        {"--composition Edit --start 1:2", "--start: \"1:2\" is not a timecode at 25"},
        {"--composition Edit --start 00:00:00:25", "is not a timecode at 25 frames a second"},
        {"--format edl", "an EDL holds one composition; choose one with --composition: 1 \"Edit\""},
        {"--format xml", "--format"},
        {"-o '" + path("blocker/out.otio") + "'", "cannot write " + path("blocker/out.otio")},
    };
    for (const auto& test : cases) {
        const ToolRun run = timeline(test.arguments);
        EXPECT_EQ(run.status, 2) << test.arguments;
        EXPECT_NE(run.err.find(test.says), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
    const int notOMF = shell(std::string(OMFTOOL_PATH) + " timeline '" + path("text.omf") +
                             "' -o '" + path("text.otio") + "' 2>/dev/null");
    EXPECT_EQ(notOMF, 2);
    EXPECT_EQ(shell(std::string(OMFTOOL_PATH) + " timeline '" + path("absent.omf") +
                    "' 2>/dev/null"),
              2);
    // Only the inputs are left: no output, no temporary.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"blocker", "edit.omf", "moved", "text.omf"}));
}

} // namespace
