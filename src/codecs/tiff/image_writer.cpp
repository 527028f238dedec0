// Building the directory of a TIFF image we write.
#include "tiff/image_writer.h"

#include "tiff/directory_builder.h"
#include "tiff/tiff_tags.h"

#include <algorithm>
#include <array>

namespace omf::codecs::tiff {

namespace {

using Offsets = std::array<uint32_t, jpeg::kComponents>;

// The entries the image and the summary share.
void addPictureEntries(DirectoryBuilder& builder, const DirectoryContents& contents) {
    const bool jpeg = contents.compression == Compression::jpeg;
    builder.addLong(kTagImageWidth, contents.width);
    builder.addLong(kTagImageLength, contents.height);
    builder.addShorts(kTagBitsPerSample, {kBitsPerSample, kBitsPerSample, kBitsPerSample});
    builder.addShorts(kTagCompression, {uint16_t(jpeg ? kCompressionJpeg : kCompressionNone)});
    builder.addShorts(kTagPhotometric, {jpeg ? kPhotometricYCbCr : kPhotometricRgb});
    builder.addLong(kTagStripOffsets, contents.firstStrip);
    builder.addShorts(kTagSamplesPerPixel, {uint16_t(kSamplesPerPixel)});
    builder.addLong(kTagRowsPerStrip, contents.height);
    builder.addLong(kTagStripByteCounts, contents.stripBytes);
    builder.addRational(kTagXResolution, kXResolutionNumerator, kResolutionDenominator);
    builder.addRational(kTagYResolution, kYResolutionNumerator, kResolutionDenominator);
    builder.addShorts(kTagResolutionUnit, {kResolutionUnitInch});
    if (jpeg) builder.addShorts(kTagYCbCrSubSampling, {kYCbCrSubSampling[0], kYCbCrSubSampling[1]});
    builder.addShorts(kTagFrameLayout, {uint16_t(contents.layoutCode)});
    if (contents.writeRate) {
        builder.addRational(kTagSampleRate, uint32_t(contents.rate.numerator),
                            uint32_t(contents.rate.denominator));
    }
}

// Quantisation tables of one-byte entries (larger entries are clamped; the
// 16-bit tables keep them whole).
Offsets addQuantTables(DirectoryBuilder& builder, const jpeg::TableSet& tables) {
    Offsets offsets{};
    for (size_t c = 0; c < offsets.size(); ++c) {
        uint8_t table[jpeg::kQuant8Bytes];
        const auto& quant = tables.components[c].quant;
        for (int i = 0; i < jpeg::kQuantEntries; ++i)
            table[i] = uint8_t(std::min<uint16_t>(quant[size_t(i)], 255));
        offsets[c] = uint32_t(builder.addBlock(table));
    }
    return offsets;
}

Offsets addQuant16Tables(DirectoryBuilder& builder, const jpeg::TableSet& tables) {
    Offsets offsets{};
    for (size_t c = 0; c < offsets.size(); ++c) {
        uint8_t table[jpeg::kQuant16Bytes];
        for (int i = 0; i < jpeg::kQuantEntries; ++i)
            builder.order().put16(table + 2 * i, tables.components[c].quant[size_t(i)]);
        offsets[c] = uint32_t(builder.addBlock(table));
    }
    return offsets;
}

// Huffman tables: the 16 counts and as many symbols as they add up to.
Offsets addHuffmanTables(DirectoryBuilder& builder, const jpeg::TableSet& tables, bool ac) {
    Offsets offsets{};
    for (size_t c = 0; c < offsets.size(); ++c) {
        const std::vector<uint8_t>& table = ac ? tables.components[c].ac : tables.components[c].dc;
        size_t symbols = 0;
        for (size_t i = 0; i < std::min<size_t>(table.size(), jpeg::kHuffmanCounts); ++i)
            symbols += table[i];
        size_t bytes = std::min(table.size(), size_t(jpeg::kHuffmanCounts) + symbols);
        offsets[c] = uint32_t(builder.addBlock(std::span<const uint8_t>(table.data(), bytes)));
    }
    return offsets;
}

} // namespace

std::vector<uint8_t> imageDirectoryBytes(const DirectoryContents& contents, const ByteOrder& order,
                                         int64_t base, int64_t* directoryOffset) {
    DirectoryBuilder builder(base, order);
    addPictureEntries(builder, contents);
    if (contents.compression == Compression::jpeg && contents.tables != nullptr) {
        const jpeg::TableSet& tables = *contents.tables;
        const Offsets quant = addQuantTables(builder, tables);
        const Offsets dc = addHuffmanTables(builder, tables, false);
        const Offsets ac = addHuffmanTables(builder, tables, true);
        const Offsets quant16 = addQuant16Tables(builder, tables);
        builder.addShorts(kTagJpegProc, {uint16_t(kJpegProcBaseline)});
        builder.addLongs(kTagJpegQTables, quant);
        builder.addLongs(kTagJpegDcTables, dc);
        builder.addLongs(kTagJpegAcTables, ac);
        builder.addLongs(kTagFrameIndex, contents.frameIndex);
        builder.addLongs(kTagQuant16Tables, quant16);
    }
    return builder.finish(directoryOffset);
}

std::vector<uint8_t> summaryBytes(const DirectoryContents& contents, const ByteOrder& order) {
    DirectoryBuilder builder(kHeaderBytes, order);
    addPictureEntries(builder, contents);
    int64_t directoryOffset = 0;
    std::vector<uint8_t> directory = builder.finish(&directoryOffset);
    std::vector<uint8_t> summary = headerBytes(order, uint32_t(directoryOffset));
    summary.insert(summary.end(), directory.begin(), directory.end());
    return summary;
}

} // namespace omf::codecs::tiff
