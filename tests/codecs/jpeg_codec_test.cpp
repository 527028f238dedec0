// The JPEG codec and the Avid JFIF codec: media written, closed, reopened
// and read back through the media calls; the stored frames and their index;
// raw transfers; and the stored images checked by an independent decoder.
#include "ffmpeg_jpeg_decode.h"
#include "jpeg_media_fixture.h"

#include "jpeg/jpeg_state.h"
#include "omf/omf_avid_codecs.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

using namespace jpeg_test;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

class JpegCodecTest : public JpegMediaTest {
  protected:
    // Writes `frames` test pictures as JPEG media of `codecID` and reopens it.
    omfMediaHdl_t writeAndReopen(const char* codecID, omfFrameLayout_t layout, int frames,
                                 int percent, std::vector<std::vector<uint8_t>>* pictures,
                                 omfBool rawTransfer = false) {
        omfInt32 rowsPerField = layout == kOmfSeparateFields ? kHeight / 2 : kHeight;
        omfMediaHdl_t media = createMedia(codecID, kWidth, rowsPerField, layout);
        if (media == nullptr) return nullptr;
        if (percent != 100) putScaledTables(media, percent);
        EXPECT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
        return writeAndReopenPictures(media, kWidth, kHeight, frames, pictures, rawTransfer);
    }

    omfProperty_t frameIndexCode() {
        return registered("FrameIndex", "JPEG", kOmfType_Position32Array);
    }
};

TEST_F(JpegCodecTest, FramesComeBackWithinWhatTheQualityAllows) {
    struct Case {
        omfFrameLayout_t layout;
        int percent;   // quantisation tables: Annex K scaled by this
        double lowest; // PSNR in dB the decoded pictures must reach
    };
    const Case cases[] = {{kOmfFullFrame, 100, 32},
                          {kOmfFullFrame, 25, 38},
                          {kOmfFullFrame, 300, 28},
                          {kOmfSeparateFields, 100, 30},
                          {kOmfSeparateFields, 25, 36}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "layout " << c.layout << " tables " << c.percent << "%");
        std::vector<std::vector<uint8_t>> pictures;
        omfMediaHdl_t media = writeAndReopen("JPEG", c.layout, 3, c.percent, &pictures);
        ASSERT_NE(media, nullptr);
        omfInt64 count = 0;
        ASSERT_EQ(omfmCountSamples(media, &count), 0);
        EXPECT_EQ(count, 3);
        ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
        double worst = 99;
        for (int frame = 0; frame < 3; ++frame) {
            std::vector<uint8_t> rgb = readRgb(media, frame + 1, pictures[size_t(frame)].size());
            worst = std::min(worst, psnr(pictures[size_t(frame)], rgb));
        }
        RecordProperty("psnr_layout" + std::to_string(c.layout) + "_tables" +
                           std::to_string(c.percent),
                       std::to_string(worst));
        EXPECT_GE(worst, c.lowest);
        EXPECT_EQ(omfmCloseMedia(media), 0);
        // The next case writes a new file.
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, kOmfRev2x, &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }
}

