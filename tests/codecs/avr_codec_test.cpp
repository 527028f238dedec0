// The AVR codec: its resolutions as varieties and records, the variety
// strings it accepts, describing the codec a resolution is written by,
// media creation by resolution (standards, rates, KitCodecID, size and
// record), the hand-over of every operation to the codec of the
// resolution, and uncompressed media written through it and read back.
#include "video_codec_fixture.h"

#include "avr/variety.h"
#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

using namespace video_codec_test;

namespace {

constexpr char kJFIFCodecID[] = "CODEC_AVID_JFIF_VIDEO";
constexpr omfRational_t kNTSCRate{2997, 100};
constexpr omfRational_t kPALRate{25, 1};

class AvrCodecTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
        ASSERT_EQ(omfmAddCodec(session_, omfCodecAVR), 0);
        newFile(kOmfRev1x);
    }

    void newFile(omfFileRev_t revision) {
        if (file_ != nullptr) {
            ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ASSERT_EQ(omfsNewFile(path("avr.omf").c_str(), session_, revision, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    omfObject_t newFileMob(const std::string& codecID, omfErr_t expected = 0) {
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfmCreateFileMob(file_, "frames", kNTSCRate, codecID.c_str(), &mob), expected);
        return mob;
    }

    omfObject_t newMasterMob() {
        omfObject_t master = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, "master", 6, &master), 0);
        EXPECT_EQ(omfiReadMobID(file_, master, &masterID_), 0);
        return master;
    }

    std::string kitCodecID(omfObject_t fileMob) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfiMobGetDescriptor(file_, fileMob, &descriptor), 0);
        char text[64] = {};
        EXPECT_EQ(
            omfsReadString(file_, descriptor, kOmfProperty_MDES_KitCodecID, text, sizeof text), 0);
        return text;
    }

    static omfAVRResolution_t resolution(const char* name) {
        omfAVRResolution_t record{};
        EXPECT_EQ(omfmAVRResolution(name, &record), 0);
        return record;
    }

    // Creates media of the named resolution on a new file mob and master mob.
    omfErr_t createAVRMedia(const char* name, omfRational_t rate, omfInt32 standard,
                            omfMediaHdl_t* media, omfObject_t* fileMob = nullptr) {
        omfObject_t mob = newFileMob(std::string("AJPG:") + name);
        if (fileMob != nullptr) *fileMob = mob;
        omfAVRResolution_t record = resolution(name);
        return omfmCreateAVRMedia(file_, newMasterMob(), 1, mob, rate, &record, standard, media);
    }

    omfErr_t setFormat(omfMediaHdl_t media, bool memory, std::vector<omfFormatEntry_t> list) {
        list.push_back(omfmFormatEntry(kOmfVFmtEnd));
        return memory ? omfmSetMemoryFormat(media, list.data())
                      : omfmSetFileFormat(media, list.data());
    }

    void reopen() {
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsOpenFileForRead(path("avr.omf").c_str(), session_, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }

    omfObject_t findMob(const omfMobID_t& id) {
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = id;
        omfObject_t mob = nullptr;
        EXPECT_EQ(omfiNextMatchingMob(iterator, &criteria, &mob), 0);
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        return mob;
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr;
    omfMobID_t masterID_{};
};

// ---- resolutions and varieties ---------------------------------------------

TEST_F(AvrCodecTest, VarietiesAreTheFortyThreeResolutionsForPictures) {
    omfInt32 count = 0;
    ASSERT_EQ(omfmCountCodecVarieties(session_, "AJPG", picture_, &count), 0);
    EXPECT_EQ(count, 43);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound, &status));
    ASSERT_EQ(omfmCountCodecVarieties(session_, "AJPG", sound, &count), 0);
    EXPECT_EQ(count, 0);

    char name[64] = {};
    ASSERT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 31, name, sizeof name), 0);
    EXPECT_STREQ(name, "Uncomp422");
    ASSERT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 1, name, sizeof name), 0);
    EXPECT_STREQ(name, "AVR1");
    ASSERT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 43, name, sizeof name), 0);
    EXPECT_STREQ(name, "JFIF2:1p");
    // Names are cut to the buffer and terminated.
    char shortName[5] = {'x', 'x', 'x', 'x', 'x'};
    ASSERT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 31, shortName, sizeof shortName), 0);
    EXPECT_STREQ(shortName, "Unco");
    EXPECT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 0, name, sizeof name),
              OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, 44, name, sizeof name),
              OM_ERR_BAD_CODEC_VARIETY);
}

