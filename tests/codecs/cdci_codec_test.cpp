// The CDCI codec's own operations on descriptors built property by
// property: what open makes of a descriptor (padding, pixel and frame
// size, defaults, refusals), frame offsets with alignment, the format lists
// it accepts and answers, and how it describes and selects itself.
#include "video_codec_fixture.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <cstring>

using namespace video_codec_test;

namespace {

class CdciCodecTest : public VideoCodecTest {
  protected:
    void SetUp() override {
        VideoCodecTest::SetUp();
        if (HasFatalFailure()) return;
        codec_ = std::make_unique<CodecUnderTest>(omf::codecs::cdciCodec, session_);
        ASSERT_EQ(codec_->status(), 0);
        componentWidth_ = registered("ComponentWidth", "CDCI", kOmfType_Int32);
        subsampling_ = registered("HorizontalSubsampling", "CDCI", kOmfType_UInt32);
        padding_ = registered("PaddingBits", "CDCI", kOmfType_Int16);
    }

    // A CDCI descriptor with component width and subsampling written.
    omfObject_t cdciDescriptor(omfInt32 width, omfInt32 height, omfInt32 layout,
                               omfInt32 componentWidth, omfUInt32 subsampling) {
        omfObject_t descriptor = pictureDescriptor("CDCI", width, height, layout);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor, componentWidth_, componentWidth), 0);
        EXPECT_EQ(omfsWriteUInt32(file_, descriptor, subsampling_, subsampling), 0);
        return descriptor;
    }

    omfErr_t openHandle(omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec_->call(kCodecOpOpen, parms, media, file_);
    }

    omfInt32 answerInt32(omfMediaHdl_t media, omfInt32 opcode) {
        omfFormatEntry_t entry = omfmFormatEntry(opcode);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.int32;
    }

    omfInt16 answerInt16(omfMediaHdl_t media, omfInt32 opcode) {
        omfFormatEntry_t entry = omfmFormatEntry(opcode);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.int16;
    }

    std::unique_ptr<CodecUnderTest> codec_;
    omfProperty_t componentWidth_ = 0, subsampling_ = 0, padding_ = 0;
};

// ---- open: sizes and defaults ----------------------------------------------

