// JPEG quantisation and Huffman tables as the picture codecs keep them:
// one set per image component (0 luminance, 1 and 2 chrominance), the
// built-in tables of ITU-T T.81 Annex K, their scaling by a percentage, and
// the 40-byte table record callers exchange through info selector 2.
#pragma once

#include "omf/omf_media_types.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace omf::codecs::jpeg {

inline constexpr int kQuantEntries = 64;       // one 8x8 block
inline constexpr int kHuffmanCounts = 16;      // code-length counts before the symbols
inline constexpr int kDcTableBytes = 16 + 12;  // counts and the 12 DC symbols
inline constexpr int kAcTableBytes = 16 + 162; // counts and the 162 AC symbols
inline constexpr int kQuant8Bytes = 64;        // quantisation table of one-byte entries
inline constexpr int kQuant16Bytes = 128;      // quantisation table of 16-bit entries
inline constexpr int kComponents = 3;

// The tables of one component. Quantisation entries are in zig-zag order,
// as a DQT marker stores them; `quant16` tells that they were given as
// 16-bit entries. Huffman tables are the 16 counts followed by the symbols.
struct ComponentTables {
    std::array<uint16_t, kQuantEntries> quant{};
    bool quant16 = false;
    std::vector<uint8_t> dc;
    std::vector<uint8_t> ac;
};

// Tables for the three components of an image.
struct TableSet {
    std::array<ComponentTables, kComponents> components;
};

// The Annex K tables: luminance tables for component 0, chrominance
// tables for components 1 and 2; 8-bit quantisation entries.
const TableSet& annexKTables();

// The Annex K quantisation tables scaled by `percent`: each entry becomes
// (entry x percent + 50) / 100, clamped to 1..255. The Huffman tables stay.
TableSet scaledTables(int percent);

// Natural (row by row) position of the coefficient at zig-zag position i.
extern const std::array<uint8_t, kQuantEntries> kZigZagToNatural;

// Whether a Huffman table holds its 16 counts and as many symbols as they
// add up to (and no more than `maxSymbols`).
bool wellFormedHuffman(std::span<const uint8_t> table, int maxSymbols);

// Copies a caller's table record into `tables`: the component the record
// names; component 1 (chrominance) also sets component 2. A null table is
// OM_ERR_NULL_PARAM, a component above 2 OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE,
// and a quantisation length other than 64 or 128 or a Huffman table that is
// not its counts and their symbols OM_ERR_ILLEGAL_FILE_FORMAT.
omfErr_t tablesFromRecord(omfHdl_t file, const omfJPEGTables_t& record, TableSet& tables);

// Fills `record` with freshly allocated (std::malloc) copies of the tables
// of component `record.component` (0 or 1); the caller frees them.
omfErr_t recordFromTables(omfHdl_t file, const TableSet& tables, omfJPEGTables_t& record);

} // namespace omf::codecs::jpeg