TEST_F(JpegCodecTest, CoarserTablesGiveSmallerFramesAndLowerFidelity) {
    std::vector<std::vector<uint8_t>> fine, coarse;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 1, 25, &fine);
    omfInt32 fineSize = 0, coarseSize = 0;
    ASSERT_EQ(omfmGetLargestSampleSize(media, picture_, &fineSize), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, kOmfRev2x, &file_), 0);
    omfErr_t status = 0;
    ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    media = writeAndReopen("JPEG", kOmfFullFrame, 1, 400, &coarse);
    ASSERT_EQ(omfmGetLargestSampleSize(media, picture_, &coarseSize), 0);
    EXPECT_LT(coarseSize, fineSize);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, ThreeFramesMakeFourIndexEntriesAndEachImageEndsAligned) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 3, 100, &pictures, true);
    ASSERT_NE(media, nullptr);
    omfInt32 entries = 0;
    ASSERT_EQ(omfsArrayCount(file_, media->dataObject, frameIndexCode(), kOmfType_Position32Array,
                             4, &entries),
              0);
    EXPECT_EQ(entries, 4);
    omfInt64 expectedStart = 0;
    for (omfInt64 frame = 1; frame <= 3; ++frame) {
        std::vector<uint8_t> stored = readStored(media, frame);
        ASSERT_GE(stored.size(), 4u);
        // Frame n runs from entry n - 1 to entry n: the offsets add up.
        expectedStart += omfInt64(stored.size());
        EXPECT_EQ(expectedStart % 4, 0) << "frame " << frame << " ends off a 4-byte boundary";
        EXPECT_EQ(stored[0], 0xFF);
        EXPECT_EQ(stored[1], 0xD8);
        EXPECT_EQ(stored[stored.size() - 2], 0xFF);
        EXPECT_EQ(stored[stored.size() - 1], 0xD1);
    }
    omfFrameSizeInfo_t beyond{picture_, 4, 0};
    EXPECT_EQ(omfmGetInfo(media, kMediaInfoFrameSize, picture_, sizeof beyond, &beyond),
              OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, RawReadOfTwoSamplesReturnsOneFrameAndRefusesTheRest) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 2, 100, &pictures, true);
    ASSERT_NE(media, nullptr);
    omfFrameSizeInfo_t size{picture_, 1, 0};
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoFrameSize, picture_, sizeof size, &size), 0);
    std::vector<uint8_t> buffer(size_t(size.frameSize) * 2);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    omfInt32 samples = 0, bytes = 0;
    EXPECT_EQ(
        omfmReadMediaSamples(media, 2, omfInt32(buffer.size()), buffer.data(), &samples, &bytes),
        OM_ERR_ONE_SAMPLE_COMPRESSED_READ);
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(bytes, size.frameSize);
    // A buffer one byte short of the frame takes nothing.
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    EXPECT_EQ(omfmReadMediaSamples(media, 1, size.frameSize - 1, buffer.data(), &samples, &bytes),
              OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(omfmSetFrame(media, 4), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, DecoderWarningsOfAReadAreAnsweredUntilTheNextRead) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 2, 100, &pictures);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    {
        // An end-of-image marker halfway through the second image's entropy-coded data.
        std::fstream data(path("media.omf"), std::ios::in | std::ios::out | std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(data), {}};
        const std::size_t second = bytes.find("\xFF\xD8\xFF", bytes.find("\xFF\xD8\xFF") + 1);
        const std::size_t scan = bytes.find("\xFF\xDA", second);
        ASSERT_NE(scan, std::string::npos);
        data.seekp(std::streamoff(scan + kWidth * kHeight / 16));
        data.write("\xFF\xD9", 2);
    }
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    const size_t frameBytes = pictures[0].size();
    char text[128];
    omfBool found = true;
    readRgb(media, 1, frameBytes);
    ASSERT_EQ(omfmGetDecodeWarning(media, text, sizeof text, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_STREQ(text, "");

    readRgb(media, 2, frameBytes); // decodes, with a warning
    ASSERT_EQ(omfmGetDecodeWarning(media, text, sizeof text, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_NE(std::string(text).find("Corrupt JPEG data"), std::string::npos) << text;
    // A short buffer takes what fits, zero-terminated.
    ASSERT_EQ(omfmGetDecodeWarning(media, text, 5, &found), 0);
    EXPECT_TRUE(found);
    EXPECT_STREQ(text, "Corr");
    EXPECT_EQ(omfmGetDecodeWarning(media, text, 0, &found), OM_ERR_BUFFER_TOO_SMALL);

    readRgb(media, 1, frameBytes);
    ASSERT_EQ(omfmGetDecodeWarning(media, text, sizeof text, &found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, StoredFramesAreStandardJpegImagesForAnIndependentDecoder) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 2, 100, &pictures, true);
    ASSERT_NE(media, nullptr);
    for (omfInt64 frame = 1; frame <= 2; ++frame) {
        int width = 0, height = 0;
        std::vector<uint8_t> decoded = ffmpegDecode(readStored(media, frame), &width, &height);
        ASSERT_FALSE(decoded.empty()) << "FFmpeg could not decode frame " << frame;
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        // Both decoders see the same coefficients; they differ only in
        // rounding and chroma upsampling.
        EXPECT_GE(psnr(pictures[size_t(frame - 1)], decoded), 30.0);
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
    // Our own decode of the same frames agrees with FFmpeg's.
    media = reopenMedia();
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    std::vector<uint8_t> ours = readRgb(media, 1, pictures[0].size());
    EXPECT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia(true);
    int width = 0, height = 0;
    std::vector<uint8_t> theirs = ffmpegDecode(readStored(media, 1), &width, &height);
    EXPECT_GE(psnr(ours, theirs), 34.0);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, DecodedFramesTranslateIntoTheCallersFormat) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen("JPEG", kOmfFullFrame, 1, 100, &pictures);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> rgb(pictures[0].size());
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    rgb = readRgb(media, 1, rgb.size());
    omfFormatEntry_t argb[] = {
        int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "ARGB"),
        bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8}), omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetMemoryFormat(media, argb), 0);
    std::vector<uint8_t> pixels = readRgb(media, 1, size_t(kWidth) * kHeight * 4);
    // Decoded straight into ARGB, or through the translator (BGR): the
    // same pixels, and no alpha the media does not have.
    omfFormatEntry_t bgr[] = {
        int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "BGR"),
        bytesEntry(kOmfRGBCompSizes, {8, 8, 8}), omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetMemoryFormat(media, bgr), 0);
    std::vector<uint8_t> reversed = readRgb(media, 1, rgb.size());
    for (size_t i = 0; i < size_t(kWidth) * kHeight; ++i) {
        ASSERT_EQ(pixels[i * 4], 0) << "pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 1], rgb[i * 3]) << "pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 2], rgb[i * 3 + 1]) << "pixel " << i;
        ASSERT_EQ(pixels[i * 4 + 3], rgb[i * 3 + 2]) << "pixel " << i;
        ASSERT_EQ(reversed[i * 3], rgb[i * 3 + 2]) << "pixel " << i;
        ASSERT_EQ(reversed[i * 3 + 2], rgb[i * 3]) << "pixel " << i;
    }
    // The descriptor still says what is stored: 4:2:2 component video, compressed.
    omfFrameLayout_t layout{};
    omfInt32 width = 0, height = 0;
    omfRational_t rate{};
    omfInt16 pixelBits = 0;
    omfPixelFormat_t format{};
    ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, &rate, &pixelBits, &format), 0);
    EXPECT_EQ(format, kOmfPixYUV);
    EXPECT_EQ(pixelBits, 16);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, TablesGivenAreTheTablesAnsweredAndStoredInEveryImage) {
    omfMediaHdl_t media = createMedia("JPEG", kWidth, kHeight, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    putScaledTables(media, 50);
    omfJPEGTables_t answer{};
    answer.component = 0;
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoJPEGTables, picture_, sizeof answer, &answer), 0);
    ASSERT_EQ(answer.quantLength, 64);
    EXPECT_EQ(answer.acLength, 178);
    EXPECT_EQ(answer.dcLength, 28);
    // Annex K luminance DC step 16 at half scale.
    EXPECT_EQ(answer.quantTable[0], 8);
    std::free(answer.quantTable);
    std::free(answer.acTable);
    std::free(answer.dcTable);
    omfJPEGTables_t bad{2, nullptr, nullptr, nullptr, 64, 178, 28};
    EXPECT_EQ(omfmPutJPEGTables(media, sizeof bad, &bad), OM_ERR_NULL_PARAM);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, IndexEntriesPast4GiBKeepTheirFrames) {
    // Entries that no longer fit in 32 bits go to FrameIndexExt, which
    // continues the index at its first element.
    omfMediaHdl_t media = createMedia("JPEG", kWidth, kHeight, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    omfObject_t data = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "JPEG", &data), 0);
    omf::codecs::jpeg::PropertyCodes codes{};
    codes.frameIndex = frameIndexCode();
    codes.frameIndexExt = registered("FrameIndexExt", "JPEG", kOmfType_Position64Array);
    omf::codecs::jpeg::FrameIndex written;
    const int64_t offsets[] = {0, 0x7FFFFFF0LL, 0x80000010LL, 0x100000000LL, 0x2540BE400LL};
    for (int64_t offset : offsets)
        written.append(offset);
    ASSERT_EQ(omf::codecs::jpeg::storeFrameIndex(file_, data, codes, written), 0);
    omfInt32 shortCount = 0, longCount = 0;
    ASSERT_EQ(
        omfsArrayCount(file_, data, codes.frameIndex, kOmfType_Position32Array, 4, &shortCount), 0);
    ASSERT_EQ(
        omfsArrayCount(file_, data, codes.frameIndexExt, kOmfType_Position64Array, 8, &longCount),
        0);
    EXPECT_EQ(shortCount, 2);
    EXPECT_EQ(longCount, 3);
    omf::codecs::jpeg::FrameIndex read;
    ASSERT_EQ(omf::codecs::jpeg::loadFrameIndex(file_, data, codes, read), 0);
    ASSERT_EQ(read.entryCount(), std::size(offsets));
    for (size_t i = 0; i < std::size(offsets); ++i)
        EXPECT_EQ(read.entry(i), offsets[i]);
    int64_t start = 0, size = 0;
    ASSERT_EQ(read.frameBounds(file_, 3, &start, &size), 0);
    EXPECT_EQ(start, 0x100000000LL);
    EXPECT_EQ(size, 0x2540BE400LL - 0x100000000LL);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, AvidJfifMediaOfAResolutionIsMarkedJfif) {
    ASSERT_EQ(omfmAddCodec(session_, omfCodecAvidJFIF), 0);
    omfMediaHdl_t media = createMedia("CODEC_AVID_JFIF_VIDEO", kWidth, kHeight, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    omfInt32 resolution = 77;
    ASSERT_EQ(omfmSetCodecParameters(media, sizeof resolution, &resolution), 0);
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 2);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, picture.data(), omfInt32(picture.size())), 0);
    omfObject_t descriptor = media->descriptor;
    ASSERT_EQ(omfmCloseMedia(media), 0);
    char compression[8] = {};
    ASSERT_EQ(omfsReadString(file_, descriptor, kOmfProperty_DIDD_Compression, compression,
                             sizeof compression),
              0);
    EXPECT_STREQ(compression, "JFIF");
    omfInt32 stored = 0;
    ASSERT_EQ(omfsReadInt32(file_, descriptor,
                            registered("DIDResolutionID", "DIDD", kOmfType_Int32), &stored),
              0);
    EXPECT_EQ(stored, 77);
    omfInt64 offset = 0;
    ASSERT_EQ(omfsReadInt64(file_, descriptor,
                            registered("OffsetToFrameIndexes", "JPED", kOmfType_Int64), &offset),
              0);
    EXPECT_NE(offset, 0);

    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    EXPECT_GE(psnr(picture, readRgb(media, 1, picture.size())), 32.0);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(JpegCodecTest, ZeroSizesAndWrongChannelsAreRefused) {
    omfMediaHdl_t media = createMedia("JPEG", kWidth, kHeight, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 0);
    omfmMultiXfer_t transfer{2, 1, omfInt32(picture.size()), picture.data(), 0, 0};
    EXPECT_EQ(omfmWriteMultiSamples(media, 1, &transfer), OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    omfFormatEntry_t zeroWidth[] = {int32Entry(kOmfCDCICompWidth, 0), omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetFileFormat(media, zeroWidth), 0);
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, picture.data(), omfInt32(picture.size())),
              OM_ERR_ZERO_PIXEL_SIZE);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

} // namespace
