#include "jpeg_table_insertion.h"

#include <cstdio>
#include <numeric>

namespace omftool {

namespace {

// Marker codes, each the byte after 0xFF (ITU-T T.81 table B.1).
constexpr uint8_t kMarkerPrefix = 0xFF;
constexpr uint8_t kStuffedZero = 0x00; // 0xFF 0x00: a data byte 0xFF in entropy-coded data
constexpr uint8_t kTemporary = 0x01;
constexpr uint8_t kFirstRestart = 0xD0;
constexpr uint8_t kLastRestart = 0xD7;
constexpr uint8_t kStartOfImage = 0xD8;
constexpr uint8_t kEndOfImage = 0xD9;
constexpr uint8_t kStartOfScan = 0xDA;
constexpr uint8_t kDefineQuant = 0xDB;
constexpr uint8_t kDefineHuffman = 0xC4;
constexpr uint8_t kFirstFrameHeader = 0xC0;
constexpr uint8_t kLastFrameHeader = 0xCF;
constexpr uint8_t kExtension = 0xC8;        // reserved, not a frame header
constexpr uint8_t kDefineArithmetic = 0xCC; // not a frame header
// The codec ends the fill bytes after each image with this marker.
constexpr uint8_t kAlignmentMarker = 0xD1;

constexpr size_t kLengthBytes = 2;
constexpr size_t kFrameHeaderFixedBytes = 6; // precision, height, width, component count
constexpr size_t kFrameComponentBytes = 3;   // id, sampling factors, quantisation table
constexpr size_t kScanComponentBytes = 2;    // id, DC and AC table numbers
constexpr size_t kScanTrailingBytes = 3;     // spectral start and end, approximation
constexpr size_t kMaxScanComponents = 4;
constexpr int kMaxHuffmanSymbols = 256;
constexpr uint8_t kHuffmanClassAC = 1;
// Output room beyond the frame, enough for the tables of a usual image.
constexpr size_t kInsertedTablesRoom = 1024;

// Which tables of each kind an image names or defines.
struct TableMarks {
    std::array<bool, kJpegTableSlots> quant{};
    std::array<bool, kJpegTableSlots> dc{};
    std::array<bool, kJpegTableSlots> ac{};
};

std::string hexByte(uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", unsigned(value));
    return text;
}

std::string markerName(uint8_t code) {
    char text[8];
    std::snprintf(text, sizeof text, "0xFF%02X", unsigned(code));
    return text;
}

bool isFrameHeader(uint8_t code) {
    return code >= kFirstFrameHeader && code <= kLastFrameHeader && code != kDefineHuffman &&
           code != kExtension && code != kDefineArithmetic;
}

bool isStandalone(uint8_t code) {
    return code == kTemporary || (code >= kFirstRestart && code <= kLastRestart);
}

uint16_t bigEndian16(std::span<const uint8_t> bytes, size_t at) {
    return uint16_t(bytes[at] << 8 | bytes[at + 1]);
}

// Reads one image from its start-of-image marker; the marks of the tables it
// names and defines, and the offset just past its end-of-image marker.
class ImageReader {
  public:
    ImageReader(std::span<const uint8_t> frame, int image, std::string& fault)
        : frame_(frame), image_(image), fault_(fault) {}

