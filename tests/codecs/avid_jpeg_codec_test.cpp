// The Avid JPEG codec: media whose frames carry no tables of their own,
// read with the tables of the descriptor's table stream and the frame index
// of the data object, and written the same way through the media calls; the
// table stream parsed marker by marker and built from a table set.
#include "ffmpeg_jpeg_decode.h"
#include "jpeg_media_fixture.h"

#include "avid_jpeg/table_stream.h"
#include "jpeg/jpeg_layer.h"
#include "media/codec_support/codec_stream.h"
#include "omf/omf_avid_codecs.h"

#include <memory>

using namespace jpeg_test;
using namespace omf::codecs;

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 32;

void append(std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> more) {
    bytes.insert(bytes.end(), more);
}

void appendTable(std::vector<uint8_t>& bytes, const std::vector<uint8_t>& table) {
    bytes.insert(bytes.end(), table.begin(), table.end());
}

// A tables-only JPEG stream: start of image, one DQT segment with a 16-bit
// luminance table and an 8-bit chrominance table, one DHT segment with the
// four Huffman tables.
std::vector<uint8_t> tableStream(const jpeg::TableSet& tables) {
    std::vector<uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xDB};
    const size_t dqtLength = 2 + (1 + 128) + (1 + 64);
    append(bytes, {uint8_t(dqtLength >> 8), uint8_t(dqtLength & 0xFF), 0x10});
    for (uint16_t entry : tables.components[0].quant)
        append(bytes, {uint8_t(entry >> 8), uint8_t(entry)});
    append(bytes, {0x01});
    for (uint16_t entry : tables.components[1].quant)
        append(bytes, {uint8_t(entry)});
    const size_t dhtLength = 2 + 2 * (1 + 28) + 2 * (1 + 178);
    append(bytes, {0xFF, 0xC4, uint8_t(dhtLength >> 8), uint8_t(dhtLength & 0xFF), 0x00});
    appendTable(bytes, tables.components[0].dc);
    append(bytes, {0x10});
    appendTable(bytes, tables.components[0].ac);
    append(bytes, {0x01});
    appendTable(bytes, tables.components[1].dc);
    append(bytes, {0x11});
    appendTable(bytes, tables.components[1].ac);
    return bytes;
}

TEST(AvidTableStream, SixteenBitTablesAndHuffmanTablesAreRead) {
    jpeg::TableSet source = jpeg::scaledTables(60);
    jpeg::TableSet read;
    ASSERT_EQ(avid_jpeg::parseTableStream(nullptr, tableStream(source), read), 0);
    EXPECT_TRUE(read.components[0].quant16);
    EXPECT_FALSE(read.components[1].quant16);
    EXPECT_EQ(read.components[0].quant, source.components[0].quant);
    EXPECT_EQ(read.components[2].quant, source.components[1].quant);
    EXPECT_EQ(read.components[0].ac, source.components[0].ac);
    EXPECT_EQ(read.components[2].dc, source.components[1].dc);
}

TEST(AvidTableStream, MalformedSegmentsAreRefused) {
    std::vector<uint8_t> good = tableStream(jpeg::annexKTables());
    jpeg::TableSet tables;
    // The DQT length points past the data.
    std::vector<uint8_t> bytes(good.begin(), good.begin() + 100);
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), OM_ERR_ILLEGAL_FILE_FORMAT);
    // Table number 5 does not exist.
    bytes = good;
    bytes[6] = 0x15;
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), OM_ERR_ILLEGAL_FILE_FORMAT);
    // A segment length below its own two bytes.
    bytes = {0xFF, 0xDB, 0x00, 0x01};
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), OM_ERR_ILLEGAL_FILE_FORMAT);
    // Other markers are skipped by their length; a non-marker byte ends the walk.
    bytes = {0xFF, 0xE0, 0x00, 0x04, 0xAA, 0xBB, 0x00, 0xFF};
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), 0);
}

