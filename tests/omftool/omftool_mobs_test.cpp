// omftool mobs, as JSON and as text, on the shared 1.x and 2.x composition
// fixtures.
#include "mob_fixtures.h"
#include "mob_listing.h"
#include "omf_fixture.h"

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

class OmftoolMobs : public omf_test::ToolkitTest {
  protected:
    nlohmann::json listing(omfFileRev_t revision) {
        const std::string file = path("fixture" + std::to_string(revision) + ".omf");
        EXPECT_EQ(omf_test::writeMobFixtureFile(session_, file, revision), 0);
        nlohmann::json d;
        int error = 0;
        std::string message;
        EXPECT_TRUE(omftool::describeMobs(file, d, error, message)) << message;
        return d;
    }

    static const nlohmann::json* mobNamed(const nlohmann::json& d, const std::string& name) {
        for (const auto& mob : d["mobs"]) {
            if (mob.value("name", "") == name) return &mob;
        }
        return nullptr;
    }
};

TEST_F(OmftoolMobs, ListsEveryMobWithItsKindTracksAndTrees) {
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        SCOPED_TRACE("revision " + std::to_string(revision));
        const bool is2x = revision == kOmfRev2x;
        nlohmann::json d = listing(revision);
        ASSERT_EQ(d["mobs"].size(), 5u);
        const omf_test::MobFixtureIDs ids;

        const nlohmann::json* composition = mobNamed(d, "Composition");
        ASSERT_NE(composition, nullptr);
        EXPECT_EQ((*composition)["kind"], "composition");
        EXPECT_EQ((*composition)["mobID"],
                  nlohmann::json::array(
                      {ids.composition.prefix, ids.composition.major, ids.composition.minor}));
        ASSERT_EQ((*composition)["tracks"].size(), 2u);
        const nlohmann::json& picture = (*composition)["tracks"][0];
        EXPECT_EQ(picture["dataKind"], "omfi:data:Picture");
        EXPECT_EQ(picture["editRate"], nlohmann::json::array({25, 1}));
        EXPECT_EQ(picture["length"], omf_test::kFixtureSequenceLength);
        const nlohmann::json& sequence = picture["component"];
        EXPECT_EQ(sequence["class"], "SEQU");
        std::vector<std::string> classes;
        std::vector<long long> lengths;
        for (const auto& component : sequence["components"]) {
            classes.push_back(component["class"]);
            lengths.push_back(component["length"]);
        }
        const std::vector<std::string> expected =
            is2x ? std::vector<std::string>{"SCLP", "FILL", "TRAN", "SCLP", "EFFE", "NEST", "SLCT"}
                 : std::vector<std::string>{"SCLP", "FILL", "TRAN", "SCLP", "TRKG", "TRKG", "SLCT"};
        EXPECT_EQ(classes, expected);
        EXPECT_EQ(lengths, (std::vector<long long>{10, 5, 4, 20, 8, 6, 7}));
        const nlohmann::json& firstClip = sequence["components"][0];
        EXPECT_EQ(
            firstClip["sourceMobID"],
            nlohmann::json::array({ids.master1.prefix, ids.master1.major, ids.master1.minor}));
        EXPECT_EQ(firstClip["start"], 0);
        EXPECT_EQ(firstClip["target"],
                  nlohmann::json({{"found", true}, {"kind", "master"}, {"name", "Master 1"}}));
        const nlohmann::json& transition = sequence["components"][2];
        EXPECT_EQ(transition["cutPoint"], 2);
        EXPECT_EQ(transition["effectID"],
                  is2x ? omf_test::kFixtureTransitionEffect : omf_test::kFixtureTransitionEffect1x);
        const nlohmann::json& effect = sequence["components"][4];
        EXPECT_EQ(effect["effectID"], is2x ? omf_test::kFixtureEffect : omf_test::kFixtureEffect1x);
        ASSERT_EQ(effect["slots"].size(), 1u);
        EXPECT_EQ(effect["slots"][0]["component"]["start"], 20);
        EXPECT_EQ((*composition)["tracks"][1]["dataKind"], "omfi:data:Sound");

        // Each master track reaches its file mob; File 2 runs at 50 per second.
        const nlohmann::json* master2 = mobNamed(d, "Master 2");
        ASSERT_NE(master2, nullptr);
        EXPECT_EQ((*master2)["kind"], "master");
        const nlohmann::json& fileMob = (*master2)["tracks"][0]["fileMob"];
        EXPECT_EQ(fileMob["mobID"],
                  nlohmann::json::array({ids.file2.prefix, ids.file2.major, ids.file2.minor}));
        EXPECT_EQ(fileMob["offset"], 0);
        EXPECT_EQ(fileMob["length"], 200);
        const nlohmann::json* file1 = mobNamed(d, "File 1");
        ASSERT_NE(file1, nullptr);
        EXPECT_EQ((*file1)["kind"], "file");
        EXPECT_FALSE((*file1)["tracks"][0].contains("fileMob"));
        EXPECT_EQ((*file1)["tracks"][0]["component"]["target"],
                  nlohmann::json({{"found", false}, {"endOfChain", true}}));
        EXPECT_FALSE(file1->contains("locators")); // its media is in the file
    }
}