    bool read(size_t start, size_t& end) {
        size_t at = start + kLengthBytes; // past the start-of-image marker
        while (true) {
            if (at >= frame_.size()) {
                return failed("ends at byte " + std::to_string(at) +
                              " without an end-of-image marker");
            }
            if (frame_[at] != kMarkerPrefix) {
                return failed("byte " + std::to_string(at) + " is " + hexByte(frame_[at]) +
                              " where a marker should start");
            }
            const size_t markerAt = at;
            while (at < frame_.size() && frame_[at] == kMarkerPrefix)
                ++at; // fill bytes before the marker code
            if (at >= frame_.size()) {
                return failed("ends in the fill bytes at byte " + std::to_string(markerAt) +
                              " without an end-of-image marker");
            }
            const uint8_t code = frame_[at++];
            if (code == kEndOfImage) {
                if (!sawScan_)
                    return failed("ends at byte " + std::to_string(markerAt) + " before any scan");
                end = at;
                return true;
            }
            if (code == kStuffedZero || code == kStartOfImage) {
                return failed("has the marker " + markerName(code) + " at byte " +
                              std::to_string(markerAt) + " outside entropy-coded data");
            }
            if (isStandalone(code)) continue;
            if (frame_.size() - at < kLengthBytes) {
                return failed("has a segment " + markerName(code) + " at byte " +
                              std::to_string(markerAt) + " cut off before its length");
            }
            const size_t length = bigEndian16(frame_, at);
            if (length < kLengthBytes) {
                return failed("has a segment " + markerName(code) + " at byte " +
                              std::to_string(markerAt) + " giving the length " +
                              std::to_string(length) + ", less than its 2 length bytes");
            }
            if (length > frame_.size() - at) {
                return failed("has a segment " + markerName(code) + " at byte " +
                              std::to_string(markerAt) + " of length " + std::to_string(length) +
                              " that runs past the end of the frame (" +
                              std::to_string(frame_.size()) + " bytes)");
            }
            const auto body = frame_.subspan(at + kLengthBytes, length - kLengthBytes);
            at += length;
            segmentAt_ = markerAt;
            if (code == kDefineQuant) {
                if (!readQuantDefinitions(body)) return false;
            } else if (code == kDefineHuffman) {
                if (!readHuffmanDefinitions(body)) return false;
            } else if (isFrameHeader(code)) {
                if (!readFrameHeader(code, body)) return false;
            } else if (code == kStartOfScan) {
                if (!readScanHeader(body) || !skipEntropyCodedData(at)) return false;
            }
        }
    }

    const TableMarks& used() const { return used_; }
    const TableMarks& defined() const { return defined_; }

  private:
    bool failed(const std::string& what) {
        fault_ = "image " + std::to_string(image_) + " " + what;
        return false;
    }
    bool segmentFailed(const std::string& what) {
        return failed("has a " + what + " in the segment at byte " + std::to_string(segmentAt_));
    }

    bool readQuantDefinitions(std::span<const uint8_t> body) {
        for (size_t at = 0; at < body.size();) {
            const int precision = body[at] >> 4;
            const int table = body[at] & 0x0F;
            if (precision > 1 || table >= kJpegTableSlots) {
                return segmentFailed("quantisation table header " + hexByte(body[at]));
            }
            const size_t entries = size_t(kJpegQuantEntries) * size_t(precision + 1);
            if (body.size() - at - 1 < entries) {
                return segmentFailed("quantisation table " + std::to_string(table) + " cut short");
            }
            defined_.quant[size_t(table)] = true;
            at += 1 + entries;
        }
        return true;
    }

    bool readHuffmanDefinitions(std::span<const uint8_t> body) {
        for (size_t at = 0; at < body.size();) {
            const int tableClass = body[at] >> 4;
            const int table = body[at] & 0x0F;
            if (tableClass > kHuffmanClassAC || table >= kJpegTableSlots) {
                return segmentFailed("Huffman table header " + hexByte(body[at]));
            }
            if (body.size() - at - 1 < size_t(kJpegHuffmanCounts)) {
                return segmentFailed("Huffman table cut short in its counts");
            }
            const auto counts = body.subspan(at + 1, kJpegHuffmanCounts);
            const int symbols = std::accumulate(counts.begin(), counts.end(), 0);
            if (symbols > kMaxHuffmanSymbols ||
                body.size() - at - 1 - kJpegHuffmanCounts < size_t(symbols)) {
                return segmentFailed("Huffman table of " + std::to_string(symbols) +
                                     " symbols that the segment does not hold");
            }
            (tableClass == kHuffmanClassAC ? defined_.ac : defined_.dc)[size_t(table)] = true;
            at += 1 + kJpegHuffmanCounts + size_t(symbols);
        }
        return true;
    }

    bool readFrameHeader(uint8_t code, std::span<const uint8_t> body) {
        if (sawFrameHeader_) return segmentFailed("second frame header");
        if (body.size() < kFrameHeaderFixedBytes) return segmentFailed("frame header cut short");
        const size_t components = body[kFrameHeaderFixedBytes - 1];
        if (components == 0 ||
            body.size() != kFrameHeaderFixedBytes + components * kFrameComponentBytes) {
            return segmentFailed("frame header whose length does not fit its " +
                                 std::to_string(components) + " components");
        }
        // Frame header codes: 0 to 3 Huffman-coded, 8 to 11 arithmetic-coded, and within each
        // four: baseline, extended, progressive, lossless.
        const int process = code & 0x03;
        huffmanCoded_ = (code & 0x08) == 0;
        progressive_ = process == 2;
        lossless_ = process == 3;
        for (size_t c = 0; c < components; ++c) {
            const int table = body[kFrameHeaderFixedBytes + c * kFrameComponentBytes + 2];
            if (table >= kJpegTableSlots) {
                return segmentFailed("component naming quantisation table " +
                                     std::to_string(table));
            }
            if (!lossless_) used_.quant[size_t(table)] = true;
        }
        sawFrameHeader_ = true;
        return true;
    }

