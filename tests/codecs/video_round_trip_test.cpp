// Uncompressed video written and read back through the media calls: CDCI
// media of several component layouts, separated fields and alignment, RGBA
// media, the caller's memory formats, and reads that run past the data.
#include "video_codec_fixture.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

using namespace video_codec_test;

namespace {

std::vector<uint8_t> pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(seed + i * 7 + i / 251);
    return bytes;
}

class VideoRoundTripTest : public MediaRoundTripTest {
  protected:
    omfErr_t setFileFormat(omfMediaHdl_t media, std::initializer_list<omfFormatEntry_t> in) {
        std::vector<omfFormatEntry_t> list(in);
        list.push_back(omfmFormatEntry(kOmfVFmtEnd));
        return omfmSetFileFormat(media, list.data());
    }

    omfErr_t setMemoryFormat(omfMediaHdl_t media, std::initializer_list<omfFormatEntry_t> in) {
        std::vector<omfFormatEntry_t> list(in);
        list.push_back(omfmFormatEntry(kOmfVFmtEnd));
        return omfmSetMemoryFormat(media, list.data());
    }

    // Writes `frames` frames of `frameSize` bytes, each its own pattern.
    std::vector<std::vector<uint8_t>> writeFrames(omfMediaHdl_t media, size_t frameSize,
                                                  int frames) {
        std::vector<std::vector<uint8_t>> written;
        for (int i = 0; i < frames; ++i) {
            written.push_back(pattern(frameSize, uint8_t(i * 31 + 1)));
            EXPECT_EQ(omfmWriteMediaSamples(media, 1, written.back().data(), omfInt32(frameSize)),
                      0);
        }
        return written;
    }

    std::vector<uint8_t> readFrame(omfMediaHdl_t media, omfInt64 frame, size_t size) {
        std::vector<uint8_t> bytes(size);
        EXPECT_EQ(omfmSetFrame(media, frame), 0);
        omfInt32 read = 0;
        EXPECT_EQ(omfmReadChannelSamples(media, 1, omfInt32(size), bytes.data(), &read), 0);
        EXPECT_EQ(read, omfInt32(size));
        return bytes;
    }
};

// ---- CDCI ------------------------------------------------------------------

