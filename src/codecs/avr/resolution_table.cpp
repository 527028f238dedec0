// The AVR codec's table of named resolutions.
#include "avr/resolution_table.h"

#include "avr/jfif_table_scales.h"
#include "jpeg/jpeg_tables.h"

#include <cstring>
#include <iterator>

namespace omf::codecs::avr {

namespace {

// Name, DIDResolutionID, compression factor, width, rows for 525- and
// 625-line video, leading lines for 525 and 625 lines, fields per frame.
// The order is the varieties' order.
constexpr Resolution kResolutions[] = {
    {"AVR1", 28, 80, 320, 240, 288, 8, 8, 1},
    {"AVR12", 52, 90, 720, 243, 288, 13, 16, 2},
    {"AVR1e", 38, 95, 320, 240, 288, 8, 8, 1},
    {"AVR2", 29, 51, 320, 240, 288, 8, 8, 1},
    {"AVR25", 15, 40, 640, 240, 288, 8, 8, 2},
    {"AVR26", 16, 15, 640, 240, 288, 8, 8, 2},
    {"AVR27", 34, 15, 640, 240, 288, 8, 8, 2},
    {"AVR2e", 39, 52, 320, 240, 288, 8, 8, 1},
    {"AVR2m", 47, 51, 352, 243, 288, 13, 16, 1},
    {"AVR3", 27, 69, 640, 240, 288, 8, 8, 1},
    {"AVR3e", 37, 38, 320, 240, 288, 8, 8, 1},
    {"AVR3m", 74, 18, 352, 243, 288, 13, 16, 1},
    {"AVR4", 30, 54, 640, 240, 288, 8, 8, 1},
    {"AVR4e", 40, 69, 640, 240, 288, 8, 8, 1},
    {"AVR4m", 44, 12, 352, 243, 288, 13, 16, 1},
    {"AVR5", 31, 15, 640, 240, 288, 8, 8, 1},
    {"AVR5e", 41, 27, 640, 240, 288, 8, 8, 1},
    {"AVR5m", 71, 11, 352, 243, 288, 13, 16, 1},
    {"AVR6e", 42, 10, 640, 240, 288, 8, 8, 1},
    {"AVR6m", 55, 9, 352, 243, 288, 13, 16, 1},
    {"AVR70", 32, 15, 720, 243, 288, 13, 16, 2},
    {"AVR71", 48, 15, 720, 243, 288, 13, 16, 2},
    {"AVR75", 50, 11, 720, 243, 288, 13, 16, 2},
    {"AVR77", 72, 6, 720, 243, 288, 13, 16, 2},
    {"AVR2s", 70, 100, 720, 243, 288, 13, 16, 1},
    {"AVR3s", 56, 60, 720, 243, 288, 13, 16, 1},
    {"AVR4s", 57, 37, 720, 243, 288, 13, 16, 1},
    {"AVR6s", 58, 27, 720, 243, 288, 13, 16, 1},
    {"AVR8s", 59, 9, 720, 243, 288, 13, 16, 1},
    {"AVR9s", 73, 6, 720, 243, 288, 13, 16, 1},
    {"Uncomp422", 151, 0, 720, 243, 288, 5, 8, 2},
    {"JFIF2:1s", 80, 150, 352, 243, 288, 5, 8, 1},
    {"JFIF15:1s", 78, 120, 352, 243, 288, 5, 8, 1},
    {"JFIF3:1", 77, 150, 720, 243, 288, 5, 8, 2},
    {"JFIF2:1", 76, 150, 720, 243, 288, 5, 8, 2},
    {"JFIF20:1", 82, 120, 720, 243, 288, 5, 8, 2},
    {"JFIF10:1", 75, 120, 720, 243, 288, 5, 8, 2},
    {"JFIF4:1s", 79, 150, 352, 243, 288, 5, 8, 1},
    {"JFIF35:1p", 102, 120, 720, 486, 576, 10, 16, 1},
    {"JFIF28:1p", 104, 120, 720, 486, 576, 10, 16, 1},
    {"JFIF14:1p", 103, 120, 720, 486, 576, 10, 16, 1},
    {"JFIF3:1p", 97, 150, 720, 486, 576, 10, 16, 1},
    {"JFIF2:1p", 98, 150, 720, 486, 576, 10, 16, 1},
};
static_assert(std::size(kResolutions) == kResolutionCount);

} // namespace

const Resolution* resolutionNumber(omfInt32 number) {
    if (number < 1 || number > kResolutionCount) return nullptr;
    return &kResolutions[number - 1];
}

const Resolution* resolutionNamed(std::string_view name) {
    for (const Resolution& resolution : kResolutions) {
        if (name == resolution.name) return &resolution;
    }
    return nullptr;
}

void putQuantTables(ResolutionRecord& record, int percent) {
    const jpeg::TableSet tables = jpeg::scaledTables(percent);
    for (int component = 0; component < jpeg::kComponents; ++component) {
        const auto& quant = tables.components[size_t(component)].quant;
        for (int i = 0; i < jpeg::kQuantEntries; ++i) {
            record.quant16[component][i] = quant[size_t(i)];
            record.quant8[component][i] = static_cast<omfUInt8>(quant[size_t(i)]);
        }
    }
}

ResolutionRecord makeRecord(const Resolution& resolution) {
    ResolutionRecord record{};
    std::strncpy(record.name, resolution.name, sizeof record.name - 1);
    record.resolutionID = resolution.resolutionID;
    record.factor = resolution.factor;
    record.width = resolution.width;
    record.height525 = resolution.height525;
    record.height625 = resolution.height625;
    record.leadingLines525 = resolution.leadingLines525;
    record.leadingLines625 = resolution.leadingLines625;
    record.fields = resolution.fields;
    // JFIF resolutions use their calibrated scale, the others their factor.
    putQuantTables(record, jfifTableScale(resolution.resolutionID).value_or(resolution.factor));
    return record;
}

} // namespace omf::codecs::avr