    bool readScanHeader(std::span<const uint8_t> body) {
        if (!sawFrameHeader_) return segmentFailed("scan before any frame header");
        const size_t components = body.empty() ? 0 : body[0];
        if (components == 0 || components > kMaxScanComponents ||
            body.size() != 1 + components * kScanComponentBytes + kScanTrailingBytes) {
            return segmentFailed("scan header whose length does not fit its " +
                                 std::to_string(components) + " components");
        }
        const size_t trailing = 1 + components * kScanComponentBytes;
        const int spectralStart = body[trailing];
        const int approximationHigh = body[trailing + 2] >> 4;
        for (size_t c = 0; c < components; ++c) {
            const uint8_t tables = body[1 + c * kScanComponentBytes + 1];
            const int dc = tables >> 4;
            const int ac = tables & 0x0F;
            if (dc >= kJpegTableSlots || ac >= kJpegTableSlots) {
                return segmentFailed("scan component naming Huffman tables " + hexByte(tables));
            }
            if (!huffmanCoded_) continue;
            // Progressive scans code DC or AC coefficients; DC refinements use no table.
            const bool usesDc =
                lossless_ || !progressive_ || (spectralStart == 0 && approximationHigh == 0);
            const bool usesAc = !lossless_ && (!progressive_ || spectralStart > 0);
            if (usesDc) used_.dc[size_t(dc)] = true;
            if (usesAc) used_.ac[size_t(ac)] = true;
        }
        sawScan_ = true;
        return true;
    }

    // Moves `at` past the entropy-coded data that follows a scan header, to the
    // 0xFF of the next marker other than a restart marker.
    bool skipEntropyCodedData(size_t& at) {
        const size_t scanAt = segmentAt_;
        while (at < frame_.size()) {
            if (frame_[at] != kMarkerPrefix) {
                ++at;
                continue;
            }
            if (at + 1 >= frame_.size()) break;
            const uint8_t next = frame_[at + 1];
            if (next == kMarkerPrefix) {
                ++at; // a fill byte before a marker
            } else if (next == kStuffedZero || (next >= kFirstRestart && next <= kLastRestart)) {
                at += 2;
            } else {
                return true;
            }
        }
        return failed("is cut short in the entropy-coded data of the scan at byte " +
                      std::to_string(scanAt) + ", before its end-of-image marker");
    }

