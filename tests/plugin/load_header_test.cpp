// LoadHeader: picture master mobs with their media, the frame size and pixel aspect the host
// gets, and the composition segments that play those masters.
#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "composition_builder.h"
#include "no_movie_server.h"
#include "omf_format.h"
#include "picture_file_writer.h"
#include "tarsel/system/application.h"
#include "tarsel/system/preferences.h"

namespace {

using namespace omfplugin;

class LoadHeaderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseNoMovieServer();
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        path_ = ::testing::TempDir() + "load_header_" + name + ".omf";
        format_ = new OMFFormat(nullptr, ScriptVal(), TagList());
        format_->AddRef();
    }
    void TearDown() override {
        format_->Close();
        format_->Release();
        std::filesystem::remove(path_);
    }

    void WriteFile(const std::vector<plugin_test::TestMedia>& media, bool withComposition) {
        ASSERT_EQ(plugin_test::WritePictureFile(path_, media, withComposition), 0);
    }

    std::vector<std::string> MasterNames() const {
        std::vector<std::string> names;
        format_->FileMobNames().ForEach([&](std::size_t, const List::Node& node) {
            names.push_back(*static_cast<std::string*>(node.Item));
            EXPECT_NE(node.Data, nullptr);
            return true;
        });
        return names;
    }

    std::string path_;
    OMFFormat* format_ = nullptr;
};

TEST_F(LoadHeaderTest, ListsPictureMastersAndMapsTheirSegments) {
    WriteFile({{"First", 64, 48, kOmfFullFrame, {25, 1}, {4, 3}, 3},
               {"Second", 32, 24, kOmfFullFrame, {25, 1}, {4, 3}, 5}},
              true);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    // Masters come in mob-table order, which follows the hash of their mob IDs: new IDs each run.
    const std::vector<std::string> names = MasterNames();
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(std::is_permutation(names.begin(), names.end(),
                                    std::vector<std::string>{"First", "Second"}.begin()));
    const bool secondLast = names.back() == "Second";
    // The host's frame format is the last media's.
    EXPECT_EQ(format_->Width, secondLast ? 32 : 64);
    EXPECT_EQ(format_->Height, secondLast ? 24 : 48);
    EXPECT_EQ(format_->BitsPerPixel, 24);
    int32_t frames = 0;
    ASSERT_TRUE(format_->CopyAttr(0x100000cb, &frames));
    EXPECT_EQ(frames, secondLast ? 5 : 3);
    double rate = 0;
    ASSERT_TRUE(format_->CopyAttr(0x200000c8, &rate));
    EXPECT_DOUBLE_EQ(rate, 25.0);

    // Each segment names the entry of the master it plays.
    ASSERT_EQ(format_->Sequences().Count(), 1u);
    const auto* sequence = static_cast<SequenceEntry*>(format_->Sequences().GetItem(0));
    ASSERT_EQ(sequence->Segments.Count(), 2u);
    const int first = names[0] == "First" ? 0 : 1;
    EXPECT_EQ(static_cast<SegmentEntry*>(sequence->Segments.GetItem(0))->MediaIndex, first);
    EXPECT_EQ(static_cast<SegmentEntry*>(sequence->Segments.GetItem(1))->MediaIndex, 1 - first);
}

TEST_F(LoadHeaderTest, ImageAspectRatioGivesThePixelAspect) {
    WriteFile({{"Wide", 64, 48, kOmfFullFrame, {25, 1}, {16, 9}, 1}}, false);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_DOUBLE_EQ(format_->PixelAspectX, 1.0);
    // (9 x 64) / (16 x 48) in single precision.
    EXPECT_DOUBLE_EQ(format_->PixelAspectY, double(float(9.0f * 64) / float(16.0f * 48)));
}

TEST_F(LoadHeaderTest, NTSCFrameWithoutAspectRatioGetsTheStandardsPixelAspect) {
    WriteFile({{"NTSC", 720, 486, kOmfFullFrame, {30000, 1001}, {0, 0}, 1}}, false);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_DOUBLE_EQ(format_->PixelAspectX, double(0.9f));
    EXPECT_DOUBLE_EQ(format_->PixelAspectY, 1.0);
}

TEST_F(LoadHeaderTest, NTSCRateWithPALHeightKeepsTheDocumentsAspect) {
    WriteFile({{"Odd", 720, 576, kOmfFullFrame, {30000, 1001}, {0, 0}, 1}}, false);
    TarselDoc document;
    document.SetPref(PREF_FFAspectX, 1.5);
    document.SetPref(PREF_FFAspectY, 2.0);
    format_->Document = &document;
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_DOUBLE_EQ(format_->PixelAspectX, 1.5);
    EXPECT_DOUBLE_EQ(format_->PixelAspectY, 2.0);
    format_->Document = nullptr;
}

TEST_F(LoadHeaderTest, PALFrameWithoutAspectRatioGetsTheStandardsPixelAspect) {
    WriteFile({{"PAL", 720, 576, kOmfFullFrame, {25, 1}, {0, 0}, 1}}, false);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_DOUBLE_EQ(format_->PixelAspectX, 1.0);
    EXPECT_DOUBLE_EQ(format_->PixelAspectY, 0.9375);
}

