// The TIFF codec reading images built entry by entry: byte orders, the
// directory entries it interprets and the codes it refuses them with, and
// hostile directories whose counts and offsets reach past the image, each
// beside a control that is read.
#include "tiff_image_fixture.h"

#include "omf/omf_error_codes.h"

#include <cstring>

using namespace tiff_test;
using namespace video_codec_test;

namespace {

constexpr ByteOrder kLittle{true};
constexpr ByteOrder kBig{false};
constexpr uint32_t kWidth = 4, kHeight = 2;
constexpr size_t kFrameBytes = kWidth * kHeight * 3;

class TiffCodecTest : public TiffImageTest {
  protected:
    std::vector<RawEntry> entries(const ByteOrder& order = kLittle) {
        return rgbEntries(order, kWidth, kHeight);
    }
    // Two uncompressed frames.
    std::vector<uint8_t> frames() { return counting(2 * kFrameBytes, 10); }

    omfInt32 largestFrame(omfMediaHdl_t media) {
        omfInt32 size = 0;
        EXPECT_EQ(largestSample(*codec_, media, picture_, &size), 0);
        return size;
    }
};

// ---- byte order and the frames ---------------------------------------------

TEST_F(TiffCodecTest, LittleAndBigEndianImagesDescribeTheSameFrames) {
    for (const ByteOrder& order : {kLittle, kBig}) {
        SCOPED_TRACE(order.little ? "II" : "MM");
        std::vector<uint8_t> image = tiffImage(order, entries(order), frames());
        EXPECT_EQ(image[0], order.little ? 'I' : 'M');
        auto media = handleWith(image, 2);
        ASSERT_EQ(openHandle(media.get()), 0);
        omfRect_t stored = storedRect(media.get());
        EXPECT_EQ(stored.xSize, omfInt32(kWidth));
        EXPECT_EQ(stored.ySize, omfInt32(kHeight));
        EXPECT_EQ(answerInt32(media.get(), kOmfFrameLayout), kOmfFullFrame);
        EXPECT_EQ(answerByte(media.get(), kOmfIsCompressed), 0);
        EXPECT_EQ(largestFrame(media.get()), omfInt32(kFrameBytes));
        // Frame 2 starts one frame after the first strip.
        std::vector<uint8_t> frame(kFrameBytes);
        ASSERT_EQ(setFrame(media.get(), 2), 0);
        ASSERT_EQ(readSamples(media.get(), 1, frame), 0);
        std::vector<uint8_t> all = frames();
        EXPECT_EQ(frame, std::vector<uint8_t>(all.begin() + kFrameBytes, all.end()));
        EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
    }
}

TEST_F(TiffCodecTest, PrivateTagsMakeSizesThirtyTwoBitInLittleEndianImagesOnly) {
    // A width of 70000 in a SHORT entry: read as 32 bits only beside the
    // private tags, and only where the 32-bit reading is the field's own.
    constexpr uint32_t kWide = 70000;
    auto wideEntries = [&](const ByteOrder& order, bool privateTags) {
        std::vector<RawEntry> list =
            with(entries(order), fieldEntry(order, tags::kTagImageWidth, tags::kTypeShort, 1, 0));
        order.put32(list[0].value.data(), kWide);
        if (order.little == false) order.put16(list[0].value.data(), uint16_t(kWide));
        if (privateTags) list.push_back(shorts(order, tags::kTagFrameLayout, {1}));
        return list;
    };
    struct Case {
        ByteOrder order;
        bool privateTags;
        omfInt32 width;
    } cases[] = {
        {kLittle, true, omfInt32(kWide)},
        {kLittle, false, omfInt32(kWide & 0xFFFF)},
        {kBig, true, omfInt32(kWide & 0xFFFF)},
        {kBig, false, omfInt32(kWide & 0xFFFF)},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.order.little ? "II" : "MM") +
                     (test.privateTags ? " with private tags" : ""));
        auto media = handleWith(tiffImage(test.order, wideEntries(test.order, test.privateTags)));
        ASSERT_EQ(openHandle(media.get()), 0);
        EXPECT_EQ(storedRect(media.get()).xSize, test.width);
        EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
    }
}

