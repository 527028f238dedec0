// The TIFF codec's per-handle state: its sizes and format entries, and the
// TIFF properties of the descriptor.
#include "tiff/tiff_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <cstring>

namespace omf::codecs::tiff {

namespace {

constexpr omfUInt8 kComponentLetters[8] = {'R', 'G', 'B', 0, 0, 0, 0, 0};
constexpr omfUInt8 kComponentSizes[8] = {8, 8, 8, 0, 0, 0, 0, 0};

omfErr_t readFp16Tables(omfHdl_t file, omfObject_t descriptor, omfProperty_t property,
                        const ByteOrder& order, jpeg::TableSet& tables) {
    omfInt64 length = 0;
    OMF_CHECK(file, omfsValueLength(file, descriptor, property, kOmfType_DataValue, &length));
    if (length != kFp16TablesBytes) OMF_RAISE(file, OM_ERR_BAD_JPEG_QUANT_TABLE);
    uint8_t bytes[kFp16TablesBytes];
    omfInt32 read = 0;
    OMF_CHECK(file, omfsReadDataBytes(file, descriptor, property, kOmfType_DataValue, 0,
                                      kFp16TablesBytes, bytes, &read));
    for (size_t c = 0; c < tables.components.size(); ++c) {
        jpeg::ComponentTables& component = tables.components[c];
        const uint8_t* table = bytes + c * jpeg::kQuant16Bytes;
        for (int i = 0; i < jpeg::kQuantEntries; ++i)
            component.quant[size_t(i)] = order.get16(table + 2 * i);
        component.quant16 = true;
    }
    return 0;
}

} // namespace

jpeg::JpegLayer& TiffState::jpegLayer() {
    if (!layer) layer = std::make_unique<jpeg::JpegLayer>(jpeg::MessageFamily::jpeg);
    return *layer;
}

video::FramePlacement TiffState::placement() const {
    video::FramePlacement placement = PictureState::placement();
    placement.alignment = 1;
    placement.dataStart = dataStart;
    return placement;
}

omfErr_t TiffState::readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, kOmfProperty_TIFD_JPEGTableID,
                                              kOmfType_JPEGTableIDType, 0, &resolutionID));
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, kOmfProperty_TIFD_LeadingLines,
                                              kOmfType_Int32, 0, &leadingLines));
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, kOmfProperty_TIFD_TrailingLines,
                                              kOmfType_Int32, 0, &trailingLines));
    const auto& propertyCodes = *static_cast<const PropertyCodes*>(codes);
    if (jpeg() &&
        omfsPropertyPresent(file, descriptor, propertyCodes.fp16QTables, kOmfType_DataValue)) {
        OMF_CHECK(file, readFp16Tables(file, descriptor, propertyCodes.fp16QTables, order, tables));
    }
    return 0;
}

omfErr_t TiffState::computeSizes(omfHdl_t file) {
    pixelSize = kPixelBits;
    OMF_CHECK(file, video::frameBytes(file, geometry, kPixelBits, &frameSize));
    return 0;
}

omfErr_t TiffState::answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const {
    switch (entry.opcode) {
    case kOmfPixelSize:
        entry.operand.int16 = static_cast<omfInt16>(pixelSize);
        return 0;
    case kOmfRGBCompLayout:
        std::memcpy(entry.operand.raw, kComponentLetters, sizeof kComponentLetters);
        return 0;
    case kOmfRGBCompSizes:
        std::memcpy(entry.operand.raw, kComponentSizes, sizeof kComponentSizes);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t TiffState::applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) {
    if (entry.opcode != kOmfIsCompressed) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    OMF_CHECK(file, setCompression(file, entry.operand.byte != 0 ? Compression::jpeg
                                                                 : Compression::none));
    return 0;
}

omfErr_t TiffState::setCompression(omfHdl_t file, Compression to) {
    if (to == compression) return 0;
    if (compressionFixed) OMF_RAISE(file, OM_ERR_NONCONTIGUOUS_MEDIA);
    compression = to;
    return 0;
}

omfErr_t TiffState::putFormatEntries(omfHdl_t file, media::FormatList& list) const {
    OMF_CHECK(file, list.putBytes(kOmfRGBCompLayout, kComponentLetters, sizeof kComponentLetters));
    OMF_CHECK(file, list.putBytes(kOmfRGBCompSizes, kComponentSizes, sizeof kComponentSizes));
    return 0;
}

omfErr_t TiffState::writeSummary(omfHdl_t file, omfObject_t descriptor, const void*,
                                 omfFileRev_t revision) const {
    if (!summary.empty()) {
        OMF_CHECK(file, omfsWriteDataBytes(file, descriptor, kOmfProperty_TIFD_Summary,
                                           omfsByteDataType(revision), 0, omfInt32(summary.size()),
                                           summary.data()));
    }
    OMF_CHECK(file, video::writeNumber(file, descriptor, kOmfProperty_TIFD_LeadingLines,
                                       kOmfType_Int32, leadingLines));
    OMF_CHECK(file, video::writeNumber(file, descriptor, kOmfProperty_TIFD_JPEGTableID,
                                       kOmfType_JPEGTableIDType, resolutionID));
    return 0;
}

} // namespace omf::codecs::tiff