TEST_F(VideoRoundTripTest, CdciEightBit422FramesComeBackUnchanged) {
    omfMediaHdl_t media = createMedia("CDCI", 16, 8, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    const size_t frameSize = 16 * 8 * 2;
    auto written = writeFrames(media, frameSize, 3);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 3);
    omfInt16 pixelSize = 0;
    omfFrameLayout_t layout{};
    omfInt32 width = 0, height = 0;
    ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, nullptr, &pixelSize, nullptr), 0);
    EXPECT_EQ(pixelSize, 16);
    EXPECT_EQ(width, 16);
    EXPECT_EQ(height, 8);
    EXPECT_EQ(readFrame(media, 3, frameSize), written[2]);
    EXPECT_EQ(readFrame(media, 1, frameSize), written[0]);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciSummaryDescribesTheWrittenMedia) {
    omfMediaHdl_t media = createMedia("CDCI", 16, 8, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setFileFormat(media, {int32Entry(kOmfCDCICompWidth, 8),
                                    int32Entry(kOmfCDCIHorizSubsampling, 1)}),
              0);
    writeFrames(media, 16 * 8 * 3, 1);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    omfObject_t descriptor = media->descriptor;
    char compression[8] = {};
    ASSERT_EQ(omfsReadString(file_, descriptor, kOmfProperty_DIDD_Compression, compression,
                             sizeof compression),
              0);
    EXPECT_STREQ(compression, "AUNC");
    omfInt32 storedWidth = 0, fillEnd = -1;
    ASSERT_EQ(omfsReadInt32(file_, descriptor, kOmfProperty_DIDD_StoredWidth, &storedWidth), 0);
    EXPECT_EQ(storedWidth, 16);
    // Stored as 0, so reopened "AUNC" media keeps no fill between frames.
    ASSERT_EQ(omfsReadInt32(file_, descriptor, kOmfProperty_DIDD_ClientFillEnd, &fillEnd), 0);
    EXPECT_EQ(fillEnd, 0);
    omfUInt32 subsampling = 0;
    ASSERT_EQ(omfsReadUInt32(file_, descriptor,
                             registered("HorizontalSubsampling", "CDCI", kOmfType_UInt32),
                             &subsampling),
              0);
    EXPECT_EQ(subsampling, 1u);
    omfInt64 dataSize = 0;
    ASSERT_EQ(omfmGetDataSize(media, &dataSize), 0);
    EXPECT_EQ(dataSize, 16 * 8 * 3);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciTenBitComponentsInSixteenBitContainersPassThrough) {
    omfMediaHdl_t media = createMedia("CDCI", 8, 4, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    omfFormatEntry_t padding = omfmFormatEntry(kOmfCDCIPadBits);
    padding.operand.int16 = 12;
    ASSERT_EQ(setFileFormat(media, {int32Entry(kOmfCDCICompWidth, 10), padding}), 0);
    const size_t frameSize = 8 * 4 * 4;
    auto written = writeFrames(media, frameSize, 2);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    omfInt16 pixelSize = 0;
    ASSERT_EQ(omfmGetVideoFormat(media, nullptr, nullptr, nullptr, nullptr, &pixelSize, nullptr),
              0);
    EXPECT_EQ(pixelSize, 32);
    EXPECT_EQ(readFrame(media, 2, frameSize), written[1]);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciSeparatedFieldsInterleaveForAFullFrameMemoryLayout) {
    const omfInt32 width = 4, fieldRows = 3;
    const size_t rowBytes = width * 2;
    omfMediaHdl_t media = createMedia("CDCI", width, fieldRows, kOmfSeparateFields);
    ASSERT_NE(media, nullptr);
    // Second field starts on line 279: field 1 holds the even frame lines.
    ASSERT_EQ(setFileFormat(media, {int32Entry(kOmfFieldDominance, 0), lineMapEntry(16, 279)}), 0);
    std::vector<uint8_t> fields = pattern(rowBytes * fieldRows * 2, 9);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, fields.data(), omfInt32(fields.size())), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(readFrame(media, 1, fields.size()), fields);
    ASSERT_EQ(setMemoryFormat(media, {int32Entry(kOmfFrameLayout, kOmfFullFrame)}), 0);
    std::vector<uint8_t> frame = readFrame(media, 1, fields.size());
    for (omfInt32 line = 0; line < fieldRows * 2; ++line) {
        size_t fieldRow = size_t(line / 2) + (line % 2 == 0 ? 0 : fieldRows);
        EXPECT_TRUE(std::equal(frame.begin() + line * rowBytes,
                               frame.begin() + (line + 1) * rowBytes,
                               fields.begin() + fieldRow * rowBytes))
            << "frame line " << line;
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciAlignedFramesStartOnTheAlignmentFactor) {
    omfMediaHdl_t media = createMedia("CDCI", 60, 20, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setFileFormat(media, {int32Entry(kOmfAlignmentFactor, 4096)}), 0);
    const size_t frameSize = 60 * 20 * 2;
    auto written = writeFrames(media, frameSize, 3);
    omfInt64 dataSize = 0;
    ASSERT_EQ(omfmGetDataSize(media, &dataSize), 0);
    EXPECT_EQ(dataSize, 3 * 4096);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(readFrame(media, 2, frameSize), written[1]);
    // Two frames at once skip the padding between them.
    std::vector<uint8_t> two(frameSize * 2);
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    omfInt32 read = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 2, omfInt32(two.size()), two.data(), &read), 0);
    EXPECT_EQ(std::vector<uint8_t>(two.begin() + frameSize, two.end()), written[2]);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciReadPastTheEndReturnsWhatIsThere) {
    omfMediaHdl_t media = createMedia("CDCI", 8, 4, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    const size_t frameSize = 8 * 4 * 2;
    auto written = writeFrames(media, frameSize, 3);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    std::vector<uint8_t> buffer(frameSize * 2);
    ASSERT_EQ(omfmSetFrame(media, 3), 0);
    omfInt32 samples = 0, bytes = 0;
    EXPECT_EQ(
        omfmReadMediaSamples(media, 2, omfInt32(buffer.size()), buffer.data(), &samples, &bytes),
        OM_ERR_END_OF_FILE);
    EXPECT_EQ(samples, 1);
    EXPECT_EQ(bytes, omfInt32(frameSize));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + frameSize), written[2]);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciToArgbGivesFourBytesPerPixelWithConvertedValues) {
    const omfInt32 width = 4, height = 2;
    omfMediaHdl_t media = createMedia("CDCI", width, height, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    // Grey Cb, Y0, Cr, Y1 = 128 everywhere.
    std::vector<uint8_t> frame(width * height * 2, 128);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setMemoryFormat(media, {int32Entry(kOmfFrameLayout, kOmfFullFrame),
                                      int32Entry(kOmfPixelFormat, kOmfPixRGBA),
                                      lettersEntry(kOmfRGBCompLayout, "ARGB"),
                                      bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8})}),
              0);
    const size_t argbSize = width * height * 4;
    std::vector<uint8_t> argb(argbSize);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    omfInt32 read = 0;
    EXPECT_EQ(omfmReadChannelSamples(media, 1, omfInt32(argbSize - 1), argb.data(), &read),
              OM_ERR_SAMPLE_TOO_LARGE);
    argb = readFrame(media, 1, argbSize);
    // c = d = 1: R = B = 128 + 1, G = 128 - 1, each expanded to full range.
    for (size_t pixel = 0; pixel < argbSize / 4; ++pixel) {
        EXPECT_EQ(argb[pixel * 4 + 0], 0);
        EXPECT_EQ(argb[pixel * 4 + 1], 132);
        EXPECT_EQ(argb[pixel * 4 + 2], 129);
        EXPECT_EQ(argb[pixel * 4 + 3], 132);
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, CdciLinesMoveInTheStoredFormat) {
    const omfInt32 width = 8, height = 4;
    omfMediaHdl_t media = createMedia("CDCI", width, height, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    const size_t rowBytes = width * 2;
    std::vector<uint8_t> rows = pattern(rowBytes * height * 2, 3);
    omfInt32 moved = 0;
    ASSERT_EQ(omfmWriteDataLines(media, height * 2, omfInt32(rows.size()), rows.data(), &moved), 0);
    EXPECT_EQ(moved, omfInt32(rows.size()));
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    std::vector<uint8_t> line(rowBytes);
    EXPECT_EQ(omfmReadDataLines(media, 2, omfInt32(rowBytes), line.data(), &moved),
              OM_ERR_SAMPLE_TOO_LARGE);
    ASSERT_EQ(omfmReadDataLines(media, 1, omfInt32(rowBytes), line.data(), &moved), 0);
    EXPECT_TRUE(std::equal(line.begin(), line.end(), rows.begin() + rowBytes * height));
    std::vector<uint8_t> rest(rowBytes * 4);
    EXPECT_EQ(omfmReadDataLines(media, 4, omfInt32(rest.size()), rest.data(), &moved),
              OM_ERR_NO_DATA_READ);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- RGBA ------------------------------------------------------------------

TEST_F(VideoRoundTripTest, RgbaArgbFramesComeBackUnchanged) {
    omfMediaHdl_t media = createMedia("RGBA", 6, 4, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setFileFormat(media, {lettersEntry(kOmfRGBCompLayout, "ARGB"),
                                    bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8})}),
              0);
    ASSERT_EQ(setMemoryFormat(media, {lettersEntry(kOmfRGBCompLayout, "ARGB"),
                                      bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8})}),
              0);
    const size_t frameSize = 6 * 4 * 4;
    auto written = writeFrames(media, frameSize, 2);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    omfInt16 pixelSize = 0;
    omfPixelFormat_t format{};
    ASSERT_EQ(omfmGetVideoFormat(media, nullptr, nullptr, nullptr, nullptr, &pixelSize, &format),
              0);
    EXPECT_EQ(pixelSize, 32);
    EXPECT_EQ(format, kOmfPixRGBA);
    EXPECT_EQ(readFrame(media, 2, frameSize), written[1]);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(VideoRoundTripTest, RgbaRgbReadAsArgbGainsAZeroAlpha) {
    omfMediaHdl_t media = createMedia("RGBA", 4, 2, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setFileFormat(media, {lettersEntry(kOmfRGBCompLayout, "RGB"),
                                    bytesEntry(kOmfRGBCompSizes, {8, 8, 8})}),
              0);
    std::vector<uint8_t> rgb = pattern(4 * 2 * 3, 40);
    ASSERT_EQ(omfmWriteMediaSamples(media, 1, rgb.data(), omfInt32(rgb.size())), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(setMemoryFormat(media, {lettersEntry(kOmfRGBCompLayout, "ARGB"),
                                      bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8})}),
              0);
    std::vector<uint8_t> argb = readFrame(media, 1, 4 * 2 * 4);
    for (size_t pixel = 0; pixel < 8; ++pixel) {
        EXPECT_EQ(argb[pixel * 4], 0);
        EXPECT_EQ(argb[pixel * 4 + 1], rgb[pixel * 3]);
        EXPECT_EQ(argb[pixel * 4 + 2], rgb[pixel * 3 + 1]);
        EXPECT_EQ(argb[pixel * 4 + 3], rgb[pixel * 3 + 2]);
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

} // namespace
