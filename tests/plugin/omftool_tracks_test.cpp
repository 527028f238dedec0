// "omftool tracks" run as a program: the plug-in's Video Track entries of a file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

#include "composition_builder.h"
#include "omftool_run.h"
#include "picture_file_writer.h"
#include "tarsel/system/clip.h"
#include "tarsel/system/image.h"

namespace {

// Runs omftool with `arguments`; answers its standard output and sets `status`.
std::string RunOmftool(const std::string& arguments, int& status) {
    const std::string command = std::string(OMFTOOL_PATH) + " " + arguments + " 2>/dev/null";
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    char buffer[4096];
    while (std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, read);
    const int result = ::pclose(pipe);
    status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

TEST(OmftoolTracks, ListsMastersThenSequencesWithWhatTheHostGets) {
    const std::string path = ::testing::TempDir() + "omftool_tracks.omf";
    ASSERT_EQ(plugin_test::WritePictureFile(
                  path,
                  {{"First", 720, 486, kOmfFullFrame, {30000, 1001}, {0, 0}, 12},
                   {"Second", 720, 576, kOmfFullFrame, {25, 1}, {0, 0}, 30}},
                  true, 5),
              0);
    int status = -1;
    const auto listing = nlohmann::json::parse(RunOmftool("tracks --json " + path, status));
    EXPECT_EQ(status, 0);
    const auto& tracks = listing.at("tracks");
    ASSERT_EQ(tracks.size(), 3u);
    EXPECT_EQ(tracks[0]["name"], "First");
    EXPECT_EQ(tracks[0]["kind"], "file");
    EXPECT_EQ(tracks[0]["frames"], 12);
    EXPECT_NEAR(tracks[0]["rate"].get<double>(), 29.97, 0.001);
    EXPECT_EQ(tracks[1]["name"], "Second");
    EXPECT_EQ(tracks[1]["frames"], 30);
    EXPECT_EQ(tracks[1]["height"], 576);
    EXPECT_DOUBLE_EQ(tracks[1]["pixelAspect"][1].get<double>(), 0.9375);
    EXPECT_EQ(tracks[2]["name"], "Composition   1 - Sequence   1");
    EXPECT_EQ(tracks[2]["kind"], "sequence");
    EXPECT_EQ(tracks[2]["frames"], 25);
    std::filesystem::remove(path);
}

TEST(OmftoolTracks, AFileThatCannotBeReadEndsWithStatus2) {
    int status = -1;
    const auto answer =
        nlohmann::json::parse(RunOmftool("tracks --json /nonexistent/edit.omf", status));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(answer["error"], 2);
    EXPECT_EQ(answer["message"], "cannot read /nonexistent/edit.omf: No such file or directory");
}

// An edit handed on with linked media: no media inside the file, its pictures named by locators
// of a folder that is gone, the pictures moved to moved/ (names in lower case) and an older copy
// of the first one in decoy/.
class OmftoolExternalMedia : public ::testing::Test {
  protected:
    static int RedOf(int picture) { return 20 * picture + 10; }

    void SetUp() override {
        folder_ = ::testing::TempDir() + "omftool_external_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(folder_);
        WritePictures(folder_ + "moved/", 10, 0);
        WritePictures(folder_ + "decoy/", 1, 5);
        edit_ = folder_ + "edit.omf";
        plugin_test::CompositionBuilder file(edit_, kOmfRev2x);
        omfMobID_t shots{}, lost{};
        omfObject_t first = nullptr, second = nullptr, sequence = nullptr;
        ASSERT_EQ(file.AddMaster("Shots", &shots, "/nowhere/SHOT.0000.PNG"), 0);
        ASSERT_EQ(file.AddMaster("Lost", &lost, "/nowhere/lost.png"), 0);
        ASSERT_EQ(file.Clip(shots, 6, 2, &first), 0);
        ASSERT_EQ(file.Clip(lost, 3, 0, &second), 0);
        ASSERT_EQ(file.Sequence({first, second}, &sequence), 0);
        ASSERT_EQ(file.Composition("Edit", {sequence}), 0);
        ASSERT_EQ(file.Close(), 0);
    }
    void TearDown() override {
        ::unsetenv("OMF_MEDIA_PATH");
        std::filesystem::remove_all(folder_);
    }

    // shot.0000.png ... in `folder`, picture n of red level RedOf(n + shift).
    static void WritePictures(const std::string& folder, int count, int shift) {
        std::filesystem::create_directories(folder);
        Clip* writer = new Clip((folder + "shot.0000.png").c_str(), true, nullptr);
        for (int n = 0; n < count; ++n) {
            std::vector<uint8_t> rgba(4 * 2 * 4, uint8_t(RedOf(n + shift)));
            Image* picture = Image::FromRGBA8(rgba.data(), 4, 2, 4 * 4);
            EXPECT_TRUE(writer->PutFrameTagList(n, picture));
            picture->Recycle();
        }
        writer->Recycle();
    }

    static int RedOfFile(const std::string& path) {
        Clip* clip = new Clip(path.c_str(), false, nullptr);
        Image* image = clip->GetFrameTagList(0);
        const int red = image ? int(image->FetchPixel(0, 0).R / 257) : -1;
        if (image) image->Recycle();
        clip->Recycle();
        return red;
    }

    // The file `tracks --json` says was found for each external segment of the one sequence.
    std::vector<nlohmann::json> Found(const std::string& options, omftool_test::ToolRun& run) {
        run = omftool_test::Omftool("tracks --json " + options + " " + edit_);
        EXPECT_EQ(run.status, 0) << run.err;
        const nlohmann::json listing = nlohmann::json::parse(run.out);
        std::vector<nlohmann::json> found;
        for (const auto& segment : listing["tracks"][0]["externalMedia"])
            found.push_back(segment["found"]);
        return found;
    }

    std::string Extract(const std::string& options, omftool_test::ToolRun& run) {
        run = omftool_test::Omftool("extract " + edit_ + " " + options + " --bits 8 -o " + folder_ +
                                    "out/f%02d.png");
        return folder_ + "out/f";
    }

    std::string folder_;
    std::string edit_;
};

TEST_F(OmftoolExternalMedia, MovedMediaIsFoundByNameInTheSearchPathElseItsFramesAreGaps) {
    omftool_test::ToolRun run = omftool_test::Omftool("tracks --json " + edit_);
    EXPECT_EQ(run.status, 0) << run.err;
    const auto tracks = nlohmann::json::parse(run.out)["tracks"];
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]["frames"], 9);
    EXPECT_EQ(tracks[0]["externalMedia"], nlohmann::json::parse(R"([
        {"start": 0, "end": 6, "mob": "Shots", "path": "\\nowhere\\SHOT.0000.PNG", "found": null},
        {"start": 6, "end": 9, "mob": "Lost", "path": "\\nowhere\\lost.png", "found": null}])"));
    EXPECT_EQ(run.err.find("OMF Error"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("media \"\\nowhere\\lost.png\" of \"Lost\" not found"),
              std::string::npos)
        << run.err;
    Extract("", run);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("could be read (9 tried)"), std::string::npos) << run.err;

