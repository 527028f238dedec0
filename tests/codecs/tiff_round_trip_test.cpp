// TIFF media written and read back through the media calls: uncompressed
// and JPEG frames of one and two fields in 1.x and 2.x files, JPEG at
// several qualities (PSNR against the source), frame sizes against the
// stored frame index, the directory and summary written, and every image
// read again by libtiff, frame by frame.
#include "tiff_image_fixture.h"

#include "avr/resolution_record.h"
#include "jpeg/jpeg_tables.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"

#include <jpeglib.h>
#include <tiffio.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace tiff_test;
using namespace video_codec_test;

namespace {

constexpr ByteOrder kLittle{true};
namespace jpeg = omf::codecs::jpeg;

// A picture of smooth colour gradients with brighter squares (edges in
// luminance), different for every frame.
std::vector<uint8_t> testPicture(omfInt32 width, omfInt32 rows, int frame) {
    std::vector<uint8_t> rgb(size_t(width) * size_t(rows) * 3);
    for (omfInt32 y = 0; y < rows; ++y) {
        for (omfInt32 x = 0; x < width; ++x) {
            uint8_t* pixel = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            const int lift = ((x + frame * 4) / 16 + y / 16) % 2 == 0 ? 48 : 0;
            pixel[0] = uint8_t(x * 160 / width + lift);
            pixel[1] = uint8_t(y * 160 / rows + lift);
            pixel[2] = uint8_t((x + y + frame * 8) % 160 + lift);
        }
    }
    return rgb;
}

double psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double squares = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        double d = double(a[i]) - double(b[i]);
        squares += d * d;
    }
    if (squares == 0) return 99.0;
    return 10.0 * std::log10(255.0 * 255.0 / (squares / double(a.size())));
}

// An image read by libtiff from bytes in memory (through a scratch file).
class LibtiffImage {
  public:
    LibtiffImage(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        tiff_ = TIFFOpen(path.c_str(), "r");
    }
    ~LibtiffImage() {
        if (tiff_ != nullptr) TIFFClose(tiff_);
    }
    LibtiffImage(const LibtiffImage&) = delete;
    LibtiffImage& operator=(const LibtiffImage&) = delete;

    TIFF* get() const { return tiff_; }

    uint32_t field(ttag_t tag) const {
        uint32_t value = 0;
        uint16_t shortValue = 0;
        if (tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH) {
            TIFFGetField(tiff_, tag, &value);
            return value;
        }
        TIFFGetField(tiff_, tag, &shortValue);
        return shortValue;
    }

    // The frame index libtiff finds in the private tag (as stored).
    std::vector<uint32_t> frameIndex() const {
        uint32_t count = 0;
        void* data = nullptr;
        if (TIFFGetField(tiff_, omf::codecs::tiff::kTagFrameIndex, &count, &data) != 1) return {};
        const auto* entries = static_cast<const uint32_t*>(data);
        return std::vector<uint32_t>(entries, entries + count);
    }

    // The first strip as libtiff decodes it, in RGB.
    std::vector<uint8_t> rgb() const {
        const uint32_t width = field(TIFFTAG_IMAGEWIDTH), height = field(TIFFTAG_IMAGELENGTH);
        std::vector<uint32_t> raster(size_t(width) * height);
        std::vector<uint8_t> rgb;
        if (TIFFReadRGBAImageOriented(tiff_, width, height, raster.data(), ORIENTATION_TOPLEFT,
                                      0) != 1)
            return rgb;
        for (uint32_t pixel : raster) {
            rgb.push_back(uint8_t(TIFFGetR(pixel)));
            rgb.push_back(uint8_t(TIFFGetG(pixel)));
            rgb.push_back(uint8_t(TIFFGetB(pixel)));
        }
        return rgb;
    }

  private:
    TIFF* tiff_ = nullptr;
};

// The image with its single strip pointed at bytes [start, start + size):
// libtiff reads one strip, so each frame is shown to it as the strip.
std::vector<uint8_t> withStrip(std::vector<uint8_t> image, uint32_t start, uint32_t size) {
    const uint32_t directory = kLittle.get32(&image[4]);
    const uint16_t count = kLittle.get16(&image[directory]);
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t* entry = &image[directory + 2 + 12 * i];
        if (kLittle.get16(entry) == omf::codecs::tiff::kTagStripOffsets)
            kLittle.put32(entry + 8, start);
        if (kLittle.get16(entry) == omf::codecs::tiff::kTagStripByteCounts)
            kLittle.put32(entry + 8, size);
    }
    return image;
}

