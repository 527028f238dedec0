// DV media through the loaded plug-in: each frame is read still compressed, sent to the movie
// server's "AvidDVDecompress", and the server's answer woven into the host's image; without a
// server, or without a decoded frame in its answer, the frame fails without a message.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "dv_decoding.h"
#include "loaded_omf_plugin.h"
#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "product_info.h"
#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/qt_server.h"
#include "test_dv_decoding.h"

namespace {

constexpr omfInt32 kWidth = 8;
constexpr omfInt32 kFieldRows = 3;
constexpr omfInt32 kFrameBytes = 50; // one compressed frame
constexpr int kFrames = 2;
constexpr omfRational_t kRate{25, 1};

std::vector<uint8_t> CompressedFrame(int frame) {
    std::vector<uint8_t> bytes(kFrameBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(frame * 59 + i * 7 + 1);
    return bytes;
}

#define DV_CHECK(expression)                                                                       \
    do {                                                                                           \
        omfErr_t dvStatus_ = (expression);                                                         \
        if (dvStatus_ != 0) return dvStatus_;                                                      \
    } while (0)

omfErr_t Int32Property(omfSessionHdl_t session, const char* name, const char* classID,
                       omfProperty_t* code) {
    return omfsRegisterProperty(session, name, classID, kOmfType_Int32, kOmfRevisionsBoth, code);
}

// A 2.x file with one master mob "DV" over a file mob of kFrames separate-field DV frames.
omfErr_t WriteDVMedia(omfSessionHdl_t session, omfHdl_t file) {
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status)) return status;
    omfObject_t fileMob = nullptr, descriptor = nullptr;
    DV_CHECK(omfmCreateFileMob(file, "DV file", kRate, omfplugin::kDVCodecID, &fileMob));
    omfMobID_t fileID{};
    DV_CHECK(omfiReadMobID(file, fileMob, &fileID));
    DV_CHECK(omfiMobGetDescriptor(file, fileMob, &descriptor));
    DV_CHECK(omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, kFrames));
    DV_CHECK(omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth, kWidth));
    DV_CHECK(omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight, kFieldRows));
    DV_CHECK(omfsWriteRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}));
    DV_CHECK(omfsWriteEnum(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                           kOmfSeparateFields));
    DV_CHECK(omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, "DV/C"));
    omfProperty_t frameSize = 0, componentWidth = 0;
    DV_CHECK(Int32Property(session, "FrameSampleSize", "CDCI", &frameSize));
    DV_CHECK(Int32Property(session, "ComponentWidth", "CDCI", &componentWidth));
    DV_CHECK(omfsWriteInt32(file, descriptor, frameSize, kFrameBytes));
    DV_CHECK(omfsWriteInt32(file, descriptor, componentWidth, 8));

    std::vector<uint8_t> data;
    for (int frame = 0; frame < kFrames; ++frame) {
        const std::vector<uint8_t> bytes = CompressedFrame(frame);
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    omfObject_t object = nullptr;
    DV_CHECK(omfsObjectNew(file, "TDVC", &object));
    DV_CHECK(omfsWriteDataBytes(file, object, kOmfProperty_IDAT_ImageData, kOmfType_DataValue, 0,
                                omfInt32(data.size()), data.data()));
    DV_CHECK(omfsWriteUID(file, object, kOmfProperty_MDAT_MobID, fileID));
    omfObject_t head = nullptr;
    DV_CHECK(omfsGetHeadObject(file, &head));
    DV_CHECK(omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, object));

    omfObject_t fileClip = nullptr, master = nullptr, masterClip = nullptr;
    DV_CHECK(
        omfiMakeSourceClip(file, picture, kFrames, omfSourceRef_t{{0, 0, 0}, 0, 0}, &fileClip));
    DV_CHECK(omfiAddTrackToMob(file, fileMob, kRate, fileClip, 0, 1, nullptr, nullptr));
    omfMobID_t masterID{};
    DV_CHECK(omfiMobIDNew(file, &masterID));
    DV_CHECK(omfiMasterMobNew(file, "DV", false, masterID, &master));
    DV_CHECK(omfiMakeSourceClip(file, picture, kFrames, omfSourceRef_t{fileID, 1, 0}, &masterClip));
    return omfiAddTrackToMob(file, master, kRate, masterClip, 0, 1, nullptr, nullptr);
}

omfErr_t WriteDVFile(const std::string& path) {
    omfSessionHdl_t session = nullptr;
    DV_CHECK(omfsStartSession(&omfplugin::SessionProductInfo(), &session));
    omfHdl_t file = nullptr;
    omfErr_t status = omfmInit(session);
    if (status == 0) status = omfmAddCodec(session, omfCodecTDVC);
    if (status == 0) status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file);
    if (status == 0) status = WriteDVMedia(session, file);
    if (file) {
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    omfsFinishSession(session);
    return status;
}

class DVFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(OMFFormatClass(), nullptr);
        path_ = ::testing::TempDir() + "dv_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".omf";
        ASSERT_EQ(WriteDVFile(path_), 0);
        StopQTServer();
        ::setenv(QTServerPathVariable, TEST_DV_SERVER_PATH, 1);
        ::setenv("TEST_DV_COMPRESSORS", "AVdvNTSC", 1);
        ::unsetenv("TEST_DV_DECODE");
    }
    void TearDown() override {
        host_.reset();
        StopQTServer();
        UseNoMovieServer();
        ::unsetenv("TEST_DV_COMPRESSORS");
        ::unsetenv("TEST_DV_DECODE");
        std::filesystem::remove(path_);
    }

    // Opens the file through the plug-in while the test server offers Avid DV.
    void Open() {
        std::string error;
        host_ = FormatHost::Open(path_, &document_, &error);
        ASSERT_NE(host_, nullptr) << error;
    }

    static std::vector<std::string> ServerCalls() {
        std::vector<std::string> calls;
        StartQTServer();
        const ScriptVal list = g_QTRemoteApp.CallMember("Calls");
        for (std::size_t i = 1; i <= list.NumKeys(); ++i)
            calls.push_back(list.ToString(int64_t(i)));
        return calls;
    }

    // The host pixel of decoded byte offset `offset` of frame `frame`.
    static Pixel DecodedPixel(std::size_t offset, int frame, bool keepAlpha) {
        const std::vector<uint8_t> compressed = CompressedFrame(frame);
        auto byte = [&](std::size_t i) { return plugin_test::DecodedDVByte(compressed, i) * 257u; };
        return {byte(offset + 3), byte(offset + 2), byte(offset + 1),
                keepAlpha ? byte(offset) : 65535u};
    }

    std::string path_;
    TarselDoc document_;
    std::unique_ptr<FormatHost> host_;
};

TEST_F(DVFrameTest, FramesAreDecodedByTheServerAndTheirFieldsWoven) {
    Open();
    ASSERT_EQ(host_->FrameCount(), kFrames);
    ASSERT_EQ(host_->Format()->Width, kWidth);
    ASSERT_EQ(host_->Format()->Height, 2 * kFieldRows);
    const bool keepAlpha = host_->Format()->BitsPerPixel == 32;
    Image* image = host_->LoadFrame(1);
    ASSERT_NE(image, nullptr);
    // 25 frames a second without a line map: the first field on the even rows from the top.
    const int height = 2 * kFieldRows;
    for (int j = 0; j < kFieldRows; ++j) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t first = 4 * std::size_t(j * kWidth + x);
            const std::size_t second = 4 * std::size_t((kFieldRows + j) * kWidth + x);
            EXPECT_EQ(image->FetchPixel(x, height - 1 - 2 * j), DecodedPixel(first, 1, keepAlpha))
                << "first field row " << j << " x " << x;
            EXPECT_EQ(image->FetchPixel(x, height - 2 - 2 * j), DecodedPixel(second, 1, keepAlpha))
                << "second field row " << j << " x " << x;
        }
    }
    image->Recycle();
    const std::vector<std::string> calls = ServerCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), "AvidDVDecompress 8x6 separateFields 1 in 50");
}

TEST_F(DVFrameTest, WithoutServerTheFrameFailsWithoutAMessage) {
    Open();
    Image* control = host_->LoadFrame(0);
    ASSERT_NE(control, nullptr);
    control->Recycle();
    Application app;
    StopQTServer();
    UseNoMovieServer();
    EXPECT_EQ(host_->LoadFrame(0), nullptr);
    EXPECT_TRUE(app.LastMessages().empty());
}

TEST_F(DVFrameTest, AnswerWithoutDecodedFrameFailsWithoutAMessage) {
    Open();
    Application app;
    ::setenv("TEST_DV_DECODE", "none", 1);
    StopQTServer(); // the next start runs the server with the new setting
    EXPECT_EQ(host_->LoadFrame(0), nullptr);
    EXPECT_TRUE(app.LastMessages().empty());
}

TEST_F(DVFrameTest, ShortAnswerFillsOnlyTheRowsItHolds) {
    ::setenv("TEST_DV_DECODE", "short", 1);
    Open();
    const bool keepAlpha = host_->Format()->BitsPerPixel == 32;
    Image* image = host_->LoadFrame(0);
    ASSERT_NE(image, nullptr);
    // Half the bytes: the first field (the even rows) arrived, the second did not.
    const int height = 2 * kFieldRows;
    for (int j = 0; j < kFieldRows; ++j) {
        EXPECT_EQ(image->FetchPixel(0, height - 1 - 2 * j),
                  DecodedPixel(4 * std::size_t(j * kWidth), 0, keepAlpha))
            << j;
        EXPECT_EQ(image->FetchPixel(0, height - 2 - 2 * j), Pixel{}) << j;
    }
    image->Recycle();
}

} // namespace
