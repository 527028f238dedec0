// The summary of the component video format that closing CDCI media
// writes into its descriptor.
#include "cdci/cdci_state.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

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

omfErr_t writeComponentSummary(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                               omfFileRev_t revision, const CdciState& state) {
    OMF_CHECK(file, state.writeComponents(file, descriptor, codes));
    OMF_CHECK(file, writeCompressionTags(file, descriptor, codes, revision));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_ClientFillStart,
                                   state.clientFillStart));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_ClientFillEnd,
                                   state.clientFillEnd));
    OMF_CHECK(file, video::writeNumber(file, descriptor, codes.resolutionID, kOmfType_Int32,
                                       state.resolutionID));
    return 0;
}

} // namespace

omfErr_t CdciState::writeComponents(omfHdl_t file, omfObject_t descriptor,
                                    const PropertyCodes& codes) const {
    using video::writeNumber;
    OMF_CHECK(file, video::writeGeometry(file, descriptor, geometry));
    OMF_CHECK(file,
              writeNumber(file, descriptor, codes.componentWidth, kOmfType_Int32, componentWidth));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.horizontalSubsampling, kOmfType_UInt32,
                                horizontalSubsampling));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.blackReferenceLevel, kOmfType_UInt32,
                                blackLevel));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.whiteReferenceLevel, kOmfType_UInt32,
                                whiteLevel));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.colorRange, kOmfType_UInt32, colorRange));
    OMF_CHECK(file, writeNumber(file, descriptor, codes.paddingBits, kOmfType_Int16, paddingBits));
    return 0;
}

omfErr_t CdciState::writeSummary(omfHdl_t file, omfObject_t descriptor, const void* codes,
                                 omfFileRev_t revision) const {
    // "AUNC" media keeps the descriptor it was opened with.
    if (uncompressedTag) return 0;
    if (codes == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return writeComponentSummary(file, descriptor, *static_cast<const PropertyCodes*>(codes),
                                 revision, *this);
}

} // namespace omf::codecs::cdci