TEST_F(TiffCodecTest, VersionOtherThanFortyTwoOrAShortHeaderIsRefused) {
    std::vector<uint8_t> image = tiffImage(kLittle, entries(), frames());
    EXPECT_EQ(openResult(image), 0);
    std::vector<uint8_t> version = image;
    kLittle.put16(&version[2], 43);
    EXPECT_EQ(openResult(version), OM_ERR_TIFF_VERSION);
    EXPECT_EQ(openResult(std::vector<uint8_t>(image.begin(), image.begin() + 7)),
              OM_ERR_TIFF_VERSION);
    EXPECT_EQ(openResult({}), OM_ERR_TIFF_VERSION);
}

// ---- directory entries -----------------------------------------------------

TEST_F(TiffCodecTest, CompressionCodesChooseUncompressedOrJpegFrames) {
    struct Case {
        RawEntry entry;
        omfErr_t status;
        omfUInt8 compressed;
    } cases[] = {
        {shorts(kLittle, tags::kTagCompression, {1}), 0, 0},
        {longs(kLittle, tags::kTagCompression, {65536}), 0, 0},
        {shorts(kLittle, tags::kTagCompression, {6}), 0, 1}, // JPEG without JPEGProc reads
        {shorts(kLittle, tags::kTagCompression, {7}), 0, 1},
        {shorts(kLittle, tags::kTagCompression, {5}), OM_ERR_UNKNOWN_FILE_COMPRESSION, 0},
        {shorts(kLittle, tags::kTagCompression, {2}), OM_ERR_UNKNOWN_FILE_COMPRESSION, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.entry.value[0] + 256 * test.entry.value[1] +
                     65536 * (test.entry.value.size() > 2 ? test.entry.value[2] : 0));
        auto media = handleWith(tiffImage(kLittle, with(entries(), test.entry), frames()));
        ASSERT_EQ(openHandle(media.get()), test.status);
        if (test.status != 0) continue;
        EXPECT_EQ(answerByte(media.get(), kOmfIsCompressed), test.compressed);
        EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
    }
}

TEST_F(TiffCodecTest, JpegProcIsBaselineAndOnlyBesideCompressionSix) {
    RawEntry jpeg = shorts(kLittle, tags::kTagCompression, {6});
    RawEntry none = shorts(kLittle, tags::kTagCompression, {1});
    RawEntry baseline = shorts(kLittle, tags::kTagJpegProc, {1});
    RawEntry lossless = shorts(kLittle, tags::kTagJpegProc, {14});
    EXPECT_EQ(openResult(tiffImage(kLittle, with(with(entries(), jpeg), baseline))), 0);
    EXPECT_EQ(openResult(tiffImage(kLittle, with(with(entries(), none), baseline))),
              OM_ERR_JPEG_FIELDS_NOT_JPEG);
    EXPECT_EQ(openResult(tiffImage(kLittle, with(with(entries(), jpeg), lossless))),
              OM_ERR_BASELINE_JPEG_ONLY);
    // JPEGProc is judged against the compression whatever order they come in.
    std::vector<uint8_t> image = tiffImage(kLittle, with(with(entries(), jpeg), baseline));
    std::vector<uint8_t> swapped = image;
    const size_t entriesAt = kLittle.get32(&image[4]) + 2;
    const size_t compressionAt = entriesAt + 3 * 12, procAt = entriesAt + 7 * 12;
    ASSERT_EQ(kLittle.get16(&image[compressionAt]), tags::kTagCompression);
    ASSERT_EQ(kLittle.get16(&image[procAt]), tags::kTagJpegProc);
    std::swap_ranges(swapped.begin() + compressionAt, swapped.begin() + compressionAt + 12,
                     swapped.begin() + procAt);
    EXPECT_EQ(openResult(swapped), 0);
}

