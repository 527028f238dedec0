// Opening and creating CDCI media: the component properties read from the
// descriptor (or their defaults), and the pixel and frame sizes they give.
// The steps every picture codec shares are in video/picture_start.
#include "cdci/cdci_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"
#include "video/video_geometry.h"

namespace omf::codecs::cdci {

namespace {

// File mobs whose ID prefix is this number were written by a product that
// stored 4:2:2 "AUNC" media with a wrong subsampling value.
constexpr omfUInt32 kHalfWidthChromaMobPrefix = 42;
// Client fill after each field of "AUNC" media that does not name it.
constexpr omfInt32 kUncompressedFillEnd = 4;

// Padding that brings one pixel (two components with 4:2:2, three with
// 4:4:4) to whole bytes.
omfInt32 defaultPadding(omfInt32 componentWidth, omfInt32 subsampling) {
    omfInt32 bits = (subsampling == 1 ? 3 : 2) * componentWidth;
    return (8 - bits % 8) % 8;
}

bool validComponentWidth(omfInt32 width) {
    return width == 8 || width == 10 || width == 16;
}

} // namespace

// Reads the component properties of the descriptor, in the order their
// defaults depend on each other.
omfErr_t CdciState::readComponents(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes) {
    omfObject_t descriptor = media->descriptor;
    using video::readNumber;
    using video::readOptionalNumber;
    OMF_CHECK(file,
              readNumber(file, descriptor, codes.componentWidth, kOmfType_Int32, &componentWidth));
    if (!validComponentWidth(componentWidth)) OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    OMF_CHECK(file, readNumber(file, descriptor, codes.horizontalSubsampling, kOmfType_UInt32,
                               &horizontalSubsampling));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.paddingBits, kOmfType_Int16,
                                       defaultPadding(componentWidth, horizontalSubsampling),
                                       &paddingBits));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.colorSiting,
                                       kOmfType_ColorSitingType, 0, &colorSiting));
    if (uncompressedTag && media->fileMob != nullptr) {
        omfMobID_t mobID{};
        OMF_CHECK(file, omfiReadMobID(file, media->fileMob, &mobID));
        if (mobID.prefix == kHalfWidthChromaMobPrefix) horizontalSubsampling = 2;
    }
    OMF_CHECK(file, computeSizes(file));

    omfInt32 scale = fullScale(componentWidth);
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.blackReferenceLevel, kOmfType_UInt32,
                                       0, &blackLevel));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.whiteReferenceLevel, kOmfType_UInt32,
                                       scale, &whiteLevel));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.colorRange, kOmfType_UInt32,
                                       scale - 1, &colorRange));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.verticalSubsampling, kOmfType_Int32,
                                       1, &verticalSubsampling));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, kOmfProperty_DIDD_ClientFillStart,
                                       kOmfType_Int32, 0, &clientFillStart));
    OMF_CHECK(file,
              readOptionalNumber(file, descriptor, kOmfProperty_DIDD_ClientFillEnd, kOmfType_Int32,
                                 uncompressedTag ? kUncompressedFillEnd : 0, &clientFillEnd));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.resolutionID, kOmfType_Int32, 0,
                                       &resolutionID));
    // Fill counts bytes around each field; a negative count places no frame.
    if (clientFillStart < 0 || clientFillEnd < 0) OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    return 0;
}

omfErr_t CdciState::readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    const auto& propertyCodes = *static_cast<const PropertyCodes*>(codes);
    omfObject_t descriptor = media->descriptor;
    omfInt32 firstFrame = 0;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, propertyCodes.firstFrameOffset,
                                              kOmfType_Int32, 0, &firstFrame));
    dataStart = firstFrame;
    Compression compression = Compression::absent;
    OMF_CHECK(file, readCompression(file, descriptor, &compression));
    uncompressedTag = compression == Compression::uncompressed;
    OMF_CHECK(file, readComponents(file, media, propertyCodes));
    return 0;
}

omfErr_t CdciState::computeSizes(omfHdl_t file) {
    omfInt32 components = 0;
    if (horizontalSubsampling == 1) {
        components = 3;
    } else if (horizontalSubsampling == 2) {
        components = 2;
    } else {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    pixelSize = paddingBits + componentWidth * components;
    OMF_CHECK(file, video::frameBytes(file, geometry, pixelSize, &frameSize));
    return 0;
}

video::FramePlacement CdciState::placement() const {
    video::FramePlacement placement = PictureState::placement();
    placement.fillStart = clientFillStart;
    placement.fillEnd = clientFillEnd;
    placement.dataStart = dataStart;
    return placement;
}

} // namespace omf::codecs::cdci