TEST_F(AvrCodecTest, TheOneXPictureKindIsKnownWithoutAnOpenFile) {
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;
    omfInt32 count = 0;
    ASSERT_EQ(omfmCountCodecVarieties(session_, "AJPG", picture_, &count), 0);
    EXPECT_EQ(count, 43);
}

TEST_F(AvrCodecTest, EveryVarietyNamesARecordOfAKnownKind) {
    std::set<omfInt32> ids;
    for (omfInt32 i = 1; i <= 43; ++i) {
        char name[64] = {};
        ASSERT_EQ(omfmNthCodecVariety(session_, "AJPG", picture_, i, name, sizeof name), 0);
        omfAVRResolution_t record{};
        ASSERT_EQ(omfmAVRResolution(name, &record), 0) << name;
        EXPECT_STREQ(record.name, name);
        omf::codecs::avr::Variety variety;
        EXPECT_EQ(omf::codecs::avr::parseVariety(name, &variety), 0) << name;
        EXPECT_EQ(variety.name, name);
        EXPECT_TRUE(record.fields == 1 || record.fields == 2) << name;
        ids.insert(record.resolutionID);
    }
    EXPECT_EQ(ids.size(), 43u); // resolution IDs tell the resolutions apart
}

TEST_F(AvrCodecTest, RecordsCarryTheTableAndScaledQuantisationTables) {
    omfAVRResolution_t avr12 = resolution("AVR12");
    EXPECT_EQ(avr12.resolutionID, 52);
    EXPECT_EQ(avr12.factor, 90);
    EXPECT_EQ(avr12.width, 720);
    EXPECT_EQ(avr12.height525, 243);
    EXPECT_EQ(avr12.height625, 288);
    EXPECT_EQ(avr12.leadingLines525, 13);
    EXPECT_EQ(avr12.leadingLines625, 16);
    EXPECT_EQ(avr12.fields, 2);
    // Annex K luminance 16, 11 and chrominance 99 scaled by 90 / 100, rounded.
    EXPECT_EQ(avr12.quant8[0][0], 14);
    EXPECT_EQ(avr12.quant8[0][1], 10);
    EXPECT_EQ(avr12.quant16[0][1], 10);
    EXPECT_EQ(avr12.quant8[1][63], 89);
    EXPECT_EQ(avr12.quant8[2][63], 89);

    omfAVRResolution_t progressive = resolution("JFIF2:1p");
    EXPECT_EQ(progressive.resolutionID, 98);
    EXPECT_EQ(progressive.height525, 486);
    EXPECT_EQ(progressive.height625, 576);
    EXPECT_EQ(progressive.fields, 1);
    // JFIF tables follow the resolution's calibrated scale, not its factor: "2:1" is the
    // finest, all ones.
    EXPECT_EQ(progressive.factor, 150);
    EXPECT_EQ(progressive.quant8[0][0], 1);
    EXPECT_EQ(progressive.quant8[1][63], 1);
    EXPECT_LT(resolution("JFIF10:1").quant8[0][5], resolution("JFIF20:1").quant8[0][5]);
    // The finest factor never quantises to zero.
    EXPECT_EQ(resolution("AVR77").quant8[0][0], 1);

    omfAVRResolution_t uncompressed = resolution("Uncomp422");
    EXPECT_EQ(uncompressed.resolutionID, 151);
    EXPECT_EQ(uncompressed.leadingLines525, 5);

    omfAVRResolution_t record{};
    EXPECT_EQ(omfmAVRResolution("AVR99", &record), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(omfmAVRResolution("avr12", &record), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(omfmAVRResolution(nullptr, &record), OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmAVRResolution("AVR12", nullptr), OM_ERR_NULL_PARAM);
}

// ---- variety strings ----------------------------------------------------------

TEST(AvrVarietyTest, PartsOfOneToFifteenCharactersAreAccepted) {
    using omf::codecs::avr::parseVariety;
    using omf::codecs::avr::ResolutionKind;
    omf::codecs::avr::Variety variety;
    ASSERT_EQ(parseVariety("AVR12:PAL", &variety), 0);
    EXPECT_EQ(variety.kind, ResolutionKind::tiff);
    EXPECT_EQ(variety.name, "AVR12");
    EXPECT_EQ(variety.standard, "PAL");
    // JFIF names hold ':' themselves; the standard is the last part.
    ASSERT_EQ(parseVariety("JFIF2:1s:NTSC", &variety), 0);
    EXPECT_EQ(variety.kind, ResolutionKind::jfif);
    EXPECT_EQ(variety.name, "JFIF2:1s");
    EXPECT_EQ(variety.standard, "NTSC");
    ASSERT_EQ(parseVariety("Uncomp422", &variety), 0);
    EXPECT_EQ(variety.kind, ResolutionKind::uncompressed);
    EXPECT_EQ(variety.standard, "");
    ASSERT_EQ(parseVariety("Unc456789012345:SECAM", &variety), 0); // 15 characters
    EXPECT_EQ(variety.name, "Unc456789012345");

    EXPECT_EQ(parseVariety("", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety(":PAL", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety("AVR12:", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety("JFIF2::NTSC", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety("Unc4567890123456:PAL", &variety), OM_ERR_BAD_CODEC_VARIETY); // 16
    EXPECT_EQ(parseVariety("AVR12:PAL4567890123456", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety("MJPEG:PAL", &variety), OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(parseVariety("avr12:PAL", &variety), OM_ERR_BAD_CODEC_VARIETY);
}

TEST_F(AvrCodecTest, BadVarietyStringsAreRefused) {
    // At the file mob, as a client writes the codec ID.
    for (const char* bad : {"AJPG:Unc4567890123456:NTSC", "AJPG:Uncomp422:", "AJPG:Uncomp422::PAL",
                            "AJPG:MJPEG:NTSC"}) {
        newFileMob(bad, OM_ERR_BAD_CODEC_VARIETY);
    }
    omfObject_t good = newFileMob("AJPG:Unc456789012345:NTSC");
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfmCreateVideoMedia(file_, nullptr, 1, good, 0, kNTSCRate, 243, 720,
                                   kOmfSeparateFields, {4, 3}, &media),
              0);
    EXPECT_EQ(omfmCloseMedia(media), 0);

    // And in a KitCodecID changed after the file mob was made.
    for (const char* bad : {"AJPG:Unc4567890123456:NTSC", "AJPG:Uncomp422:"}) {
        omfObject_t mob = newFileMob("AJPG:Uncomp422:NTSC");
        omfObject_t descriptor = nullptr;
        ASSERT_EQ(omfiMobGetDescriptor(file_, mob, &descriptor), 0);
        ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_MDES_KitCodecID, bad), 0);
        media = nullptr;
        EXPECT_EQ(omfmCreateVideoMedia(file_, nullptr, 1, mob, 0, kNTSCRate, 243, 720,
                                       kOmfSeparateFields, {4, 3}, &media),
                  OM_ERR_BAD_CODEC_VARIETY)
            << bad;
        EXPECT_EQ(media, nullptr);
    }
}

// ---- describe -----------------------------------------------------------------

TEST_F(AvrCodecTest, DescribesItselfOrTheCodecOfTheResolution) {
    omfCodecDef_t avr{};
    ASSERT_EQ(omfmLookupCodec(session_, "AJPG", &avr), 0);
    char name[64] = {};
    ASSERT_EQ(omfmGetCodecDescription(session_, &avr, nullptr, name, sizeof name), 0);
    EXPECT_STREQ(name, "Avid AVR Codec");
    ASSERT_EQ(omfmGetCodecDescription(session_, &avr, "Uncomp422", name, sizeof name), 0);
    EXPECT_STREQ(name, "CDCI Codec (Uncompressed ONLY)");
    ASSERT_EQ(omfmGetCodecDescription(session_, &avr, "uncomp422:PAL", name, sizeof name), 0);
    EXPECT_STREQ(name, "CDCI Codec (Uncompressed ONLY)");
    EXPECT_EQ(omfmGetCodecDescription(session_, &avr, "Xvr", name, sizeof name),
              OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(avr.minFileRevision, kOmfRev1x);
    EXPECT_TRUE(avr.hasMaxFileRevision);
    EXPECT_EQ(avr.maxFileRevision, kOmfRev1x);

    // A file mob for an uncompressed resolution is a CDCI file mob.
    omfObject_t mob = newFileMob("AJPG:Uncomp422:NTSC");
    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfiMobGetDescriptor(file_, mob, &descriptor), 0);
    omfClassID_t classID{};
    ASSERT_EQ(omfsReadClassOf(file_, descriptor, classID), 0);
    EXPECT_EQ(std::string(classID, 4), "CDCI");
    ASSERT_EQ(omfsReadString(file_, descriptor, kOmfProperty_MDES_KitCodecDesc, name, sizeof name),
              0);
    EXPECT_STREQ(name, "CDCI Codec (Uncompressed ONLY)");
}

TEST_F(AvrCodecTest, AResolutionWhoseCodecIsMissingIsRefused) {
    // The Avid JFIF codec is the client's to register; this session has none.
    newFileMob("AJPG:JFIF2:1s:NTSC", OM_ERR_INVALID_CODEC);
    omfAVRResolution_t record = resolution("JFIF2:1s");
    omfObject_t mob = newFileMob("AJPG:Uncomp422");
    omfMediaHdl_t media = nullptr;
    // The KitCodecID now names the JFIF resolution, whose codec is missing.
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kNTSCRate, &record, kOmfAVRNTSC, &media),
              OM_ERR_INVALID_CODEC);
    EXPECT_EQ(media, nullptr);
}

// ---- media creation: standards and rates -------------------------------------

TEST_F(AvrCodecTest, TheStandardAndRateDecideTheLines) {
    struct Case {
        omfInt32 standard;
        omfRational_t rate;
        const char* suffix;
        omfInt32 height;
    };
    const Case cases[] = {
        {kOmfAVRVideo, kNTSCRate, "NTSC", 243},
        {kOmfAVRVideo, {30000, 1001}, "NTSC", 243},
        {kOmfAVRVideo, kPALRate, "PAL", 288},
        {kOmfAVRNTSC, kNTSCRate, "NTSC", 243},
        {kOmfAVRNTSC, {24, 1}, "NTSC", 243},
        {kOmfAVRPAL, kPALRate, "PAL", 288},
        {kOmfAVRPAL, {24, 1}, "PAL", 288},
        {kOmfAVRSECAM, kPALRate, "PAL", 288},
        {kOmfAVRSECAM, {24000, 1000}, "PAL", 288},
        {kOmfAVRVideo, {299709, 10000}, "NTSC", 243}, // within 0.001 of 29.97
    };
    for (const Case& c : cases) {
        omfMediaHdl_t media = nullptr;
        omfObject_t mob = nullptr;
        ASSERT_EQ(createAVRMedia("Uncomp422", c.rate, c.standard, &media, &mob), 0)
            << c.standard << " " << c.rate.numerator;
        EXPECT_EQ(kitCodecID(mob), std::string("AJPG:Uncomp422:") + c.suffix);
        omfInt32 width = 0, height = 0;
        omfFrameLayout_t layout{};
        ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, nullptr, nullptr, nullptr),
                  0);
        EXPECT_EQ(width, 720);
        EXPECT_EQ(height, c.height);
        EXPECT_EQ(layout, kOmfSeparateFields);
        EXPECT_EQ(omfmCloseMedia(media), 0);
    }
}

TEST_F(AvrCodecTest, RatesAStandardDoesNotAcceptAreIllegal) {
    struct Case {
        omfInt32 standard;
        omfRational_t rate;
    };
    const Case cases[] = {
        {kOmfAVRNTSC, kPALRate},   {kOmfAVRVideo, {24, 1}}, {kOmfAVRPAL, kNTSCRate},
        {kOmfAVRSECAM, kNTSCRate}, {kOmfAVRVideo, {30, 1}}, {kOmfAVRVideo, {299711, 10000}},
        {kOmfAVRVideo, {2997, 0}}, {kOmfAVRPAL, {-25, 1}},
    };
    for (const Case& c : cases) {
        omfObject_t mob = newFileMob("AJPG:Uncomp422");
        omfAVRResolution_t record = resolution("Uncomp422");
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, c.rate, &record, c.standard, &media),
                  OM_ERR_ILLEGAL_EDIT_RATE)
            << c.standard << " " << c.rate.numerator << "/" << c.rate.denominator;
        EXPECT_EQ(media, nullptr);
        EXPECT_EQ(kitCodecID(mob), "AJPG:Uncomp422"); // left as it was
    }
}