TEST_F(TiffCodecTest, BitsPerSampleMustBeThreeComponentsOfEightBits) {
    EXPECT_EQ(openResult(tiffImage(kLittle, entries())), 0);
    EXPECT_EQ(openResult(tiffImage(kLittle, with(entries(), shorts(kLittle, tags::kTagBitsPerSample,
                                                                   {8, 8, 8, 8})))),
              OM_ERR_3_COMPONENT_VIDEO_ONLY);
    EXPECT_EQ(openResult(tiffImage(
                  kLittle, with(entries(), shorts(kLittle, tags::kTagBitsPerSample, {8, 8})))),
              OM_ERR_3_COMPONENT_VIDEO_ONLY);
    EXPECT_EQ(openResult(tiffImage(
                  kLittle, with(entries(), shorts(kLittle, tags::kTagBitsPerSample, {8, 8, 16})))),
              OM_ERR_24BIT_VIDEO_ONLY);
}

TEST_F(TiffCodecTest, LayoutCodesGiveTheirFrameLayouts) {
    struct Case {
        uint16_t code;
        omfErr_t status;
        omfInt32 layout;
        omfInt32 fields;
    } cases[] = {
        {1, 0, kOmfFullFrame, 1},
        {2, 0, kOmfOneField, 1},
        {4, 0, kOmfSeparateFields, 2},
        {3, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT, 0, 0},
        {0, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT, 0, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.code);
        auto media = handleWith(tiffImage(
            kLittle, with(entries(), shorts(kLittle, tags::kTagFrameLayout, {test.code}))));
        ASSERT_EQ(openHandle(media.get()), test.status);
        if (test.status != 0) continue;
        EXPECT_EQ(answerInt32(media.get(), kOmfFrameLayout), test.layout);
        // Separated fields hold two fields of the stored height per frame.
        EXPECT_EQ(largestFrame(media.get()), omfInt32(kFrameBytes) * test.fields);
        EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
    }
}

