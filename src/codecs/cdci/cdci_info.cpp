// CDCI format information: the file-format entries of component video
// (component width, subsampling, siting, levels, padding), answered from
// and applied to the handle's state, and the ones it adds to the stored
// format list. The entries every picture shares are in video/picture_info.
#include "cdci/cdci_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <cstring>

namespace omf::codecs::cdci {

namespace {

// Format codes that carry one of the state's 32-bit component values.
struct ComponentEntry {
    omfInt32 opcode;
    omfInt32 CdciState::*value;
};

constexpr ComponentEntry kComponentEntries[] = {
    {kOmfCDCICompWidth, &CdciState::componentWidth},
    {kOmfCDCIHorizSubsampling, &CdciState::horizontalSubsampling},
    {kOmfCDCIColorSiting, &CdciState::colorSiting},
    {kOmfCDCIBlackLevel, &CdciState::blackLevel},
    {kOmfCDCIWhiteLevel, &CdciState::whiteLevel},
    {kOmfCDCIColorRange, &CdciState::colorRange},
};

const ComponentEntry* componentEntry(omfInt32 opcode) {
    for (const ComponentEntry& entry : kComponentEntries) {
        if (entry.opcode == opcode) return &entry;
    }
    return nullptr;
}

} // namespace

omfErr_t CdciState::answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const {
    if (const ComponentEntry* component = componentEntry(entry.opcode)) {
        entry.operand.int32 = this->*component->value;
        return 0;
    }
    switch (entry.opcode) {
    case kOmfPixelSize:
        if (horizontalSubsampling != 1 && horizontalSubsampling != 2) {
            OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
        }
        entry.operand.int16 = static_cast<omfInt16>(pixelSize);
        return 0;
    case kOmfRGBCompLayout:
    case kOmfRGBCompSizes:
        // Component video names no RGB components.
        std::memset(entry.operand.raw, 0, sizeof entry.operand.raw);
        return 0;
    case kOmfCDCIPadBits:
        entry.operand.int16 = static_cast<omfInt16>(paddingBits);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t CdciState::applyFormatEntry(omfHdl_t file, const omfFormatEntry_t& entry) {
    if (const ComponentEntry* component = componentEntry(entry.opcode)) {
        this->*component->value = entry.operand.int32;
        return 0;
    }
    if (entry.opcode != kOmfCDCIPadBits) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    paddingBits = entry.operand.int16;
    return 0;
}

omfErr_t CdciState::fileFormatApplied(omfHdl_t file) {
    if (componentWidth == 0) return 0;
    OMF_CHECK(file, computeSizes(file));
    omfInt32 scale = fullScale(componentWidth);
    if (whiteLevel == 0) whiteLevel = scale;
    if (colorRange == 0) colorRange = scale - 1;
    return 0;
}

omfErr_t CdciState::putFormatEntries(omfHdl_t file, media::FormatList& list) const {
    OMF_CHECK(file, list.putInt32(kOmfCDCIColorSiting, colorSiting));
    OMF_CHECK(file, list.putInt32(kOmfCDCIBlackLevel, blackLevel));
    OMF_CHECK(file, list.putInt32(kOmfCDCIWhiteLevel, whiteLevel));
    OMF_CHECK(file, list.putInt32(kOmfCDCIColorRange, colorRange));
    return 0;
}

} // namespace omf::codecs::cdci