TEST_F(AvrCodecTest, UnknownStandardsAreInvalidSignals) {
    omfObject_t mob = newFileMob("AJPG:Uncomp422");
    omfAVRResolution_t record = resolution("Uncomp422");
    omfMediaHdl_t media = nullptr;
    for (omfInt32 standard : {-1, 4, 1000}) {
        EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kPALRate, &record, standard, &media),
                  OM_ERR_INVALID_VIDEO_SIGNAL);
    }
    EXPECT_EQ(media, nullptr);
}

TEST_F(AvrCodecTest, CreationChecksItsArguments) {
    omfObject_t mob = newFileMob("AJPG:Uncomp422");
    omfAVRResolution_t record = resolution("Uncomp422");
    omfMediaHdl_t media = nullptr;
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kPALRate, nullptr, kOmfAVRPAL, &media),
              OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kPALRate, &record, kOmfAVRPAL, nullptr),
              OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, nullptr, kPALRate, &record, kOmfAVRPAL, &media),
              OM_ERR_INVALID_FILE_MOB);
    EXPECT_EQ(omfmCreateAVRMedia(nullptr, nullptr, 1, mob, kPALRate, &record, kOmfAVRPAL, &media),
              OM_ERR_BAD_FILE_HANDLE);
    // A record whose name is no variety name (here unterminated) is refused.
    std::memset(record.name, 'U', sizeof record.name);
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kPALRate, &record, kOmfAVRPAL, &media),
              OM_ERR_BAD_CODEC_VARIETY);
    std::strcpy(record.name, "Uncomp422:PAL");
    EXPECT_EQ(omfmCreateAVRMedia(file_, nullptr, 1, mob, kPALRate, &record, kOmfAVRPAL, &media),
              OM_ERR_BAD_CODEC_VARIETY);
    EXPECT_EQ(media, nullptr);
}

