// RGBA format information: the file-format entries of RGB pixels (pixel
// size, component letters and sizes), answered from and applied to the
// handle's state, and the ones it adds to the stored format list. The
// entries every picture shares are in video/picture_info.
#include "rgba/rgba_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cstring>

namespace omf::codecs::rgba {

namespace {

// Copies a zero-ended list of at most 8 bytes into `bytes`, zero-filled.
template <typename Byte> void copyComponentBytes(omfUInt8 (&bytes)[8], const Byte (&from)[8]) {
    std::memset(bytes, 0, sizeof bytes);
    for (size_t i = 0; i < sizeof bytes && from[i] != 0; ++i) {
        bytes[i] = static_cast<omfUInt8>(from[i]);
    }
}

} // namespace

omfErr_t RgbaState::answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const {
    switch (entry.opcode) {
    case kOmfPixelSize:
        entry.operand.int16 = static_cast<omfInt16>(pixelSize);
        return 0;
    case kOmfRGBCompLayout:
        std::memcpy(entry.operand.raw, components, sizeof components);
        return 0;
    case kOmfRGBCompSizes:
        std::memcpy(entry.operand.raw, componentSizes, sizeof componentSizes);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t RgbaState::applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) {
    switch (entry.opcode) {
    case kOmfRGBCompLayout:
        copyComponentBytes(components, entry.operand.compLayout);
        return 0;
    case kOmfRGBCompSizes:
        copyComponentBytes(componentSizes, entry.operand.compSizes);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t RgbaState::putFormatEntries(omfHdl_t file, media::FormatList& list) const {
    OMF_CHECK(file, list.putBytes(kOmfRGBCompLayout, components, sizeof components));
    OMF_CHECK(file, list.putBytes(kOmfRGBCompSizes, componentSizes, sizeof componentSizes));
    return 0;
}

} // namespace omf::codecs::rgba
