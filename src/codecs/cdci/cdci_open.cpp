// Opening and creating CDCI media: the per-handle state from the
// descriptor (or defaults), the codec stream on the image data, and the
// format lists the pixel translator works between.
#include "cdci/cdci_state.h"

#include "internal/error_flow.h"
#include "internal/pixel_translator.h"
#include "internal/records.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <cstring>
#include <memory>
#include <new>

namespace omf::codecs::cdci {

namespace {

// File mobs whose ID prefix is this number were written by a product that
// stored 4:2:2 "AUNC" media with a wrong subsampling value.
constexpr omfUInt32 kHalfWidthChromaMobPrefix = 42;
// Client fill after each field of "AUNC" media that does not name it.
constexpr omfInt32 kUncompressedFillEnd = 4;
constexpr omfInt32 kCompressionTextSize = 64;

// Padding that brings one pixel (two components with 4:2:2, three with
// 4:4:4) to whole bytes.
omfInt32 defaultPadding(omfInt32 componentWidth, omfInt32 subsampling) {
    omfInt32 bits = (subsampling == 1 ? 3 : 2) * componentWidth;
    return (8 - bits % 8) % 8;
}

bool validComponentWidth(omfInt32 width) {
    return width == 8 || width == 10 || width == 16;
}

omfErr_t readCompressionTag(omfHdl_t file, omfObject_t descriptor, bool* uncompressed) {
    *uncompressed = false;
    if (!omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_Compression, kOmfType_String)) {
        return 0;
    }
    char text[kCompressionTextSize] = {};
    OMF_CHECK(file,
              omfsReadString(file, descriptor, kOmfProperty_DIDD_Compression, text, sizeof text));
    *uncompressed = std::strcmp(text, kUncompressedTag) == 0;
    return 0;
}

const PropertyCodes* codesOf(omfCodecParms_t* parms) {
    return static_cast<const PropertyCodes*>(parms->persistent);
}

// Reads the component properties of the descriptor, in the order their
// defaults depend on each other.
omfErr_t readComponents(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                        CdciState& state) {
    omfObject_t descriptor = media->descriptor;
    using video::readNumber;
    using video::readOptionalNumber;
    OMF_CHECK(file, readNumber(file, descriptor, codes.componentWidth, kOmfType_Int32,
                               &state.componentWidth));
    if (!validComponentWidth(state.componentWidth)) {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    OMF_CHECK(file, readNumber(file, descriptor, codes.horizontalSubsampling, kOmfType_UInt32,
                               &state.horizontalSubsampling));
    OMF_CHECK(file,
              readOptionalNumber(file, descriptor, codes.paddingBits, kOmfType_Int16,
                                 defaultPadding(state.componentWidth, state.horizontalSubsampling),
                                 &state.paddingBits));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.colorSiting,
                                       kOmfType_ColorSitingType, 0, &state.colorSiting));
    if (state.uncompressedTag && media->fileMob != nullptr) {
        omfMobID_t mobID{};
        OMF_CHECK(file, omfiReadMobID(file, media->fileMob, &mobID));
        if (mobID.prefix == kHalfWidthChromaMobPrefix) state.horizontalSubsampling = 2;
    }
    OMF_CHECK(file, computeSizes(file, state));

    omfInt32 scale = fullScale(state.componentWidth);
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.blackReferenceLevel, kOmfType_UInt32,
                                       0, &state.blackLevel));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.whiteReferenceLevel, kOmfType_UInt32,
                                       scale, &state.whiteLevel));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.colorRange, kOmfType_UInt32,
                                       scale - 1, &state.colorRange));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.verticalSubsampling, kOmfType_Int32,
                                       1, &state.verticalSubsampling));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, kOmfProperty_DIDD_ClientFillStart,
                                       kOmfType_Int32, 0, &state.clientFillStart));
    OMF_CHECK(file, readOptionalNumber(
                        file, descriptor, kOmfProperty_DIDD_ClientFillEnd, kOmfType_Int32,
                        state.uncompressedTag ? kUncompressedFillEnd : 0, &state.clientFillEnd));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, codes.resolutionID, kOmfType_Int32, 0,
                                       &state.resolutionID));
    return 0;
}

omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                        CdciState& state) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file,
              omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &state.sampleRate));
    omfInt64 length = 0;
    OMF_CHECK(file, omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length));
    media->channels.front().sampleCount = length;
    OMF_CHECK(file, media::streamOpen(media->stream, media, media->dataObject,
                                      kOmfProperty_IDAT_ImageData, kOmfType_DataValue));
    OMF_CHECK(file, video::readGeometry(file, descriptor, state.geometry));
    omfInt32 firstFrame = 0;
    OMF_CHECK(file, video::readOptionalNumber(file, descriptor, codes.firstFrameOffset,
                                              kOmfType_Int32, 0, &firstFrame));
    state.dataStart = firstFrame;
    OMF_CHECK(file, readCompressionTag(file, descriptor, &state.uncompressedTag));
    OMF_CHECK(file, readComponents(file, media, codes, state));
    return 0;
}

