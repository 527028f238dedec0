// omftool frames and audio on media kept outside the OMF file: the descriptor's locator names a
// folder the media is no longer in, and --media-path (or OMF_MEDIA_PATH) finds it by file name.
#include "picture_media_fixture.h"

#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <sys/wait.h>

namespace {

constexpr omfInt32 kWidth = 16, kHeight = 8;
constexpr size_t kFrameBytes = size_t(kWidth) * kHeight * 2; // 8-bit 4:2:2
constexpr omfInt64 kFrames = 2;

struct ToolRun {
    int status = -1;
    std::string err;
};

class OmftoolMediaPath : public omftool_test::PictureMediaTest {
  protected:
    void SetUp() override {
        PictureMediaTest::SetUp();
        if (HasFatalFailure()) return;
        std::filesystem::create_directories(path("moved"));
        std::ofstream raw(path("moved/shot.raw"), std::ios::binary);
        for (int frame = 0; frame < kFrames; ++frame) {
            const std::vector<uint8_t> bytes = omftool_test::frameBytes(kFrameBytes, frame);
            raw.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        ASSERT_TRUE(raw.good());
        writeLinkedFile(path("edit.omf"), "/archive/old volume/SHOT.RAW");
    }

    omfProperty_t registered(const char* name, omfType_t type) {
        omfProperty_t code = 0;
        EXPECT_EQ(omfsRegisterProperty(session_, name, "CDCI", type, kOmfRevisions2x, &code), 0);
        return code;
    }

    // A master mob "linked" whose CDCI file mob keeps its frames in the raw file `location`.
    void writeLinkedFile(const std::string& file, const std::string& location) {
        omfHdl_t omf = nullptr;
        ASSERT_EQ(omfsNewFile(file.c_str(), session_, kOmfRev2x, &omf), 0);
        omfObject_t picture = nullptr, master = nullptr, fileMob = nullptr, descriptor = nullptr;
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(omf, "omfi:data:Picture", &picture, &status));
        ASSERT_EQ(omfmCreateMasterMob(omf, "linked", 6, &master), 0);
        ASSERT_EQ(omfmCreateFileMob(omf, "linked frames", {25, 1}, "CDCI", &fileMob), 0);
        ASSERT_EQ(omfiMobGetDescriptor(omf, fileMob, &descriptor), 0);
        ASSERT_EQ(omfsWriteLength(omf, descriptor, kOmfProperty_MDFL_Length, kFrames), 0);
        ASSERT_EQ(omfsWriteBoolean(omf, descriptor, kOmfProperty_MDFL_IsOMFI, false), 0);
        ASSERT_EQ(omfsWriteInt32(omf, descriptor, kOmfProperty_DIDD_StoredWidth, kWidth), 0);
        ASSERT_EQ(omfsWriteInt32(omf, descriptor, kOmfProperty_DIDD_StoredHeight, kHeight), 0);
        ASSERT_EQ(omfsWriteRational(omf, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}),
                  0);
        ASSERT_EQ(omfsWriteEnum(omf, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                                kOmfFullFrame),
                  0);
        ASSERT_EQ(omfsWriteInt32(omf, descriptor, registered("ComponentWidth", kOmfType_Int32), 8),
                  0);
        ASSERT_EQ(omfsWriteUInt32(omf, descriptor,
                                  registered("HorizontalSubsampling", kOmfType_UInt32), 2),
                  0);
        omfObject_t locator = nullptr;
        ASSERT_EQ(omfsObjectNew(omf, "UNXL", &locator), 0);
        ASSERT_EQ(omfsWriteString(omf, locator, kOmfProperty_UNXL_PathName, location.c_str()), 0);
        ASSERT_EQ(omfsAppendObjRefArray(omf, descriptor, kOmfProperty_MDES_Locator, locator), 0);

        omfObject_t clip = nullptr, track = nullptr;
        ASSERT_EQ(omfiMakeSourceClip(omf, picture, kFrames, omfSourceRef_t{}, &clip), 0);
        ASSERT_EQ(omfiAddTrackToMob(omf, fileMob, {25, 1}, clip, 0, 1, nullptr, &track), 0);
        omfSourceRef_t source{};
        ASSERT_EQ(omfiReadMobID(omf, fileMob, &source.sourceID), 0);
        source.sourceTrackID = 1;
        ASSERT_EQ(omfiMakeSourceClip(omf, picture, kFrames, source, &clip), 0);
        ASSERT_EQ(omfiAddTrackToMob(omf, master, {25, 1}, clip, 0, 1, nullptr, &track), 0);
        ASSERT_EQ(omfsCloseOMFFile(omf), 0);
    }

    ToolRun frames(const std::string& arguments, const std::string& environment = "") {
        const std::string errPath = path("err.txt");
        const std::string command = environment + " " + OMFTOOL_PATH + " frames '" +
                                    path("edit.omf") + "' --mob linked -o '" + path("out/f%d.ppm") +
                                    "' " + arguments + " >/dev/null 2>'" + errPath + "'";
        ToolRun run;
        const int result = std::system(command.c_str());
        run.status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
        std::ifstream err(errPath);
        run.err.assign(std::istreambuf_iterator<char>(err), {});
        return run;
    }
};

// Found media is written into the pattern's folder, which frames makes.
TEST_F(OmftoolMediaPath, MovedMediaIsFoundByFileNameInTheSearchPath) {
    const ToolRun found = frames("--media-path '" + path("moved") + "'");
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_TRUE(std::filesystem::exists(path("out/f0.ppm")));
    EXPECT_TRUE(std::filesystem::exists(path("out/f1.ppm")));
    std::filesystem::remove(path("out/f1.ppm"));

    const ToolRun fromVariable =
        frames("", "OMF_MEDIA_PATH='" + path("nowhere") + ":" + path("moved") + "'");
    EXPECT_EQ(fromVariable.status, 0) << fromVariable.err;
    EXPECT_TRUE(std::filesystem::exists(path("out/f1.ppm")));
}

TEST_F(OmftoolMediaPath, WithoutTheSearchPathTheMediaIsNotFound) {
    const ToolRun missing = frames("", "OMF_MEDIA_PATH=");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("OMF error 53"), std::string::npos) << missing.err;
    EXPECT_FALSE(std::filesystem::exists(path("out"))); // made only for a frame in hand
    const ToolRun badFolder = frames("--media-path '" + path("nowhere") + "'", "OMF_MEDIA_PATH=");
    EXPECT_EQ(badFolder.status, 2);
    EXPECT_NE(badFolder.err.find("--media-path " + path("nowhere") + " is not a folder"),
              std::string::npos)
        << badFolder.err;
}

} // namespace