TEST_F(CdciCodecTest, TenBitComponentsWithoutPaddingBitsArePaddedToWholeBytes) {
    auto media = handleFor(cdciDescriptor(720, 243, kOmfSeparateFields, 10, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(answerInt16(media.get(), kOmfCDCIPadBits), 4);
    EXPECT_EQ(answerInt16(media.get(), kOmfPixelSize), 24);
    omfInt32 frameSize = 0;
    EXPECT_EQ(largestSample(*codec_, media.get(), picture_, &frameSize), 0);
    EXPECT_EQ(frameSize, 720 * 243 * 2 * 24 / 8);
    EXPECT_EQ(frameSize, 1049760);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, PaddingBitsOfTheDescriptorWin) {
    omfObject_t descriptor = cdciDescriptor(16, 4, kOmfFullFrame, 10, 2);
    ASSERT_EQ(omfsWriteInt16(file_, descriptor, padding_, 12), 0);
    auto media = handleFor(descriptor);
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(answerInt16(media.get(), kOmfPixelSize), 32); // 10-bit in 16-bit containers
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, ReferenceLevelsDefaultToTheComponentWidthsFullScale) {
    auto media = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 10, 1));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(answerInt32(media.get(), kOmfCDCIBlackLevel), 0);
    EXPECT_EQ(answerInt32(media.get(), kOmfCDCIWhiteLevel), 1023);
    EXPECT_EQ(answerInt32(media.get(), kOmfCDCIColorRange), 1022);
    EXPECT_EQ(answerInt16(media.get(), kOmfPixelSize), 32); // 3 x 10 + 2
    EXPECT_EQ(answerInt32(media.get(), kOmfPixelFormat), kOmfPixYUV);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, DescriptorRectanglesAndLineMapAreAnswered) {
    omfObject_t descriptor = cdciDescriptor(720, 243, kOmfSeparateFields, 8, 2);
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_SampledWidth, 704), 0);
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_SampledHeight, 240), 0);
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_SampledXOffset, 8), 0);
    // Only a width: the displayed rectangle stays the stored one.
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_DisplayWidth, 640), 0);
    const omfInt32 lineMap[2] = {21, 283};
    ASSERT_EQ(omfsWriteInt32Array(file_, descriptor, kOmfProperty_DIDD_VideoLineMap, lineMap, 2),
              0);
    auto media = handleFor(descriptor);
    ASSERT_EQ(openHandle(media.get()), 0);

    omfFormatEntry_t sampled = omfmFormatEntry(kOmfSampledRect);
    ASSERT_EQ(askFormat(*codec_, media.get(), &sampled), 0);
    EXPECT_EQ(sampled.operand.rect.xOffset, 8);
    EXPECT_EQ(sampled.operand.rect.yOffset, 0);
    EXPECT_EQ(sampled.operand.rect.xSize, 704);
    EXPECT_EQ(sampled.operand.rect.ySize, 240);
    omfFormatEntry_t displayed = omfmFormatEntry(kOmfDisplayRect);
    ASSERT_EQ(askFormat(*codec_, media.get(), &displayed), 0);
    EXPECT_EQ(displayed.operand.rect.xSize, 720);
    EXPECT_EQ(displayed.operand.rect.ySize, 243);
    omfFormatEntry_t map = omfmFormatEntry(kOmfVideoLineMap);
    ASSERT_EQ(askFormat(*codec_, media.get(), &map), 0);
    EXPECT_EQ(map.operand.lineMap[0], 21);
    EXPECT_EQ(map.operand.lineMap[1], 283);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, UncompressedTagAddsFourFillBytesAfterEachField) {
    omfObject_t descriptor = cdciDescriptor(8, 2, kOmfSeparateFields, 8, 2);
    ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, "AUNC"), 0);
    auto media = handleFor(descriptor);
    ASSERT_EQ(openHandle(media.get()), 0);
    // Field of 8 x 2 x 2 bytes, then 4 fill bytes; two fields a frame.
    omfInt64 offset = 0;
    ASSERT_EQ(frameOffset(*codec_, media.get(), 2, &offset), 0);
    EXPECT_EQ(offset, 2 * (32 + 4));
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, FileMobsOfPrefix42ReadUncompressedMediaAsHalfWidthChroma) {
    omfObject_t descriptor = cdciDescriptor(8, 2, kOmfFullFrame, 8, 1);
    ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, "AUNC"), 0);
    omfObject_t fileMob = nullptr;
    ASSERT_EQ(omfiSourceMobNew(file_, "file", {42, 7, 9}, descriptor, &fileMob), 0);
    auto media = handleFor(descriptor);
    media->fileMob = fileMob;
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(answerInt32(media.get(), kOmfCDCIHorizSubsampling), 2);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, OpenRefusesUnknownComponentWidthsAndSubsamplings) {
    auto twelveBit = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 12, 2));
    EXPECT_EQ(openHandle(twelveBit.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    EXPECT_EQ(twelveBit->codecState, nullptr);
    auto fourToOne = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 8, 4));
    EXPECT_EQ(openHandle(fourToOne.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    EXPECT_EQ(fourToOne->codecState, nullptr);
}

TEST_F(CdciCodecTest, OpenRefusesSizesNoFrameCanHave) {
    // 2^31 - 1 bytes is the largest frame a transfer can carry: 46341 x 46340
    // 8-bit 4:2:2 pixels (4,294,921,880 bytes) are past it, 32768 x 32767
    // (2,147,418,112 bytes) fit.
    auto tooLarge = handleFor(cdciDescriptor(46341, 46340, kOmfFullFrame, 8, 2));
    EXPECT_EQ(openHandle(tooLarge.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    auto huge = handleFor(cdciDescriptor(0x7FFFFFFF, 0x7FFFFFFF, kOmfSeparateFields, 16, 1));
    EXPECT_EQ(openHandle(huge.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    auto fits = handleFor(cdciDescriptor(32768, 32767, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(fits.get()), 0);
    EXPECT_EQ(closeHandle(*codec_, fits.get()), 0);

    auto negative = handleFor(cdciDescriptor(-8, 2, kOmfFullFrame, 8, 2));
    EXPECT_EQ(openHandle(negative.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    omfObject_t negativePadding = cdciDescriptor(8, 2, kOmfFullFrame, 8, 2);
    ASSERT_EQ(omfsWriteInt16(file_, negativePadding, padding_, -100), 0);
    auto padded = handleFor(negativePadding);
    EXPECT_EQ(openHandle(padded.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    omfObject_t negativeFill = cdciDescriptor(8, 2, kOmfFullFrame, 8, 2);
    ASSERT_EQ(omfsWriteInt32(file_, negativeFill, kOmfProperty_DIDD_ClientFillEnd, -4), 0);
    auto filled = handleFor(negativeFill);
    EXPECT_EQ(openHandle(filled.get()), OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
}

TEST_F(CdciCodecTest, FrameNumbersPastAnyOffsetAreOutOfRange) {
    auto media = handleFor(cdciDescriptor(720, 486, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    omfInt64 offset = 0;
    const omfInt64 last = INT64_MAX / 699840; // frame last + 1 still has an offset
    ASSERT_EQ(frameOffset(*codec_, media.get(), last + 1, &offset), 0);
    EXPECT_EQ(offset, last * 699840);
    EXPECT_EQ(frameOffset(*codec_, media.get(), last + 2, &offset),
              OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(frameOffset(*codec_, media.get(), INT64_MAX, &offset),
              OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

// ---- frame offsets ----------------------------------------------------------

TEST_F(CdciCodecTest, AlignmentFactorRoundsTheFrameStrideUp) {
    omfObject_t descriptor = cdciDescriptor(720, 486, kOmfFullFrame, 8, 2);
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_ImageAlignmentFactor, 4096), 0);
    auto media = handleFor(descriptor);
    ASSERT_EQ(openHandle(media.get()), 0);
    omfInt32 frameSize = 0;
    ASSERT_EQ(largestSample(*codec_, media.get(), picture_, &frameSize), 0);
    EXPECT_EQ(frameSize, 699840);
    omfInt64 offset = -1;
    ASSERT_EQ(frameOffset(*codec_, media.get(), 1, &offset), 0);
    EXPECT_EQ(offset, 0);
    ASSERT_EQ(frameOffset(*codec_, media.get(), 2, &offset), 0);
    EXPECT_EQ(offset, 700416);
    ASSERT_EQ(frameOffset(*codec_, media.get(), 5, &offset), 0);
    EXPECT_EQ(offset, 4 * 700416);
    EXPECT_EQ(frameOffset(*codec_, media.get(), 0, &offset), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, SeparatedFieldsAlignEachField) {
    omfObject_t descriptor = cdciDescriptor(100, 10, kOmfSeparateFields, 8, 2);
    ASSERT_EQ(omfsWriteInt32(file_, descriptor, kOmfProperty_DIDD_ImageAlignmentFactor, 512), 0);
    auto media = handleFor(descriptor);
    ASSERT_EQ(openHandle(media.get()), 0);
    omfInt64 offset = 0;
    ASSERT_EQ(frameOffset(*codec_, media.get(), 2, &offset), 0);
    EXPECT_EQ(offset, 2 * 2048); // a 2000-byte field rounds up to 2048
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, FrameOffsetNeedsMediaData) {
    auto media = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    omfObject_t data = media->dataObject;
    media->dataObject = nullptr;
    omfInt64 offset = 0;
    EXPECT_EQ(frameOffset(*codec_, media.get(), 1, &offset), OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->dataObject = data;
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

// ---- format lists -----------------------------------------------------------

TEST_F(CdciCodecTest, FileFormatChangesRecomputeSizes) {
    auto media = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    ASSERT_EQ(putFormat(*codec_, media.get(), kMediaInfoVideoFormat,
                        {int32Entry(kOmfCDCIHorizSubsampling, 1),
                         rectEntry(kOmfStoredRect, 0, 0, 10, 4)}),
              0);
    EXPECT_EQ(answerInt16(media.get(), kOmfPixelSize), 24);
    omfInt32 frameSize = 0;
    ASSERT_EQ(largestSample(*codec_, media.get(), picture_, &frameSize), 0);
    EXPECT_EQ(frameSize, 10 * 4 * 3);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, FileFormatRefusals) {
    auto media = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    // Field order without the line map, and the reverse.
    EXPECT_EQ(
        putFormat(*codec_, media.get(), kMediaInfoVideoFormat, {int32Entry(kOmfFieldDominance, 1)}),
        OM_ERR_ILLEGAL_FILE_FORMAT);
    EXPECT_EQ(putFormat(*codec_, media.get(), kMediaInfoVideoFormat, {lineMapEntry(16, 17)}),
              OM_ERR_ILLEGAL_FILE_FORMAT);
    EXPECT_EQ(putFormat(*codec_, media.get(), kMediaInfoVideoFormat,
                        {int32Entry(kOmfFieldDominance, 1), lineMapEntry(16, 17)}),
              0);
    // The pixel size follows from the components; it cannot be set.
    EXPECT_EQ(
        putFormat(*codec_, media.get(), kMediaInfoVideoFormat, {int32Entry(kOmfPixelSize, 24)}),
        OM_ERR_ILLEGAL_FILE_FORMAT);
    EXPECT_EQ(putFormat(*codec_, media.get(), kMediaInfoMemoryFormat,
                        {int32Entry(kOmfCDCICompWidth, 10)}),
              OM_ERR_ILLEGAL_MEMORY_FORMAT);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, SampledRectangleOutsideTheStoredRowsEndsTheList) {
    auto media = handleFor(cdciDescriptor(8, 6, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(
        putFormat(*codec_, media.get(), kMediaInfoVideoFormat,
                  {int32Entry(kOmfAlignmentFactor, 16), rectEntry(kOmfSampledRect, 0, 2, 8, 5),
                   int32Entry(kOmfCDCIColorSiting, 3)}),
        0);
    EXPECT_EQ(answerInt32(media.get(), kOmfAlignmentFactor), 16);
    EXPECT_EQ(answerInt32(media.get(), kOmfCDCIColorSiting), 0);
    omfFormatEntry_t sampled = omfmFormatEntry(kOmfSampledRect);
    ASSERT_EQ(askFormat(*codec_, media.get(), &sampled), 0);
    EXPECT_EQ(sampled.operand.rect.ySize, 6);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(CdciCodecTest, LargestSampleIsOnlyForPictures) {
    auto media = handleFor(cdciDescriptor(8, 2, kOmfFullFrame, 8, 2));
    ASSERT_EQ(openHandle(media.get()), 0);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound, &status));
    omfInt32 size = 0;
    EXPECT_EQ(largestSample(*codec_, media.get(), sound, &size), OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

// ---- the codec's description and choice ------------------------------------

TEST_F(CdciCodecTest, DescribesItselfAndAnswersOnlyItsRequests) {
    omfCodecParms_t parms{};
    char name[64];
    std::memset(name, 'x', sizeof name);
    parms.spc.describe.name = name;
    parms.spc.describe.nameLength = sizeof name;
    ASSERT_EQ(omf::codecs::cdciCodec(kCodecDescribe, &parms), 0);
    EXPECT_STREQ(name, "CDCI Codec (Uncompressed ONLY)");
    EXPECT_EQ(name[sizeof name - 1], 0);
    const omfCodecMetaInfo_t& info = parms.spc.describe.info;
    EXPECT_STREQ(info.descriptorClass, "CDCI");
    EXPECT_STREQ(info.dataClass, "IDAT");
    EXPECT_STREQ(info.codecID, "CDCI");
    EXPECT_EQ(info.revision, kOmfCodecRevision);
    EXPECT_STREQ(info.dataKind, "omfi:data:Picture");
    EXPECT_EQ(info.minFileRevision, 2);
    EXPECT_FALSE(info.hasMaxFileRevision);
    EXPECT_EQ(omf::codecs::cdciCodec(omfCodecRequest_t(7), &parms), OM_ERR_INVALID_CODEC_OPERATION);
    // Operations it has none of stay the default.
    EXPECT_EQ(codec_->operation(kCodecOpReadSummary), omfmCodecDefaultOperation);
    EXPECT_EQ(codec_->operation(kCodecOpVarietyName), omfmCodecDefaultOperation);
    EXPECT_NE(codec_->operation(kCodecOpReadLines), omfmCodecDefaultOperation);
}

TEST_F(CdciCodecTest, OnePictureChannel) {
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Sound", &sound, &status));
    omfCodecParms_t parms{};
    parms.spc.numChannels.mediaKind = picture_;
    ASSERT_EQ(codec_->call(kCodecOpNumChannels, parms, nullptr, file_), 0);
    EXPECT_EQ(parms.spc.numChannels.numChannels, 1);
    parms.spc.numChannels.mediaKind = sound;
    ASSERT_EQ(codec_->call(kCodecOpNumChannels, parms, nullptr, file_), 0);
    EXPECT_EQ(parms.spc.numChannels.numChannels, 0);
}

TEST_F(CdciCodecTest, SelectsUncompressedDescriptorsOnly) {
    omfObject_t descriptor = cdciDescriptor(720, 486, kOmfFullFrame, 10, 2);
    omfCodecParms_t parms{};
    parms.spc.selectInfo.descriptor = descriptor;
    ASSERT_EQ(codec_->call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
    EXPECT_TRUE(parms.spc.selectInfo.info.willHandleMDES);
    EXPECT_TRUE(parms.spc.selectInfo.info.isNative);
    EXPECT_EQ(parms.spc.selectInfo.info.relativeLoss, 0);
    EXPECT_EQ(parms.spc.selectInfo.info.avgBitsPerSec, 720 * 486 * 24);

    ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, "AUNC"), 0);
    ASSERT_EQ(codec_->call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
    EXPECT_TRUE(parms.spc.selectInfo.info.willHandleMDES);
    ASSERT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, "JPEG"), 0);
    ASSERT_EQ(codec_->call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
    EXPECT_FALSE(parms.spc.selectInfo.info.willHandleMDES);
}

} // namespace
