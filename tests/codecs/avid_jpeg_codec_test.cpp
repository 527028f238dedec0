// The Avid JPEG codec: media whose frames carry no tables of their own,
// read with the tables of the descriptor's table stream and the frame index
// of the data object; the table stream parsed marker by marker.
#include "jpeg_media_fixture.h"

#include "avid_jpeg/table_stream.h"
#include "internal/codec_stream.h"
#include "jpeg/jpeg_layer.h"
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

TEST_F(AvidJpegCodecTest, ItReadsButDoesNotWrite) {
    std::vector<std::vector<uint8_t>> pictures;
    auto media = avidMedia(1, &pictures);
    omfCodecParms_t parms{};
    EXPECT_EQ(codec_->call(kCodecOpCreate, parms, media.get(), file_),
              OM_ERR_INVALID_CODEC_OPERATION);
}

} // namespace
