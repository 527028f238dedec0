// Closing JPEG media: for media written through the handle, Length, the
// summary of the picture format, the frame index and, for media of a named
// resolution, the properties that identify it as JFIF.
#include "jpeg/jpeg_state.h"

#include "media/codec_support/file_facts.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <memory>

namespace omf::codecs::jpeg {

namespace {

bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

// Media of a named resolution is JFIF media: its ID, the compression tags,
// and where the index lies relative to the image data.
omfErr_t writeResolution(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                         const JpegState& state) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file, video::writeNumber(file, descriptor, codes.resolutionID, kOmfType_Int32,
                                       state.resolutionID));
    // A four-letter tag: an ObjectTag in 1.x files, a ClassID in 2.x files.
    if (media::fileRevision(file) == kOmfRev2x) {
        OMF_CHECK(file, omfsWriteClassID(file, descriptor, codes.compressMethod, kJfifTag));
    } else {
        OMF_CHECK(file, omfsWriteObjectTag(file, descriptor, codes.compressMethod, kJfifTag));
    }
    OMF_CHECK(file, omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, kJfifTag));
    omfInt64 indexAt =
        media::valueFileOffset(file, media->dataObject, codes.frameIndex, kOmfType_Position32Array);
    omfInt64 imageAt = media::valueFileOffset(file, media->dataObject, kOmfProperty_IDAT_ImageData,
                                              kOmfType_DataValue);
    OMF_CHECK(file,
              omfsWriteInt64(file, descriptor, codes.offsetToFrameIndexes, indexAt + 2 - imageAt));
    OMF_CHECK(file, omfsWriteInt16(file, descriptor, codes.frameIndexByteOrder,
                                   static_cast<omfInt16>(media::fileByteOrder(file))));
    return 0;
}

} // namespace

omfErr_t JpegState::writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                 omfFileRev_t) const {
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    const auto& jpegCodes = *static_cast<const PropertyCodes*>(codes);
    OMF_CHECK(file, writeComponents(file, descriptor, jpegCodes));
    OMF_CHECK(file, video::writeNumber(file, descriptor, jpegCodes.colorSiting,
                                       kOmfType_ColorSitingType, colorSiting));
    // Readers choose the codec of component video by this tag; without it
    // the media would be taken for uncompressed.
    OMF_CHECK(file,
              omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, compressionTag()));
    return 0;
}

omfErr_t JpegState::storeIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) const {
    const auto& jpegCodes = *static_cast<const PropertyCodes*>(codes);
    OMF_CHECK(file, storeFrameIndex(file, media->dataObject, jpegCodes, index));
    if (resolutionID != 0) OMF_CHECK(file, writeResolution(file, media, jpegCodes, *this));
    return 0;
}

omfErr_t jpegClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    std::unique_ptr<JpegState> state(jpegStateOf(media));
    if (!state) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->codecState = nullptr;
    // The image data is complete before any descriptor property is written.
    OMF_CHECK(file, media::streamClose(media->stream));
    if (!written(media)) return 0;
    if (media->fileMob == nullptr || media->descriptor == nullptr)
        OMF_RAISE(file, OM_ERR_CORRUPT_VIDEO_INFO);
    if (parms->persistent == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    const auto& codes = *static_cast<const PropertyCodes*>(parms->persistent);
    OMF_CHECK(file, omfsWriteLength(file, media->descriptor, kOmfProperty_MDFL_Length,
                                    media->channels.front().sampleCount));
    if (!state->summaryWritten) {
        OMF_CHECK(file, state->writeSummary(file, media->descriptor, &codes, parms->fileRevision));
        state->summaryWritten = true;
    }
    // Media in a raw file has no data object to hold the index.
    if (media->dataObject == nullptr) return 0;
    OMF_CHECK(file, state->storeIndex(file, media, &codes));
    return 0;
}

} // namespace omf::codecs::jpeg
