// Abbreviated JPEG images made whole: the quantisation and Huffman tables an
// image uses but does not define, inserted after its start-of-image marker.
// Media of the Avid JPEG codec keeps these tables once in its descriptor, so
// its stored frames decode only with them. A frame is one or more images
// back to back, each followed by 0xFF fill bytes and the marker 0xFF 0xD1.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace omftool {

inline constexpr int kJpegTableSlots = 4; // table numbers 0 to 3
inline constexpr int kJpegQuantEntries = 64;
inline constexpr int kJpegHuffmanCounts = 16;

// A quantisation table in zig-zag order.
struct JpegQuantTable {
    std::array<uint16_t, kJpegQuantEntries> entries{};
    bool sixteenBit = false; // entries above 255 need 16-bit precision
};

// The tables an image may be missing, by table number.
struct JpegTables {
    std::array<std::optional<JpegQuantTable>, kJpegTableSlots> quant;
    // 16 code-length counts followed by at least as many symbols as they add up to.
    std::array<std::optional<std::vector<uint8_t>>, kJpegTableSlots> dc;
    std::array<std::optional<std::vector<uint8_t>>, kJpegTableSlots> ac;
};

// Copies `frame` into `out` with the tables of `tables` that each image
// references and does not define inserted after its start-of-image marker;
// everything else is copied unchanged. False when the frame is not a
// sequence of complete JPEG images, or uses a table neither it nor `tables`
// defines, with `fault` saying where and what; `out` is then unspecified.
bool insertJpegTables(std::span<const uint8_t> frame, const JpegTables& tables,
                      std::vector<uint8_t>& out, std::string& fault);

} // namespace omftool