// The text listing: a header line per mob (kind, name, mob ID), its tracks,
// their component trees indented below them, and under each master track the
// file mob FindSource resolves it to.
class OmftoolMobsText : public omf_test::ToolkitTest {
  protected:
    // The lines of `omftool mobs` on the fixture written in `revision`.
    std::vector<std::string> listing(omfFileRev_t revision) {
        const std::string file = path("fixture" + std::to_string(revision) + ".omf");
        EXPECT_EQ(omf_test::writeMobFixtureFile(session_, file, revision), 0);
        std::ostringstream out, err;
        EXPECT_EQ(omftool::runMobs(file, false, out, err), 0);
        EXPECT_EQ(err.str(), "");
        std::vector<std::string> lines;
        std::istringstream text(out.str());
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        return lines;
    }

    // The header line `header` and the indented lines that follow it.
    static std::vector<std::string> block(const std::vector<std::string>& lines,
                                          const std::string& header) {
        std::vector<std::string> found;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i] != header) continue;
            found.push_back(lines[i]);
            while (++i < lines.size() && lines[i].rfind(' ', 0) == 0)
                found.push_back(lines[i]);
            break;
        }
        return found;
    }

    static std::string idText(const omfUID_t& id) {
        return std::to_string(id.prefix) + "." + std::to_string(id.major) + "." +
               std::to_string(id.minor);
    }
};

TEST_F(OmftoolMobsText, ListsKindsMobIDsTracksTreesAndTheResolvedFileMobs) {
    const omf_test::MobFixtureIDs ids;
    for (omfFileRev_t revision : {kOmfRev1x, kOmfRev2x}) {
        SCOPED_TRACE("revision " + std::to_string(revision));
        const bool is2x = revision == kOmfRev2x;
        const std::vector<std::string> lines = listing(revision);
        size_t headers = 0;
        for (const std::string& line : lines)
            headers += line.empty() || line[0] != ' ';
        EXPECT_EQ(headers, 5u);

        // A file mob ends the chain: its clip names no mob, and no file mob
        // is resolved below it.
        EXPECT_EQ(block(lines, "file mob \"File 2\" " + idText(ids.file2)),
                  (std::vector<std::string>{
                      "file mob \"File 2\" " + idText(ids.file2),
                      "  track 1 omfi:data:Picture rate 50/1 origin 0 length 200",
                      "    SCLP length 200 omfi:data:Picture -> the end of the chain (0.0.0) "
                      "track 1 at 0"}));
        // Master 2 at 25 per second resolves to all 200 samples of File 2.
        EXPECT_EQ(block(lines, "master mob \"Master 2\" " + idText(ids.master2)),
                  (std::vector<std::string>{
                      "master mob \"Master 2\" " + idText(ids.master2),
                      "  track 1 omfi:data:Picture rate 25/1 origin 0 length 100",
                      "    SCLP length 100 omfi:data:Picture -> file mob \"File 2\" (" +
                          idText(ids.file2) + ") track 1 at 0",
                      "    file mob " + idText(ids.file2) + " offset 0 length 200"}));
        EXPECT_EQ(block(lines, "master mob \"Master 1\" " + idText(ids.master1)).back(),
                  "    file mob " + idText(ids.file1) + " offset 0 length 100");

        const std::vector<std::string> composition =
            block(lines, "composition mob \"Composition\" " + idText(ids.composition));
        ASSERT_EQ(composition.size(), 17u);
        EXPECT_EQ(composition[1], "  track 1 omfi:data:Picture rate 25/1 origin 0 length 52");
        EXPECT_EQ(composition[2], "    SEQU length 52 omfi:data:Picture");
        EXPECT_EQ(composition[3], "      SCLP length 10 omfi:data:Picture -> master mob "
                                  "\"Master 1\" (" +
                                      idText(ids.master1) + ") track 1 at 0");
        EXPECT_EQ(
            composition[5],
            std::string("      TRAN length 4 omfi:data:Picture cut 2 effect ") +
                (is2x ? omf_test::kFixtureTransitionEffect : omf_test::kFixtureTransitionEffect1x));
        EXPECT_EQ(composition[6], "      SCLP length 20 omfi:data:Picture -> master mob "
                                  "\"Master 2\" (" +
                                      idText(ids.master2) + ") track 1 at 10");
        EXPECT_EQ(composition[7],
                  std::string("      ") + (is2x ? "EFFE" : "TRKG") +
                      " length 8 omfi:data:Picture effect " +
                      (is2x ? omf_test::kFixtureEffect : omf_test::kFixtureEffect1x));
        EXPECT_EQ(composition[8], "        SCLP length 8 omfi:data:Picture -> master mob "
                                  "\"Master 1\" (" +
                                      idText(ids.master1) + ") track 1 at 20");
        // 1.x tracks are numbered per track kind: the sound track is the
        // first of its kind.
        EXPECT_EQ(composition[15], std::string("  track ") + (is2x ? "2" : "1") +
                                       " omfi:data:Sound rate 25/1 origin 0 length 52");
        EXPECT_EQ(composition[16], "    FILL length 52 omfi:data:Sound");
    }
}

