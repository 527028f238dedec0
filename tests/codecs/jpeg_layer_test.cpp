// The libjpeg glue on its own: the built-in tables against libjpeg's, the
// end of every compressed image, streams that end early, tables libjpeg
// must not be given, and images that are not JPEG at all.
#include "jpeg_media_fixture.h"

#include "jpeg/jpeg_layer.h"
#include "media/codec_support/codec_stream.h"

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <memory>

using namespace jpeg_test;
using namespace omf::codecs::jpeg;

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 32;

TEST(JpegTables, AnnexKTablesAreLibjpegsStandardTables) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 50, TRUE); // scale 100%: the tables as Annex K gives them
    const TableSet& tables = annexKTables();
    for (int slot = 0; slot < 2; ++slot) {
        const ComponentTables& ours = tables.components[size_t(slot)];
        for (int i = 0; i < kQuantEntries; ++i) {
            EXPECT_EQ(ours.quant[size_t(i)],
                      cinfo.quant_tbl_ptrs[slot]->quantval[kZigZagToNatural[size_t(i)]])
                << "table " << slot << " entry " << i;
        }
        for (auto [ourTable, theirs] : {std::pair{&ours.dc, cinfo.dc_huff_tbl_ptrs[slot]},
                                        std::pair{&ours.ac, cinfo.ac_huff_tbl_ptrs[slot]}}) {
            ASSERT_TRUE(wellFormedHuffman(*ourTable, 256));
            EXPECT_TRUE(std::equal(ourTable->begin(), ourTable->begin() + 16, theirs->bits + 1));
            EXPECT_TRUE(std::equal(ourTable->begin() + 16, ourTable->end(), theirs->huffval));
        }
    }
    // The second chrominance component shares the first one's tables.
    EXPECT_EQ(tables.components[2].quant, tables.components[1].quant);
    jpeg_destroy_compress(&cinfo);
}

TEST(JpegTables, ScalingRoundsAndStaysWithinOneTo255) {
    const TableSet& base = annexKTables();
    EXPECT_EQ(scaledTables(200).components[0].quant[0], base.components[0].quant[0] * 2);
    EXPECT_EQ(scaledTables(50).components[0].quant[0], 8); // 16 x 0.5
    EXPECT_EQ(scaledTables(0).components[0].quant[0], 1);  // never a zero step
    EXPECT_EQ(scaledTables(1000).components[1].quant[63], 255);
    // 11 x 0.25 = 2.75 rounds to 3.
    EXPECT_EQ(scaledTables(25).components[0].quant[1], 3);
}

class JpegLayerTest : public VideoCodecTest {
  protected:
    void SetUp() override {
        VideoCodecTest::SetUp();
        if (HasFatalFailure()) return;
        media_ = handleFor(pictureDescriptor("CDCI", kWidth, kHeight, kOmfFullFrame));
        media_->openMode = kMediaCreated;
        ASSERT_EQ(omf::media::streamOpen(media_->stream, media_.get(), media_->dataObject,
                                         kOmfProperty_IDAT_ImageData, kOmfType_DataValue),
                  0);
    }
    void TearDown() override {
        if (media_ && media_->stream.tag == omf::media::kStreamTag)
            omf::media::streamClose(media_->stream);
        VideoCodecTest::TearDown();
    }

    omf::media::CodecStream& stream() { return media_->stream; }

    omfErr_t compress(JpegLayer& layer, std::vector<uint8_t>& rgb,
                      const CompressOptions& options = {}) {
        ImageRows rows{rgb.data(), size_t(kWidth) * 3, kWidth, kHeight, PixelOrder::rgb};
        return layer.compress(file_, stream(), options, rows);
    }

    omfErr_t decompress(JpegLayer& layer, std::vector<uint8_t>& rgb,
                        const TableSet* tables = nullptr) {
        rgb.assign(size_t(kWidth) * kHeight * 3, 0);
        ImageRows rows{rgb.data(), size_t(kWidth) * 3, kWidth, kHeight, PixelOrder::rgb};
        return layer.decompress(file_, stream(), tables, rows);
    }

