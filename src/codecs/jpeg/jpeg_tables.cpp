// The Annex K tables, their scaling, and the table record of info selector 2.
#include "jpeg/jpeg_tables.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace omf::codecs::jpeg {

const std::array<uint8_t, kQuantEntries> kZigZagToNatural = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

namespace {

// Annex K quantisation tables in natural (row by row) order.
constexpr uint8_t kLuminanceQuant[kQuantEntries] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t kChrominanceQuant[kQuantEntries] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Annex K Huffman tables: 16 counts, then the symbols.
constexpr uint8_t kLuminanceDc[kDcTableBytes] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0,  0,
                                                 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kChrominanceDc[kDcTableBytes] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0,  0,
                                                   0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kLuminanceAc[kAcTableBytes] = {
    0,    2,    1,    3,    3,    2,    4,    3,    5,    5,    4,    4,    0,    0,    1,
    0x7d, 0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51,
    0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15,
    0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a,
    0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44,
    0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63,
    0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98,
    0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5,
    0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2,
    0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7,
    0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kChrominanceAc[kAcTableBytes] = {
    0,    2,    1,    2,    4,    4,    3,    4,    7,    5,    4,    4,    0,    1,    2,
    0x77, 0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07,
    0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23,
    0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17,
    0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43,
    0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a,
    0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79,
    0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96,
    0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3,
    0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9,
    0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6,
    0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

ComponentTables builtinComponent(const uint8_t (&quant)[kQuantEntries],
                                 const uint8_t (&dc)[kDcTableBytes],
                                 const uint8_t (&ac)[kAcTableBytes]) {
    ComponentTables tables;
    for (int i = 0; i < kQuantEntries; ++i)
        tables.quant[i] = quant[kZigZagToNatural[i]];
    tables.dc.assign(std::begin(dc), std::end(dc));
    tables.ac.assign(std::begin(ac), std::end(ac));
    return tables;
}

TableSet makeAnnexK() {
    TableSet set;
    set.components[0] = builtinComponent(kLuminanceQuant, kLuminanceDc, kLuminanceAc);
    set.components[1] = builtinComponent(kChrominanceQuant, kChrominanceDc, kChrominanceAc);
    set.components[2] = set.components[1];
    return set;
}

omfErr_t copyQuant(omfHdl_t file, const omfJPEGTables_t& record, ComponentTables& tables) {
    if (record.quantLength == kQuant8Bytes) {
        for (int i = 0; i < kQuantEntries; ++i)
            tables.quant[i] = record.quantTable[i];
        tables.quant16 = false;
        return 0;
    }
    if (record.quantLength == kQuant16Bytes) {
        std::memcpy(tables.quant.data(), record.quantTable, kQuant16Bytes);
        tables.quant16 = true;
        return 0;
    }
    OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
}

uint8_t* copyOut(const void* data, size_t bytes) {
    auto* copy = static_cast<uint8_t*>(std::malloc(bytes));
    if (copy != nullptr) std::memcpy(copy, data, bytes);
    return copy;
}

} // namespace

const TableSet& annexKTables() {
    static const TableSet tables = makeAnnexK();
    return tables;
}

TableSet scaledTables(int percent) {
    TableSet set = annexKTables();
    for (ComponentTables& component : set.components) {
        for (uint16_t& entry : component.quant) {
            long scaled = (long(entry) * percent + 50) / 100;
            entry = static_cast<uint16_t>(std::clamp(scaled, 1L, 255L));
        }
    }
    return set;
}

bool wellFormedHuffman(std::span<const uint8_t> table, int maxSymbols) {
    if (table.size() < size_t(kHuffmanCounts)) return false;
    int symbols = std::accumulate(table.begin(), table.begin() + kHuffmanCounts, 0);
    return symbols <= maxSymbols && table.size() == size_t(kHuffmanCounts + symbols);
}

omfErr_t tablesFromRecord(omfHdl_t file, const omfJPEGTables_t& record, TableSet& tables) {
    if (record.quantTable == nullptr || record.acTable == nullptr || record.dcTable == nullptr)
        OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (record.component > 2) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (record.acLength < 0 || record.dcLength < 0) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    std::span<const uint8_t> ac(record.acTable, size_t(record.acLength));
    std::span<const uint8_t> dc(record.dcTable, size_t(record.dcLength));
    // A table always has room for the full symbol set; counts may use fewer.
    if (ac.size() != size_t(kAcTableBytes) || dc.size() != size_t(kDcTableBytes))
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    ComponentTables component;
    OMF_CHECK(file, copyQuant(file, record, component));
    component.ac.assign(ac.begin(), ac.end());
    component.dc.assign(dc.begin(), dc.end());
    tables.components[record.component] = component;
    if (record.component == 1) tables.components[2] = component;
    return 0;
}

omfErr_t recordFromTables(omfHdl_t file, const TableSet& tables, omfJPEGTables_t& record) {
    if (record.component > 1) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    const ComponentTables& component = tables.components[record.component];
    uint8_t quant8[kQuantEntries];
    const void* quant = component.quant.data();
    size_t quantBytes = kQuant16Bytes;
    if (!component.quant16) {
        for (int i = 0; i < kQuantEntries; ++i)
            quant8[i] = static_cast<uint8_t>(component.quant[i]);
        quant = quant8;
        quantBytes = kQuant8Bytes;
    }
    uint8_t* quantCopy = copyOut(quant, quantBytes);
    uint8_t* acCopy = copyOut(component.ac.data(), component.ac.size());
    uint8_t* dcCopy = copyOut(component.dc.data(), component.dc.size());
    if (quantCopy == nullptr || acCopy == nullptr || dcCopy == nullptr) {
        std::free(quantCopy);
        std::free(acCopy);
        std::free(dcCopy);
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
    record.quantTable = quantCopy;
    record.acTable = acCopy;
    record.dcTable = dcCopy;
    record.quantLength = static_cast<omfInt16>(quantBytes);
    record.acLength = static_cast<omfInt16>(component.ac.size());
    record.dcLength = static_cast<omfInt16>(component.dc.size());
    return 0;
}

} // namespace omf::codecs::jpeg
