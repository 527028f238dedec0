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
    EXPECT_FALSE(answer["message"].get<std::string>().empty());
}

// An edit handed on with linked media: no media inside the file, its pictures named by locators
// of a folder that no longer exists, the pictures themselves moved elsewhere.
class OmftoolExternalMedia : public ::testing::Test {
  protected:
    static constexpr int kShots = 10;
    static int RedOf(int picture) { return 20 * picture + 10; }

    void SetUp() override {
        folder_ = ::testing::TempDir() + "omftool_external_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name() + "/";
        std::filesystem::remove_all(folder_);
        WritePictures(folder_ + "moved/", kShots, 0);
        WritePictures(folder_ + "decoy/", 1, 5); // an older copy of the first picture only
        edit_ = folder_ + "edit.omf";
        plugin_test::CompositionBuilder file(edit_, kOmfRev2x);
        ASSERT_EQ(file.Error(), 0);
        omfMobID_t shots{}, lost{};
        ASSERT_EQ(file.AddMaster("Shots", &shots, "/nowhere/SHOT.0000.PNG"), 0);
        ASSERT_EQ(file.AddMaster("Lost", &lost, "/nowhere/lost.png"), 0);
        omfObject_t first = nullptr, second = nullptr, sequence = nullptr;
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
            std::vector<uint8_t> rgba(4 * 2 * 4, 255);
            for (std::size_t i = 0; i < rgba.size(); i += 4)
                rgba[i] = uint8_t(RedOf(n + shift));
            Image* picture = Image::FromRGBA8(rgba.data(), 4, 2, 4 * 4);
            ASSERT_TRUE(writer->PutFrameTagList(n, picture));
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

    // The external segments `tracks --json` lists for the edit's one sequence.
    nlohmann::json Segments(const std::string& options, omftool_test::ToolRun& run) {
        run = omftool_test::Omftool("tracks --json " + options + " " + edit_);
        EXPECT_EQ(run.status, 0) << run.err;
        const auto tracks = nlohmann::json::parse(run.out).at("tracks");
        EXPECT_EQ(tracks.size(), 1u);
        EXPECT_EQ(tracks[0]["kind"], "sequence");
        EXPECT_EQ(tracks[0]["frames"], 9);
        return tracks[0]["externalMedia"];
    }

    std::string folder_;
    std::string edit_;
};

TEST_F(OmftoolExternalMedia, WithoutASearchPathTheSequenceIsListedAndPlaysOnlyGaps) {
    omftool_test::ToolRun run;
    const nlohmann::json segments = Segments("", run);
    EXPECT_EQ(segments, nlohmann::json::parse(R"([
        {"start": 0, "end": 6, "mob": "Shots", "path": "\\nowhere\\SHOT.0000.PNG", "found": null},
        {"start": 6, "end": 9, "mob": "Lost", "path": "\\nowhere\\lost.png", "found": null}])"));
    EXPECT_EQ(run.err.find("OMF Error"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("media \"\\nowhere\\lost.png\" of \"Lost\" not found"),
              std::string::npos)
        << run.err;

    run = omftool_test::Omftool("extract " + edit_ + " -o " + folder_ + "out/f%02d.png");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(
        run.err.find("no frame of \"Composition   1 - Sequence   1\" could be read (9 tried)"),
        std::string::npos)
        << run.err;
}

TEST_F(OmftoolExternalMedia, TheSearchPathFindsMovedMediaByNameInAnyCase) {
    ::setenv("OMF_MEDIA_PATH", (folder_ + "moved").c_str(), 1);
    omftool_test::ToolRun run;
    nlohmann::json segments = Segments("", run);
    EXPECT_EQ(segments[0]["found"], folder_ + "moved/shot.0000.png");
    EXPECT_TRUE(segments[1]["found"].is_null());

    // The text listing says the same, one line per segment below its sequence.
    run = omftool_test::Omftool("tracks " + edit_);
    EXPECT_NE(run.out.find("\n       frames 0-5 \"Shots\" \\nowhere\\SHOT.0000.PNG -> " + folder_ +
                           "moved/shot.0000.png\n       frames 6-8 \"Lost\" "
                           "\\nowhere\\lost.png -> not found\n"),
              std::string::npos)
        << run.out;

    // The found frames play (the clip starts at picture 2); the lost segment's are gaps.
    run = omftool_test::Omftool("extract " + edit_ + " -o " + folder_ + "out/f%02d.png --bits 8");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("wrote 6 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 could not be read"), std::string::npos) << run.out;
    EXPECT_EQ(RedOfFile(folder_ + "out/f00.png"), RedOf(2));
    EXPECT_EQ(RedOfFile(folder_ + "out/f05.png"), RedOf(7));
    EXPECT_FALSE(std::filesystem::exists(folder_ + "out/f06.png"));
}

TEST_F(OmftoolExternalMedia, FoldersAreSearchedInTheOrderGivenOptionsBeforeTheVariable) {
    ::setenv("OMF_MEDIA_PATH", (folder_ + "decoy").c_str(), 1);
    omftool_test::ToolRun run;
    // The variable alone finds the decoy.
    EXPECT_EQ(Segments("", run)[0]["found"], folder_ + "decoy/shot.0000.png");
    // A folder that does not exist is named and passed over; the first given that holds the
    // name wins over a later one and over the variable.
    const nlohmann::json segments =
        Segments("--media-path " + folder_ + "missing --media-path " + folder_ +
                     "moved --media-path " + folder_ + "decoy",
                 run);
    EXPECT_EQ(segments[0]["found"], folder_ + "moved/shot.0000.png");
    EXPECT_NE(run.err.find("omftool: --media-path " + folder_ +
                           "missing is not a folder; it is not searched"),
              std::string::npos)
        << run.err;

    run = omftool_test::Omftool("extract " + edit_ + " --media-path " + folder_ +
                                "decoy --count 1 -o " + folder_ + "out/f%02d.png --bits 8");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(RedOfFile(folder_ + "out/f00.png"), RedOf(5));
}

} // namespace
