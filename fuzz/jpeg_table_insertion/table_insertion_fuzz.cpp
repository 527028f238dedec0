// libFuzzer harness for omftool's JPEG table insertion, which reads the stored
// frames of JPEG media (bytes from a file) with tables from its descriptor.
// The input is one frame. Table numbers 0 and 1 are given, 2 has a quantisation table and a
// DC table but an AC table whose counts promise more symbols than it holds, 3 has none. A frame
// the insertion accepts must come out whole: inserting again changes nothing.
#include "jpeg_table_insertion.h"

#include <cstdlib>
#include <numeric>

namespace {

constexpr int kGivenTables = 3;
constexpr uint8_t kDcSymbols = 12;

omftool::JpegTables harnessTables() {
    omftool::JpegTables tables;
    std::vector<uint8_t> dc(omftool::kJpegHuffmanCounts, 0);
    dc[2] = kDcSymbols; // twelve codes of three bits
    for (uint8_t s = 0; s < kDcSymbols; ++s)
        dc.push_back(s);
    std::vector<uint8_t> ac(omftool::kJpegHuffmanCounts, 0);
    ac[7] = 200; // 200 codes of eight bits
    for (int s = 0; s < 200; ++s)
        ac.push_back(uint8_t(s));
    for (int t = 0; t < kGivenTables; ++t) {
        omftool::JpegQuantTable quant;
        std::iota(quant.entries.begin(), quant.entries.end(), uint16_t(t == 1 ? 250 : 1));
        quant.sixteenBit = t == 1;
        tables.quant[size_t(t)] = quant;
        tables.dc[size_t(t)] = dc;
        tables.ac[size_t(t)] = ac;
    }
    tables.ac[2]->resize(omftool::kJpegHuffmanCounts + 100);
    return tables;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const omftool::JpegTables tables = harnessTables();
    std::vector<uint8_t> whole, again;
    std::string fault;
    if (!omftool::insertJpegTables({data, size}, tables, whole, fault)) {
        if (fault.empty()) std::abort();
        return 0;
    }
    if (!omftool::insertJpegTables(whole, tables, again, fault) || again != whole) std::abort();
    return 0;
}