TEST_F(LoadHeaderTest, OtherSizesWithoutAspectRatioKeepTheDocumentsAspect) {
    WriteFile({{"Small", 640, 480, kOmfFullFrame, {25, 1}, {0, 0}, 1}}, false);
    TarselDoc document;
    document.SetPref(PREF_FFAspectX, 1.25);
    document.SetPref(PREF_FFAspectY, 0.5);
    format_->Document = &document;
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_DOUBLE_EQ(format_->PixelAspectX, 1.25);
    EXPECT_DOUBLE_EQ(format_->PixelAspectY, 0.5);
    format_->Document = nullptr;
}

TEST_F(LoadHeaderTest, SeparateFieldsGiveTwiceTheFieldHeight) {
    WriteFile({{"Fields", 16, 243, kOmfSeparateFields, {30000, 1001}, {4, 3}, 1}}, false);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_EQ(format_->Width, 16);
    EXPECT_EQ(format_->Height, 486);
}

TEST_F(LoadHeaderTest, FileWithoutPictureMediaAnswersFalse) {
    WriteFile({}, false);
    EXPECT_FALSE(format_->LoadHeader(path_.c_str()));
    EXPECT_TRUE(MasterNames().empty());
}

// An edit handed on with linked media: the master's RGBA media data is not in the file, its
// locator names the file outside; the composition's sequence plays it through the host.
omfErr_t BuildLinkedEdit(omfHdl_t file, bool withComposition) {
    const omfRational_t rate{25, 1};
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    omfsFindDataKind(file, "omfi:data:Picture", &picture, &status);
    BUILD_CHECK(status);
    omfObject_t master = nullptr, fileMob = nullptr, descriptor = nullptr, locator = nullptr;
    BUILD_CHECK(omfmCreateMasterMob(file, "Linked", 6, &master));
    BUILD_CHECK(omfmCreateFileMob(file, "Linked", rate, "RGBA", &fileMob));
    BUILD_CHECK(omfiMobGetDescriptor(file, fileMob, &descriptor));
    BUILD_CHECK(omfsObjectNew(file, "UNXL", &locator));
    BUILD_CHECK(omfsWriteString(file, locator, kOmfProperty_UNXL_PathName, "/gone/linked.png"));
    BUILD_CHECK(omfsAppendObjRefArray(file, descriptor, kOmfProperty_MDES_Locator, locator));
    omfMobID_t fileID{}, masterID{}, editID{};
    BUILD_CHECK(omfiReadMobID(file, fileMob, &fileID));
    BUILD_CHECK(omfiReadMobID(file, master, &masterID));
    omfObject_t fileClip = nullptr, masterClip = nullptr;
    BUILD_CHECK(omfiMakeSourceClip(file, picture, 100, omfSourceRef_t{{0, 0, 0}, 0, 0}, &fileClip));
    BUILD_CHECK(omfiAddTrackToMob(file, fileMob, rate, fileClip, 0, 1, nullptr, nullptr));
    BUILD_CHECK(omfiMakeSourceClip(file, picture, 100, omfSourceRef_t{fileID, 1, 0}, &masterClip));
    BUILD_CHECK(omfiAddTrackToMob(file, master, rate, masterClip, 0, 1, nullptr, nullptr));
    if (!withComposition) return 0;
    omfObject_t clip = nullptr, sequence = nullptr, edit = nullptr;
    BUILD_CHECK(omfiMakeSourceClip(file, picture, 8, omfSourceRef_t{masterID, 1, 0}, &clip));
    BUILD_CHECK(omfiSequenceNew(file, picture, &sequence));
    BUILD_CHECK(omfiSequenceAppendCpnt(file, sequence, clip));
    BUILD_CHECK(omfiMobIDNew(file, &editID));
    BUILD_CHECK(omfiCompMobNew(file, "Edit", false, editID, &edit));
    return omfiAddTrackToMob(file, edit, rate, sequence, 0, 1, nullptr, nullptr);
}

// An edit handed on with linked media: the master's RGBA media data is not in the file, its
// locator names the file outside; with a composition, a sequence plays it through the host.
omfErr_t WriteLinkedEdit(const std::string& path, bool withComposition) {
    MediaSession session = StartMediaSession();
    if (!session.Session) return session.StartError;
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session.Session, kOmfRev2x, &file);
    if (status == 0) status = BuildLinkedEdit(file, withComposition);
    if (file) {
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    FinishMediaSession(session);
    return status;
}

TEST_F(LoadHeaderTest, MediaOutsideTheFileLoadsWhenSequencesPlayIt) {
    Application app;
    ASSERT_EQ(WriteLinkedEdit(path_, true), 0);
    ASSERT_TRUE(format_->LoadHeader(path_.c_str()));
    EXPECT_TRUE(MasterNames().empty());
    EXPECT_EQ(format_->Sequences().Count(), 1u);
    const std::vector<Application::Message> messages = app.LastMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Text.find("OMF Error"), std::string::npos) << messages[0].Text;
    EXPECT_NE(messages[0].Text.find("\\gone\\linked.png"), std::string::npos);

    // Without a sequence to play it, the master's missing media fails the file as before.
    format_->Close();
    app.ClearMessages();
    ASSERT_EQ(WriteLinkedEdit(path_, false), 0);
    EXPECT_FALSE(format_->LoadHeader(path_.c_str()));
    ASSERT_FALSE(app.LastMessages().empty());
    EXPECT_EQ(app.LastMessages()[0].Text.rfind("OMF Error: 53\n", 0), 0u)
        << app.LastMessages()[0].Text;
}

} // namespace