// A JPEG image decoded by libjpeg from memory, as RGB.
std::vector<uint8_t> bareDecode(const std::vector<uint8_t>& image) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, image.data(), static_cast<unsigned long>(image.size()));
    std::vector<uint8_t> rgb;
    if (jpeg_read_header(&cinfo, TRUE) == JPEG_HEADER_OK) {
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        const size_t stride = size_t(cinfo.output_width) * 3;
        rgb.resize(stride * cinfo.output_height);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = rgb.data() + stride * cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    }
    jpeg_destroy_decompress(&cinfo);
    return rgb;
}

uint16_t directoryEntries(const std::vector<uint8_t>& image) {
    return kLittle.get16(&image[kLittle.get32(&image[4])]);
}

struct Written {
    std::vector<std::vector<uint8_t>> frames; // RGB, all fields of each frame
};

class TiffRoundTripTest : public omf_test::ToolkitTest {
  protected:
    void SetUp() override {
        ToolkitTest::SetUp();
        if (HasFatalFailure()) return;
        ASSERT_EQ(omfmInit(session_), 0);
        TIFFSetWarningHandler(nullptr); // the zero-denominator resolutions draw warnings
    }

    void TearDown() override {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        ToolkitTest::TearDown();
    }

    // New TIFF media in a new file of `revision`.
    omfMediaHdl_t createMedia(omfFileRev_t revision, omfInt32 width, omfInt32 height,
                              omfFrameLayout_t layout, omfErr_t expected = 0,
                              const char* codecID = "TIFF") {
        revision_ = revision;
        EXPECT_EQ(omfsNewFile(path("tiff.omf").c_str(), session_, revision, &file_), 0);
        omfObject_t master = nullptr, fileMob = nullptr;
        EXPECT_EQ(omfmCreateMasterMob(file_, "master", 6, &master), 0);
        EXPECT_EQ(omfiReadMobID(file_, master, &masterID_), 0);
        EXPECT_EQ(omfmCreateFileMob(file_, "frames", {25, 1}, codecID, &fileMob), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmCreateVideoMedia(file_, master, 1, fileMob, 0, {25, 1}, height, width, layout,
                                       {4, 3}, &media),
                  expected);
        return media;
    }

