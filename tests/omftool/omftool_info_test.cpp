// omftool's info command on OMF files it writes itself, and on failures.
#include "../common/scratch_folder.h"
#include "file_info.h"
#include "picture_media_fixture.h"
#include "sample_container.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

class OmftoolInfo : public test_support::ScratchFolderTest {};

TEST_F(OmftoolInfo, DescribesFilesOfEveryRevision) {
    struct Case {
        int revision;
        const char* headVersion;
        const char* toolkitVersion;
        const char* containerVersion;
    };
    for (Case test : {Case{0, "1.0", "1.0", "1.0"}, Case{1, "1.0", "2.2", "2.0"},
                      Case{2, "2.0", "2.2.0", "2.0"}}) {
        const auto file = dir_ / ("sample" + std::to_string(test.revision) + ".omf");
        ASSERT_TRUE(omftool::writeSampleOMF(file.string(), test.revision));
        nlohmann::json d;
        int error = 0;
        std::string message;
        ASSERT_TRUE(omftool::describeFile(file.string(), d, error, message)) << message;
        EXPECT_EQ(d["revision"], test.revision);
        EXPECT_EQ(d["headVersion"], test.headVersion);
        EXPECT_EQ(d["toolkitVersion"], test.toolkitVersion);
        EXPECT_EQ(d["containerVersion"], test.containerVersion);
        EXPECT_EQ(d["byteOrder"], "II");
        ASSERT_EQ(d["identifications"].size(), 1u);
        EXPECT_EQ(d["identifications"][0]["company"], "OMF media extensions");
        EXPECT_EQ(d["identifications"][0]["version"], "1.0 sample writer");
        EXPECT_EQ(d["mobs"]["total"], 3);
        EXPECT_GT(d["counts"]["objects"].get<int>(), 2);
        // 1.x files list master mobs among their composition mobs.
        EXPECT_EQ(d["mobs"]["composition"], 1);
        EXPECT_EQ(d["mobs"]["master"], 1);
        EXPECT_EQ(d["mobs"]["source"], 1);
        if (test.revision == 2) {
            // The sample's file mob has a plain file descriptor no codec reads.
            ASSERT_EQ(d["media"].size(), 1u);
            const nlohmann::json& media = d["media"][0];
            EXPECT_EQ(media["name"], "Sample media");
            EXPECT_EQ(media["descriptorClass"], "MDFL");
            EXPECT_EQ(media["codec"], "none");
            EXPECT_EQ(media["codecError"]["error"], 84);
            EXPECT_EQ(media["codecError"]["message"], "CODEC invalid or not loaded");
            EXPECT_EQ(media["length"], 250);
            EXPECT_EQ(media["sampleRate"], nlohmann::json::array({25, 1}));
            EXPECT_FALSE(media.contains("storedWidth"));
        }
    }
}

TEST_F(OmftoolInfo, FailuresPrintTheToolkitErrorAndTheContainerReason) {
    std::ostringstream out, err;
    EXPECT_EQ(omftool::runInfo((dir_ / "absent.omf").string(), true, out, err), 2);
    EXPECT_EQ(err.str().rfind("OMF error 28: OMFI_ERR: File not found.", 0), 0u) << err.str();
    EXPECT_NE(err.str().find("No such file or directory"), std::string::npos);
    nlohmann::json error = nlohmann::json::parse(out.str());
    EXPECT_EQ(error["error"], 28);

    const auto container = dir_ / "plain.bento";
    ASSERT_TRUE(omftool::writeSampleContainer(container.string()));
    std::ostringstream out2, err2;
    EXPECT_EQ(omftool::runInfo(container.string(), false, out2, err2), 2);
    EXPECT_EQ(err2.str().rfind("OMF error 24:", 0), 0u) << err2.str();
}

class OmftoolMediaInfo : public omftool_test::PictureMediaTest {};

TEST_F(OmftoolMediaInfo, ListsEveryFileMobWithItsCodecPictureSizesAndSamples) {
    std::vector<omftool_test::TestPicture> pictures = omftool_test::standardMedia();
    pictures[1].sampled = {0, 1, 6, 2}; // "alpha" samples rows 1 and 2 only
    const std::string file = path("media.omf");
    writeMediaFile(file, pictures);
    nlohmann::json d;
    int error = 0;
    std::string message;
    ASSERT_TRUE(omftool::describeFile(file, d, error, message)) << message;
    ASSERT_EQ(d["media"].size(), pictures.size());
    struct Expected {
        const char* name;
        const char* descriptorClass;
        const char* codec;
        int storedWidth, storedHeight, sampledWidth, sampledHeight;
        const char* layout;
        int length;
    };
    const Expected expected[] = {
        {"cdci frames", "CDCI", "CDCI Codec (Uncompressed ONLY)", 8, 4, 8, 4, "full frame", 3},
        {"alpha frames", "RGBA", "RGBA Codec", 6, 4, 6, 2, "full frame", 2},
        {"opaque frames", "RGBA", "RGBA Codec", 4, 2, 4, 2, "full frame", 1},
        {"fields frames", "CDCI", "CDCI Codec (Uncompressed ONLY)", 4, 3, 4, 3, "separate fields",
         1}};
    for (size_t i = 0; i < pictures.size(); ++i) {
        const nlohmann::json& media = d["media"][i];
        SCOPED_TRACE(media.dump());
        EXPECT_EQ(media["name"], expected[i].name);
        EXPECT_EQ(media["descriptorClass"], expected[i].descriptorClass);
        EXPECT_EQ(media["codec"], expected[i].codec);
        EXPECT_FALSE(media.contains("codecError"));
        EXPECT_EQ(media["storedWidth"], expected[i].storedWidth);
        EXPECT_EQ(media["storedHeight"], expected[i].storedHeight);
        EXPECT_EQ(media["sampledWidth"], expected[i].sampledWidth);
        EXPECT_EQ(media["sampledHeight"], expected[i].sampledHeight);
        EXPECT_EQ(media["frameLayout"], expected[i].layout);
        EXPECT_EQ(media["length"], expected[i].length);
        EXPECT_EQ(media["sampleRate"], nlohmann::json::array({25, 1}));
        EXPECT_EQ(media["mobID"].size(), 3u);
    }

    std::ostringstream out, err;
    ASSERT_EQ(omftool::runInfo(file, false, out, err), 0) << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("Media: 4 file mobs with a descriptor\n"), std::string::npos) << text;
    // The picture frames and extract give: two fields woven, the sampled area of the stored one.
    EXPECT_NE(text.find(" CDCI: codec CDCI Codec (Uncompressed ONLY); picture 4 x 6 (fields of "
                        "4 x 3), separate fields; 1 sample at 25/1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" RGBA: codec RGBA Codec; picture 6 x 2 (sampled 6 x 2 at 0, 1 of stored "
                        "6 x 4; displayed 6 x 4 at 0, 0), full frame; 2 samples at 25/1\n"),
              std::string::npos)
        << text;
}

} // namespace