TEST_F(TiffCodecTest, EntriesWithoutValuesAndSizesBeyondThirtyOneBitsAreRefused) {
    EXPECT_EQ(
        openResult(tiffImage(kLittle, with(entries(), fieldEntry(kLittle, tags::kTagImageWidth,
                                                                 tags::kTypeLong, 0, 4)))),
        OM_ERR_TIFF_COUNT);
    EXPECT_EQ(
        openResult(tiffImage(kLittle, with(entries(), fieldEntry(kLittle, tags::kTagStripOffsets,
                                                                 tags::kTypeLong, 0, 8)))),
        OM_ERR_TIFF_COUNT);
    EXPECT_EQ(openResult(tiffImage(
                  kLittle, with(entries(), longs(kLittle, tags::kTagImageWidth, {0x7FFFFFFF})))),
              OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT); // a frame larger than a transfer
    EXPECT_EQ(openResult(tiffImage(
                  kLittle, with(entries(), longs(kLittle, tags::kTagImageWidth, {0x80000000})))),
              OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
}

TEST_F(TiffCodecTest, StripOffsetsOfSeveralStripsGiveTheFirst) {
    // Two strip offsets do not fit the entry: they lie in the data.
    std::vector<uint8_t> data = frames();
    const uint32_t listAt = uint32_t(tags::kHeaderBytes + data.size());
    data.resize(data.size() + 8);
    kLittle.put32(&data[listAt - 8], uint32_t(tags::kHeaderBytes + kFrameBytes));
    kLittle.put32(&data[listAt - 8 + 4], 0);
    auto media = handleWith(tiffImage(
        kLittle,
        with(entries(), fieldEntry(kLittle, tags::kTagStripOffsets, tags::kTypeLong, 2, listAt)),
        data));
    ASSERT_EQ(openHandle(media.get()), 0);
    std::vector<uint8_t> frame(kFrameBytes);
    ASSERT_EQ(setFrame(media.get(), 1), 0);
    ASSERT_EQ(readSamples(media.get(), 1, frame), 0);
    EXPECT_EQ(frame,
              std::vector<uint8_t>(data.begin() + kFrameBytes, data.begin() + 2 * kFrameBytes));
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

// ---- hostile directories ---------------------------------------------------

TEST_F(TiffCodecTest, TheDirectoryMustLieInTheImage) {
    // Entries whose values all sit in the entries: the directory ends the
    // image with its 4-byte next-directory offset, which is not read.
    std::vector<RawEntry> inline_ = {longs(kLittle, tags::kTagImageWidth, {kWidth}),
                                     longs(kLittle, tags::kTagImageLength, {kHeight})};
    std::vector<uint8_t> image = tiffImage(kLittle, inline_, frames());
    std::vector<uint8_t> exact(image.begin(), image.end() - 4);
    EXPECT_EQ(openResult(exact), 0);
    std::vector<uint8_t> short_(image.begin(), image.end() - 5);
    EXPECT_EQ(openResult(short_), OM_ERR_READ_PAST_END);

    // The count itself at the last two bytes, and one byte further.
    std::vector<uint8_t> countAtEnd = image;
    kLittle.put32(&countAtEnd[4], uint32_t(countAtEnd.size() - 2));
    countAtEnd[countAtEnd.size() - 2] = countAtEnd[countAtEnd.size() - 1] = 0; // no entries
    EXPECT_EQ(openResult(countAtEnd), 0);
    kLittle.put32(&countAtEnd[4], uint32_t(countAtEnd.size() - 1));
    EXPECT_EQ(openResult(countAtEnd), OM_ERR_READ_PAST_END);
    kLittle.put32(&countAtEnd[4], 0xFFFFFFFF);
    EXPECT_EQ(openResult(countAtEnd), OM_ERR_READ_PAST_END);

    // 65535 entries announced in a short image.
    std::vector<uint8_t> many = image;
    kLittle.put16(&many[kLittle.get32(&many[4])], 0xFFFF);
    EXPECT_EQ(openResult(many), OM_ERR_READ_PAST_END);
}

TEST_F(TiffCodecTest, ValuesOutsideTheImageAreRefused) {
    std::vector<uint8_t> data = frames();
    data.insert(data.end(), {8, 0, 8, 0, 8, 0});
    auto image = [&](uint32_t offset) {
        return tiffImage(kLittle,
                         with(entries(), fieldEntry(kLittle, tags::kTagBitsPerSample,
                                                    tags::kTypeShort, 3, offset)),
                         data);
    };
    EXPECT_EQ(openResult(image(uint32_t(tags::kHeaderBytes + kFrameBytes * 2))), 0);
    // The last six bytes of the image are read (and are not 8, 8, 8); one
    // byte further is outside it.
    const uint32_t size = uint32_t(image(0).size());
    EXPECT_EQ(openResult(image(size - 6)), OM_ERR_24BIT_VIDEO_ONLY);
    EXPECT_EQ(openResult(image(size - 5)), OM_ERR_READ_PAST_END);
    EXPECT_EQ(openResult(image(0xFFFFFFFE)), OM_ERR_READ_PAST_END);
}

TEST_F(TiffCodecTest, TablesOutsideTheImageAreRefusedByKind) {
    // Three quantisation tables and a Huffman table of 16 zero counts, then
    // the offset lists of the three table tags and one spare list.
    std::vector<uint8_t> data(3 * 64 + 16, 1);
    std::fill(data.end() - 16, data.end(), 0);
    const uint32_t quantAt = uint32_t(tags::kHeaderBytes);
    const uint32_t huffmanAt = uint32_t(tags::kHeaderBytes + 3 * 64);
    auto addList = [&](uint32_t a, uint32_t b, uint32_t c) {
        const uint32_t at = uint32_t(tags::kHeaderBytes + data.size());
        data.resize(data.size() + 12);
        for (uint32_t i = 0; i < 3; ++i)
            kLittle.put32(&data[at - tags::kHeaderBytes + 4 * i], i == 0 ? a : i == 1 ? b : c);
        return at;
    };
    const uint32_t quantList = addList(quantAt, quantAt + 64, quantAt + 128);
    const uint32_t huffmanList = addList(huffmanAt, huffmanAt, huffmanAt);
    const uint32_t spareList = addList(quantAt, quantAt, quantAt);
    auto image = [&](uint32_t quant, uint32_t dc, uint32_t ac) {
        std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
        list.push_back(fieldEntry(kLittle, tags::kTagJpegQTables, tags::kTypeLong, 3, quant));
        list.push_back(fieldEntry(kLittle, tags::kTagJpegDcTables, tags::kTypeLong, 3, dc));
        list.push_back(fieldEntry(kLittle, tags::kTagJpegAcTables, tags::kTypeLong, 3, ac));
        return tiffImage(kLittle, list, data);
    };
    EXPECT_EQ(openResult(image(quantList, huffmanList, huffmanList)), 0);
    // A last quantisation table ending with the image, then one byte past it.
    const uint32_t size = uint32_t(image(quantList, huffmanList, huffmanList).size());
    kLittle.put32(&data[spareList - tags::kHeaderBytes + 8], size - 64);
    EXPECT_EQ(openResult(image(spareList, huffmanList, huffmanList)), 0);
    kLittle.put32(&data[spareList - tags::kHeaderBytes + 8], size - 63);
    EXPECT_EQ(openResult(image(spareList, huffmanList, huffmanList)), OM_ERR_BAD_JPEG_QUANT_TABLE);
    // Huffman tables past the image, and offset lists past it.
    kLittle.put32(&data[spareList - tags::kHeaderBytes + 8], 0xFFFFFF00);
    EXPECT_EQ(openResult(image(quantList, spareList, huffmanList)), OM_ERR_BAD_JPEG_DC_TABLE);
    EXPECT_EQ(openResult(image(quantList, huffmanList, spareList)), OM_ERR_BAD_JPEG_AC_TABLE);
    EXPECT_EQ(openResult(image(0xFFFFFFF0, huffmanList, huffmanList)), OM_ERR_BAD_JPEG_QUANT_TABLE);
}

TEST_F(TiffCodecTest, HuffmanCountsPromisingMoreSymbolsThanTheImageHoldsAreRefused) {
    std::vector<uint8_t> data(16, 0);
    data[0] = 1; // one code of length 1: one symbol follows the counts
    data.push_back(0);
    const uint32_t tableAt = uint32_t(tags::kHeaderBytes);
    auto image = [&](uint8_t firstCount) {
        std::vector<uint8_t> bytes = data;
        bytes[0] = firstCount;
        std::vector<uint8_t> offsets(12);
        for (int i = 0; i < 3; ++i)
            kLittle.put32(&offsets[size_t(4 * i)], tableAt);
        const uint32_t listAt = uint32_t(tags::kHeaderBytes + bytes.size());
        bytes.insert(bytes.end(), offsets.begin(), offsets.end());
        std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
        list.push_back(fieldEntry(kLittle, tags::kTagJpegDcTables, tags::kTypeLong, 3, listAt));
        return tiffImage(kLittle, list, bytes);
    };
    EXPECT_EQ(openResult(image(1)), 0);
    EXPECT_EQ(openResult(image(255)), OM_ERR_BAD_JPEG_DC_TABLE);
}

TEST_F(TiffCodecTest, TableTagsNeedThreeTables) {
    std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
    list.push_back(fieldEntry(kLittle, tags::kTagJpegQTables, tags::kTypeLong, 2, 8));
    EXPECT_EQ(openResult(tiffImage(kLittle, list, frames())), OM_ERR_3_COMPONENT_VIDEO_ONLY);
    list.back() = fieldEntry(kLittle, tags::kTagQuant16Tables, tags::kTypeLong, 4, 8);
    EXPECT_EQ(openResult(tiffImage(kLittle, list, frames())), OM_ERR_3_COMPONENT_VIDEO_ONLY);
}

TEST_F(TiffCodecTest, FrameIndexCountsAreCheckedBeforeAnythingIsAllocated) {
    std::vector<uint8_t> data = frames();
    std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
    // Three offsets at the start of the data (from byte 8: 0, 8, 16).
    data[0] = 0, data[1] = data[2] = data[3] = 0;
    kLittle.put32(&data[4], 8);
    kLittle.put32(&data[8], 16);
    list.push_back(fieldEntry(kLittle, tags::kTagFrameIndex, tags::kTypeLong, 3, 8));
    auto media = handleWith(tiffImage(kLittle, list, data), 2);
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(largestFrame(media.get()), 8);
    EXPECT_EQ(setFrame(media.get(), 3), 0); // where a third frame would start
    EXPECT_EQ(setFrame(media.get(), 4), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);

    list.back() = fieldEntry(kLittle, tags::kTagFrameIndex, tags::kTypeLong, 0xFFFFFFFF, 8);
    EXPECT_EQ(openResult(tiffImage(kLittle, list, data)), OM_ERR_READ_PAST_END);
    list.back() = fieldEntry(kLittle, tags::kTagFrameIndex, tags::kTypeLong, 0, 8);
    EXPECT_EQ(openResult(tiffImage(kLittle, list, data)), OM_ERR_TIFF_COUNT);
}

TEST_F(TiffCodecTest, JpegFramesWithoutAnIndexOrOutsideItAreNotRead) {
    std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
    auto media = handleWith(tiffImage(kLittle, list, frames()));
    ASSERT_EQ(openHandle(media.get()), 0);
    std::vector<uint8_t> frame(kFrameBytes);
    EXPECT_EQ(readSamples(media.get(), 1, frame), OM_ERR_NO_JPEG_FRAME_INDEX);
    EXPECT_EQ(setFrame(media.get(), 1), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);

    // An index whose one frame is not a JPEG image fails to decompress.
    list.push_back(longs(kLittle, tags::kTagFrameIndex, {0, 24}));
    media = handleWith(tiffImage(kLittle, list, frames()));
    ASSERT_EQ(openHandle(media.get()), 0);
    EXPECT_EQ(readSamples(media.get(), 1, frame), OM_ERR_DECOMPRESS_FAILED);
    EXPECT_EQ(setFrame(media.get(), 2), 0);
    EXPECT_EQ(readSamples(media.get(), 1, frame), OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
}

TEST_F(TiffCodecTest, SixteenBitTablesOfTheDescriptorMustBeThreeWholeTables) {
    omfProperty_t tables = registered("FP16QTables", "TIFD", kOmfType_DataValue);
    std::vector<RawEntry> list = with(entries(), shorts(kLittle, tags::kTagCompression, {6}));
    std::vector<uint8_t> image = tiffImage(kLittle, list, frames());
    for (size_t size : {size_t(384), size_t(383)}) {
        SCOPED_TRACE(size);
        auto media = handleWith(image);
        std::vector<uint8_t> bytes(size, 1);
        ASSERT_EQ(omfsWriteDataBytes(file_, media->descriptor, tables, kOmfType_DataValue, 0,
                                     omfInt32(bytes.size()), bytes.data()),
                  0);
        omfErr_t status = openHandle(media.get());
        EXPECT_EQ(status, size == 384 ? 0 : OM_ERR_BAD_JPEG_QUANT_TABLE);
        if (status == 0) {
            EXPECT_EQ(closeHandle(*codec_, media.get()), 0);
        }
    }
}

// ---- what the codec says about itself ---------------------------------------

TEST_F(TiffCodecTest, DescribesItselfForEveryRevisionWithTiffData) {
    omfCodecParms_t parms{};
    char name[64] = {};
    parms.spc.describe.name = name;
    parms.spc.describe.nameLength = sizeof name;
    ASSERT_EQ(omf::codecs::tiffCodec(kCodecDescribe, &parms), 0);
    EXPECT_STREQ(name, "TIFF Codec (1.5 Compatability)");
    const omfCodecMetaInfo_t& info = parms.spc.describe.info;
    EXPECT_STREQ(info.descriptorClass, "TIFD");
    EXPECT_STREQ(info.dataClass, "TIFF");
    EXPECT_STREQ(info.codecID, "TIFF");
    EXPECT_EQ(info.minFileRevision, kOmfRev1x);
    EXPECT_FALSE(info.hasMaxFileRevision);

    omfObject_t descriptor = nullptr;
    ASSERT_EQ(omfsObjectNew(file_, "TIFD", &descriptor), 0);
    omfCodecDef_t chosen{};
    ASSERT_EQ(omfmChooseCodec(file_, descriptor, &chosen), 0);
    EXPECT_EQ(chosen.entry, omf::codecs::tiffCodec);
}

} // namespace
