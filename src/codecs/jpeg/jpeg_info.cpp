// Information requests of the JPEG codec: JPEG tables, the resolution,
// frame sizes from the index, the decoder's messages of the last read; format lists as every
// picture codec answers them.
#include "avr/resolution_record.h"
#include "jpeg/indexed_frames.h"
#include "jpeg/jpeg_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"
#include "video/picture_info.h"

#include <cstring>
#include <new>

namespace omf::codecs::jpeg {

namespace {

constexpr omfInt32 kResolutionIDBytes = 4;

omfErr_t checkInfo(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms, JpegState** state) {
    *state = jpegStateOf(media);
    if (*state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    if (parms->spc.info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return 0;
}

omfErr_t checkSize(omfHdl_t file, omfInt32 size, size_t needed) {
    if (size < 0 || size_t(size) < needed) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    return 0;
}

// A resolution record brings its resolution ID and quantisation tables.
void takeResolution(JpegState& state, const avr::ResolutionRecord& record) {
    state.resolutionID = record.resolutionID;
    for (int component = 0; component < kComponents; ++component) {
        ComponentTables& tables = state.tables.components[size_t(component)];
        for (int i = 0; i < kQuantEntries; ++i) {
            tables.quant[size_t(i)] = record.quant8[component][i];
        }
        tables.quant16 = false;
    }
}

omfErr_t putParameters(omfHdl_t file, JpegState& state, omfInt32 size, const void* buffer) {
    if (size >= omfInt32(sizeof(avr::ResolutionRecord))) {
        avr::ResolutionRecord record;
        std::memcpy(&record, buffer, sizeof record);
        takeResolution(state, record);
        return 0;
    }
    OMF_CHECK(file, checkSize(file, size, kResolutionIDBytes));
    std::memcpy(&state.resolutionID, buffer, kResolutionIDBytes);
    return 0;
}

omfErr_t answerFrameSize(omfHdl_t file, const JpegState& state, omfInt32 size, void* buffer) {
    OMF_CHECK(file, checkSize(file, size, sizeof(omfFrameSizeInfo_t)));
    auto* request = static_cast<omfFrameSizeInfo_t*>(buffer);
    OMF_CHECK(file, storedFrameSize(file, state.index, request->frameNumber, &request->frameSize));
    return 0;
}

} // namespace

omfErr_t jpegGetInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    JpegState* state = nullptr;
    OMF_CHECK(file, checkInfo(file, media, parms, &state));
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoJPEGTables: {
        OMF_CHECK(file, checkSize(file, info.size, sizeof(omfJPEGTables_t)));
        OMF_CHECK(file, recordFromTables(file, state->tables,
                                         *static_cast<omfJPEGTables_t*>(info.buffer)));
        return 0;
    }
    case kMediaInfoCodecParams:
        OMF_CHECK(file, checkSize(file, info.size, kResolutionIDBytes));
        std::memcpy(info.buffer, &state->resolutionID, kResolutionIDBytes);
        return 0;
    case kMediaInfoMaxSampleSize: {
        int64_t largest =
            state->index.frameCount() > 0 ? state->index.largestFrame() : state->frameSize;
        OMF_CHECK(file, video::answerLargestSample(file, media, largest, info.size, info.buffer));
        return 0;
    }
    case kMediaInfoFrameSize:
        OMF_CHECK(file, answerFrameSize(file, *state, info.size, info.buffer));
        return 0;
    case kMediaInfoDecodeMessages:
        OMF_CHECK(file, state->layer.answerMessages(file, info.size, info.buffer));
        return 0;
    default:
        OMF_CHECK(file, video::getPictureInfo(parms, media, file));
        return 0;
    }
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t jpegPutInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    JpegState* state = nullptr;
    OMF_CHECK(file, checkInfo(file, media, parms, &state));
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoJPEGTables:
        OMF_CHECK(file, checkSize(file, info.size, sizeof(omfJPEGTables_t)));
        OMF_CHECK(file, tablesFromRecord(file, *static_cast<const omfJPEGTables_t*>(info.buffer),
                                         state->tables));
        return 0;
    case kMediaInfoCodecParams:
        OMF_CHECK(file, putParameters(file, *state, info.size, info.buffer));
        return 0;
    default:
        OMF_CHECK(file, video::putPictureInfo(parms, media, file));
        return 0;
    }
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::jpeg
