// omfmGetCodecID: the ID of the codec a media handle works through, for media being written and
// media opened again for reading, and its refusals.
#include "codecs/video_codec_fixture.h"

#include "omf/omf_error_codes.h"

#include <cstring>
#include <string>
#include <vector>

using namespace video_codec_test;

namespace {

class MediaCodecIDTest : public VideoCodecTest {
  protected:
    // New media of `codecID` on a new master mob (its ID in *masterID) and file mob.
    omfMediaHdl_t create(const char* codecID, omfMobID_t* masterID) {
        omfObject_t master = nullptr, fileMob = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, codecID, omfInt32(std::strlen(codecID)), &master), 0);
        EXPECT_EQ(omfmCreateFileMob(file_, "frames", {25, 1}, codecID, &fileMob), 0);
        EXPECT_EQ(omfiReadMobID(file_, master, masterID), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateVideoMedia(file_, master, 1, fileMob, 0, {25, 1}, 8, 16, kOmfFullFrame,
                                       {4, 3}, &media),
                  0);
        // One frame in the codec's default memory format (CDCI: 8-bit 4:2:2, JPEG: 8-bit RGB),
        // so that the media has a length to open again.
        const std::vector<uint8_t> frame(16 * 8 * (std::strcmp(codecID, "JPEG") == 0 ? 3 : 2), 128);
        EXPECT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())), 0);
        return media;
    }

    static std::string codecOf(omfMediaHdl_t media) {
        char id[64];
        std::memset(id, 'x', sizeof id);
        EXPECT_EQ(omfmGetCodecID(media, sizeof id, id), 0);
        const std::size_t length = strnlen(id, sizeof id);
        for (std::size_t i = length; i < sizeof id; ++i)
            EXPECT_EQ(id[i], '\0') << "byte " << i << " after the ID is not zeroed";
        return std::string(id, length);
    }
};

TEST_F(MediaCodecIDTest, NamesTheCodecOfMediaBeingWrittenAndReadAgain) {
    omfMobID_t cdciID{}, jpegID{};
    // Mobs are made one media at a time: the file refuses new objects while media is written.
    omfMediaHdl_t cdci = create("CDCI", &cdciID);
    ASSERT_NE(cdci, nullptr);
    EXPECT_EQ(codecOf(cdci), "CDCI");
    ASSERT_EQ(omfmCloseMedia(cdci), 0);
    omfMediaHdl_t jpeg = create("JPEG", &jpegID);
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(codecOf(jpeg), "JPEG");
    ASSERT_EQ(omfmCloseMedia(jpeg), 0);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);

    ASSERT_EQ(omfsOpenFileForRead(path("media.omf").c_str(), session_, &file_), 0);
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    for (const auto& [id, expected] : {std::pair{jpegID, "JPEG"}, std::pair{cdciID, "CDCI"}}) {
        omfMediaHdl_t media = nullptr;
        ASSERT_EQ(omfmOpenMedia(file_, findMob(id), 1, nullptr, kMediaOpenReadOnly, 0, &media), 0);
        EXPECT_EQ(codecOf(media), expected);
        EXPECT_EQ(omfmCloseMedia(media), 0);
    }
}

TEST_F(MediaCodecIDTest, BufferMustHoldTheIDAndItsZero) {
    omfMobID_t id{};
    omfMediaHdl_t media = create("CDCI", &id);
    ASSERT_NE(media, nullptr);
    char exact[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(omfmGetCodecID(media, sizeof exact, exact), 0);
    EXPECT_STREQ(exact, "CDCI");
    char shortBuffer[4] = {};
    EXPECT_EQ(omfmGetCodecID(media, sizeof shortBuffer, shortBuffer), OM_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(omfmGetCodecID(media, 0, shortBuffer), OM_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(omfmGetCodecID(media, sizeof exact, nullptr), OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmCloseMedia(media), 0);
    EXPECT_EQ(omfmGetCodecID(nullptr, sizeof exact, exact), OM_ERR_BAD_MEDIA_HANDLE);
}

} // namespace