// A smooth 24-bit RGB picture of `rows` rows that JPEG keeps close.
std::vector<uint8_t> smoothPicture(size_t width, size_t rows) {
    std::vector<uint8_t> picture(width * rows * 3);
    for (size_t row = 0; row < rows; ++row) {
        for (size_t x = 0; x < width; ++x) {
            uint8_t* pixel = &picture[(row * width + x) * 3];
            pixel[0] = uint8_t(32 + x / 4);
            pixel[1] = uint8_t(32 + row / 3);
            pixel[2] = uint8_t(160 - x / 8);
        }
    }
    return picture;
}

double meanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double error = 0;
    for (size_t i = 0; i < a.size(); ++i)
        error += std::abs(int(a[i]) - int(b[i]));
    return error / double(a.size());
}

// ---- uncompressed media through the AVR codec --------------------------------

TEST_F(AvrCodecTest, UncompressedMediaIsWrittenAsCdciAndReadsBack) {
    omfMediaHdl_t media = nullptr;
    omfObject_t mob = nullptr;
    ASSERT_EQ(createAVRMedia("Uncomp422", kNTSCRate, kOmfAVRNTSC, &media, &mob), 0);
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->codec.entry, omfCodecAVR); // the handle keeps the AVR definition
    omfInt32 x = -1, y = -1, width = 0, height = 0;
    ASSERT_EQ(omfmGetSampledArea(media, &x, &y, &width, &height), 0);
    EXPECT_EQ(y, 5); // below the leading lines
    EXPECT_EQ(height, 243 - 5);
    EXPECT_EQ(width, 720);
    omfInt16 pixelSize = 0;
    ASSERT_EQ(omfmGetVideoFormat(media, nullptr, nullptr, nullptr, nullptr, &pixelSize, nullptr),
              0);
    EXPECT_EQ(pixelSize, 16); // 8-bit 4:2:2

    // Stored bytes pass unchanged with a Y'CbCr memory format of the stored size.
    ASSERT_EQ(
        setFormat(media, true,
                  {int32Entry(kOmfPixelFormat, kOmfPixYUV), bytesEntry(kOmfRGBCompSizes, {8, 8})}),
        0);
    const size_t frameBytes = 720 * 243 * 2 * 2;
    std::vector<std::vector<uint8_t>> written;
    for (int n = 0; n < 2; ++n) {
        std::vector<uint8_t> frame(frameBytes);
        for (size_t i = 0; i < frameBytes; ++i)
            frame[i] = uint8_t(n * 101 + i * 7 + i / 509);
        written.push_back(frame);
        ASSERT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frameBytes)), 0);
    }
    ASSERT_EQ(omfmCloseMedia(media), 0);

    reopen();
    ASSERT_EQ(omfmOpenMedia(file_, findMob(masterID_), 1, nullptr, kMediaOpenReadOnly, 0, &media),
              0);
    EXPECT_EQ(media->codec.entry, omf::codecs::cdciCodec); // read as what it is
    omfObject_t descriptor = media->descriptor;
    char text[64] = {};
    ASSERT_EQ(omfsReadString(file_, descriptor, kOmfProperty_MDES_KitCodecID, text, sizeof text),
              0);
    EXPECT_STREQ(text, "AJPG:Uncomp422:NTSC");
    omfProperty_t resolutionID = 0;
    ASSERT_EQ(omfsRegisterProperty(session_, "DIDResolutionID", "DIDD", kOmfType_Int32,
                                   kOmfRevisionsBoth, &resolutionID),
              0);
    omfInt32 id = 0;
    ASSERT_EQ(omfsReadInt32(file_, descriptor, resolutionID, &id), 0);
    EXPECT_EQ(id, 151);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(setFormat(media, true, {int32Entry(kOmfPixelFormat, kOmfPixYUV)}), 0);
    for (int n = 1; n >= 0; --n) {
        std::vector<uint8_t> frame(frameBytes);
        ASSERT_EQ(omfmSetFrame(media, n + 1), 0);
        omfInt32 read = 0;
        ASSERT_EQ(omfmReadChannelSamples(media, 1, omfInt32(frameBytes), frame.data(), &read), 0);
        EXPECT_EQ(frame, written[size_t(n)]);
    }
    ASSERT_EQ(omfmGetSampledArea(media, &x, &y, &width, &height), 0);
    EXPECT_EQ(y, 5);
    EXPECT_EQ(height, 238);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AvrCodecTest, UncompressedMediaTakesEightBitRGBByDefault) {
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(createAVRMedia("Uncomp422", kPALRate, kOmfAVRPAL, &media), 0);
    // One grey PAL frame of 24-bit pixels, two fields of 288 rows.
    const size_t rgbBytes = 720 * 288 * 2 * 3;
    std::vector<uint8_t> grey(rgbBytes, 128);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, grey.data(), omfInt32(rgbBytes - 3)),
              OM_ERR_SAMPLE_TOO_LARGE);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, grey.data(), omfInt32(rgbBytes)), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    reopen();
    ASSERT_EQ(omfmOpenMedia(file_, findMob(masterID_), 1, nullptr, kMediaOpenReadOnly, 0, &media),
              0);
    ASSERT_EQ(
        setFormat(media, true,
                  {int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "RGB"),
                   bytesEntry(kOmfRGBCompSizes, {8, 8, 8})}),
        0);
    std::vector<uint8_t> frame(rgbBytes);
    omfInt32 read = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 1, omfInt32(rgbBytes), frame.data(), &read), 0);
    ASSERT_EQ(read, omfInt32(rgbBytes));
    int worst = 0;
    for (uint8_t value : frame)
        worst = std::max(worst, std::abs(int(value) - 128));
    EXPECT_LE(worst, 2); // through 4:2:2 video levels and back
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AvrCodecTest, JfifMediaIsWrittenThroughTheAvidJfifCodecAndReadsBack) {
    ASSERT_EQ(omfmAddCodec(session_, omfCodecAvidJFIF), 0);
    // AVR media goes into 1.x files, as the plug-in writes them.
    newFile(kOmfRev1x);
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(createAVRMedia("JFIF3:1", kNTSCRate, kOmfAVRNTSC, &media), 0);
    // Two fields of 243 rows, written as 24-bit RGB.
    const std::vector<uint8_t> picture = smoothPicture(720, 2 * 243);
    const size_t rgbBytes = picture.size();
    for (int n = 0; n < 2; ++n)
        ASSERT_EQ(omfmWriteMediaSamples(media, 1, picture.data(), omfInt32(rgbBytes)), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    reopen();
    ASSERT_EQ(omfmOpenMedia(file_, findMob(masterID_), 1, nullptr, kMediaOpenReadOnly, 0, &media),
              0);
    EXPECT_EQ(media->codec.entry, omfCodecAvidJFIF);
    omfProperty_t resolutionID = 0;
    ASSERT_EQ(omfsRegisterProperty(session_, "DIDResolutionID", "DIDD", kOmfType_Int32,
                                   kOmfRevisionsBoth, &resolutionID),
              0);
    omfInt32 id = 0;
    ASSERT_EQ(omfsReadInt32(file_, media->descriptor, resolutionID, &id), 0);
    EXPECT_EQ(id, 77);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(
        setFormat(media, true,
                  {int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "RGB"),
                   bytesEntry(kOmfRGBCompSizes, {8, 8, 8})}),
        0);
    std::vector<uint8_t> frame(rgbBytes);
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    omfInt32 read = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 1, omfInt32(rgbBytes), frame.data(), &read), 0);
    ASSERT_EQ(read, omfInt32(rgbBytes));
    EXPECT_LT(meanError(frame, picture), 3.0);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(AvrCodecTest, Avr12IsTiffMediaOfPalFields) {
    omfMediaHdl_t media = nullptr;
    omfObject_t mob = nullptr;
    ASSERT_EQ(createAVRMedia("AVR12", kPALRate, kOmfAVRPAL, &media, &mob), 0);
    EXPECT_EQ(kitCodecID(mob), "AJPG:AVR12:PAL");
    omfFrameLayout_t layout{};
    omfInt32 width = 0, height = 0;
    ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(layout, kOmfSeparateFields);
    EXPECT_EQ(width, 720);
    EXPECT_EQ(height, 288);
    const std::vector<omfFormatEntry_t> rgb = {int32Entry(kOmfPixelFormat, kOmfPixRGBA),
                                               lettersEntry(kOmfRGBCompLayout, "RGB"),
                                               bytesEntry(kOmfRGBCompSizes, {8, 8, 8})};
    ASSERT_EQ(setFormat(media, true, rgb), 0);
    const std::vector<uint8_t> picture = smoothPicture(720, 2 * 288);
    for (int n = 0; n < 2; ++n)
        ASSERT_EQ(omfmWriteMediaSamples(media, 1, picture.data(), omfInt32(picture.size())), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    reopen();
    ASSERT_EQ(omfmOpenMedia(file_, findMob(masterID_), 1, nullptr, kMediaOpenReadOnly, 0, &media),
              0);
    omfCodecDef_t tiff{};
    ASSERT_EQ(omfmLookupCodec(session_, "TIFF", &tiff), 0);
    EXPECT_EQ(media->codec.entry, tiff.entry);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(setFormat(media, true, rgb), 0);
    std::vector<uint8_t> frame(picture.size());
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    omfInt32 read = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 1, omfInt32(frame.size()), frame.data(), &read), 0);
    EXPECT_LT(meanError(frame, picture), 3.0);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- hand-over to the resolution's codec -------------------------------------

