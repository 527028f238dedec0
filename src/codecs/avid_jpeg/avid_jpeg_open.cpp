// Opening Avid JPEG media: the JPEG tables from the descriptor's table
// stream and the frame index from the data object's FrameIndex data value,
// whose 32-bit offsets are in the file's byte order.
#include "avid_jpeg/avid_jpeg_state.h"
#include "avid_jpeg/table_stream.h"

#include "media/codec_support/file_facts.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace omf::codecs::avid_jpeg {

namespace {

// A table stream holds a few hundred bytes; anything far larger is not one.
constexpr omfInt64 kLargestTableStream = 64 * 1024;
constexpr omfInt64 kOffsetBytes = 4;
constexpr omfInt64 kReadPiece = 64 * 1024;

bool is2x(omfHdl_t file) {
    return media::fileRevision(file) == kOmfRev2x;
}

// The bytes of a byte-block property; empty when absent.
omfErr_t readBytes(omfHdl_t file, omfObject_t object, omfProperty_t property, omfInt64 largest,
                   std::vector<uint8_t>& bytes) {
    bytes.clear();
    omfType_t type = omfsByteDataType(media::fileRevision(file));
    if (property == 0 || object == nullptr || !omfsPropertyPresent(file, object, property, type))
        return 0;
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, object, property, type, &length));
    if (length < 0 || length > largest) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    // The length comes from the file's table of contents, which may claim
    // more than the file holds: the buffer grows with the bytes that arrive.
    for (omfInt64 at = 0; at < length;) {
        const auto piece = static_cast<omfInt32>(std::min<omfInt64>(length - at, kReadPiece));
        const size_t filled = bytes.size();
        bytes.resize(filled + size_t(piece));
        omfInt32 got = 0;
        OMF_CHECK(file, omfsReadDataBytes(file, object, property, type, at, piece,
                                          bytes.data() + filled, &got));
        bytes.resize(filled + size_t(got));
        if (got < piece) break;
        at += got;
    }
    return 0;
}

} // namespace

omfErr_t AvidJpegState::readIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    const auto& avidCodes = *static_cast<const PropertyCodes*>(codes);
    std::vector<uint8_t> bytes;
    omfProperty_t tableProperty = is2x(file) ? avidCodes.qntznTbl : avidCodes.quantizationTables;
    OMF_CHECK(file, readBytes(file, media->descriptor, tableProperty, kLargestTableStream, bytes));
    OMF_CHECK(file, parseTableStream(file, bytes, tables));

    index.clear();
    OMF_CHECK(file, readBytes(file, media->dataObject, avidCodes.frameIndexData,
                              std::numeric_limits<omfInt32>::max(), bytes));
    const bool bigEndian = media::fileByteOrder(file) == kOmfBigEndian;
    index.reserve(bytes.size() / kOffsetBytes);
    for (size_t at = 0; at + kOffsetBytes <= bytes.size(); at += kOffsetBytes) {
        const uint8_t* b = bytes.data() + at;
        uint32_t offset =
            bigEndian ? uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]
                      : uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0];
        index.append(offset);
    }
    return 0;
}

} // namespace omf::codecs::avid_jpeg