// Installs the pixel translator and both formats on the freshly opened stream.
omfErr_t startTranslation(omfHdl_t file, omfMediaHdl_t media, CdciState& state) {
    OMF_CHECK(file, state.memoryFormat.putInt32(kOmfPixelFormat, kOmfPixYUV));
    OMF_CHECK(file, media::streamAddTranslator(media->stream, media::makePixelTranslator()));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t checkHandle(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (media == nullptr) OMF_RAISE(file, OM_ERR_BAD_MEDIA_HANDLE);
    if (media->channels.empty()) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (codesOf(parms) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

// Hands the new state to the handle, or drops it and closes the stream when
// `status` is a failure.
omfErr_t finishStart(omfHdl_t file, omfMediaHdl_t media, std::unique_ptr<CdciState> state,
                     omfErr_t status) {
    if (status != 0) {
        if (media->stream.tag == media::kStreamTag) media::streamClose(media->stream);
        return omf::propagate(file, status, __FILE__, __LINE__);
    }
    media->codecState = state.release();
    return 0;
}

omfErr_t openState(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                   CdciState& state) {
    OMF_CHECK(file, readDescriptor(file, media, codes, state));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

omfErr_t createState(omfHdl_t file, omfMediaHdl_t media, CdciState& state) {
    if (file->rawFile) {
        state.sampleRate = media->channels.front().sampleRate;
    } else if (omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                &state.sampleRate) != 0) {
        OMF_RAISE(file, OM_ERR_DESCRIPTOR_SAMPLE_RATE);
    }
    state.geometry.aspectRatio = {4, 3};
    OMF_CHECK(file, media::streamOpen(media->stream, media, media->dataObject,
                                      kOmfProperty_IDAT_ImageData, kOmfType_DataValue));
    OMF_CHECK(file, computeSizes(file, state));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

} // namespace

omfErr_t computeSizes(omfHdl_t file, CdciState& state) {
    omfInt32 components = 0;
    if (state.horizontalSubsampling == 1) {
        components = 3;
    } else if (state.horizontalSubsampling == 2) {
        components = 2;
    } else {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    state.pixelSize = state.paddingBits + state.componentWidth * components;
    const video::VideoGeometry& geometry = state.geometry;
    omfInt64 bits = omfInt64(geometry.storedWidth) * geometry.storedHeight *
                    geometry.fieldsPerFrame() * state.pixelSize;
    state.frameSize = (bits + 7) / 8;
    return 0;
}

omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, CdciState& state) {
    media::FormatList& list = state.fileFormat;
    const video::VideoGeometry& geometry = state.geometry;
    list.clear();
    OMF_CHECK(file, list.putInt32(kOmfPixelFormat, kOmfPixYUV));
    OMF_CHECK(file, list.putInt32(kOmfFrameLayout, geometry.layout));
    OMF_CHECK(file, list.putInt16(kOmfPixelSize, static_cast<omfInt16>(state.pixelSize)));
    OMF_CHECK(file, list.putRect(kOmfStoredRect, geometry.storedRect()));
    OMF_CHECK(file, list.putLineMap(kOmfVideoLineMap, geometry.lineMap[0], geometry.lineMap[1]));
    OMF_CHECK(file, list.putInt32(kOmfCDCIColorSiting, state.colorSiting));
    OMF_CHECK(file, list.putInt32(kOmfCDCIBlackLevel, state.blackLevel));
    OMF_CHECK(file, list.putInt32(kOmfCDCIWhiteLevel, state.whiteLevel));
    OMF_CHECK(file, list.putInt32(kOmfCDCIColorRange, state.colorRange));

    media::StreamFormat memory;
    memory.kind = media->pictureKind;
    memory.list = state.memoryFormat.data();
    media::StreamFormat stored;
    stored.kind = media->pictureKind;
    stored.list = list.data();
    OMF_CHECK(file, media::streamSetMemoryFormat(media->stream, memory));
    OMF_CHECK(file, media::streamSetFileFormat(media->stream, stored));
    return 0;
}

video::FramePlacement placementOf(const CdciState& state) {
    video::FramePlacement placement;
    placement.frameSize = state.frameSize;
    placement.fields = state.geometry.fieldsPerFrame();
    placement.fillStart = state.clientFillStart;
    placement.fillEnd = state.clientFillEnd;
    placement.alignment = state.geometry.alignment;
    placement.dataStart = state.dataStart;
    return placement;
}

omfErr_t open(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    auto state = std::make_unique<CdciState>();
    omfErr_t status = openState(file, media, *codesOf(parms), *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t create(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    auto state = std::make_unique<CdciState>();
    omfErr_t status = createState(file, media, *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::cdci
