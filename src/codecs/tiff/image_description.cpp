// Interpreting a TIFF image's directory.
#include "tiff/image_description.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "tiff/directory_reader.h"
#include "tiff/tiff_tags.h"

#include <algorithm>

namespace omf::codecs::tiff {

namespace {

constexpr uint32_t kTableCount = 3; // one table per component

bool isPrivateTag(uint16_t tag) {
    return tag >= kFirstPrivateTag && tag <= kLastPrivateTag;
}

class DescriptionReader {
  public:
    DescriptionReader(omfHdl_t file, DirectoryReader& reader, ImageDescription& image)
        : file_(file), reader_(reader), image_(image) {}

    omfErr_t visit(const std::vector<DirectoryEntry>& entries);

  private:
    omfErr_t visitEntry(const DirectoryEntry& entry);
    omfErr_t firstValue(const DirectoryEntry& entry, uint32_t* value) const;
    omfErr_t singleValue(const DirectoryEntry& entry, uint32_t* value) const;
    omfErr_t tableOffsets(const DirectoryEntry& entry, omfErr_t outside,
                          std::vector<uint32_t>* offsets) const;
    omfErr_t readCompression(const DirectoryEntry& entry);
    omfErr_t readBitsPerSample(const DirectoryEntry& entry) const;
    omfErr_t readQuantTables(const DirectoryEntry& entry);
    omfErr_t readHuffmanTables(const DirectoryEntry& entry, bool ac);
    omfErr_t readQuant16Tables(const DirectoryEntry& entry);
    omfErr_t readFrameIndex(const DirectoryEntry& entry);
    omfErr_t readLayout(const DirectoryEntry& entry);

