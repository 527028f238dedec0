// Format information of the uncompressed picture codecs.
#include "video/picture_info.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"
#include "video/format_entries.h"

#include <new>

namespace omf::codecs::video {

namespace {

// Stored rows are packed.
constexpr omfInt32 kPackedLineLength = 0;
constexpr omfUInt8 kUncompressed = 0;
constexpr omfUInt8 kCompressed = 1;

omfErr_t answerFileEntry(omfHdl_t file, const PictureState& state, omfFormatEntry_t& entry) {
    if (answerGeometryEntry(state.geometry, entry)) return 0;
    switch (entry.opcode) {
    case kOmfPixelFormat:
        entry.operand.int32 = state.pixelFormat;
        return 0;
    case kOmfWillTransferLines:
        entry.operand.byte = state.transfersLines ? 1 : 0;
        return 0;
    case kOmfIsCompressed:
        entry.operand.byte = state.compressed() ? kCompressed : kUncompressed;
        return 0;
    case kOmfLineLength:
        entry.operand.int32 = kPackedLineLength;
        return 0;
    default:
        return state.answerFormatEntry(file, entry);
    }
}

// Applies one file-format entry; `*stop` ends the list without an error.
omfErr_t applyFileEntry(omfHdl_t file, PictureState& state, const omfFormatEntry_t& entry,
                        bool* stop) {
    if (entry.opcode == kOmfSampledRect &&
        sampledRectOutsideStored(state.geometry, entry.operand.rect)) {
        *stop = true;
        return 0;
    }
    // Alignment padding is written from the codec's zero buffer, which
    // grows when padding is first written.
    if (applyGeometryEntry(state.geometry, entry)) return 0;
    // The stored pixel format is the codec's own.
    if (entry.opcode == kOmfPixelFormat) return 0;
    return state.applyFormatEntry(file, entry);
}

omfErr_t putFileFormat(omfHdl_t file, omfMediaHdl_t media, PictureState& state,
                       const FormatEntries& entries) {
    // The field order code and the line map describe one thing: both or neither.
    if (entries.contains(kOmfFieldDominance) != entries.contains(kOmfVideoLineMap)) {
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
    bool stop = false;
    OMF_CHECK(file, entries.forEach([&](const omfFormatEntry_t& entry) -> omfErr_t {
        if (stop) return 0;
        return applyFileEntry(file, state, entry, &stop);
    }));
    OMF_CHECK(file, state.fileFormatApplied(file));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t putMemoryFormat(omfHdl_t file, omfMediaHdl_t media, PictureState& state,
                         const FormatEntries& entries) {
    OMF_CHECK(file, entries.forEach([&](const omfFormatEntry_t& entry) {
        return putMemoryEntry(file, state.memoryFormat, entry);
    }));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t checkInfo(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (pictureStateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    if (parms->spc.info.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return 0;
}

} // namespace

omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, PictureState& state) {
    media::FormatList& list = state.fileFormat;
    const VideoGeometry& geometry = state.geometry;
    list.clear();
    OMF_CHECK(file, list.putInt32(kOmfPixelFormat, state.pixelFormat));
    OMF_CHECK(file, list.putInt32(kOmfFrameLayout, geometry.layout));
    OMF_CHECK(file, list.putInt16(kOmfPixelSize, static_cast<omfInt16>(state.pixelSize)));
    OMF_CHECK(file, list.putRect(kOmfStoredRect, geometry.storedRect()));
    OMF_CHECK(file, list.putLineMap(kOmfVideoLineMap, geometry.lineMap[0], geometry.lineMap[1]));
    OMF_CHECK(file, state.putFormatEntries(file, list));

    media::StreamFormat memory;
    memory.kind = media->pictureKind;
    memory.list = state.memoryFormat.data();
    const media::FormatList* streamList = nullptr;
    OMF_CHECK(file, state.streamFileFormat(file, &streamList));
    media::StreamFormat stored;
    stored.kind = media->pictureKind;
    stored.list = streamList->data();
    OMF_CHECK(file, media::streamSetMemoryFormat(media->stream, memory));
    OMF_CHECK(file, media::streamSetFileFormat(media->stream, stored));
    return 0;
}

omfErr_t getPictureInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    OMF_CHECK(file, checkInfo(file, media, parms));
    const PictureState& state = *pictureStateOf(media);
    auto& info = parms->spc.info;
    switch (info.selector) {
    case kMediaInfoVideoFormat: {
        FormatEntries entries(info.buffer, info.size);
        OMF_CHECK(file, entries.forEach([&](omfFormatEntry_t& entry) {
            return answerFileEntry(file, state, entry);
        }));
        return 0;
    }
    case kMediaInfoMaxSampleSize:
        OMF_CHECK(file, answerLargestSample(file, media, state.frameSize, info.size, info.buffer));
        return 0;
    case kMediaInfoDataSize:
        OMF_CHECK(file, answerDataSize(file, media, info.size, info.buffer));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
}

omfErr_t putPictureInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkInfo(file, media, parms));
    PictureState& state = *pictureStateOf(media);
    auto& info = parms->spc.info;
    FormatEntries entries(info.buffer, info.size);
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

} // namespace omf::codecs::video
