// The codec registry: registration and its checks, lookups, enumeration with
// its empty answers, and the choice of a codec for a media descriptor.
#include "omf/internal/records.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_fixture.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>

namespace {

// A codec for these tests, told apart by the constants of its describe.
struct TestCodec {
    const char* name;
    const char* descriptorClass;
    const char* codecID;
    omfUInt32 revision;
    omfInt32 minFileRevision;
    omfBool hasMax;
    omfInt32 maxFileRevision;
    const char* handlesCompression; // null: handles a descriptor without Compression
    omfBool preferred;
};

// Each entry function below serves one TestCodec.
omfErr_t answer(const TestCodec& codec, omfCodecRequest_t request, omfCodecParms_t* parms);

constexpr TestCodec kPlain = {
    "Plain Test Codec", "DIDD", "TESTPLAIN", 3, 2, false, 0, nullptr, false};
constexpr TestCodec kJpegLike = {
    "JPEG-like Test Codec", "CDCI", "TESTJPEG", 3, 2, false, 0, "TJPG", false};
constexpr TestCodec kDvLike = {
    "DV-like Test Codec", "CDCI", "TESTDV", 3, 0, false, 0, "DV/C", false};
constexpr TestCodec kPreferred = {
    "Preferred Test Codec", "WAVD", "TESTPREF", 3, 0, false, 0, nullptr, true};
constexpr TestCodec kSecond = {
    "Second Test Codec", "WAVD", "TESTSECOND", 3, 0, false, 0, nullptr, false};
constexpr TestCodec kOld = {"Old Test Codec", "TIFD", "TESTOLD", 2, 0, false, 0, nullptr, false};
constexpr TestCodec kNoClass = {"", nullptr, "TESTNOCLASS", 3, 0, true, 0, nullptr, false};

omfErr_t plainEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kPlain, request, parms);
}
omfErr_t jpegLikeEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kJpegLike, request, parms);
}
omfErr_t dvLikeEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kDvLike, request, parms);
}
omfErr_t preferredEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kPreferred, request, parms);
}
omfErr_t secondEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kSecond, request, parms);
}
omfErr_t oldEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kOld, request, parms);
}
omfErr_t noClassEntry(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return answer(kNoClass, request, parms);
}

// selectInfo of the test codecs: by the descriptor's Compression.
template <const TestCodec& codec>
omfErr_t selectByCompression(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    omfObject_t descriptor = parms->spc.selectInfo.descriptor;
    char compression[16] = {};
    bool present =
        omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_Compression, kOmfType_String);
    if (present) {
        omfErr_t status = omfsReadString(file, descriptor, kOmfProperty_DIDD_Compression,
                                         compression, sizeof compression);
        if (status != 0) return status;
    }
    bool handles = !present;
    if constexpr (codec.handlesCompression != nullptr) {
        handles = present && std::strcmp(compression, codec.handlesCompression) == 0;
    }
    parms->spc.selectInfo.info = omfCodecSelectInfo_t{handles, true, codec.preferred, 0, 0};
    return 0;
}

// The no-class codec knows two varieties.
omfErr_t varietyCount(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t) {
    parms->spc.varietyCount.count = 2;
    return 0;
}
omfErr_t varietyName(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t) {
    const char* names[] = {"Fast", "Fine"};
    if (parms->spc.varietyName.index < 1 || parms->spc.varietyName.index > 2) {
        return OM_ERR_INDEX_OUT_OF_RANGE;
    }
    std::strncpy(parms->spc.varietyName.name, names[parms->spc.varietyName.index - 1],
                 size_t(parms->spc.varietyName.nameLength));
    return 0;
}

