// Closing CDCI media: the stream, the descriptor's Length, and the summary
// of the picture format written into the descriptor.
#include "cdci/cdci_state.h"

#include "internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <memory>

namespace omf::codecs::cdci {

namespace {

omfErr_t writeCompressionTags(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                              omfFileRev_t revision) {
    OMF_CHECK(file,
              omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, kUncompressedTag));
    if (revision != kOmfRev2x) {
        OMF_CHECK(file,
                  omfsWriteObjectTag(file, descriptor, codes.compressMethod, kUncompressedTag));
    }
    return 0;
}

omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                      omfFileRev_t revision, const CdciState& state) {
    using video::writeNumber;
    OMF_CHECK(file, video::writeGeometry(file, descriptor, state.geometry));
    OMF_CHECK(file, writeCompressionTags(file, descriptor, codes, revision));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.componentWidth, kOmfType_Int32,
                                state.componentWidth));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.horizontalSubsampling, kOmfType_UInt32,
                                state.horizontalSubsampling));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.blackReferenceLevel, kOmfType_UInt32,
                                state.blackLevel));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.whiteReferenceLevel, kOmfType_UInt32,
                                state.whiteLevel));
    OMF_CHECK(file,
              writeNumber(file, descriptor, codes.colorRange, kOmfType_UInt32, state.colorRange));
    OMF_CHECK(file,
              writeNumber(file, descriptor, codes.paddingBits, kOmfType_Int16, state.paddingBits));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_ClientFillStart,
                                   state.clientFillStart));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_ClientFillEnd,
                                   state.clientFillEnd));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.resolutionID, kOmfType_Int32,
                                state.resolutionID));
    return 0;
}

// Media written through this handle: created, or opened for appending.
bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

} // namespace

omfErr_t close(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    std::unique_ptr<CdciState> state(stateOf(media));
    if (!state) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->codecState = nullptr;
    // The stream closes first: the descriptor cannot be written while the
    // stream still holds unwritten sample data.
    OMF_CHECK(file, media::streamClose(media->stream));
    if (!written(media) || media->descriptor == nullptr) return 0;
    OMF_CHECK(file, omfsWriteLength(file, media->descriptor, kOmfProperty_MDFL_Length,
                                    media->channels.front().sampleCount));
    if (state->uncompressedTag) return 0;
    const auto* codes = static_cast<const PropertyCodes*>(parms->persistent);
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    OMF_CHECK(file, writeSummary(file, media->descriptor, *codes, parms->fileRevision, *state));
    return 0;
}

} // namespace omf::codecs::cdci
