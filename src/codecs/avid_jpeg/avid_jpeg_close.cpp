// Closing Avid JPEG media written through the handle: the tables every
// frame was compressed with, as a tables-only JPEG stream on the
// descriptor, and the frame index as a byte block of 32-bit offsets.
#include "avid_jpeg/avid_jpeg_state.h"
#include "avid_jpeg/table_stream.h"

#include "media/codec_support/file_facts.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <vector>

namespace omf::codecs::avid_jpeg {

namespace {

constexpr size_t kOffsetBytes = 4;

omfErr_t writeBlock(omfHdl_t file, omfObject_t object, omfProperty_t property,
                    const std::vector<uint8_t>& bytes) {
    if (bytes.size() > size_t(INT32_MAX)) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    OMF_CHECK(file, omfsWriteDataBytes(file, object, property,
                                       omfsByteDataType(media::fileRevision(file)), 0,
                                       omfInt32(bytes.size()), bytes.data()));
    return 0;
}

} // namespace

omfErr_t AvidJpegState::writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                     omfFileRev_t revision) const {
    OMF_CHECK(file, JpegState::writeSummary(file, descriptor, codes, revision));
    const auto& avidCodes = *static_cast<const PropertyCodes*>(codes);
    const omfProperty_t tables =
        media::fileRevision(file) == kOmfRev2x ? avidCodes.qntznTbl : avidCodes.quantizationTables;
    OMF_CHECK(file, writeBlock(file, descriptor, tables, buildTableStream(this->tables)));
    return 0;
}

omfErr_t AvidJpegState::storeIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) const {
    const auto& avidCodes = *static_cast<const PropertyCodes*>(codes);
    const bool bigEndian = media::fileByteOrder(file) == kOmfBigEndian;
    std::vector<uint8_t> bytes;
    bytes.reserve(index.entryCount() * kOffsetBytes);
    for (size_t i = 0; i < index.entryCount(); ++i) {
        // Frames ending beyond 32 bits were refused as they were written.
        const auto offset = static_cast<uint32_t>(index.entry(i));
        for (size_t b = 0; b < kOffsetBytes; ++b) {
            const size_t shift = 8 * (bigEndian ? kOffsetBytes - 1 - b : b);
            bytes.push_back(uint8_t(offset >> shift));
        }
    }
    OMF_CHECK(file, writeBlock(file, media->dataObject, avidCodes.frameIndexData, bytes));
    if (resolutionID != 0) {
        OMF_CHECK(file, video::writeNumber(file, media->descriptor, avidCodes.resolutionID,
                                           kOmfType_Int32, resolutionID));
    }
    return 0;
}

} // namespace omf::codecs::avid_jpeg