    // Replaces the stream's bytes with `bytes`, positioned at the start.
    void replaceData(const std::vector<uint8_t>& bytes) {
        ASSERT_EQ(omf::media::streamSeek(stream(), 0), 0);
        ASSERT_EQ(omf::media::streamTruncate(stream()), 0);
        if (!bytes.empty()) {
            ASSERT_EQ(omf::media::streamWrite(stream(), bytes.data(), omfInt64(bytes.size())), 0);
        }
        ASSERT_EQ(omf::media::streamSeek(stream(), 0), 0);
    }

    std::vector<uint8_t> storedBytes() {
        omfInt64 length = 0;
        EXPECT_EQ(omf::media::streamLength(stream(), &length), 0);
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        EXPECT_EQ(omf::media::streamSeek(stream(), 0), 0);
        omfInt64 got = 0;
        EXPECT_EQ(omf::media::streamRead(stream(), bytes.data(), length, &got), 0);
        return bytes;
    }

    bool said(const JpegLayer& layer, const std::string& text) {
        const auto& messages = layer.messages();
        return std::find(messages.begin(), messages.end(), text) != messages.end();
    }

    std::unique_ptr<omfMediaRec> media_;
};

TEST_F(JpegLayerTest, EveryImageEndsOnAFourByteBoundaryWithFFD1) {
    JpegLayer layer(MessageFamily::jpeg);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 1);
    // Start each image at a different remainder so every fill length occurs.
    for (int skew = 0; skew < 4; ++skew) {
        replaceData(std::vector<uint8_t>(size_t(skew), 0x55));
        ASSERT_EQ(omf::media::streamSeek(stream(), skew), 0);
        ASSERT_EQ(compress(layer, picture), 0);
        std::vector<uint8_t> bytes = storedBytes();
        ASSERT_EQ(bytes.size() % 4, 0u) << "skew " << skew;
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
        EXPECT_EQ(bytes[bytes.size() - 1], 0xD1);
        // The image itself ends with its EOI marker before the fill.
        const uint8_t endOfImage[] = {0xFF, 0xD9};
        auto eoi =
            std::search(bytes.begin(), bytes.end(), std::begin(endOfImage), std::end(endOfImage));
        ASSERT_NE(eoi, bytes.end());
        EXPECT_LE(bytes.end() - (eoi + 2), 5);
    }
}

TEST_F(JpegLayerTest, TwoImagesBackToBackDecodeInTurn) {
    JpegLayer layer(MessageFamily::jpeg);
    std::vector<uint8_t> first = testPicture(kWidth, kHeight, 0);
    std::vector<uint8_t> second = testPicture(kWidth, kHeight, 3);
    ASSERT_EQ(compress(layer, first), 0);
    ASSERT_EQ(compress(layer, second), 0);
    ASSERT_EQ(omf::media::streamSeek(stream(), 0), 0);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(decompress(layer, decoded), 0);
    EXPECT_GE(psnr(first, decoded), 30.0);
    ASSERT_EQ(decompress(layer, decoded), 0);
    EXPECT_GE(psnr(second, decoded), 30.0);
}

TEST_F(JpegLayerTest, AnImageCutShortDecodesWithAWarning) {
    JpegLayer layer(MessageFamily::jpeg);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 2);
    ASSERT_EQ(compress(layer, picture), 0);
    std::vector<uint8_t> bytes = storedBytes();
    // Cut halfway through the compressed data that follows the scan header.
    const uint8_t scanHeader[] = {0xFF, 0xDA};
    auto scan =
        std::search(bytes.begin(), bytes.end(), std::begin(scanHeader), std::end(scanHeader));
    ASSERT_NE(scan, bytes.end());
    bytes.resize(size_t(scan - bytes.begin()) + size_t(bytes.end() - scan) / 2);
    replaceData(bytes);
    std::vector<uint8_t> decoded;
    EXPECT_EQ(decompress(layer, decoded), 0);
    EXPECT_TRUE(said(layer, kPrematureEofWarning));
    // The rows that arrived are there.
    EXPECT_GE(psnr(std::vector<uint8_t>(picture.begin(), picture.begin() + kWidth * 3 * 8),
                   std::vector<uint8_t>(decoded.begin(), decoded.begin() + kWidth * 3 * 8)),
              30.0);
    // The complete image raises no warning.
    replaceData({});
    ASSERT_EQ(compress(layer, picture), 0);
    ASSERT_EQ(omf::media::streamSeek(stream(), 0), 0);
    EXPECT_EQ(decompress(layer, decoded), 0);
    EXPECT_FALSE(said(layer, kPrematureEofWarning));
}

