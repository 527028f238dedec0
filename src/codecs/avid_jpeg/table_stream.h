// The tables of Avid JPEG media: a tables-only JPEG stream (start of image,
// DQT and DHT segments, end of image) stored on the descriptor, parsed
// marker by marker and built from a table set.
#pragma once

#include "jpeg/jpeg_tables.h"

#include <cstdint>
#include <span>
#include <vector>

namespace omf::codecs::avid_jpeg {

// Reads quantisation tables (8- or 16-bit entries, by table number: 0
// luminance, 1 chrominance) and Huffman tables (DC or AC, luminance or
// chrominance) into `tables`; the chrominance tables serve components 1 and
// 2. Parsing stops at the end of image or at the first byte that does not
// start a marker.
// Segments that run past the data, table numbers above 3 and truncated
// tables are OM_ERR_ILLEGAL_FILE_FORMAT.
omfErr_t parseTableStream(omfHdl_t file, std::span<const uint8_t> data, jpeg::TableSet& tables);

// The stream of `tables`: table 0 from component 0 and table 1 from
// component 1 (8- or 16-bit entries as they were given), the DC and AC
// tables of both, between a start and an end of image.
std::vector<uint8_t> buildTableStream(const jpeg::TableSet& tables);

} // namespace omf::codecs::avid_jpeg