omfErr_t answer(const TestCodec& codec, omfCodecRequest_t request, omfCodecParms_t* parms) {
    switch (request) {
    case kCodecInit:
        // Persistent data the registry must free at session end (a leak shows
        // under the address sanitizer).
        parms->persistent = std::malloc(32);
        return 0;
    case kCodecDescribe: {
        auto& describe = parms->spc.describe;
        if (describe.name != nullptr && describe.nameLength > 0) {
            std::memset(describe.name, 0, size_t(describe.nameLength));
            std::strncpy(describe.name, codec.name, size_t(describe.nameLength) - 1);
        }
        describe.info = omfCodecMetaInfo_t{codec.descriptorClass,
                                           "IDAT",
                                           codec.codecID,
                                           codec.revision,
                                           "omfi:data:Picture",
                                           codec.minFileRevision,
                                           codec.hasMax,
                                           codec.maxFileRevision,
                                           0};
        return 0;
    }
    case kCodecFillTable: {
        omfCodecOperation_t* table = parms->spc.fillTable.table;
        if (&codec == &kPlain) table[kCodecOpSelectInfo] = &selectByCompression<kPlain>;
        if (&codec == &kJpegLike) table[kCodecOpSelectInfo] = &selectByCompression<kJpegLike>;
        if (&codec == &kDvLike) table[kCodecOpSelectInfo] = &selectByCompression<kDvLike>;
        if (&codec == &kPreferred) table[kCodecOpSelectInfo] = &selectByCompression<kPreferred>;
        if (&codec == &kSecond) table[kCodecOpSelectInfo] = &selectByCompression<kSecond>;
        if (&codec == &kNoClass) {
            table[kCodecOpVarietyCount] = &varietyCount;
            table[kCodecOpVarietyName] = &varietyName;
        }
        return 0;
    }
    }
    return OM_ERR_INVALID_CODEC_OPERATION;
}

class CodecRegistryTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
    }

    omfInt32 countCodecs(const char* pattern, omfFileRev_t revision) {
        omfInt32 count = -1;
        EXPECT_EQ(omfmCountCodecs(session_, pattern, revision, &count), 0);
        return count;
    }

    // A 2.x file with a descriptor of `classID`, Compression set when given.
    omfObject_t descriptorIn(omfHdl_t file, const char* classID, const char* compression) {
        omfObject_t descriptor = nullptr;
        EXPECT_EQ(omfiFileDescriptorNew(file, classID, omfRational_t{25, 1}, 0, &descriptor), 0);
        if (compression != nullptr) {
            EXPECT_EQ(omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, compression),
                      0);
        }
        return descriptor;
    }

    std::string chosenCodecName(omfHdl_t file, omfObject_t descriptor) {
        omfCodecDef_t codec{};
        omfErr_t status = omfmChooseCodec(file, descriptor, &codec);
        if (status != 0) return "error " + std::to_string(status);
        char name[64] = {};
        EXPECT_EQ(omfmGetCodecDescription(session_, &codec, nullptr, name, sizeof name), 0);
        return name;
    }
};

TEST_F(CodecRegistryTest, MediaCallsNeedInitialisedSessions) {
    omfSessionHdl_t plain = nullptr;
    omfProductIdentification_t ident = omf_test::testIdentification();
    ASSERT_EQ(omfsStartSession(&ident, &plain), 0);
    omfCodecDef_t codec{};
    omfInt32 count = 0;
    EXPECT_EQ(omfmAddCodec(plain, &plainEntry), OM_ERR_OMFM_INIT_NOT_CALLED);
    EXPECT_EQ(omfmLookupCodec(plain, "CDCI", &codec), OM_ERR_OMFM_INIT_NOT_CALLED);
    EXPECT_EQ(omfmCountCodecs(plain, "Picture", kOmfRev2x, &count), OM_ERR_OMFM_INIT_NOT_CALLED);
    EXPECT_EQ(omfsFinishSession(plain), 0);

    omfSessionRec stale;
    stale.tag = 0;
    EXPECT_EQ(omfmInit(&stale), OM_ERR_BAD_SESSION);
    EXPECT_EQ(omfmInit(nullptr), OM_ERR_BAD_SESSION);
    // A second initialisation keeps the registry as it is.
    omfInt32 before = countCodecs("", kOmfRev2x);
    EXPECT_EQ(omfmInit(session_), 0);
    EXPECT_EQ(countCodecs("", kOmfRev2x), before);
}

TEST_F(CodecRegistryTest, OutOfDateCodecIsRefusedAndLeavesBothTablesUnchanged) {
    omfInt32 before = countCodecs("Picture", kOmfRev1x);
    EXPECT_EQ(omfmAddCodec(session_, &oldEntry), OM_ERR_CODEC_OUT_OF_DATE);
    EXPECT_EQ(countCodecs("Picture", kOmfRev1x), before);
    omfCodecDef_t codec{};
    EXPECT_EQ(omfmLookupCodec(session_, "TESTOLD", &codec), OM_ERR_INVALID_CODEC);

    // A valid codec beside it registers.
    EXPECT_EQ(omfmAddCodec(session_, &plainEntry), 0);
    EXPECT_EQ(omfmLookupCodec(session_, "TESTPLAIN", &codec), 0);
    EXPECT_EQ(codec.revision, kOmfCodecRevision);
    EXPECT_EQ(codec.entry, &plainEntry);
    ASSERT_NE(codec.persistent, nullptr);
    // A second codec under one ID is refused.
    EXPECT_EQ(omfmAddCodec(session_, &plainEntry), OM_ERR_TABLE_DUPLICATE_KEY);
}