TEST(AvidTableStream, BuiltStreamIsTheTablesBetweenStartAndEndOfImage) {
    jpeg::TableSet source = jpeg::scaledTables(60);
    source.components[0].quant16 = true;
    const std::vector<uint8_t> built = avid_jpeg::buildTableStream(source);
    // The same segments as the stream laid out by hand above, then the end of image.
    std::vector<uint8_t> expected = tableStream(source);
    append(expected, {0xFF, 0xD9});
    EXPECT_EQ(built, expected);
    jpeg::TableSet read;
    ASSERT_EQ(avid_jpeg::parseTableStream(nullptr, built, read), 0);
    for (size_t component = 0; component < 3; ++component) {
        const jpeg::ComponentTables& from = source.components[component == 0 ? 0 : 1];
        EXPECT_EQ(read.components[component].quant, from.quant) << component;
        EXPECT_EQ(read.components[component].quant16, from.quant16) << component;
        EXPECT_EQ(read.components[component].dc, from.dc) << component;
        EXPECT_EQ(read.components[component].ac, from.ac) << component;
    }
}

TEST(AvidTableStream, TheEndOfImageEndsTheWalk) {
    const std::vector<uint8_t> good = tableStream(jpeg::annexKTables());
    jpeg::TableSet tables;
    // Nothing after the end of image is read, not even a malformed segment.
    std::vector<uint8_t> bytes = good;
    append(bytes, {0xFF, 0xD9, 0xFF, 0xDB, 0x00, 0x01});
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), 0);
    // The same malformed segment without the end of image before it.
    bytes = good;
    append(bytes, {0xFF, 0xDB, 0x00, 0x01});
    EXPECT_EQ(avid_jpeg::parseTableStream(nullptr, bytes, tables), OM_ERR_ILLEGAL_FILE_FORMAT);
}

class AvidJpegCodecTest : public VideoCodecTest {
  protected:
    void SetUp() override {
        VideoCodecTest::SetUp();
        if (HasFatalFailure()) return;
        codec_ = std::make_unique<CodecUnderTest>(omfCodecAvidJPEG, session_);
        ASSERT_EQ(codec_->status(), 0);
    }