// A stand-in for the Avid JFIF codec that records what reaches it: which
// operations ran, whether the handle carried the stand-in's definition
// meanwhile, and the format lists and record it was given.
struct SpyLog {
    int calls[kOmfCodecTableSize];
    bool foreignDefinitionSeen;
    bool memoryRGB888;
    bool storedEightBit422;
    omfInt32 recordSize;
    omfInt32 recordID;
};

omfErr_t spyCodec(omfCodecRequest_t request, omfCodecParms_t* parms);

SpyLog& logOf(omfCodecParms_t* parms) {
    return *static_cast<SpyLog*>(parms->persistent);
}

void notePutInfo(SpyLog& log, const omfCodecParms_t& parms) {
    const auto& info = parms.spc.info;
    if (info.selector == kMediaInfoCodecParams) {
        log.recordSize = info.size;
        log.recordID = static_cast<const omfAVRResolution_t*>(info.buffer)->resolutionID;
        return;
    }
    const auto* entry = static_cast<const omfFormatEntry_t*>(info.buffer);
    for (; entry->opcode != kOmfVFmtEnd; ++entry) {
        if (info.selector == kMediaInfoMemoryFormat && entry->opcode == kOmfRGBCompSizes) {
            log.memoryRGB888 = entry->operand.compSizes[0] == 8 &&
                               entry->operand.compSizes[1] == 8 &&
                               entry->operand.compSizes[2] == 8 && entry->operand.compSizes[3] == 0;
        }
        if (info.selector == kMediaInfoVideoFormat && entry->opcode == kOmfCDCICompWidth) {
            log.storedEightBit422 = entry->operand.int32 == 8 &&
                                    entry[1].opcode == kOmfCDCIHorizSubsampling &&
                                    entry[1].operand.int32 == 2;
        }
    }
}

