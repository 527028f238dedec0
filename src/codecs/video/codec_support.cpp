// Operations and checks shared by the uncompressed video codecs.
#include "video/codec_support.h"

#include "media/codec_support/file_facts.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_session.h"

#include <cstring>

namespace omf::codecs::video {

bool isPictureKind(omfSessionHdl_t session, omfObject_t kind) {
    if (kind == nullptr) return false;
    if (kind == kPictureToken1x) return true;
    return media::isOpenFilesPictureKind(session, kind);
}

omfErr_t pictureChannels(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    bool found = omfsFindDataKind(file, kPictureKind, &picture, &status);
    parms->spc.numChannels.numChannels =
        found && parms->spc.numChannels.mediaKind == picture ? 1 : 0;
    return 0;
}

omfErr_t singleTransfer(omfHdl_t file, omfCodecParms_t* parms, omfmMultiXfer_t** transfer) {
    auto& samples = parms->spc.samples;
    if (samples.count != 1 || samples.transfers == nullptr ||
        samples.transfers[0].subTrackNum != 1) {
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    }
    *transfer = &samples.transfers[0];
    return 0;
}

bool hasMediaData(omfHdl_t file, omfMediaHdl_t media) {
    if (media->dataObject != nullptr) return true;
    omfHdl_t dataFile = media->dataFile != nullptr ? media->dataFile : file;
    return dataFile != nullptr && media::isRawFile(dataFile);
}

bool memoryLayoutDiffers(const media::FormatList& memoryFormat, omfInt32 storedLayout) {
    const omfFormatEntry_t* layout = memoryFormat.find(kOmfFrameLayout);
    return layout != nullptr && layout->operand.int32 != storedLayout;
}

omfErr_t answerLargestSample(omfHdl_t file, omfMediaHdl_t media, omfInt64 frameSize, omfInt32 size,
                             void* buffer) {
    if (size < omfInt32(sizeof(omfMaxSampleSize_t))) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    auto* answer = static_cast<omfMaxSampleSize_t*>(buffer);
    if (media->channels.empty() || answer->mediaKind != media->channels.front().mediaKind) {
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    }
    answer->largestSampleSize = static_cast<omfInt32>(frameSize);
    return 0;
}

omfErr_t answerDataSize(omfHdl_t file, omfMediaHdl_t media, omfInt32 size, void* buffer) {
    if (size < omfInt32(sizeof(omfInt64))) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    omfInt64 length = 0;
    // Sample data still in the stream's cache counts.
    OMF_CHECK(file, media::streamFlush(media->stream));
    OMF_CHECK(file, media::streamLength(media->stream, &length));
    std::memcpy(buffer, &length, sizeof length);
    return 0;
}

omfErr_t putMemoryEntry(omfHdl_t file, media::FormatList& memoryFormat,
                        const omfFormatEntry_t& entry) {
    switch (entry.opcode) {
    case kOmfPixelFormat:
    case kOmfFrameLayout:
    case kOmfFieldDominance:
    case kOmfStoredRect:
    case kOmfAspectRatio:
    case kOmfLineLength:
    case kOmfRGBCompLayout:
    case kOmfRGBCompSizes:
        OMF_CHECK(file, memoryFormat.put(entry));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_MEMORY_FORMAT);
    }
}

} // namespace omf::codecs::video
