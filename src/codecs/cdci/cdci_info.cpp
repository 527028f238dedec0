// CDCI format information: answering and applying the file format list,
// the memory format list, the largest sample and the data size.
#include "cdci/cdci_state.h"

#include "internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "video/codec_support.h"
#include "video/format_entries.h"

#include <cstring>
#include <new>

namespace omf::codecs::cdci {

namespace {

// What the codec tells about its lines: they can be moved, uncompressed.
constexpr omfUInt8 kTransfersLines = 1;
constexpr omfUInt8 kCompressed = 0;

omfErr_t answerFileEntry(omfHdl_t file, const CdciState& state, omfFormatEntry_t& entry) {
    if (video::answerGeometryEntry(state.geometry, entry)) return 0;
    switch (entry.opcode) {
    case kOmfPixelFormat:
        entry.operand.int32 = kOmfPixYUV;
        return 0;
    case kOmfPixelSize:
        if (state.horizontalSubsampling != 1 && state.horizontalSubsampling != 2) {
            OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
        }
        entry.operand.int16 = static_cast<omfInt16>(state.pixelSize);
        return 0;
    case kOmfWillTransferLines:
        entry.operand.byte = kTransfersLines;
        return 0;
    case kOmfIsCompressed:
        entry.operand.byte = kCompressed;
        return 0;
    case kOmfLineLength:
        entry.operand.int32 = 0; // stored rows are packed
        return 0;
    case kOmfRGBCompLayout:
    case kOmfRGBCompSizes:
        // Component video names no RGB components.
        std::memset(entry.operand.raw, 0, sizeof entry.operand.raw);
        return 0;
    case kOmfCDCICompWidth:
        entry.operand.int32 = state.componentWidth;
        return 0;
    case kOmfCDCIHorizSubsampling:
        entry.operand.int32 = state.horizontalSubsampling;
        return 0;
    case kOmfCDCIColorSiting:
        entry.operand.int32 = state.colorSiting;
        return 0;
    case kOmfCDCIBlackLevel:
        entry.operand.int32 = state.blackLevel;
        return 0;
    case kOmfCDCIWhiteLevel:
        entry.operand.int32 = state.whiteLevel;
        return 0;
    case kOmfCDCIColorRange:
        entry.operand.int32 = state.colorRange;
        return 0;
    case kOmfCDCIPadBits:
        entry.operand.int16 = static_cast<omfInt16>(state.paddingBits);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

// Applies one file-format entry; `*stop` ends the list without an error.
omfErr_t applyFileEntry(omfHdl_t file, CdciState& state, const omfFormatEntry_t& entry,
                        bool* stop) {
    if (entry.opcode == kOmfSampledRect &&
        video::sampledRectOutsideStored(state.geometry, entry.operand.rect)) {
        *stop = true;
        return 0;
    }
    if (video::applyGeometryEntry(state.geometry, entry)) {
        if (entry.opcode == kOmfAlignmentFactor && entry.operand.int32 > 0) {
            state.zeros.assign(static_cast<size_t>(entry.operand.int32), 0);
        }
        return 0;
    }
    switch (entry.opcode) {
    case kOmfPixelFormat:
        return 0; // component video is always Y'CbCr
    case kOmfCDCICompWidth:
        state.componentWidth = entry.operand.int32;
        return 0;
    case kOmfCDCIHorizSubsampling:
        state.horizontalSubsampling = entry.operand.int32;
        return 0;
    case kOmfCDCIColorSiting:
        state.colorSiting = entry.operand.int32;
        return 0;
    case kOmfCDCIBlackLevel:
        state.blackLevel = entry.operand.int32;
        return 0;
    case kOmfCDCIWhiteLevel:
        state.whiteLevel = entry.operand.int32;
        return 0;
    case kOmfCDCIColorRange:
        state.colorRange = entry.operand.int32;
        return 0;
    case kOmfCDCIPadBits:
        state.paddingBits = entry.operand.int16;
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t putFileFormat(omfHdl_t file, omfMediaHdl_t media, CdciState& state,
                       const video::FormatEntries& entries) {
    // The field order code and the line map describe one thing: both or neither.
    if (entries.contains(kOmfFieldDominance) != entries.contains(kOmfVideoLineMap)) {
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
    bool stop = false;
    OMF_CHECK(file, entries.forEach([&](const omfFormatEntry_t& entry) -> omfErr_t {
        if (stop) return 0;
        return applyFileEntry(file, state, entry, &stop);
    }));
    if (state.componentWidth != 0) {
        OMF_CHECK(file, computeSizes(file, state));
        omfInt32 scale = fullScale(state.componentWidth);
        if (state.whiteLevel == 0) state.whiteLevel = scale;
        if (state.colorRange == 0) state.colorRange = scale - 1;
    }
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t putMemoryFormat(omfHdl_t file, omfMediaHdl_t media, CdciState& state,
                         const video::FormatEntries& entries) {
    OMF_CHECK(file, entries.forEach([&](const omfFormatEntry_t& entry) -> omfErr_t {
        OMF_CHECK(file, video::putMemoryEntry(file, state.memoryFormat, entry));
        if (entry.opcode == kOmfRGBCompSizes && state.pixelSize != 0) {
            state.memoryFrameSize =
                video::componentSizeSum(entry) * state.frameSize / state.pixelSize;
        }
        return 0;
    }));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t checkInfo(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (stateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    if (parms->spc.info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return 0;
}

} // namespace

omfErr_t getInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkInfo(file, media, parms));
    CdciState& state = *stateOf(media);
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoVideoFormat: {
        video::FormatEntries entries(info.buffer, info.size);
        OMF_CHECK(file, entries.forEach([&](omfFormatEntry_t& entry) {
            return answerFileEntry(file, state, entry);
        }));
        return 0;
    }
    case kMediaInfoMaxSampleSize:
        OMF_CHECK(file,
                  video::answerLargestSample(file, media, state.frameSize, info.size, info.buffer));
        return 0;
    case kMediaInfoDataSize:
        OMF_CHECK(file, video::answerDataSize(file, media, info.size, info.buffer));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
}

omfErr_t putInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkInfo(file, media, parms));
    CdciState& state = *stateOf(media);
    auto& info = parms->spc.info;
    video::FormatEntries entries(info.buffer, info.size);
    switch (info.selector) {
    case kMediaInfoVideoFormat:
        OMF_CHECK(file, putFileFormat(file, media, state, entries));
        return 0;
    case kMediaInfoMemoryFormat:
        OMF_CHECK(file, putMemoryFormat(file, media, state, entries));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::cdci