    omfMediaHdl_t reopenMedia(omfUInt32 rawTransfer = 0) {
        if (file_ != nullptr) {
            EXPECT_EQ(omfsCloseOMFFile(file_), 0);
        }
        file_ = nullptr;
        EXPECT_EQ(omfsOpenFileForRead(path("tiff.omf").c_str(), session_, &file_), 0);
        omfErr_t status = 0;
        EXPECT_TRUE(omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status));
        omfIterHdl_t iterator = nullptr;
        EXPECT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = masterID_;
        omfObject_t master = nullptr;
        EXPECT_EQ(omfiNextMatchingMob(iterator, &criteria, &master), 0);
        EXPECT_EQ(omfiSearchDispose(file_, iterator), 0);
        omfMediaHdl_t media = nullptr;
        EXPECT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenReadOnly, rawTransfer, &media),
                  0);
        return media;
    }

    // Tables of `percent` of the Annex K steps for luminance and chrominance.
    void putScaledTables(omfMediaHdl_t media, int percent) {
        const jpeg::TableSet tables = jpeg::scaledTables(percent);
        for (omfUInt32 component : {0u, 1u}) {
            omfJPEGTables_t record{};
            record.component = component;
            ASSERT_EQ(jpeg::recordFromTables(nullptr, tables, record), 0);
            EXPECT_EQ(omfmPutJPEGTables(media, sizeof record, &record), 0);
            std::free(record.quantTable);
            std::free(record.acTable);
            std::free(record.dcTable);
        }
    }

    Written writeFrames(omfMediaHdl_t media, omfInt32 width, omfInt32 rows, int count) {
        Written written;
        for (int i = 0; i < count; ++i) {
            written.frames.push_back(testPicture(width, rows, i));
            const std::vector<uint8_t>& frame = written.frames.back();
            EXPECT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())), 0);
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

    // The TIFF image of the media as stored.
    std::vector<uint8_t> storedImage(omfMediaHdl_t media) {
        const omfType_t type = revision_ == kOmfRev2x ? kOmfType_DataValue : kOmfType_VarLenBytes;
        omfInt64 length = 0;
        EXPECT_EQ(
            omfsValueLength(file_, media->dataObject, kOmfProperty_TIFF_ImageData, type, &length),
            0);
        std::vector<uint8_t> image(static_cast<size_t>(length));
        omfInt32 read = 0;
        EXPECT_EQ(omfsReadDataBytes(file_, media->dataObject, kOmfProperty_TIFF_ImageData, type, 0,
                                    omfInt32(length), image.data(), &read),
                  0);
        return image;
    }

    std::vector<uint8_t> summary(omfMediaHdl_t media) {
        const omfType_t type = revision_ == kOmfRev2x ? kOmfType_DataValue : kOmfType_VarLenBytes;
        omfInt64 length = 0;
        EXPECT_EQ(
            omfsValueLength(file_, media->descriptor, kOmfProperty_TIFD_Summary, type, &length), 0);
        std::vector<uint8_t> bytes(static_cast<size_t>(length));
        omfInt32 read = 0;
        EXPECT_EQ(omfsReadDataBytes(file_, media->descriptor, kOmfProperty_TIFD_Summary, type, 0,
                                    omfInt32(length), bytes.data(), &read),
                  0);
        return bytes;
    }

    omfInt32 frameSize(omfMediaHdl_t media, omfInt64 frame, omfErr_t expected = 0) {
        omfFrameSizeInfo_t info{picture_, frame, 0};
        EXPECT_EQ(omfmGetInfo(media, kMediaInfoFrameSize, picture_, sizeof info, &info), expected);
        return info.frameSize;
    }

    omfHdl_t file_ = nullptr;
    omfFileRev_t revision_ = kOmfRev2x;
    omfObject_t picture_ = nullptr;
    omfMobID_t masterID_{};
};

// ---- uncompressed ----------------------------------------------------------