TEST_F(JpegLayerTest, TablesWithMoreCodesThanTheirClassAllowsAreRefused) {
    JpegLayer layer(MessageFamily::jpeg);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 0);
    TableSet tables = annexKTables();
    tables.components[0].dc[15] = 6; // counts now add up to 17
    tables.components[0].dc.resize(16 + 17, 0);
    CompressOptions options;
    options.tables = &tables;
    EXPECT_EQ(compress(layer, picture, options), OM_ERR_JPEG_UNSPECIFIED);
    EXPECT_TRUE(said(layer, kBogusDcCounts));

    tables = annexKTables();
    tables.components[1].ac[15] = 0xFF; // 162 - 119 + 255 = 298 codes
    EXPECT_EQ(compress(layer, picture, options), OM_ERR_JPEG_UNSPECIFIED);
    EXPECT_TRUE(said(layer, kBogusAcCount));

    // Counts that promise more symbols than the table holds are refused too.
    tables = annexKTables();
    tables.components[0].dc.pop_back();
    EXPECT_EQ(compress(layer, picture, options), OM_ERR_JPEG_UNSPECIFIED);
    EXPECT_TRUE(said(layer, kBogusDcCounts));

    // The same layer still works with good tables.
    replaceData({});
    EXPECT_EQ(compress(layer, picture), 0);
}

TEST_F(JpegLayerTest, ImagesWithoutTablesUseTheTablesGiven) {
    JpegLayer layer(MessageFamily::avidJpeg);
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 1);
    TableSet tables = scaledTables(50);
    CompressOptions options;
    options.tables = &tables;
    options.writeTables = false;
    ASSERT_EQ(compress(layer, picture, options), 0);
    std::vector<uint8_t> bytes = storedBytes();
    const uint8_t dqt[] = {0xFF, 0xDB};
    EXPECT_EQ(std::search(bytes.begin(), bytes.end(), std::begin(dqt), std::end(dqt)), bytes.end());
    ASSERT_EQ(omf::media::streamSeek(stream(), 0), 0);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(decompress(layer, decoded, &tables), 0);
    EXPECT_GE(psnr(picture, decoded), 33.0);
}

TEST_F(JpegLayerTest, BytesThatAreNoJpegImageFailCleanly) {
    JpegLayer layer(MessageFamily::jpeg);
    std::vector<uint8_t> decoded;
    replaceData(std::vector<uint8_t>(300, 0x41));
    EXPECT_EQ(decompress(layer, decoded), OM_ERR_JPEG_UNSPECIFIED);
    EXPECT_FALSE(layer.messages().empty());
    replaceData({});
    EXPECT_EQ(decompress(layer, decoded), OM_ERR_JPEG_UNSPECIFIED);
    EXPECT_TRUE(said(layer, kPrematureEofWarning));
    // A header announcing a picture far larger than the one asked for.
    std::vector<uint8_t> picture = testPicture(kWidth, kHeight, 0);
    replaceData({});
    ASSERT_EQ(compress(layer, picture), 0);
    std::vector<uint8_t> bytes = storedBytes();
    for (size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) { // frame header: height, width at +5, +7
            bytes[i + 5] = bytes[i + 7] = 0x7F;
            break;
        }
    }
    replaceData(bytes);
    EXPECT_EQ(decompress(layer, decoded), OM_ERR_JPEG_UNSPECIFIED);
}

} // namespace