    // Avid JPEG media of `frames` pictures: images without tables, the
    // tables on the descriptor, the index as a data value.
    std::unique_ptr<omfMediaRec> avidMedia(int frames,
                                           std::vector<std::vector<uint8_t>>* pictures) {
        omfObject_t descriptor = pictureDescriptor("JPED", kWidth, kHeight, kOmfFullFrame);
        EXPECT_EQ(omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, "AJPG"), 0);
        EXPECT_EQ(omfsWriteLength(file_, descriptor, kOmfProperty_MDFL_Length, frames), 0);
        EXPECT_EQ(omfsWriteInt32(file_, descriptor,
                                 registered("ComponentWidth", "CDCI", kOmfType_Int32), 8),
                  0);
        EXPECT_EQ(omfsWriteUInt32(file_, descriptor,
                                  registered("HorizontalSubsampling", "CDCI", kOmfType_UInt32), 2),
                  0);
        jpeg::TableSet tables = jpeg::scaledTables(60);
        tables.components[0].quant16 = true;
        std::vector<uint8_t> stream = tableStream(tables);
        EXPECT_EQ(omfsWriteDataBytes(file_, descriptor,
                                     registered("QntznTbl", "JPED", kOmfType_DataValue),
                                     kOmfType_DataValue, 0, omfInt32(stream.size()), stream.data()),
                  0);
        auto media = handleFor(descriptor);
        // JPEG frames live in a JPEG data object, which holds the index too.
        EXPECT_EQ(omfsObjectNew(file_, "JPEG", &media->dataObject), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, media->dataObject, kOmfProperty_IDAT_ImageData,
                                     kOmfType_DataValue, 0, 0, ""),
                  0);
        media->openMode = kMediaCreated;
        EXPECT_EQ(omf::media::streamOpen(media->stream, media.get(), media->dataObject,
                                         kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
                  0);
        jpeg::JpegLayer layer(jpeg::MessageFamily::avidJpeg);
        jpeg::CompressOptions options;
        options.tables = &tables;
        options.writeTables = false;
        std::vector<omfInt32> offsets = {0};
        for (int i = 0; i < frames; ++i) {
            pictures->push_back(testPicture(kWidth, kHeight, i));
            jpeg::ImageRows rows{pictures->back().data(), size_t(kWidth) * 3, kWidth, kHeight,
                                 jpeg::PixelOrder::rgb};
            EXPECT_EQ(layer.compress(file_, media->stream, options, rows), 0);
            omfInt64 position = 0;
            EXPECT_EQ(omf::media::streamPosition(media->stream, &position), 0);
            offsets.push_back(omfInt32(position));
        }
        EXPECT_EQ(omf::media::streamClose(media->stream), 0);
        EXPECT_EQ(omfsWriteDataBytes(file_, media->dataObject,
                                     registered("FrameIndex", "JPEG", kOmfType_DataValue),
                                     kOmfType_DataValue, 0, omfInt32(offsets.size() * 4),
                                     offsets.data()),
                  0);
        media->openMode = kMediaOpenReadOnly;
        return media;
    }

    omfErr_t readFrame(omfMediaHdl_t media, std::vector<uint8_t>& rgb) {
        rgb.assign(size_t(kWidth) * kHeight * 3, 0);
        omfmMultiXfer_t transfer{1, 1, omfInt32(rgb.size()), rgb.data(), 0, 0};
        omfCodecParms_t parms{};
        parms.spc.samples.count = 1;
        parms.spc.samples.transfers = &transfer;
        return codec_->call(kCodecOpReadSamples, parms, media, file_);
    }

    std::unique_ptr<CodecUnderTest> codec_;
};