TEST_F(CodecRegistryTest, OperationsNotFilledAnswerTheSharedDefault) {
    ASSERT_EQ(omfmAddCodec(session_, &plainEntry), 0);
    omfCodecDef_t codec{};
    ASSERT_EQ(omfmLookupCodec(session_, "TESTPLAIN", &codec), 0);
    EXPECT_EQ(codec.table[kCodecOpOpen], &omfmCodecDefaultOperation);
    EXPECT_EQ(codec.table[kCodecOpReserved1], &omfmCodecDefaultOperation);
    EXPECT_NE(codec.table[kCodecOpSelectInfo], &omfmCodecDefaultOperation);
    omfCodecParms_t parms{};
    EXPECT_EQ(codec.table[kCodecOpOpen](&parms, nullptr, nullptr), OM_ERR_INVALID_CODEC_OPERATION);
    EXPECT_EQ(codec.entry(omfCodecRequest_t(7), &parms), OM_ERR_INVALID_CODEC_OPERATION);
}

TEST_F(CodecRegistryTest, CountsByDataKindAndFileRevision) {
    omfInt32 pictures2x = countCodecs("Picture", kOmfRev2x);
    omfInt32 pictures1x = countCodecs("Picture", kOmfRev1x);
    ASSERT_EQ(omfmAddCodec(session_, &plainEntry), 0);     // 2 and later
    ASSERT_EQ(omfmAddCodec(session_, &preferredEntry), 0); // all revisions
    ASSERT_EQ(omfmAddCodec(session_, &noClassEntry), 0);   // revision 0 only
    EXPECT_EQ(countCodecs("Picture", kOmfRev2x), pictures2x + 2);
    EXPECT_EQ(countCodecs("Picture", kOmfRev1x), pictures1x + 2);
    EXPECT_EQ(countCodecs("Sound", kOmfRev2x), countCodecs("omfi:data:Sound", kOmfRev2x));
    EXPECT_EQ(countCodecs("NoSuchKind", kOmfRev2x), 0);

    // Every matching index names a codec; one past the last is no codec.
    omfInt32 total = countCodecs("Picture", kOmfRev1x);
    bool sawNoName = false;
    for (omfInt32 i = 1; i <= total; ++i) {
        char id[32] = {}, name[64] = {};
        ASSERT_EQ(
            omfmNthCodecID(session_, "Picture", kOmfRev1x, i, id, sizeof id, name, sizeof name), 0);
        EXPECT_NE(id[0], '\0');
        if (std::string(id) == "TESTNOCLASS") {
            EXPECT_STREQ(name, "<none supplied>");
            sawNoName = true;
        }
    }
    EXPECT_TRUE(sawNoName);
    char id[32];
    EXPECT_EQ(omfmNthCodecID(session_, "Picture", kOmfRev1x, total + 1, id, sizeof id, nullptr, 0),
              OM_ERR_INVALID_CODEC);
    EXPECT_EQ(omfmCountCodecs(session_, "Picture", kOmfRev2x, nullptr), OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmNthCodecID(session_, "Picture", kOmfRev2x, 1, nullptr, 0, nullptr, 0),
              OM_ERR_NULL_PARAM);
}

TEST_F(CodecRegistryTest, IDsAreTruncatedToTheBuffer) {
    ASSERT_EQ(omfmAddCodec(session_, &noClassEntry), 0);
    omfInt32 total = countCodecs("Picture", kOmfRev1x);
    for (omfInt32 i = 1; i <= total; ++i) {
        char id[6];
        std::memset(id, 'x', sizeof id);
        ASSERT_EQ(omfmNthCodecID(session_, "Picture", kOmfRev1x, i, id, sizeof id, nullptr, 0), 0);
        EXPECT_LT(std::strlen(id), sizeof id);
    }
}

