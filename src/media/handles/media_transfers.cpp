// Positioning and sample transfers on media handles.
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_error_codes.h"

using namespace omf;
using namespace omf::media;

namespace {

omfErr_t setFrame(omfMediaHdl_t media, omfInt64 frame) {
    omfCodecParms_t parms{};
    parms.spc.setFrame.frameNumber = frame;
    return callCodec(media, kCodecOpSetFrame, parms);
}

omfErr_t transfer(omfMediaHdl_t media, omfCodecOperationIndex_t operation, omfInt32 count,
                  omfmMultiXfer_t* transfers) {
    omfCodecParms_t parms{};
    parms.spc.samples.count = count;
    parms.spc.samples.transfers = transfers;
    return callCodec(media, operation, parms);
}

// A write is counted in the channels it reached, also when it stopped part way.
void countWritten(omfMediaRec& media, omfInt32 count, const omfmMultiXfer_t* transfers) {
    for (omfInt32 i = 0; i < count; ++i) {
        omfInt16 channel = transfers[i].subTrackNum;
        if (channel >= 1 && size_t(channel) <= media.channels.size()) {
            media.channels[size_t(channel - 1)].sampleCount += transfers[i].samplesXfered;
        }
    }
}

omfErr_t checkWritable(omfHdl_t file, const omfMediaRec& media) {
    if (media.openMode != kMediaCreated && media.openMode != kMediaOpenAppend) {
        OMF_RAISE(file, OM_ERR_WRONG_MEDIA_MODE);
    }
    return 0;
}

omfErr_t lines(omfMediaHdl_t media, omfCodecOperationIndex_t operation, omfInt32 lineCount,
               omfInt32 bufferSize, void* buffer, omfInt32* bytes) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    if (bytes != nullptr) *bytes = 0;
    omfCodecParms_t parms{};
    parms.spc.lines.lineCount = lineCount;
    parms.spc.lines.bufferSize = bufferSize;
    parms.spc.lines.buffer = buffer;
    omfErr_t status = callCodec(media, operation, parms);
    if (bytes != nullptr) *bytes = parms.spc.lines.bytesTransferred;
    return status;
}

} // namespace

extern "C" {

omfErr_t omfmCountSamples(omfMediaHdl_t media, omfInt64* count) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (media->repeatCount >= 2) {
        *count = media->repeatCount;
    } else {
        *count = media->channels.empty() ? 0 : media->channels.front().sampleCount;
    }
    return 0;
}

omfErr_t omfmSeekFrame(omfMediaHdl_t media, omfInt64 frame) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    return setFrame(media, media->repeatCount >= 2 ? 1 : frame);
}

omfErr_t omfmSetFrame(omfMediaHdl_t media, omfInt64 frame) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    return setFrame(media, frame);
}

omfErr_t omfmReadChannelSamples(omfMediaHdl_t media, omfInt32 count, omfInt32 bufferSize,
                                void* buffer, omfInt32* bytesRead) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    if (bytesRead != nullptr) *bytesRead = 0;
    // A repeated still frame is always its one sample.
    if (media->repeatCount >= 2) OMF_CHECK(file, setFrame(media, 1));
    omfmMultiXfer_t one{media->readChannel, count, bufferSize, buffer, 0, 0};
    omfErr_t status = transfer(media, kCodecOpReadSamples, 1, &one);
    if (bytesRead != nullptr) *bytesRead = one.bytesXfered;
    return status;
}

omfErr_t omfmReadMediaSamples(omfMediaHdl_t media, omfInt32 count, omfInt32 bufferSize,
                              void* buffer, omfInt32* samplesRead, omfInt32* bytesRead) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    omfmMultiXfer_t one{1, count, bufferSize, buffer, 0, 0};
    omfErr_t status = transfer(media, kCodecOpReadSamples, 1, &one);
    if (samplesRead != nullptr) *samplesRead = one.samplesXfered;
    if (bytesRead != nullptr) *bytesRead = one.bytesXfered;
    return status;
}

omfErr_t omfmReadMultiSamples(omfMediaHdl_t media, omfInt32 count, omfmMultiXfer_t* transfers) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (transfers == nullptr || count <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return transfer(media, kCodecOpReadSamples, count, transfers);
}

omfErr_t omfmWriteMediaSamples(omfMediaHdl_t media, omfInt32 count, const void* buffer,
                               omfInt32 bufferSize) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (media->channels.size() != 1) OMF_RAISE(file, OM_ERR_MULTI_CHANNEL_STREAM);
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
    OMF_CHECK(file, checkWritable(file, *media));
    omfmMultiXfer_t one{1, count, bufferSize, const_cast<void*>(buffer), 0, 0};
    omfErr_t status = transfer(media, kCodecOpWriteSamples, 1, &one);
    countWritten(*media, 1, &one);
    return status;
}

omfErr_t omfmWriteMultiSamples(omfMediaHdl_t media, omfInt32 count, omfmMultiXfer_t* transfers) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (transfers == nullptr || count <= 0) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, checkWritable(file, *media));
    omfErr_t status = transfer(media, kCodecOpWriteSamples, count, transfers);
    countWritten(*media, count, transfers);
    return status;
}

omfErr_t omfmReadDataLines(omfMediaHdl_t media, omfInt32 lineCount, omfInt32 bufferSize,
                           void* buffer, omfInt32* bytesRead) {
    return lines(media, kCodecOpReadLines, lineCount, bufferSize, buffer, bytesRead);
}

omfErr_t omfmWriteDataLines(omfMediaHdl_t media, omfInt32 lineCount, omfInt32 bufferSize,
                            const void* buffer, omfInt32* bytesWritten) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    OMF_CHECK(file, checkWritable(file, *media));
    return lines(media, kCodecOpWriteLines, lineCount, bufferSize, const_cast<void*>(buffer),
                 bytesWritten);
}

} // extern "C"