    omfHdl_t file_;
    DirectoryReader& reader_;
    ImageDescription& image_;
    bool sizesAre32Bit_ = false;
    bool jpegProcSeen_ = false;
    uint32_t jpegProc_ = 0;
    uint32_t compression_ = kCompressionNone;
    // 16-bit tables override the 8-bit ones, whatever order the entries come in.
    bool quant16Seen_ = false;
    std::array<std::array<uint16_t, jpeg::kQuantEntries>, jpeg::kComponents> quant16_{};
};

omfErr_t DescriptionReader::visit(const std::vector<DirectoryEntry>& entries) {
    // In little-endian images, writers of the private tags stored these
    // values as 32-bit numbers whatever type the entry names. In big-endian
    // images a 16-bit value fills the first two bytes of the field, so the
    // type is kept there.
    sizesAre32Bit_ = image_.order.little &&
                     std::any_of(entries.begin(), entries.end(), [](const DirectoryEntry& entry) {
                         return isPrivateTag(entry.tag);
                     });
    for (const DirectoryEntry& entry : entries)
        OMF_CHECK(file_, visitEntry(entry));
    if (jpegProcSeen_) {
        if (compression_ != kCompressionJpeg) OMF_RAISE(file_, OM_ERR_JPEG_FIELDS_NOT_JPEG);
        if (jpegProc_ != kJpegProcBaseline) OMF_RAISE(file_, OM_ERR_BASELINE_JPEG_ONLY);
    }
    if (quant16Seen_) {
        for (size_t c = 0; c < quant16_.size(); ++c) {
            image_.tables.components[c].quant = quant16_[c];
            image_.tables.components[c].quant16 = true;
        }
    }
    return 0;
}

omfErr_t DescriptionReader::visitEntry(const DirectoryEntry& entry) {
    switch (entry.tag) {
    case kTagImageWidth:
        return singleValue(entry, &image_.width);
    case kTagImageLength:
        return singleValue(entry, &image_.height);
    case kTagBitsPerSample:
        return readBitsPerSample(entry);
    case kTagCompression:
        return readCompression(entry);
    case kTagPhotometric:
        return singleValue(entry, &image_.photometric);
    case kTagStripOffsets:
        return singleValue(entry, &image_.firstStrip);
    case kTagJpegProc:
        jpegProcSeen_ = true;
        return firstValue(entry, &jpegProc_);
    case kTagJpegQTables:
        return readQuantTables(entry);
    case kTagJpegDcTables:
        return readHuffmanTables(entry, false);
    case kTagJpegAcTables:
        return readHuffmanTables(entry, true);
    case kTagFrameIndex:
        return readFrameIndex(entry);
    case kTagFrameLayout:
        return readLayout(entry);
    case kTagQuant16Tables:
        return readQuant16Tables(entry);
    default:
        return 0; // other tags say nothing the codec uses
    }
}

omfErr_t DescriptionReader::firstValue(const DirectoryEntry& entry, uint32_t* value) const {
    if (entry.count == 0) OMF_RAISE(file_, OM_ERR_TIFF_COUNT);
    OMF_CHECK(file_, reader_.element(entry, 0, DirectoryReader::elementWidth(entry), value,
                                     OM_ERR_READ_PAST_END));
    return 0;
}

// Size, compression, photometric and strip values.
omfErr_t DescriptionReader::singleValue(const DirectoryEntry& entry, uint32_t* value) const {
    if (entry.count == 0) OMF_RAISE(file_, OM_ERR_TIFF_COUNT);
    if (sizesAre32Bit_ && entry.count == 1) {
        *value = reader_.order().get32(entry.field.data());
        return 0;
    }
    OMF_CHECK(file_, firstValue(entry, value));
    return 0;
}

omfErr_t DescriptionReader::readCompression(const DirectoryEntry& entry) {
    OMF_CHECK(file_, singleValue(entry, &compression_));
    switch (compression_) {
    case kCompressionNone:
    case kCompressionNoneAlternate:
        image_.compression = Compression::none;
        return 0;
    case kCompressionJpeg:
    case kCompressionJpegAlternate:
        image_.compression = Compression::jpeg;
        return 0;
    default:
        OMF_RAISE(file_, OM_ERR_UNKNOWN_FILE_COMPRESSION);
    }
}

omfErr_t DescriptionReader::readBitsPerSample(const DirectoryEntry& entry) const {
    if (entry.count != kSamplesPerPixel) OMF_RAISE(file_, OM_ERR_3_COMPONENT_VIDEO_ONLY);
    std::vector<uint32_t> bits;
    OMF_CHECK(file_, reader_.elements(entry, DirectoryReader::elementWidth(entry), &bits,
                                      OM_ERR_READ_PAST_END));
    for (uint32_t value : bits) {
        if (value != kBitsPerSample) OMF_RAISE(file_, OM_ERR_24BIT_VIDEO_ONLY);
    }
    return 0;
}

omfErr_t DescriptionReader::tableOffsets(const DirectoryEntry& entry, omfErr_t outside,
                                         std::vector<uint32_t>* offsets) const {
    if (entry.count != kTableCount) OMF_RAISE(file_, OM_ERR_3_COMPONENT_VIDEO_ONLY);
    OMF_CHECK(file_,
              reader_.elements(entry, DirectoryReader::elementWidth(entry), offsets, outside));
    return 0;
}

omfErr_t DescriptionReader::readQuantTables(const DirectoryEntry& entry) {
    std::vector<uint32_t> offsets;
    OMF_CHECK(file_, tableOffsets(entry, OM_ERR_BAD_JPEG_QUANT_TABLE, &offsets));
    for (size_t c = 0; c < offsets.size(); ++c) {
        uint8_t table[jpeg::kQuant8Bytes];
        OMF_CHECK(file_,
                  reader_.bytesAt(offsets[c], sizeof table, table, OM_ERR_BAD_JPEG_QUANT_TABLE));
        jpeg::ComponentTables& component = image_.tables.components[c];
        std::copy(std::begin(table), std::end(table), component.quant.begin());
        component.quant16 = false;
    }
    return 0;
}

omfErr_t DescriptionReader::readHuffmanTables(const DirectoryEntry& entry, bool ac) {
    const omfErr_t outside = ac ? OM_ERR_BAD_JPEG_AC_TABLE : OM_ERR_BAD_JPEG_DC_TABLE;
    std::vector<uint32_t> offsets;
    OMF_CHECK(file_, tableOffsets(entry, outside, &offsets));
    for (size_t c = 0; c < offsets.size(); ++c) {
        // 16 code counts, then as many symbols as they add up to (at most 16 x 255).
        std::vector<uint8_t> table(jpeg::kHuffmanCounts);
        OMF_CHECK(file_, reader_.bytesAt(offsets[c], jpeg::kHuffmanCounts, table.data(), outside));
        size_t symbols = 0;
        for (uint8_t count : table)
            symbols += count;
        table.resize(table.size() + symbols);
        OMF_CHECK(file_,
                  reader_.bytesAt(int64_t(offsets[c]) + jpeg::kHuffmanCounts, int64_t(symbols),
                                  table.data() + jpeg::kHuffmanCounts, outside));
        jpeg::ComponentTables& component = image_.tables.components[c];
        (ac ? component.ac : component.dc) = std::move(table);
    }
    return 0;
}

omfErr_t DescriptionReader::readQuant16Tables(const DirectoryEntry& entry) {
    std::vector<uint32_t> offsets;
    OMF_CHECK(file_, tableOffsets(entry, OM_ERR_BAD_JPEG_QUANT_TABLE, &offsets));
    for (size_t c = 0; c < offsets.size(); ++c) {
        uint8_t table[jpeg::kQuant16Bytes];
        OMF_CHECK(file_,
                  reader_.bytesAt(offsets[c], sizeof table, table, OM_ERR_BAD_JPEG_QUANT_TABLE));
        for (int i = 0; i < jpeg::kQuantEntries; ++i)
            quant16_[c][size_t(i)] = reader_.order().get16(table + 2 * i);
    }
    quant16Seen_ = true;
    return 0;
}

omfErr_t DescriptionReader::readFrameIndex(const DirectoryEntry& entry) {
    if (entry.count == 0) OMF_RAISE(file_, OM_ERR_TIFF_COUNT);
    std::vector<uint32_t> offsets;
    // Index entries are 32-bit whatever the entry's type.
    OMF_CHECK(file_, reader_.elements(entry, 4, &offsets, OM_ERR_READ_PAST_END));
    image_.frameIndex.clear();
    image_.frameIndex.reserve(offsets.size());
    for (uint32_t offset : offsets)
        image_.frameIndex.push_back(int64_t(offset & kIndexOffsetMask) + kIndexBase);
    return 0;
}

omfErr_t DescriptionReader::readLayout(const DirectoryEntry& entry) {
    uint32_t code = 0;
    OMF_CHECK(file_, firstValue(entry, &code));
    if (!layoutOfCode(code, &image_.layout)) OMF_RAISE(file_, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT);
    return 0;
}

} // namespace

omfErr_t readImageDescription(omfHdl_t file, media::CodecStream& stream, ImageDescription* image) {
    DirectoryReader reader(file, stream);
    std::vector<DirectoryEntry> entries;
    OMF_CHECK(file, reader.read(&entries));
    ImageDescription read;
    read.order = reader.order();
    DescriptionReader description(file, reader, read);
    OMF_CHECK(file, description.visit(entries));
    *image = std::move(read);
    return 0;
}

} // namespace omf::codecs::tiff
