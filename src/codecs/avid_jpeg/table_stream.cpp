// Parsing the tables-only JPEG stream of Avid JPEG media.
#include "avid_jpeg/table_stream.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

namespace omf::codecs::avid_jpeg {

namespace {

constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kQuantTables = 0xDB;
constexpr uint8_t kHuffmanTables = 0xC4;
constexpr uint8_t kHuffmanAcBit = 0x10;
constexpr uint8_t kHuffmanChromaBit = 0x01;
constexpr int kLargestTableNumber = 3;

class Reader {
  public:
    explicit Reader(std::span<const uint8_t> data) : data_(data) {}
    size_t left() const { return data_.size() - position_; }
    uint8_t byte() { return data_[position_++]; }
    uint16_t big16() {
        uint16_t value = uint16_t(data_[position_] << 8 | data_[position_ + 1]);
        position_ += 2;
        return value;
    }
    std::span<const uint8_t> take(size_t count) {
        std::span<const uint8_t> piece = data_.subspan(position_, count);
        position_ += count;
        return piece;
    }

  private:
    std::span<const uint8_t> data_;
    size_t position_ = 0;
};

// Table number n of a DQT segment serves component 0 (n = 0) or the chrominance components.
void storeQuant(jpeg::TableSet& tables, int number, const jpeg::ComponentTables& quant) {
    auto assign = [&](jpeg::ComponentTables& target) {
        target.quant = quant.quant;
        target.quant16 = quant.quant16;
    };
    if (number == 0) {
        assign(tables.components[0]);
    } else {
        assign(tables.components[1]);
        assign(tables.components[2]);
    }
}

omfErr_t readQuantSegment(omfHdl_t file, Reader segment, jpeg::TableSet& tables) {
    while (segment.left() > 0) {
        uint8_t precisionAndNumber = segment.byte();
        bool sixteenBit = (precisionAndNumber >> 4) == 1;
        int number = precisionAndNumber & 0x0F;
        size_t entryBytes = sixteenBit ? 2 : 1;
        if (number > kLargestTableNumber || segment.left() < jpeg::kQuantEntries * entryBytes)
            OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        jpeg::ComponentTables quant;
        quant.quant16 = sixteenBit;
        for (int i = 0; i < jpeg::kQuantEntries; ++i) {
            quant.quant[size_t(i)] = sixteenBit ? segment.big16() : segment.byte();
        }
        storeQuant(tables, number, quant);
    }
    return 0;
}

omfErr_t readHuffmanSegment(omfHdl_t file, Reader segment, jpeg::TableSet& tables) {
    while (segment.left() > 0) {
        uint8_t kind = segment.byte();
        bool ac = (kind & kHuffmanAcBit) != 0;
        bool chroma = (kind & kHuffmanChromaBit) != 0;
        size_t bytes = ac ? jpeg::kAcTableBytes : jpeg::kDcTableBytes;
        if (segment.left() < bytes) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        std::span<const uint8_t> table = segment.take(bytes);
        for (size_t component = chroma ? 1 : 0; component < (chroma ? 3u : 1u); ++component) {
            std::vector<uint8_t>& target =
                ac ? tables.components[component].ac : tables.components[component].dc;
            target.assign(table.begin(), table.end());
        }
    }
    return 0;
}

// A marker segment: the marker, its big-endian length (which counts itself)
// and the body.
void appendSegment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& body) {
    const size_t length = body.size() + 2;
    out.insert(out.end(), {kMarkerPrefix, marker, uint8_t(length >> 8), uint8_t(length)});
    out.insert(out.end(), body.begin(), body.end());
}

void appendQuant(std::vector<uint8_t>& body, int number, const jpeg::ComponentTables& tables) {
    body.push_back(uint8_t((tables.quant16 ? 1 : 0) << 4 | number));
    for (uint16_t entry : tables.quant) {
        if (tables.quant16) body.push_back(uint8_t(entry >> 8));
        body.push_back(uint8_t(entry));
    }
}

void appendHuffman(std::vector<uint8_t>& body, uint8_t kind, const std::vector<uint8_t>& table) {
    if (table.empty()) return;
    body.push_back(kind);
    body.insert(body.end(), table.begin(), table.end());
}

} // namespace

std::vector<uint8_t> buildTableStream(const jpeg::TableSet& tables) {
    const jpeg::ComponentTables& luma = tables.components[0];
    const jpeg::ComponentTables& chroma = tables.components[1];
    std::vector<uint8_t> quant, huffman, out{kMarkerPrefix, kStartOfImage};
    appendQuant(quant, 0, luma);
    appendQuant(quant, 1, chroma);
    appendSegment(out, kQuantTables, quant);
    appendHuffman(huffman, 0, luma.dc);
    appendHuffman(huffman, kHuffmanAcBit, luma.ac);
    appendHuffman(huffman, kHuffmanChromaBit, chroma.dc);
    appendHuffman(huffman, kHuffmanAcBit | kHuffmanChromaBit, chroma.ac);
    appendSegment(out, kHuffmanTables, huffman);
    out.insert(out.end(), {kMarkerPrefix, kEndOfImage});
    return out;
}

omfErr_t parseTableStream(omfHdl_t file, std::span<const uint8_t> data, jpeg::TableSet& tables) {
    Reader reader(data);
    while (reader.left() >= 2) {
        if (reader.byte() != kMarkerPrefix) break;
        uint8_t marker = reader.byte();
        if (marker == kStartOfImage) continue;
        if (marker == kEndOfImage) break;
        if (reader.left() < 2) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        uint16_t length = reader.big16(); // counts its own two bytes
        if (length < 2 || reader.left() < size_t(length - 2))
            OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        Reader segment(reader.take(size_t(length - 2)));
        if (marker == kQuantTables) {
            OMF_CHECK(file, readQuantSegment(file, segment, tables));
        } else if (marker == kHuffmanTables) {
            OMF_CHECK(file, readHuffmanSegment(file, segment, tables));
        }
    }
    return 0;
}

} // namespace omf::codecs::avid_jpeg