template <omfCodecOperationIndex_t Slot>
omfErr_t spyOperation(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t) {
    SpyLog& log = logOf(parms);
    ++log.calls[Slot];
    if (media != nullptr && media->codec.entry != spyCodec) log.foreignDefinitionSeen = true;
    if (Slot == kCodecOpPutInfo) notePutInfo(log, *parms);
    if (Slot == kCodecOpGetInfo) return OM_ERR_INVALID_CODEC_OPERATION; // no video information
    return 0;
}

omfErr_t spyCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    switch (request) {
    case kCodecInit:
        parms->persistent = std::calloc(1, sizeof(SpyLog));
        return 0;
    case kCodecDescribe:
        parms->spc.describe.info = {
            "CDCI", "IDAT", kJFIFCodecID, kOmfCodecRevision, "omfi:data:Picture", 0, false, 0, 0};
        return 0;
    case kCodecFillTable: {
        omfCodecOperation_t* table = parms->spc.fillTable.table;
        table[kCodecOpCreate] = spyOperation<kCodecOpCreate>;
        table[kCodecOpGetInfo] = spyOperation<kCodecOpGetInfo>;
        table[kCodecOpPutInfo] = spyOperation<kCodecOpPutInfo>;
        table[kCodecOpWriteSamples] = spyOperation<kCodecOpWriteSamples>;
        table[kCodecOpClose] = spyOperation<kCodecOpClose>;
        return 0;
    }
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

TEST_F(AvrCodecTest, EveryOperationReachesTheCodecOfTheResolution) {
    ASSERT_EQ(omfmAddCodec(session_, spyCodec), 0);
    omfCodecDef_t spy{};
    ASSERT_EQ(omfmLookupCodec(session_, kJFIFCodecID, &spy), 0);
    const SpyLog& log = *static_cast<SpyLog*>(spy.persistent);

    omfMediaHdl_t media = nullptr;
    // The stand-in answers no video information, which the sampled
    // rectangle's putInfo does not need.
    ASSERT_EQ(createAVRMedia("JFIF2:1s", kNTSCRate, kOmfAVRNTSC, &media), 0);
    EXPECT_EQ(media->codec.entry, omfCodecAVR);
    EXPECT_EQ(log.calls[kCodecOpCreate], 1);
    EXPECT_TRUE(log.storedEightBit422);
    EXPECT_TRUE(log.memoryRGB888);
    EXPECT_EQ(log.recordSize, 624);
    EXPECT_EQ(log.recordID, 80);

    uint8_t frame[4] = {};
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, frame, sizeof frame), 0);
    EXPECT_EQ(log.calls[kCodecOpWriteSamples], 1);
    omfInt64 frames = 0;
    EXPECT_EQ(omfmGetDataSize(media, &frames), OM_ERR_INVALID_CODEC_OPERATION);
    EXPECT_EQ(media->codec.entry, omfCodecAVR); // restored after a failure too
    ASSERT_EQ(omfmCloseMedia(media), 0);
    EXPECT_EQ(log.calls[kCodecOpClose], 1);
    EXPECT_FALSE(log.foreignDefinitionSeen);
}

