// omftool's info command on OMF files it writes itself, and on failures.
#include "../common/scratch_folder.h"
#include "file_info.h"
#include "sample_container.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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
        if (test.revision == 2) {
            EXPECT_EQ(d["mobs"]["composition"], 1);
            EXPECT_EQ(d["mobs"]["master"], 1);
            EXPECT_EQ(d["mobs"]["source"], 1);
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

} // namespace
