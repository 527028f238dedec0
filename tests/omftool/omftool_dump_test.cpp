// omftool's container dump, on the bundled sample and on files it cannot open.
#include "../common/scratch_folder.h"
#include "container_dump.h"
#include "sample_container.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::vector<char> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class OmftoolDump : public test_support::ScratchFolderTest {};

TEST_F(OmftoolDump, BundledSampleIsWhatTheWriterMakesToday) {
    const auto file = dir_ / "sample.bento";
    ASSERT_TRUE(omftool::writeSampleContainer(file.string()));
    EXPECT_EQ(readFile(file), readFile(std::filesystem::path(OMF_EXAMPLES_DIR) / "sample.bento"))
        << "regenerate examples/sample.bento with: omftool write-sample examples/sample.bento";
}

TEST_F(OmftoolDump, JsonDescribesLabelObjectsValuesAndNames) {
    const auto file = dir_ / "sample.bento";
    ASSERT_TRUE(omftool::writeSampleContainer(file.string()));
    std::ostringstream out, err;
    ASSERT_EQ(omftool::runDump(file.string(), true, {}, out, err), 0) << err.str();
    nlohmann::json d = nlohmann::json::parse(out.str());
    EXPECT_EQ(d["label"]["majorVersion"], 2);
    EXPECT_EQ(d["label"]["flags"], 0x0101);
    EXPECT_EQ(d["toc"]["format"], "code-byte");
    EXPECT_EQ(d["label"]["tocOffset"].get<uint64_t>() + d["label"]["tocSize"].get<uint64_t>() + 24,
              std::filesystem::file_size(file));

    // The head object: class "HEAD" held immediately, version 2.1.
    const nlohmann::json* head = nullptr;
    const nlohmann::json* media = nullptr;
    for (const auto& object : d["objects"]) {
        for (const auto& property : object["properties"]) {
            if (property["name"] != "OMFI:OOBJ:ObjClass") continue;
            if (property["values"][0]["text"] == "HEAD") head = &object;
            if (property["values"][0]["text"] == "MDAT") media = &object;
        }
    }
    ASSERT_NE(head, nullptr);
    ASSERT_NE(media, nullptr);
    const auto& classValue = (*head)["properties"][0]["values"][0];
    EXPECT_EQ(classValue["typeName"], "omfi:ClassID");
    EXPECT_EQ(classValue["segments"][0]["immediate"], "48 45 41 44");
    // The media data was written in two runs with another value between them.
    bool sawSplitValue = false;
    for (const auto& property : (*media)["properties"]) {
        if (property["name"] != "OMFI:MDAT:Data") continue;
        const auto& value = property["values"][0];
        EXPECT_EQ(value["size"], 2048);
        ASSERT_EQ(value["segments"].size(), 2u);
        EXPECT_TRUE(value["segments"][1]["continued"].get<bool>());
        EXPECT_TRUE(value["truncated"].get<bool>());
        sawSplitValue = true;
    }
    EXPECT_TRUE(sawSplitValue);

    bool namesType = false;
    for (const auto& name : d["globalNames"]) {
        if (name["name"] == "omfi:ObjRefArray") namesType = name["kind"] == "type";
    }
    EXPECT_TRUE(namesType);
    EXPECT_EQ(d["counts"]["objects"].get<size_t>(), d["objects"].size());
}

TEST_F(OmftoolDump, TextFormNamesEveryPart) {
    const auto file = dir_ / "sample.bento";
    ASSERT_TRUE(omftool::writeSampleContainer(file.string()));
    std::ostringstream out, err;
    ASSERT_EQ(omftool::runDump(file.string(), false, {}, out, err), 0);
    const std::string text = out.str();
    for (const char* expected :
         {"Label: magic A4 43 4D A5 48 64 72 D7", "code-byte format", "OMFI:HEAD:Version",
          "immediate [48 45 41 44]", "continued segment at", "Global names:"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
}

TEST_F(OmftoolDump, FilesThatCannotBeOpenedGiveTheContainerErrorAndStatusTwo) {
    std::ostringstream out, err;
    EXPECT_EQ(omftool::runDump((dir_ / "missing.omf").string(), false, {}, out, err), 2);
    EXPECT_NE(err.str().find("Cannot open"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("No such file or directory"), std::string::npos) << err.str();

    const auto garbage = dir_ / "garbage.omf";
    std::ofstream(garbage) << std::string(100, 'x');
    std::ostringstream jsonOut, jsonErr;
    EXPECT_EQ(omftool::runDump(garbage.string(), true, {}, jsonOut, jsonErr), 2);
    nlohmann::json error = nlohmann::json::parse(jsonOut.str());
    EXPECT_EQ(error["error"], 12);
    EXPECT_NE(error["message"].get<std::string>().find("Invalid magic byte sequence"),
              std::string::npos);
}

} // namespace