// ---- the picture codecs of each file revision ----------------------------------

class PictureCodecCountTest : public omf_test::ToolkitTest {
  protected:
    // The IDs of the picture codecs for files of `revision`.
    std::multiset<std::string> pictureCodecs(omfFileRev_t revision) {
        omfInt32 count = 0;
        EXPECT_EQ(omfmCountCodecs(session_, "Picture", revision, &count), 0);
        std::multiset<std::string> ids;
        for (omfInt32 i = 1; i <= count; ++i) {
            char id[64] = {};
            EXPECT_EQ(omfmNthCodecID(session_, "Picture", revision, i, id, sizeof id, nullptr, 0),
                      0);
            ids.insert(id);
        }
        return ids;
    }
};

TEST_F(PictureCodecCountTest, EachRevisionHasItsOwnPictureCodecs) {
    ASSERT_EQ(omfmInit(session_), 0);
    // As the plug-in registers them, DV last and only when it can be decoded.
    for (omfCodecEntry_t codec : {omfCodecAVR, omfCodecAvidJPEG, omfCodecAvidJFIF})
        ASSERT_EQ(omfmAddCodec(session_, codec), 0);
    EXPECT_EQ(pictureCodecs(kOmfRev2x),
              (std::multiset<std::string>{"TIFF", "RGBA", "CDCI", "JPEG", "MSM JPEG Codec",
                                          "CODEC_AVID_JFIF_VIDEO"}));
    EXPECT_EQ(pictureCodecs(kOmfRev1x),
              (std::multiset<std::string>{"TIFF", "AJPG", "MSM JPEG Codec"}));

    ASSERT_EQ(omfmAddCodec(session_, omfCodecTDVC), 0);
    EXPECT_EQ(pictureCodecs(kOmfRev2x),
              (std::multiset<std::string>{"TIFF", "RGBA", "CDCI", "JPEG", "MSM JPEG Codec",
                                          "CODEC_AVID_JFIF_VIDEO", "MSM TARGA DVC Codec"}));
    EXPECT_EQ(
        pictureCodecs(kOmfRev1x),
        (std::multiset<std::string>{"TIFF", "AJPG", "MSM JPEG Codec", "MSM TARGA DVC Codec"}));
}

} // namespace
