// The RGBA codec's own operations on descriptors built property by
// property: component letters and sizes at open, the sizes they give, the
// format lists, and how it describes itself.
#include "video_codec_fixture.h"

#include "omf/omf_error_codes.h"

#include <cstring>
#include <string>

using namespace video_codec_test;

namespace {

class RgbaCodecTest : public VideoCodecTest {
  protected:
    void SetUp() override {
        VideoCodecTest::SetUp();
        if (HasFatalFailure()) return;
        codec_ = std::make_unique<CodecUnderTest>(omf::codecs::rgbaCodec, session_);
        ASSERT_EQ(codec_->status(), 0);
        layout_ = registered("PixelLayout", "RGBA", kOmfType_CompCodeArray);
        structure_ = registered("PixelStructure", "RGBA", kOmfType_CompSizeArray);
    }

    // An RGBA descriptor with the component letters and, when given, sizes.
    omfObject_t rgbaDescriptor(omfInt32 width, omfInt32 height, const char* letters,
                               std::initializer_list<omfUInt8> sizes) {
        omfObject_t descriptor = pictureDescriptor("RGBA", width, height, kOmfFullFrame);
        omfUInt8 stored[8] = {};
        std::memcpy(stored, letters, std::strlen(letters));
        EXPECT_EQ(
            omfsWriteValueBytes(file_, descriptor, layout_, 0, kOmfType_CompCodeArray, 8, stored),
            0);
        if (sizes.size() != 0) {
            omfUInt8 bits[8] = {};
            size_t i = 0;
            for (omfUInt8 size : sizes)
                bits[i++] = size;
            EXPECT_EQ(omfsWriteValueBytes(file_, descriptor, structure_, 0, kOmfType_CompSizeArray,
                                          8, bits),
                      0);
        }
        return descriptor;
    }

    omfErr_t openHandle(omfMediaHdl_t media) {
        omfCodecParms_t parms{};
        return codec_->call(kCodecOpOpen, parms, media, file_);
    }

    omfInt16 pixelSize(omfMediaHdl_t media) {
        omfFormatEntry_t entry = omfmFormatEntry(kOmfPixelSize);
        EXPECT_EQ(askFormat(*codec_, media, &entry), 0);
        return entry.operand.int16;
    }

    std::unique_ptr<CodecUnderTest> codec_;
    omfProperty_t layout_ = 0, structure_ = 0;
};

TEST_F(RgbaCodecTest, ComponentSizesGiveThePixelAndFrameSize) {
    auto argb = handleFor(rgbaDescriptor(16, 4, "ARGB", {8, 8, 8, 8}));
    ASSERT_EQ(openHandle(argb.get()), 0);
    EXPECT_EQ(pixelSize(argb.get()), 32);
    omfInt32 frameSize = 0;
    ASSERT_EQ(largestSample(*codec_, argb.get(), picture_, &frameSize), 0);
    EXPECT_EQ(frameSize, 16 * 4 * 4);
    omfFormatEntry_t letters = omfmFormatEntry(kOmfRGBCompLayout);
    ASSERT_EQ(askFormat(*codec_, argb.get(), &letters), 0);
    EXPECT_EQ(std::string(letters.operand.compLayout, 4), "ARGB");
    EXPECT_EQ(letters.operand.compLayout[4], 0);
    EXPECT_EQ(closeHandle(*codec_, argb.get()), 0);
}

TEST_F(RgbaCodecTest, SixteenBitFiveSixFivePixelsOpen) {
    auto media = handleFor(rgbaDescriptor(8, 2, "RGB", {5, 6, 5}));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(pixelSize(media.get()), 16);
    omfFormatEntry_t sizes = omfmFormatEntry(kOmfRGBCompSizes);
    ASSERT_EQ(askFormat(*codec_, media.get(), &sizes), 0);
    EXPECT_EQ(sizes.operand.compSizes[0], 5);
    EXPECT_EQ(sizes.operand.compSizes[1], 6);
    EXPECT_EQ(sizes.operand.compSizes[2], 5);
    EXPECT_EQ(sizes.operand.compSizes[3], 0);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(RgbaCodecTest, PixelsOfPartBytesAreRefused) {
    auto media = handleFor(rgbaDescriptor(8, 2, "RGB", {5, 5, 5}));
    EXPECT_EQ(openHandle(media.get()), OM_ERR_24BIT_VIDEO_ONLY);
    EXPECT_EQ(media->codecState, nullptr);
}

TEST_F(RgbaCodecTest, UnknownComponentLettersAreRefused) {
    auto media = handleFor(rgbaDescriptor(8, 2, "RGBX", {8, 8, 8, 8}));
    EXPECT_EQ(openHandle(media.get()), OM_ERR_UNKNOWN_PIXEL_FORMAT);
    auto fill = handleFor(rgbaDescriptor(8, 2, "FRGB", {8, 8, 8, 8}));
    EXPECT_EQ(openHandle(fill.get()), 0);
    EXPECT_EQ(closeHandle(*codec_, fill.get()), 0);
}

TEST_F(RgbaCodecTest, MissingComponentSizesMeanEightBitsEach) {
    auto media = handleFor(rgbaDescriptor(8, 2, "BGR", {}));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(pixelSize(media.get()), 24);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(RgbaCodecTest, FileFormatComponentsAreCheckedLikeTheDescriptors) {
    auto media = handleFor(rgbaDescriptor(8, 2, "RGB", {8, 8, 8}));
    ASSERT_EQ(openHandle(media.get()), 0);
    ASSERT_EQ(putFormat(*codec_, media.get(), kMediaInfoVideoFormat,
                        {lettersEntry(kOmfRGBCompLayout, "ARGB"),
                         bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8})}),
              0);
    EXPECT_EQ(pixelSize(media.get()), 32);
    EXPECT_EQ(putFormat(*codec_, media.get(), kMediaInfoVideoFormat,
                        {bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 7})}),
              OM_ERR_24BIT_VIDEO_ONLY);
    EXPECT_EQ(
        putFormat(*codec_, media.get(), kMediaInfoVideoFormat, {int32Entry(kOmfCDCICompWidth, 8)}),
        OM_ERR_ILLEGAL_FILE_FORMAT);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(RgbaCodecTest, DescribesItself) {
    omfCodecParms_t parms{};
    char name[4];
    parms.spc.describe.name = name;
    parms.spc.describe.nameLength = sizeof name;
    ASSERT_EQ(omf::codecs::rgbaCodec(kCodecDescribe, &parms), 0);
    EXPECT_EQ(std::string(name, sizeof name), "RGBA"); // "RGBA Codec" cut to the buffer
    EXPECT_STREQ(parms.spc.describe.info.descriptorClass, "RGBA");
    EXPECT_STREQ(parms.spc.describe.info.dataClass, "IDAT");
    EXPECT_STREQ(parms.spc.describe.info.codecID, "RGBA");
    EXPECT_EQ(parms.spc.describe.info.minFileRevision, 2);
    // Frames only: no line transfers.
    EXPECT_EQ(codec_->operation(kCodecOpReadLines), omfmCodecDefaultOperation);
    EXPECT_NE(codec_->operation(kCodecOpReadSamples), omfmCodecDefaultOperation);
}

} // namespace