TEST_F(AvidJpegCodecTest, FramesDecodeWithTheDescriptorsTables) {
    std::vector<std::vector<uint8_t>> pictures;
    auto media = avidMedia(2, &pictures);
    omfCodecParms_t parms{};
    ASSERT_EQ(codec_->call(kCodecOpOpen, parms, media.get(), file_), 0);
    ASSERT_EQ(
        putFormat(*codec_, media.get(), kMediaInfoMemoryFormat,
                  {int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "RGB"),
                   bytesEntry(kOmfRGBCompSizes, {8, 8, 8})}),
        0);
    std::vector<uint8_t> rgb;
    for (int frame = 0; frame < 2; ++frame) {
        ASSERT_EQ(readFrame(media.get(), rgb), 0) << omfsErrorTrace(file_);
        EXPECT_GE(psnr(pictures[size_t(frame)], rgb), 32.0) << "frame " << frame + 1;
    }
    EXPECT_EQ(readFrame(media.get(), rgb), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    // The 16-bit luminance table is answered as 128 bytes.
    omfJPEGTables_t answer{};
    parms.spc.info.selector = kMediaInfoJPEGTables;
    parms.spc.info.size = sizeof answer;
    parms.spc.info.buffer = &answer;
    ASSERT_EQ(codec_->call(kCodecOpGetInfo, parms, media.get(), file_), 0);
    EXPECT_EQ(answer.quantLength, 128);
    std::free(answer.quantTable);
    std::free(answer.acTable);
    std::free(answer.dcTable);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(AvidJpegCodecTest, ChoosesItselfForAjpgInEitherSpelling) {
    for (auto [compression, handles] : {std::pair{"AJPG", true}, std::pair{"1095389255", true},
                                        std::pair{"JPEG", false}, std::pair{"", false}}) {
        omfObject_t descriptor = pictureDescriptor("JPED", kWidth, kHeight, kOmfFullFrame);
        if (*compression != '\0') {
            ASSERT_EQ(
                omfsWriteString(file_, descriptor, kOmfProperty_DIDD_Compression, compression), 0);
        }
        omfCodecParms_t parms{};
        parms.spc.selectInfo.descriptor = descriptor;
        ASSERT_EQ(codec_->call(kCodecOpSelectInfo, parms, nullptr, file_), 0);
        EXPECT_EQ(bool(parms.spc.selectInfo.info.willHandleMDES), handles) << compression;
        EXPECT_EQ(parms.spc.selectInfo.info.avgBitsPerSec, 4);
    }
}

// Avid JPEG media written through the media calls, into 1.x and 2.x files.
class AvidJpegWriting : public JpegMediaTest, public testing::WithParamInterface<omfFileRev_t> {
  protected:
    void SetUp() override {
        JpegMediaTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmAddCodec(session_, omfCodecAvidJPEG), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
        ASSERT_EQ(omfsNewFile(path("media.omf").c_str(), session_, GetParam(), &file_), 0);
        omfErr_t status = 0;
        ASSERT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
    }

    // Writes `frames` test pictures with tables scaled by `percent` and reopens the media.
    omfMediaHdl_t writeAndReopen(int frames, int percent,
                                 std::vector<std::vector<uint8_t>>* pictures,
                                 omfBool rawTransfer = false) {
        omfMediaHdl_t media = createMedia("MSM JPEG Codec", kWidth, kHeight, kOmfFullFrame);
        if (media == nullptr) return nullptr;
        putScaledTables(media, percent);
        return writeAndReopenPictures(media, kWidth, kHeight, frames, pictures, rawTransfer);
    }

    // The bytes of a byte-block property of this file's revision.
    std::vector<uint8_t> block(omfObject_t object, const char* name, const char* classTag,
                               omfType_t type2x) {
        const bool is2x = file_->revision == kOmfRev2x;
        const omfType_t type = omfsByteDataType(file_->revision);
        omfProperty_t property = 0;
        EXPECT_EQ(omfsRegisterProperty(session_, name, classTag, is2x ? type2x : type,
                                       is2x ? kOmfRevisions2x : kOmfRevisions1x, &property),
                  0);
        omfInt64 length = 0;
        EXPECT_EQ(omfsValueLength(file_, object, property, type, &length), 0);
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        omfInt32 got = 0;
        EXPECT_EQ(omfsReadDataBytes(file_, object, property, type, 0, omfInt32(length),
                                    bytes.data(), &got),
                  0);
        return bytes;
    }
};

TEST_P(AvidJpegWriting, FramesComeBackThroughTheDescriptorsTables) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen(3, 50, &pictures);
    ASSERT_NE(media, nullptr);
    omfInt64 count = 0;
    ASSERT_EQ(omfmCountSamples(media, &count), 0);
    EXPECT_EQ(count, 3);
    char codec[32] = {};
    ASSERT_EQ(omfmGetCodecID(media, sizeof codec, codec), 0);
    EXPECT_STREQ(codec, "MSM JPEG Codec");
    ASSERT_EQ(omfmSetMemoryFormat(media, rgbEntries), 0);
    for (omfInt64 frame : {2, 1, 3}) {
        std::vector<uint8_t> rgb = readRgb(media, frame, pictures[0].size());
        EXPECT_GE(psnr(pictures[size_t(frame - 1)], rgb), 30.0) << "frame " << frame;
    }
    // The tables given are the tables stored.
    omfJPEGTables_t answer{};
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoJPEGTables, picture_, sizeof answer, &answer), 0);
    const jpeg::TableSet scaled = jpeg::scaledTables(50);
    ASSERT_EQ(answer.quantLength, 64);
    for (size_t i = 0; i < 64; ++i)
        EXPECT_EQ(answer.quantTable[i], scaled.components[0].quant[i]) << i;
    std::free(answer.quantTable);
    std::free(answer.acTable);
    std::free(answer.dcTable);

    char compression[8] = {};
    ASSERT_EQ(omfsReadString(file_, media->descriptor, kOmfProperty_DIDD_Compression, compression,
                             sizeof compression),
              0);
    EXPECT_STREQ(compression, "AJPG");
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_P(AvidJpegWriting, TheIndexIsThirtyTwoBitOffsetsInTheFilesByteOrder) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen(3, 50, &pictures, true);
    ASSERT_NE(media, nullptr);
    const std::vector<uint8_t> index =
        block(media->dataObject, "FrameIndex", "JPEG", kOmfType_DataValue);
    ASSERT_EQ(index.size(), 4u * 4u);
    const bool bigEndian = file_->byteOrder == kOmfBigEndian;
    std::vector<uint32_t> offsets;
    for (size_t at = 0; at < index.size(); at += 4) {
        uint32_t value = 0;
        for (size_t b = 0; b < 4; ++b)
            value |= uint32_t(index[at + b]) << (8 * (bigEndian ? 3 - b : b));
        offsets.push_back(value);
    }
    EXPECT_EQ(offsets[0], 0u);
    for (omfInt64 frame = 1; frame <= 3; ++frame) {
        const std::vector<uint8_t> stored = readStored(media, frame);
        ASSERT_EQ(stored.size(), offsets[size_t(frame)] - offsets[size_t(frame - 1)]);
        // Each image ends aligned with 0xFF 0xD1 and carries no tables of its own.
        EXPECT_EQ(offsets[size_t(frame)] % 4, 0u);
        EXPECT_EQ(stored[stored.size() - 2], 0xFF);
        EXPECT_EQ(stored[stored.size() - 1], 0xD1);
        for (size_t i = 0; i + 1 < stored.size(); ++i) {
            if (stored[i] != 0xFF) continue;
            EXPECT_NE(stored[i + 1], 0xDB) << "quantisation tables in frame " << frame;
            EXPECT_NE(stored[i + 1], 0xC4) << "Huffman tables in frame " << frame;
        }
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_P(AvidJpegWriting, TableStreamAndFrameMakeAStandardImage) {
    std::vector<std::vector<uint8_t>> pictures;
    omfMediaHdl_t media = writeAndReopen(2, 50, &pictures, true);
    ASSERT_NE(media, nullptr);
    const std::vector<uint8_t> tables =
        block(media->descriptor, file_->revision == kOmfRev2x ? "QntznTbl" : "QuantizationTables",
              "JPED", kOmfType_DataValue);
    ASSERT_GE(tables.size(), 4u);
    ASSERT_EQ(tables[tables.size() - 2], 0xFF);
    ASSERT_EQ(tables[tables.size() - 1], 0xD9);
    for (omfInt64 frame = 1; frame <= 2; ++frame) {
        // The tables without their end of image, then the image without its start.
        std::vector<uint8_t> image(tables.begin(), tables.end() - 2);
        const std::vector<uint8_t> stored = readStored(media, frame);
        ASSERT_EQ(stored[1], 0xD8);
        image.insert(image.end(), stored.begin() + 2, stored.end());
        int width = 0, height = 0;
        const std::vector<uint8_t> decoded = ffmpegDecode(image, &width, &height);
        ASSERT_FALSE(decoded.empty()) << "FFmpeg could not decode frame " << frame;
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kHeight);
        EXPECT_GE(psnr(pictures[size_t(frame - 1)], decoded), 30.0) << "frame " << frame;
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

INSTANTIATE_TEST_SUITE_P(Revisions, AvidJpegWriting, testing::Values(kOmfRev1x, kOmfRev2x),
                         [](const testing::TestParamInfo<omfFileRev_t>& info) {
                             return std::string(info.param == kOmfRev1x ? "OneX" : "TwoX");
                         });

} // namespace