    std::span<const uint8_t> frame_;
    int image_;
    std::string& fault_;
    size_t segmentAt_ = 0;
    bool sawFrameHeader_ = false;
    bool sawScan_ = false;
    bool huffmanCoded_ = true;
    bool progressive_ = false;
    bool lossless_ = false;
    TableMarks used_;
    TableMarks defined_;
};

void appendMarker(std::vector<uint8_t>& out, uint8_t code, size_t bodyBytes) {
    const size_t length = kLengthBytes + bodyBytes;
    out.insert(out.end(), {kMarkerPrefix, code, uint8_t(length >> 8), uint8_t(length & 0xFF)});
}

void appendQuant(std::vector<uint8_t>& out, int table, const JpegQuantTable& quant) {
    const size_t entryBytes = quant.sixteenBit ? 2 : 1;
    appendMarker(out, kDefineQuant, 1 + kJpegQuantEntries * entryBytes);
    out.push_back(uint8_t((quant.sixteenBit ? 1 << 4 : 0) | table));
    for (const uint16_t entry : quant.entries) {
        if (quant.sixteenBit) out.push_back(uint8_t(entry >> 8));
        out.push_back(uint8_t(entry & 0xFF));
    }
}

// Appends a Huffman table, its counts and the symbols they add up to; false
// when the table does not hold them.
bool appendHuffman(std::vector<uint8_t>& out, uint8_t tableClass, int table,
                   const std::vector<uint8_t>& huffman) {
    if (huffman.size() < size_t(kJpegHuffmanCounts)) return false;
    const int symbols = std::accumulate(huffman.begin(), huffman.begin() + kJpegHuffmanCounts, 0);
    if (symbols > kMaxHuffmanSymbols || huffman.size() - kJpegHuffmanCounts < size_t(symbols)) {
        return false;
    }
    appendMarker(out, kDefineHuffman, 1 + kJpegHuffmanCounts + size_t(symbols));
    out.push_back(uint8_t(tableClass << 4 | table));
    out.insert(out.end(), huffman.begin(), huffman.begin() + kJpegHuffmanCounts + symbols);
    return true;
}

// Appends the tables `reader`'s image uses and lacks, from `tables`.
bool appendMissingTables(std::vector<uint8_t>& out, const ImageReader& reader, int image,
                         const JpegTables& tables, std::string& fault) {
    const std::string prefix = "image " + std::to_string(image) + " uses ";
    const std::string lacking = ", which neither it nor the media's tables define";
    for (int t = 0; t < kJpegTableSlots; ++t) {
        const size_t slot = size_t(t);
        if (!reader.used().quant[slot] || reader.defined().quant[slot]) continue;
        if (!tables.quant[slot]) {
            fault = prefix + "quantisation table " + std::to_string(t) + lacking;
            return false;
        }
        appendQuant(out, t, *tables.quant[slot]);
    }
    struct HuffmanKind {
        const char* name;
        uint8_t tableClass;
        const std::array<bool, kJpegTableSlots>& used;
        const std::array<bool, kJpegTableSlots>& defined;
        const std::array<std::optional<std::vector<uint8_t>>, kJpegTableSlots>& given;
    };
    const HuffmanKind kinds[] = {
        {"DC", 0, reader.used().dc, reader.defined().dc, tables.dc},
        {"AC", kHuffmanClassAC, reader.used().ac, reader.defined().ac, tables.ac},
    };
    for (const HuffmanKind& kind : kinds) {
        for (int t = 0; t < kJpegTableSlots; ++t) {
            const size_t slot = size_t(t);
            if (!kind.used[slot] || kind.defined[slot]) continue;
            const std::string name = std::string(kind.name) + " Huffman table " + std::to_string(t);
            if (!kind.given[slot]) {
                fault = prefix + name + lacking;
                return false;
            }
            if (!appendHuffman(out, kind.tableClass, t, *kind.given[slot])) {
                fault = "the media's " + name + " does not hold the symbols its counts promise";
                return false;
            }
        }
    }
    return true;
}

// The end of the fill bytes and alignment marker after an image ending at `end`.
size_t endOfFill(std::span<const uint8_t> frame, size_t end) {
    size_t at = end;
    while (at < frame.size() && frame[at] == kMarkerPrefix)
        ++at;
    if (at == frame.size()) return at; // fill to the end of the frame
    if (at > end && frame[at] == kAlignmentMarker) return at + 1;
    return end;
}

} // namespace

bool insertJpegTables(std::span<const uint8_t> frame, const JpegTables& tables,
                      std::vector<uint8_t>& out, std::string& fault) {
    out.clear();
    if (frame.empty()) {
        fault = "the frame is empty";
        return false;
    }
    out.reserve(frame.size() + kInsertedTablesRoom);
    size_t at = 0;
    for (int image = 1; at < frame.size(); ++image) {
        if (frame.size() - at < kLengthBytes || frame[at] != kMarkerPrefix ||
            frame[at + 1] != kStartOfImage) {
            fault = image == 1
                        ? std::string("the frame does not start with a start-of-image marker")
                        : "the bytes after image " + std::to_string(image - 1) + " (from byte " +
                              std::to_string(at) + ") are not a start-of-image marker";
            return false;
        }
        ImageReader reader(frame, image, fault);
        size_t end = 0;
        if (!reader.read(at, end)) return false;
        end = endOfFill(frame, end);
        out.insert(out.end(), {kMarkerPrefix, kStartOfImage});
        if (!appendMissingTables(out, reader, image, tables, fault)) return false;
        out.insert(out.end(), frame.begin() + std::ptrdiff_t(at + kLengthBytes),
                   frame.begin() + std::ptrdiff_t(end));
        at = end;
    }
    return true;
}

} // namespace omftool