TEST_F(CodecRegistryTest, VarietiesOfCodecsWithAndWithoutTheOperation) {
    ASSERT_EQ(omfmAddCodec(session_, &noClassEntry), 0);
    omfInt32 count = -1;
    char name[16];
    EXPECT_EQ(omfmCountCodecVarieties(session_, "CDCI", nullptr, &count), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(omfmNthCodecVariety(session_, "CDCI", nullptr, 1, name, sizeof name), 0);
    EXPECT_STREQ(name, "Standard");

    EXPECT_EQ(omfmCountCodecVarieties(session_, "TESTNOCLASS", nullptr, &count), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(omfmNthCodecVariety(session_, "TESTNOCLASS", nullptr, 2, name, sizeof name), 0);
    EXPECT_STREQ(name, "Fine");
    // The codec's own failures pass through; only a missing operation is "Standard".
    EXPECT_EQ(omfmNthCodecVariety(session_, "TESTNOCLASS", nullptr, 3, name, sizeof name),
              OM_ERR_INDEX_OUT_OF_RANGE);

    EXPECT_EQ(omfmCountCodecVarieties(session_, "NOSUCHCODEC", nullptr, &count),
              OM_ERR_INVALID_CODEC);
    EXPECT_EQ(omfmCountCodecVarieties(session_, "CDCI", nullptr, nullptr), OM_ERR_NULL_PARAM);
}

// TIFF's varieties fix the compression of new media: JPEG (the default) takes quantisation
// tables, Uncompressed does not; a name of neither is no variety of it.
TEST_F(CodecRegistryTest, TIFFHasAJPEGAndAnUncompressedVariety) {
    const omfObject_t picture1x = reinterpret_cast<omfObject_t>(intptr_t{1});
    omfInt32 count = 0;
    ASSERT_EQ(omfmCountCodecVarieties(session_, kOmfCodecTIFF, picture1x, &count), 0);
    EXPECT_EQ(count, 2);
    char name[16] = {};
    EXPECT_EQ(omfmNthCodecVariety(session_, kOmfCodecTIFF, picture1x, 1, name, sizeof name), 0);
    EXPECT_STREQ(name, "JPEG");
    EXPECT_EQ(omfmNthCodecVariety(session_, kOmfCodecTIFF, picture1x, 2, name, sizeof name), 0);
    EXPECT_STREQ(name, "Uncompressed");
    EXPECT_EQ(omfmNthCodecVariety(session_, kOmfCodecTIFF, picture1x, 3, name, sizeof name),
              OM_ERR_BAD_CODEC_VARIETY);
    // Sound has none.
    EXPECT_EQ(omfmCountCodecVarieties(session_, kOmfCodecTIFF, nullptr, &count), 0);
    EXPECT_EQ(count, 0);

    omfUInt32 capabilities = 0;
    EXPECT_EQ(omfmGetCodecCapabilities(session_, "TIFF:JPEG", &capabilities), 0);
    EXPECT_EQ(capabilities, kOmfCodecTakesQuantTables);
    EXPECT_EQ(omfmGetCodecCapabilities(session_, "TIFF:Uncompressed", &capabilities), 0);
    EXPECT_EQ(capabilities, 0u);
    EXPECT_EQ(omfmGetCodecCapabilities(session_, "TIFF:Raw", &capabilities),
              OM_ERR_BAD_CODEC_VARIETY);

    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("varieties.omf").c_str(), session_, kOmfRev1x, &file), 0);
    omfObject_t fileMob = nullptr;
    for (const char* bad : {"TIFF:Raw", "TIFF:jpeg", "TIFF:JPEG:NTSC"}) {
        EXPECT_EQ(omfmCreateFileMob(file, "File Mob", {25, 1}, bad, &fileMob),
                  OM_ERR_BAD_CODEC_VARIETY)
            << bad;
        EXPECT_EQ(fileMob, nullptr) << bad;
    }
    EXPECT_EQ(omfmCreateFileMob(file, "File Mob", {25, 1}, "TIFF:Uncompressed", &fileMob), 0);
    EXPECT_NE(fileMob, nullptr);
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(CodecRegistryTest, DescriptorsChooseTheirCodecByClassAndCompression) {
    ASSERT_EQ(omfmAddCodec(session_, &plainEntry), 0);
    ASSERT_EQ(omfmAddCodec(session_, &jpegLikeEntry), 0);
    ASSERT_EQ(omfmAddCodec(session_, &secondEntry), 0);
    ASSERT_EQ(omfmAddCodec(session_, &preferredEntry), 0);
    ASSERT_EQ(omfmAddCodec(session_, &noClassEntry), 0);
    omfHdl_t file = nullptr;
    ASSERT_EQ(omfsNewFile(path("choice.omf").c_str(), session_, kOmfRev2x, &file), 0);

    // No built-in codec reads DIDD descriptors.
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "DIDD", nullptr)), "Plain Test Codec");
    // Four codecs read CDCI descriptors, told apart by Compression.
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "CDCI", nullptr)),
              "CDCI Codec (Uncompressed ONLY)");
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "CDCI", "AUNC")),
              "CDCI Codec (Uncompressed ONLY)");
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "CDCI", "JPEG")),
              "JPEG Codec (Compressed ONLY)");
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "CDCI", "TJPG")), "JPEG-like Test Codec");
    omfObject_t dv = descriptorIn(file, "CDCI", "DV/C");
    EXPECT_EQ(chosenCodecName(file, dv), "error " + std::to_string(OM_ERR_INVALID_CODEC));
    ASSERT_EQ(omfmAddCodec(session_, &dvLikeEntry), 0);
    EXPECT_EQ(chosenCodecName(file, dv), "DV-like Test Codec");
    // A preferred codec wins over a plain one whatever the table order.
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "WAVD", nullptr)), "Preferred Test Codec");
    // A class no codec reads (the sound codecs read AIFD and WAVD).
    EXPECT_EQ(chosenCodecName(file, descriptorIn(file, "MDFL", nullptr)),
              "error " + std::to_string(OM_ERR_INVALID_CODEC));
    EXPECT_EQ(omfsCloseOMFFile(file), 0);
}