    // The variable's empty entries and missing folders are passed over.
    ::setenv("OMF_MEDIA_PATH", (folder_ + "absent::" + folder_ + "moved").c_str(), 1);
    EXPECT_EQ(Found("", run),
              (std::vector<nlohmann::json>{folder_ + "moved/shot.0000.png", nullptr}));
    // Without media inside the file, the frame size is the first picture found's.
    const auto found = nlohmann::json::parse(run.out)["tracks"][0];
    EXPECT_EQ(found["width"], 4);
    EXPECT_EQ(found["height"], 2);
    run = omftool_test::Omftool("tracks " + edit_);
    EXPECT_NE(run.out.find("\n       frames 0-5 \"Shots\" \\nowhere\\SHOT.0000.PNG -> " + folder_ +
                           "moved/shot.0000.png\n       frames 6-8 \"Lost\" "
                           "\\nowhere\\lost.png -> not found\n"),
              std::string::npos)
        << run.out;
    // The found frames play from the clip's start, picture 2; the lost ones are counted.
    const std::string out = Extract("", run);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("wrote 6 frames of \"Composition   1 - Sequence   1\" to " + out +
                           "%02d.png; 3 could not be read"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(RedOfFile(out + "00.png"), RedOf(2));
    EXPECT_EQ(RedOfFile(out + "05.png"), RedOf(7));
    EXPECT_FALSE(std::filesystem::exists(out + "06.png"));
}

TEST_F(OmftoolExternalMedia, FoldersAreSearchedInTheOrderGivenOptionsBeforeTheVariable) {
    ::setenv("OMF_MEDIA_PATH", (folder_ + "decoy").c_str(), 1);
    omftool_test::ToolRun run;
    EXPECT_EQ(Found("", run)[0], folder_ + "decoy/shot.0000.png");
    EXPECT_EQ(Found("--media-path " + folder_ + "missing --media-path " + folder_ +
                        "moved --media-path " + folder_ + "decoy",
                    run)[0],
              folder_ + "moved/shot.0000.png");
    EXPECT_NE(run.err.find("omftool: --media-path " + folder_ +
                           "missing is not a folder; it is not searched\n"),
              std::string::npos)
        << run.err;
    const std::string out = Extract("--media-path " + folder_ + "decoy --count 1", run);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(RedOfFile(out + "00.png"), RedOf(5));
}

} // namespace
