// omftool mobs --json on the shared 1.x and 2.x composition fixtures.
#include "mob_fixtures.h"
#include "mob_listing.h"
#include "omf_fixture.h"

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
                  nlohmann::json::array({ids.composition.prefix, ids.composition.major,
                                         ids.composition.minor}));
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
        EXPECT_EQ(firstClip["sourceMobID"], nlohmann::json::array({ids.master1.prefix,
                                                                   ids.master1.major,
                                                                   ids.master1.minor}));
        EXPECT_EQ(firstClip["start"], 0);
        const nlohmann::json& transition = sequence["components"][2];
        EXPECT_EQ(transition["cutPoint"], 2);
        EXPECT_EQ(transition["effectID"], is2x ? omf_test::kFixtureTransitionEffect
                                               : omf_test::kFixtureTransitionEffect1x);
        const nlohmann::json& effect = sequence["components"][4];
        EXPECT_EQ(effect["effectID"],
                  is2x ? omf_test::kFixtureEffect : omf_test::kFixtureEffect1x);
        ASSERT_EQ(effect["slots"].size(), 1u);
        EXPECT_EQ(effect["slots"][0]["component"]["start"], 20);
        EXPECT_EQ((*composition)["tracks"][1]["dataKind"], "omfi:data:Sound");

        // Each master track reaches its file mob; File 2 runs at 50 per second.
        const nlohmann::json* master2 = mobNamed(d, "Master 2");
        ASSERT_NE(master2, nullptr);
        EXPECT_EQ((*master2)["kind"], "master");
        const nlohmann::json& fileMob = (*master2)["tracks"][0]["fileMob"];
        EXPECT_EQ(fileMob["mobID"], nlohmann::json::array({ids.file2.prefix, ids.file2.major,
                                                           ids.file2.minor}));
        EXPECT_EQ(fileMob["offset"], 0);
        EXPECT_EQ(fileMob["length"], 200);
        const nlohmann::json* file1 = mobNamed(d, "File 1");
        ASSERT_NE(file1, nullptr);
        EXPECT_EQ((*file1)["kind"], "file");
        EXPECT_FALSE((*file1)["tracks"][0].contains("fileMob"));
    }
}

TEST_F(OmftoolMobs, AFileThatDoesNotOpenGivesTheToolkitError) {
    std::ostringstream out, err;
    EXPECT_EQ(omftool::runMobs(path("absent.omf"), true, out, err), 2);
    EXPECT_EQ(nlohmann::json::parse(out.str())["error"], 28);
}

} // namespace
