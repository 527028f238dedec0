// TIFF format information: the video format list as the picture codecs
// answer it, the JPEG tables
// (selector 2), the resolution ID or a whole resolution record (selector
// 3), the largest frame (7) and the size of one frame (10).
#include "tiff/tiff_state.h"

#include "avr/resolution_record.h"
#include "jpeg/indexed_frames.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"
#include "video/format_entries.h"
#include "video/picture_info.h"

#include <cstring>
#include <limits>
#include <new>

namespace omf::codecs::tiff {

namespace {

constexpr omfInt32 kResolutionIDBytes = sizeof(omfInt32);

omfErr_t checkInfo(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (stateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    if (parms->spc.info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return 0;
}

// Layouts without a TIFF code and alignment padding cannot be stored.
omfErr_t checkFileFormat(omfHdl_t file, const video::FormatEntries& entries) {
    return entries.forEach([&](const omfFormatEntry_t& entry) -> omfErr_t {
        uint32_t code = 0;
        if (entry.opcode == kOmfFrameLayout && !codeOfLayout(entry.operand.int32, &code))
            OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT);
        if (entry.opcode == kOmfAlignmentFactor && entry.operand.int32 > 1)
            OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        return 0;
    });
}

omfErr_t tablesRecord(omfHdl_t file, omfCodecParms_t* parms, omfJPEGTables_t** record) {
    if (parms->spc.info.size < omfInt32(sizeof(omfJPEGTables_t)))
        OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    *record = static_cast<omfJPEGTables_t*>(parms->spc.info.buffer);
    return 0;
}

// A resolution record: its ID, its quantisation tables over the Annex K
// Huffman tables, and the leading lines of the picture's line standard.
omfErr_t applyResolution(omfHdl_t file, const avr::ResolutionRecord& record, TiffState& state) {
    OMF_CHECK(file, state.setCompression(file, Compression::jpeg));
    state.resolutionID = record.resolutionID;
    jpeg::TableSet tables = jpeg::annexKTables();
    for (size_t c = 0; c < tables.components.size(); ++c) {
        jpeg::ComponentTables& component = tables.components[c];
        for (int i = 0; i < jpeg::kQuantEntries; ++i)
            component.quant[size_t(i)] = record.quant8[c][i];
        component.quant16 = false;
    }
    state.tables = std::move(tables);
    const bool lines625 = state.geometry.storedHeight == record.height625;
    state.leadingLines = lines625 ? record.leadingLines625 : record.leadingLines525;
    return 0;
}

omfErr_t putCodecParameters(omfHdl_t file, omfCodecParms_t* parms, TiffState& state) {
    const auto& info = parms->spc.info;
    if (info.size == omfInt32(sizeof(avr::ResolutionRecord))) {
        avr::ResolutionRecord record;
        std::memcpy(&record, info.buffer, sizeof record);
        OMF_CHECK(file, applyResolution(file, record, state));
        return 0;
    }
    if (info.size < kResolutionIDBytes) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    std::memcpy(&state.resolutionID, info.buffer, sizeof state.resolutionID);
    return 0;
}

omfErr_t answerFrameSize(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                         const TiffState& state) {
    if (parms->spc.info.size < omfInt32(sizeof(omfFrameSizeInfo_t)))
        OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    auto& answer = *static_cast<omfFrameSizeInfo_t*>(parms->spc.info.buffer);
    if (answer.mediaKind != media->channels.front().mediaKind)
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (state.jpeg()) {
        OMF_CHECK(file,
                  jpeg::storedFrameSize(file, state.index, answer.frameNumber, &answer.frameSize));
        return 0;
    }
    if (answer.frameNumber < 1) OMF_RAISE(file, OM_ERR_FRAME_INDEX_OUT_OF_RANGE);
    if (state.frameSize > std::numeric_limits<omfInt32>::max())
        OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    answer.frameSize = omfInt32(state.frameSize);
    return 0;
}

} // namespace

omfErr_t getTiffInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkInfo(file, media, parms));
    const TiffState& state = *stateOf(media);
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoJPEGTables: {
        omfJPEGTables_t* record = nullptr;
        OMF_CHECK(file, tablesRecord(file, parms, &record));
        OMF_CHECK(file, jpeg::recordFromTables(file, state.tables, *record));
        return 0;
    }
    case kMediaInfoCodecParams:
        if (info.size < kResolutionIDBytes) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
        std::memcpy(info.buffer, &state.resolutionID, sizeof state.resolutionID);
        return 0;
    case kMediaInfoMaxSampleSize: {
        // Without JPEG frames every frame has the stored frame size.
        int64_t largest = state.jpeg() && state.index.frameCount() > 0 ? state.index.largestFrame()
                                                                       : state.frameSize;
        OMF_CHECK(file, video::answerLargestSample(file, media, largest, info.size, info.buffer));
        return 0;
    }
    case kMediaInfoFrameSize:
        OMF_CHECK(file, answerFrameSize(file, media, parms, state));
        return 0;
    case kMediaInfoDecodeMessages:
        // Media without JPEG frames is never decoded: its layer stays unmade.
        if (!state.layer) OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
        OMF_CHECK(file, state.layer->answerMessages(file, info.size, info.buffer));
        return 0;
    default:
        OMF_CHECK(file, video::getPictureInfo(parms, media, file));
        return 0;
    }
}

omfErr_t putTiffInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkInfo(file, media, parms));
    TiffState& state = *stateOf(media);
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoVideoFormat:
        OMF_CHECK(file, checkFileFormat(file, video::FormatEntries(info.buffer, info.size)));
        OMF_CHECK(file, video::putPictureInfo(parms, media, file));
        return 0;
    case kMediaInfoJPEGTables: {
        omfJPEGTables_t* record = nullptr;
        OMF_CHECK(file, tablesRecord(file, parms, &record));
        OMF_CHECK(file, state.setCompression(file, Compression::jpeg));
        OMF_CHECK(file, jpeg::tablesFromRecord(file, *record, state.tables));
        return 0;
    }
    case kMediaInfoCodecParams:
        OMF_CHECK(file, putCodecParameters(file, parms, state));
        return 0;
    default:
        OMF_CHECK(file, video::putPictureInfo(parms, media, file));
        return 0;
    }
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::tiff