TEST_F(CodecRegistryTest, CodecDescriptionNeedsADefinition) {
    char name[9] = {};
    EXPECT_EQ(omfmGetCodecDescription(session_, nullptr, nullptr, name, 8), OM_ERR_INVALID_CODEC);
    omfCodecDef_t cdci{};
    ASSERT_EQ(omfmLookupCodec(session_, "CDCI", &cdci), 0);
    // The name fills at most the buffer; the byte after it is untouched.
    ASSERT_EQ(omfmGetCodecDescription(session_, &cdci, nullptr, name, 8), 0);
    EXPECT_STREQ(name, "CDCI Cod");
}

TEST_F(CodecRegistryTest, CodecsDescribeWhatTheirCallersMayAskOfThem) {
    omfInt32 count = 0;
    const omfAvidCodecEntry_t* avid = omfmAvidCodecs(&count);
    ASSERT_EQ(count, 4);
    for (const omfAvidCodecEntry_t& codec : std::span(avid, std::size_t(count)))
        ASSERT_EQ(omfmAddCodec(session_, codec.entry), 0);
    // Only DV needs the movie server's decoder, and only it refuses to create media.
    EXPECT_TRUE(avid[3].needsDVDecoder);
    EXPECT_FALSE(avid[0].needsDVDecoder || avid[1].needsDVDecoder || avid[2].needsDVDecoder);

    const struct {
        const char* id;
        omfUInt32 capabilities;
    } expected[] = {
        {kOmfCodecAIFC, 0},
        {kOmfCodecWAVE, 0},
        {kOmfCodecTIFF, kOmfCodecTakesQuantTables},
        {kOmfCodecRGBA, 0},
        {kOmfCodecCDCI, 0},
        {kOmfCodecJPEG, kOmfCodecTakesQuantTables},
        {kOmfCodecAVR, 0},
        {kOmfCodecAvidJPEG, kOmfCodecTakesQuantTables},
        {kOmfCodecAvidJFIF, kOmfCodecTakesQuantTables},
        {kOmfCodecTDVC, kOmfCodecReadsOnly},
    };
    for (const auto& codec : expected) {
        omfUInt32 capabilities = ~0u;
        EXPECT_EQ(omfmGetCodecCapabilities(session_, codec.id, &capabilities), 0) << codec.id;
        EXPECT_EQ(capabilities, codec.capabilities) << codec.id;
        // Each describes itself under the ID it is registered by.
        omfCodecDef_t definition{};
        EXPECT_EQ(omfmLookupCodec(session_, codec.id, &definition), 0) << codec.id;
    }
    // A codec that says nothing of itself is an ordinary one.
    ASSERT_EQ(omfmAddCodec(session_, plainEntry), 0);
    omfUInt32 capabilities = ~0u;
    EXPECT_EQ(omfmGetCodecCapabilities(session_, "TESTPLAIN", &capabilities), 0);
    EXPECT_EQ(capabilities, 0u);
    EXPECT_EQ(omfmGetCodecCapabilities(session_, "NOSUCHCODEC", &capabilities),
              OM_ERR_INVALID_CODEC);
    EXPECT_EQ(omfmGetCodecCapabilities(session_, kOmfCodecCDCI, nullptr), OM_ERR_NULL_PARAM);
}

} // namespace
