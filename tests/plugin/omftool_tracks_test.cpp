// "omftool tracks" run as a program: the plug-in's Video Track entries of a file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <string>

#include "picture_file_writer.h"

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

} // namespace