TEST_F(OmftoolMobs, AFileThatDoesNotOpenGivesTheToolkitError) {
    std::ostringstream out, err;
    EXPECT_EQ(omftool::runMobs(path("absent.omf"), true, out, err), 2);
    EXPECT_EQ(nlohmann::json::parse(out.str())["error"], 28);
}

// External media: a master whose file mob's locator names a folder that is gone (the media moved
// elsewhere, its name now in lower case), one whose locator names a file that is there, and a
// composition clip naming a mob the file lacks.
class OmftoolMobsMedia : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        std::filesystem::create_directories(path("moved"));
        std::ofstream(path("moved/shot.mov")) << "moved";
        std::ofstream(path("kept.mov")) << "kept";
        file_ = path("media.omf");
        ASSERT_EQ(write(), 0);
    }

    omfErr_t addLocator(omfHdl_t file, const char* fileMobName, const std::string& text) {
        omfObject_t fileMob = nullptr, descriptor = nullptr, locator = nullptr;
        MOB_FIXTURE_CHECK(omf_test::findMobByName(file, fileMobName, &fileMob));
        MOB_FIXTURE_CHECK(omfiMobGetDescriptor(file, fileMob, &descriptor));
        MOB_FIXTURE_CHECK(omfsObjectNew(file, "UNXL", &locator));
        MOB_FIXTURE_CHECK(omfsWriteString(file, locator, kOmfProperty_UNXL_PathName, text.c_str()));
        return omfsAppendObjRefArray(file, descriptor, kOmfProperty_MDES_Locator, locator);
    }

    omfErr_t build(omfHdl_t file) {
        omfObject_t picture = nullptr, sound = nullptr, master = nullptr;
        MOB_FIXTURE_CHECK(omf_test::fixtureDataKinds(file, &picture, &sound));
        MOB_FIXTURE_CHECK(omf_test::buildMasterWithFileMob(file, "Moved", {25, 1}, 100, kMovedFile,
                                                           kMovedMaster, &master));
        MOB_FIXTURE_CHECK(addLocator(file, "File Moved", "/gone/media/SHOT.mov"));
        MOB_FIXTURE_CHECK(omf_test::buildMasterWithFileMob(file, "Kept", {25, 1}, 100, kKeptFile,
                                                           kKeptMaster, &master));
        MOB_FIXTURE_CHECK(addLocator(file, "File Kept", path("kept.mov")));
        omfObject_t composition = nullptr, sequence = nullptr, clip = nullptr, lost = nullptr;
        MOB_FIXTURE_CHECK(omfiCompMobNew(file, "Edit", false, omfUID_t{7, 1, 9}, &composition));
        MOB_FIXTURE_CHECK(omfiSequenceNew(file, picture, &sequence));
        MOB_FIXTURE_CHECK(omf_test::fixtureClip(file, picture, 10, kMovedMaster, 0, &clip));
        MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, clip));
        MOB_FIXTURE_CHECK(omf_test::fixtureClip(file, picture, 5, omfUID_t{9, 9, 9}, 3, &lost));
        MOB_FIXTURE_CHECK(omfiSequenceAppendCpnt(file, sequence, lost));
        return omfiAddTrackToMob(file, composition, {25, 1}, sequence, 0, 1, nullptr, nullptr);
    }

    omfErr_t write() {
        omfHdl_t file = nullptr;
        MOB_FIXTURE_CHECK(omfsNewFile(file_.c_str(), session_, kOmfRev2x, &file));
        const omfErr_t status = build(file);
        const omfErr_t closed = omfsCloseOMFFile(file);
        return status != 0 ? status : closed;
    }

    nlohmann::json mobNamed(const std::vector<std::string>& folders, const std::string& name) {
        nlohmann::json d;
        int error = 0;
        std::string message;
        EXPECT_TRUE(omftool::describeMobs(file_, d, error, message, folders)) << message;
        for (const auto& mob : d["mobs"])
            if (mob.value("name", "") == name) return mob;
        return {};
    }

    static constexpr omfUID_t kMovedFile{7, 1, 1}, kMovedMaster{7, 1, 2};
    static constexpr omfUID_t kKeptFile{7, 1, 3}, kKeptMaster{7, 1, 4};
    std::string file_;
};