TEST_F(TiffRoundTripTest, UncompressedFramesComeBackUnchangedInBothRevisions) {
    constexpr omfInt32 kWidth = 24, kRows = 10;
    struct Case {
        omfFileRev_t revision;
        omfFrameLayout_t layout;
        omfInt32 fields;
    } cases[] = {{kOmfRev1x, kOmfFullFrame, 1},
                 {kOmfRev2x, kOmfFullFrame, 1},
                 {kOmfRev1x, kOmfSeparateFields, 2},
                 {kOmfRev2x, kOmfOneField, 1}};
    for (const Case& test : cases) {
        SCOPED_TRACE(std::to_string(test.revision) + " layout " + std::to_string(test.layout));
        omfMediaHdl_t media = createMedia(test.revision, kWidth, kRows, test.layout);
        ASSERT_NE(media, nullptr);
        Written written = writeFrames(media, kWidth, kRows * test.fields, 3);
        ASSERT_EQ(omfmCloseMedia(media), 0);

        media = reopenMedia();
        ASSERT_NE(media, nullptr);
        omfInt64 count = 0;
        ASSERT_EQ(omfmCountSamples(media, &count), 0);
        EXPECT_EQ(count, 3);
        omfFrameLayout_t layout{};
        omfInt32 width = 0, height = 0;
        omfInt16 pixelSize = 0;
        ASSERT_EQ(omfmGetVideoFormat(media, &layout, &width, &height, nullptr, &pixelSize, nullptr),
                  0);
        EXPECT_EQ(layout, test.layout);
        EXPECT_EQ(width, kWidth);
        EXPECT_EQ(height, kRows);
        EXPECT_EQ(pixelSize, 24);
        const size_t frameBytes = written.frames[0].size();
        EXPECT_EQ(readFrame(media, 3, frameBytes), written.frames[2]);
        EXPECT_EQ(readFrame(media, 1, frameBytes), written.frames[0]);

        // 13 entries, one more for the rate of media of several frames.
        std::vector<uint8_t> image = storedImage(media);
        EXPECT_EQ(directoryEntries(image), 14);
        std::vector<uint8_t> stored = summary(media);
        ASSERT_GE(stored.size(), 10u);
        EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + 8),
                  (std::vector<uint8_t>{'I', 'I', 42, 0, 8, 0, 0, 0}));
        EXPECT_EQ(kLittle.get16(&stored[8]), 14);

        // libtiff reads the directory and every frame (as its strip).
        LibtiffImage libtiff(path("frames.tif"), image);
        ASSERT_NE(libtiff.get(), nullptr);
        EXPECT_EQ(libtiff.field(TIFFTAG_IMAGEWIDTH), uint32_t(kWidth));
        EXPECT_EQ(libtiff.field(TIFFTAG_IMAGELENGTH), uint32_t(kRows));
        EXPECT_EQ(libtiff.field(TIFFTAG_COMPRESSION), uint32_t(COMPRESSION_NONE));
        EXPECT_EQ(libtiff.field(TIFFTAG_PHOTOMETRIC), uint32_t(PHOTOMETRIC_RGB));
        const uint32_t fieldBytes = uint32_t(kWidth * kRows * 3);
        for (size_t f = 0; f < written.frames.size(); ++f) {
            for (omfInt32 field = 0; field < test.fields; ++field) {
                const uint32_t start = uint32_t(8 + f * frameBytes + size_t(field) * fieldBytes);
                LibtiffImage strip(path("frame.tif"), withStrip(image, start, fieldBytes));
                std::vector<uint8_t> expected(written.frames[f].begin() + field * fieldBytes,
                                              written.frames[f].begin() + (field + 1) * fieldBytes);
                EXPECT_EQ(strip.rgb(), expected) << "frame " << f + 1 << " field " << field;
            }
        }
        EXPECT_EQ(omfmCloseMedia(media), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_F(TiffRoundTripTest, OneFrameHasNoRateAndAMemoryFormatOfItsOwn) {
    omfMediaHdl_t media = createMedia(kOmfRev2x, 8, 4, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    Written written = writeFrames(media, 8, 4, 1);
    ASSERT_EQ(omfmCloseMedia(media), 0);
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(directoryEntries(storedImage(media)), 13);
    // Read as ARGB: alpha 0, then the stored components.
    omfFormatEntry_t list[4] = {
        int32Entry(kOmfPixelFormat, kOmfPixRGBA), lettersEntry(kOmfRGBCompLayout, "ARGB"),
        bytesEntry(kOmfRGBCompSizes, {8, 8, 8, 8}), omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetMemoryFormat(media, list), 0);
    std::vector<uint8_t> argb = readFrame(media, 1, 8 * 4 * 4);
    for (size_t pixel = 0; pixel < 8 * 4; ++pixel) {
        EXPECT_EQ(argb[4 * pixel], 0);
        EXPECT_EQ(argb[4 * pixel + 1], written.frames[0][3 * pixel]);
        EXPECT_EQ(argb[4 * pixel + 3], written.frames[0][3 * pixel + 2]);
    }
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

// ---- JPEG --------------------------------------------------------------------

TEST_F(TiffRoundTripTest, JpegFramesAtSeveralQualitiesStayWithinTheirError) {
    constexpr omfInt32 kWidth = 64, kRows = 32;
    struct Case {
        omfFileRev_t revision;
        omfFrameLayout_t layout;
        omfInt32 fields;
        int percent; // of the Annex K quantisation steps
        double minimumPsnr;
    } cases[] = {
        {kOmfRev1x, kOmfFullFrame, 1, 25, 44.0},       {kOmfRev2x, kOmfFullFrame, 1, 100, 36.0},
        {kOmfRev1x, kOmfFullFrame, 1, 400, 27.0},      {kOmfRev1x, kOmfSeparateFields, 2, 25, 45.0},
        {kOmfRev2x, kOmfSeparateFields, 2, 100, 36.0},
    };
    double previous = 100;
    for (const Case& test : cases) {
        SCOPED_TRACE(std::to_string(test.revision) + " fields " + std::to_string(test.fields) +
                     " at " + std::to_string(test.percent) + "%");
        omfMediaHdl_t media = createMedia(test.revision, kWidth, kRows, test.layout);
        ASSERT_NE(media, nullptr);
        putScaledTables(media, test.percent);
        Written written = writeFrames(media, kWidth, kRows * test.fields, 3);
        ASSERT_EQ(omfmCloseMedia(media), 0);

        media = reopenMedia();
        ASSERT_NE(media, nullptr);
        omfInt64 count = 0;
        ASSERT_EQ(omfmCountSamples(media, &count), 0);
        EXPECT_EQ(count, 3);
        const size_t frameBytes = written.frames[0].size();
        double worst = 100;
        std::vector<std::vector<uint8_t>> decoded;
        for (omfInt64 f = 1; f <= count; ++f) {
            decoded.push_back(readFrame(media, f, frameBytes));
            worst = std::min(worst, psnr(decoded.back(), written.frames[size_t(f - 1)]));
        }
        std::printf("TIFF JPEG %dx%d, %d field(s), tables at %d%%: PSNR %.2f dB\n", kWidth, kRows,
                    test.fields, test.percent, worst);
        EXPECT_GE(worst, test.minimumPsnr);
        if (test.fields == 1 && test.percent > 25) {
            EXPECT_LT(worst, previous);
        }
        if (test.fields == 1) previous = worst;

        // The tables are the ones written.
        omfJPEGTables_t record{};
        record.component = 0;
        ASSERT_EQ(omfmGetInfo(media, kMediaInfoJPEGTables, picture_, sizeof record, &record), 0);
        // As the image's 16-bit tables give them.
        ASSERT_EQ(record.quantLength, 128);
        uint16_t first = 0;
        std::memcpy(&first, record.quantTable, sizeof first);
        EXPECT_EQ(first, jpeg::scaledTables(test.percent).components[0].quant[0]);
        std::free(record.quantTable);
        std::free(record.acTable);
        std::free(record.dcTable);

        // Three frames make four index entries; frame sizes are their differences.
        std::vector<uint8_t> image = storedImage(media);
        EXPECT_EQ(directoryEntries(image), 21);
        LibtiffImage libtiff(path("frames.tif"), image);
        ASSERT_NE(libtiff.get(), nullptr);
        EXPECT_EQ(libtiff.field(TIFFTAG_COMPRESSION), uint32_t(COMPRESSION_OJPEG));
        EXPECT_EQ(libtiff.field(TIFFTAG_PHOTOMETRIC), uint32_t(PHOTOMETRIC_YCBCR));
        const std::vector<uint32_t> index = libtiff.frameIndex();
        ASSERT_EQ(index.size(), 4u);
        EXPECT_EQ(index[0], 0u); // the first frame follows the header
        omfInt32 largest = 0;
        for (size_t f = 0; f < 3; ++f) {
            const omfInt32 size = frameSize(media, omfInt64(f + 1));
            EXPECT_EQ(uint32_t(size), index[f + 1] - index[f]);
            EXPECT_EQ(size % 4, 0);
            largest = std::max(largest, size);
            // libtiff decodes each frame's first field like we do.
            LibtiffImage strip(path("frame.tif"), withStrip(image, index[f] + 8, uint32_t(size)));
            std::vector<uint8_t> theirs = strip.rgb();
            std::vector<uint8_t> ours(decoded[f].begin(), decoded[f].begin() + kWidth * kRows * 3);
            ASSERT_EQ(theirs.size(), ours.size()) << "frame " << f + 1;
            EXPECT_GE(psnr(theirs, ours), 35.0) << "frame " << f + 1;
        }
        frameSize(media, 4, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
        omfInt32 reported = 0;
        ASSERT_EQ(omfmGetLargestSampleSize(media, picture_, &reported), 0);
        EXPECT_EQ(reported, largest);
        // The summary keeps the picture entries: the JPEG tables and the index stay in the image.
        EXPECT_EQ(kLittle.get16(&summary(media)[8]), 15);
        EXPECT_EQ(omfmCloseMedia(media), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

TEST_F(TiffRoundTripTest, RawTransfersMoveOneStoredFrameAtATime) {
    omfMediaHdl_t media = createMedia(kOmfRev2x, 32, 16, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    putScaledTables(media, 50);
    writeFrames(media, 32, 16, 3);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = reopenMedia(1);
    ASSERT_NE(media, nullptr);
    std::vector<std::vector<uint8_t>> raw;
    for (omfInt64 f = 1; f <= 3; ++f) {
        std::vector<uint8_t> bytes(8192);
        ASSERT_EQ(omfmSetFrame(media, f), 0);
        omfInt32 read = 0;
        ASSERT_EQ(omfmReadChannelSamples(media, 1, omfInt32(bytes.size()), bytes.data(), &read), 0);
        EXPECT_EQ(read, frameSize(media, f));
        bytes.resize(size_t(read));
        // A JPEG image of its own, ending on a 4-byte boundary with FF D1.
        EXPECT_EQ(bytes[0], 0xFF);
        EXPECT_EQ(bytes[1], 0xD8);
        EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
        EXPECT_EQ(bytes[bytes.size() - 1], 0xD1);
        raw.push_back(bytes);
    }
    // Two samples asked: the first frame comes, then 40.
    std::vector<uint8_t> bytes(8192);
    ASSERT_EQ(omfmSetFrame(media, 1), 0);
    omfmMultiXfer_t transfer{1, 2, omfInt32(bytes.size()), bytes.data(), 0, 0};
    EXPECT_EQ(omfmReadMultiSamples(media, 1, &transfer), OM_ERR_ONE_SAMPLE_COMPRESSED_READ);
    EXPECT_EQ(transfer.samplesXfered, 1);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + transfer.bytesXfered), raw[0]);
    // A buffer one byte short of the frame.
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    omfInt32 read = 0;
    EXPECT_EQ(omfmReadChannelSamples(media, 1, omfInt32(raw[1].size() - 1), bytes.data(), &read),
              OM_ERR_SAMPLE_TOO_LARGE);
    EXPECT_EQ(omfmCloseMedia(media), 0);

    // libjpeg alone decodes a raw frame as the codec does.
    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(bareDecode(raw[1]), readFrame(media, 2, 32 * 16 * 3));
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TiffRoundTripTest, ResolutionRecordsSetTablesTableIDAndLeadingLines) {
    omf::codecs::avr::ResolutionRecord record{};
    std::strcpy(record.name, "AVR12");
    record.resolutionID = 52;
    record.factor = 90;
    record.width = 32;
    record.height525 = 16;
    record.height625 = 18;
    record.leadingLines525 = 13;
    record.leadingLines625 = 16;
    record.fields = 1;
    const jpeg::TableSet scaled = jpeg::scaledTables(record.factor);
    for (int c = 0; c < 3; ++c) {
        for (int i = 0; i < 64; ++i)
            record.quant8[c][i] = uint8_t(scaled.components[size_t(c)].quant[size_t(i)]);
    }
    omfMediaHdl_t media = createMedia(kOmfRev1x, record.width, record.height625, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    ASSERT_EQ(omfmSetCodecParameters(media, sizeof record, &record), 0);
    omfFormatEntry_t compressed = omfmFormatEntry(kOmfIsCompressed);
    omfFormatEntry_t list[2] = {compressed, omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoVideoFormat, picture_, sizeof list, list), 0);
    EXPECT_EQ(list[0].operand.byte, 1);
    writeFrames(media, record.width, record.height625, 1);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = reopenMedia();
    ASSERT_NE(media, nullptr);
    omfInt32 tableID = 0, leadingLines = 0;
    ASSERT_EQ(
        omfsReadInt32(file_, media->descriptor, kOmfProperty_TIFD_LeadingLines, &leadingLines), 0);
    EXPECT_EQ(leadingLines, 16);
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoCodecParams, picture_, sizeof tableID, &tableID), 0);
    EXPECT_EQ(tableID, 52);
    omfJPEGTables_t tables{};
    tables.component = 1;
    ASSERT_EQ(omfmGetInfo(media, kMediaInfoJPEGTables, picture_, sizeof tables, &tables), 0);
    ASSERT_EQ(tables.quantLength, 128);
    uint16_t sixth = 0;
    std::memcpy(&sixth, tables.quantTable + 2 * 5, sizeof sixth);
    EXPECT_EQ(sixth, record.quant8[1][5]);
    std::free(tables.quantTable);
    std::free(tables.acTable);
    std::free(tables.dcTable);
    // JPEG with tables and index, one frame: 20 entries.
    EXPECT_EQ(directoryEntries(storedImage(media)), 20);
    EXPECT_EQ(kLittle.get16(&summary(media)[8]), 14);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TiffRoundTripTest, MediaOpenedForAppendingGetsItsNewFramesAndANewDirectory) {
    for (bool jpegFrames : {false, true}) {
        SCOPED_TRACE(jpegFrames ? "JPEG" : "uncompressed");
        omfMediaHdl_t media = createMedia(kOmfRev2x, 16, 8, kOmfFullFrame);
        ASSERT_NE(media, nullptr);
        if (jpegFrames) putScaledTables(media, 25);
        Written written = writeFrames(media, 16, 8, 2);
        ASSERT_EQ(omfmCloseMedia(media), 0);

        // In the same session of the file, as files are only written when new.
        omfIterHdl_t iterator = nullptr;
        ASSERT_EQ(omfiMobOpenSearch(file_, &iterator), 0);
        omfSearchCrit_t criteria{};
        criteria.searchTag = kOmfByMobID;
        criteria.tags.mobID = masterID_;
        omfObject_t master = nullptr;
        ASSERT_EQ(omfiNextMatchingMob(iterator, &criteria, &master), 0);
        ASSERT_EQ(omfiSearchDispose(file_, iterator), 0);
        ASSERT_EQ(omfmOpenMedia(file_, master, 1, nullptr, kMediaOpenAppend, 0, &media), 0);
        written.frames.push_back(testPicture(16, 8, 7));
        ASSERT_EQ(omfmWriteMediaSamples(media, 1, written.frames.back().data(),
                                        omfInt32(written.frames.back().size())),
                  0);
        ASSERT_EQ(omfmCloseMedia(media), 0);

        media = reopenMedia();
        ASSERT_NE(media, nullptr);
        omfInt64 count = 0;
        ASSERT_EQ(omfmCountSamples(media, &count), 0);
        ASSERT_EQ(count, 3);
        for (omfInt64 f = 1; f <= 3; ++f) {
            std::vector<uint8_t> frame = readFrame(media, f, written.frames[0].size());
            if (jpegFrames) {
                EXPECT_GE(psnr(frame, written.frames[size_t(f - 1)]), 40.0) << "frame " << f;
            } else {
                EXPECT_EQ(frame, written.frames[size_t(f - 1)]) << "frame " << f;
            }
        }
        LibtiffImage libtiff(path("frames.tif"), storedImage(media));
        EXPECT_NE(libtiff.get(), nullptr);
        if (jpegFrames) {
            EXPECT_EQ(libtiff.frameIndex().size(), 4u);
        }
        EXPECT_EQ(omfmCloseMedia(media), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

// ---- varieties -----------------------------------------------------------------

// A variety fixes the compression for good: JPEG tables cannot make Uncompressed media JPEG,
// nor a file format without compression make JPEG media uncompressed.
TEST_F(TiffRoundTripTest, VarietiesFixTheCompressionOfNewMedia) {
    constexpr omfInt32 kWidth = 32, kRows = 16;
    const struct {
        const char* codecID;
        uint32_t compression; // as libtiff reads the stored image
    } cases[] = {{"TIFF:Uncompressed", COMPRESSION_NONE}, {"TIFF:JPEG", COMPRESSION_OJPEG}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.codecID);
        omfMediaHdl_t media = createMedia(kOmfRev1x, kWidth, kRows, kOmfFullFrame, 0, test.codecID);
        ASSERT_NE(media, nullptr);
        omfJPEGTables_t record{};
        ASSERT_EQ(jpeg::recordFromTables(nullptr, jpeg::scaledTables(50), record), 0);
        const bool jpegMedia = test.compression == COMPRESSION_OJPEG;
        EXPECT_EQ(omfmPutJPEGTables(media, sizeof record, &record),
                  jpegMedia ? 0 : OM_ERR_NONCONTIGUOUS_MEDIA);
        std::free(record.quantTable);
        std::free(record.acTable);
        std::free(record.dcTable);
        omfFormatEntry_t uncompressed[2] = {omfmFormatEntry(kOmfIsCompressed),
                                            omfmFormatEntry(kOmfVFmtEnd)};
        EXPECT_EQ(omfmSetFileFormat(media, uncompressed),
                  jpegMedia ? OM_ERR_NONCONTIGUOUS_MEDIA : 0);
        Written written = writeFrames(media, kWidth, kRows, 2);
        ASSERT_EQ(omfmCloseMedia(media), 0);

        media = reopenMedia();
        ASSERT_NE(media, nullptr);
        LibtiffImage libtiff(path("frames.tif"), storedImage(media));
        ASSERT_NE(libtiff.get(), nullptr);
        EXPECT_EQ(libtiff.field(TIFFTAG_COMPRESSION), test.compression);
        // Exact when uncompressed.
        EXPECT_GT(psnr(readFrame(media, 2, written.frames[1].size()), written.frames[1]),
                  jpegMedia ? 30.0 : 98.0);
        ASSERT_EQ(omfmCloseMedia(media), 0);
        ASSERT_EQ(omfsCloseOMFFile(file_), 0);
        file_ = nullptr;
    }
}

// ---- what cannot be written ----------------------------------------------------

TEST_F(TiffRoundTripTest, WhatATiffImageCannotHoldIsRefused) {
    // Mixed fields have no layout code.
    omfMediaHdl_t media =
        createMedia(kOmfRev2x, 8, 4, kOmfMixedFields, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT);
    EXPECT_EQ(media, nullptr);
    ASSERT_EQ(omfsCloseOMFFile(file_), 0);
    file_ = nullptr;

    media = createMedia(kOmfRev2x, 8, 4, kOmfFullFrame);
    ASSERT_NE(media, nullptr);
    omfFormatEntry_t alignment[2] = {int32Entry(kOmfAlignmentFactor, 512),
                                     omfmFormatEntry(kOmfVFmtEnd)};
    EXPECT_EQ(omfmSetFileFormat(media, alignment), OM_ERR_ILLEGAL_FILE_FORMAT);
    writeFrames(media, 8, 4, 1);
    // Frames of one compression only: JPEG tables after an uncompressed frame.
    omfJPEGTables_t record{};
    ASSERT_EQ(jpeg::recordFromTables(nullptr, jpeg::annexKTables(), record), 0);
    EXPECT_EQ(omfmPutJPEGTables(media, sizeof record, &record), OM_ERR_NONCONTIGUOUS_MEDIA);
    std::free(record.quantTable);
    std::free(record.acTable);
    std::free(record.dcTable);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

TEST_F(TiffRoundTripTest, RawJpegWritesTakeOneFrameAtATime) {
    omfMediaHdl_t media = nullptr;
    ASSERT_EQ(omfsNewFile(path("tiff.omf").c_str(), session_, kOmfRev2x, &file_), 0);
    omfObject_t master = nullptr, fileMob = nullptr;
    ASSERT_EQ(omfmCreateMasterMob(file_, "master", 6, &master), 0);
    ASSERT_EQ(omfiReadMobID(file_, master, &masterID_), 0);
    ASSERT_EQ(omfmCreateFileMob(file_, "frames", {25, 1}, "TIFF", &fileMob), 0);
    ASSERT_EQ(omfmCreateVideoMedia(file_, master, 1, fileMob, 1, {25, 1}, 16, 32, kOmfFullFrame,
                                   {4, 3}, &media),
              0);
    omfFormatEntry_t jpegFrames[2] = {bytesEntry(kOmfIsCompressed, {1}),
                                      omfmFormatEntry(kOmfVFmtEnd)};
    ASSERT_EQ(omfmSetFileFormat(media, jpegFrames), 0);
    std::vector<uint8_t> frame = {0xFF, 0xD8, 1, 2, 3, 4, 0xFF, 0xD1};
    EXPECT_EQ(omfmWriteMediaSamples(media, 2, frame.data(), omfInt32(frame.size())),
              OM_ERR_ONE_SAMPLE_COMPRESSED_WRITE);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())), 0);
    EXPECT_EQ(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())), 0);
    ASSERT_EQ(omfmCloseMedia(media), 0);

    media = reopenMedia(1);
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(frameSize(media, 1), 8);
    EXPECT_EQ(frameSize(media, 2), 8);
    std::vector<uint8_t> bytes(8);
    ASSERT_EQ(omfmSetFrame(media, 2), 0);
    omfInt32 read = 0;
    ASSERT_EQ(omfmReadChannelSamples(media, 1, 8, bytes.data(), &read), 0);
    EXPECT_EQ(bytes, frame);
    EXPECT_EQ(omfmCloseMedia(media), 0);
}

} // namespace
