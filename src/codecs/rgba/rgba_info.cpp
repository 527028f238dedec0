// RGBA format information: answering and applying the file format list,
// the memory format list, the largest sample and the data size.
#include "rgba/rgba_state.h"

#include "internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "video/codec_support.h"
#include "video/format_entries.h"

#include <cstring>
#include <new>

namespace omf::codecs::rgba {

namespace {

omfErr_t answerFileEntry(omfHdl_t file, const RgbaState& state, omfFormatEntry_t& entry) {
    if (video::answerGeometryEntry(state.geometry, entry)) return 0;
    switch (entry.opcode) {
    case kOmfPixelFormat:
        entry.operand.int32 = kOmfPixRGBA;
        return 0;
    case kOmfPixelSize:
        entry.operand.int16 = static_cast<omfInt16>(state.pixelSize);
        return 0;
    case kOmfWillTransferLines: // frames move whole
    case kOmfIsCompressed:
        entry.operand.byte = 0;
        return 0;
    case kOmfLineLength:
        entry.operand.int32 = 0; // stored rows are packed
        return 0;
    case kOmfRGBCompLayout:
        std::memcpy(entry.operand.raw, state.components, sizeof state.components);
        return 0;
    case kOmfRGBCompSizes:
        std::memcpy(entry.operand.raw, state.componentSizes, sizeof state.componentSizes);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t applyFileEntry(omfHdl_t file, RgbaState& state, const omfFormatEntry_t& entry,
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
        return 0; // always RGB components
    case kOmfRGBCompLayout:
        std::memset(state.components, 0, sizeof state.components);
        for (size_t i = 0; i < sizeof state.components && entry.operand.compLayout[i] != 0; ++i) {
            state.components[i] = static_cast<omfUInt8>(entry.operand.compLayout[i]);
        }
        return 0;
    case kOmfRGBCompSizes:
        std::memset(state.componentSizes, 0, sizeof state.componentSizes);
        for (size_t i = 0; i < sizeof state.componentSizes && entry.operand.compSizes[i] != 0;
             ++i) {
            state.componentSizes[i] = entry.operand.compSizes[i];
        }
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t putFileFormat(omfHdl_t file, omfMediaHdl_t media, RgbaState& state,
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
    OMF_CHECK(file, computeSizes(file, state));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t putMemoryFormat(omfHdl_t file, omfMediaHdl_t media, RgbaState& state,
                         const video::FormatEntries& entries) {
    OMF_CHECK(file, entries.forEach([&](const omfFormatEntry_t& entry) {
        return video::putMemoryEntry(file, state.memoryFormat, entry);
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
    RgbaState& state = *stateOf(media);
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
    RgbaState& state = *stateOf(media);
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

} // namespace omf::codecs::rgba