TEST_F(OmftoolMobsMedia, LocatorsSayWhichFileTheyNameSearchedByNameWhenMoved) {
    EXPECT_EQ(mobNamed({}, "Master Moved")["tracks"][0]["fileMob"]["media"],
              nlohmann::json({{"path", "/gone/media/SHOT.mov"}, {"found", nullptr}}));
    // The first folder holding the name, in any case, wins; a missing one is passed over; a
    // locator whose own path names a file keeps it.
    const std::vector<std::string> folders = {path("absent"), path("moved"), dir_.string()};
    EXPECT_EQ(mobNamed(folders, "File Moved")["locators"][0]["found"], path("moved/shot.mov"));
    EXPECT_EQ(mobNamed(folders, "File Kept")["locators"],
              nlohmann::json::parse(R"([{"type": "UNXL", "path": ")" + path("kept.mov") +
                                    R"(", "found": ")" + path("kept.mov") + R"("}])"));

    const nlohmann::json clips = mobNamed({}, "Edit")["tracks"][0]["component"]["components"];
    EXPECT_EQ(clips[0]["target"],
              nlohmann::json({{"found", true}, {"kind", "master"}, {"name", "Master Moved"}}));
    EXPECT_EQ(clips[1]["target"], nlohmann::json({{"found", false}, {"endOfChain", false}}));
}

TEST_F(OmftoolMobsMedia, TheTextListingNamesTargetsAndTheFilesFound) {
    std::ostringstream out, err;
    EXPECT_EQ(omftool::runMobs(file_, false, out, err, {path("moved")}), 0);
    const std::string text = out.str();
    EXPECT_NE(text.find("file mob \"File Moved\" 7.1.1\n  locator UNXL /gone/media/SHOT.mov -> " +
                        path("moved/shot.mov") + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("    file mob 7.1.1 offset 0 length 100\n    media /gone/media/SHOT.mov "
                        "-> " +
                        path("moved/shot.mov") + "\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("SCLP length 10 omfi:data:Picture -> master mob \"Master Moved\" (7.1.2) "
                        "track 1 at 0\n"),
              std::string::npos);
    EXPECT_NE(text.find("SCLP length 5 omfi:data:Picture -> a mob not in the file (9.9.9) track 1 "
                        "at 3\n"),
              std::string::npos);

    out.str("");
    EXPECT_EQ(omftool::runMobs(file_, false, out, err), 0);
    EXPECT_NE(out.str().find("  locator UNXL /gone/media/SHOT.mov -> not found\n"),
              std::string::npos);
}

} // namespace
