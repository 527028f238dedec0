// Opening and creating RGBA media: the per-handle state from the
// descriptor (or defaults), the codec stream on the image data, and the
// format lists the pixel translator works between.
#include "rgba/rgba_state.h"

#include "internal/error_flow.h"
#include "internal/pixel_translator.h"
#include "internal/records.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <cstring>
#include <memory>
#include <new>

namespace omf::codecs::rgba {

namespace {

// Component letters RGB pixels may hold: alpha, blue, fill, green, palette
// index and red.
constexpr char kComponentLetters[] = "ABFGPR";
constexpr omfUInt8 kDefaultComponentSize = 8;

const PropertyCodes* codesOf(omfCodecParms_t* parms) {
    return static_cast<const PropertyCodes*>(parms->persistent);
}

omfErr_t readComponents(omfHdl_t file, omfObject_t descriptor, const PropertyCodes& codes,
                        RgbaState& state) {
    OMF_CHECK(file, video::readComponentBytes(file, descriptor, codes.pixelLayout,
                                              kOmfType_CompCodeArray, state.components));
    std::memset(state.componentSizes, 0, sizeof state.componentSizes);
    if (omfsPropertyPresent(file, descriptor, codes.pixelStructure, kOmfType_CompSizeArray)) {
        OMF_CHECK(file, video::readComponentBytes(file, descriptor, codes.pixelStructure,
                                                  kOmfType_CompSizeArray, state.componentSizes));
    } else {
        for (size_t i = 0; i < sizeof state.components && state.components[i] != 0; ++i) {
            state.componentSizes[i] = kDefaultComponentSize;
        }
    }
    return 0;
}

omfErr_t readDescriptor(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                        RgbaState& state) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file,
              omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &state.sampleRate));
    omfInt64 length = 0;
    OMF_CHECK(file, omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length));
    media->channels.front().sampleCount = length;
    OMF_CHECK(file, media::streamOpen(media->stream, media, media->dataObject,
                                      kOmfProperty_IDAT_ImageData, kOmfType_DataValue));
    OMF_CHECK(file, video::readGeometry(file, descriptor, state.geometry));
    OMF_CHECK(file, readComponents(file, descriptor, codes, state));
    OMF_CHECK(file, computeSizes(file, state));
    return 0;
}

omfErr_t startTranslation(omfHdl_t file, omfMediaHdl_t media, RgbaState& state) {
    OMF_CHECK(file, state.memoryFormat.putInt32(kOmfPixelFormat, kOmfPixRGBA));
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

omfErr_t finishStart(omfHdl_t file, omfMediaHdl_t media, std::unique_ptr<RgbaState> state,
                     omfErr_t status) {
    if (status != 0) {
        if (media->stream.tag == media::kStreamTag) media::streamClose(media->stream);
        return omf::propagate(file, status, __FILE__, __LINE__);
    }
    media->codecState = state.release();
    return 0;
}

omfErr_t openState(omfHdl_t file, omfMediaHdl_t media, const PropertyCodes& codes,
                   RgbaState& state) {
    OMF_CHECK(file, readDescriptor(file, media, codes, state));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

omfErr_t createState(omfHdl_t file, omfMediaHdl_t media, RgbaState& state) {
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

omfErr_t computeSizes(omfHdl_t file, RgbaState& state) {
    size_t count = 0;
    while (count < sizeof state.components && state.components[count] != 0) {
        if (std::strchr(kComponentLetters, state.components[count]) == nullptr) {
            OMF_RAISE(file, OM_ERR_UNKNOWN_PIXEL_FORMAT);
        }
        ++count;
    }
    if (count == 0) OMF_RAISE(file, OM_ERR_UNKNOWN_PIXEL_FORMAT);
    omfInt32 bits = 0;
    for (omfUInt8 size : state.componentSizes)
        bits += size;
    if (bits == 0 || bits % 8 != 0) OMF_RAISE(file, OM_ERR_24BIT_VIDEO_ONLY);
    state.pixelSize = bits;
    const video::VideoGeometry& geometry = state.geometry;
    state.frameSize = omfInt64(geometry.fieldsPerFrame()) * (bits / 8) * geometry.storedWidth *
                      geometry.storedHeight;
    return 0;
}

omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, RgbaState& state) {
    media::FormatList& list = state.fileFormat;
    const video::VideoGeometry& geometry = state.geometry;
    list.clear();
    OMF_CHECK(file, list.putInt32(kOmfPixelFormat, kOmfPixRGBA));
    OMF_CHECK(file, list.putInt32(kOmfFrameLayout, geometry.layout));
    OMF_CHECK(file, list.putInt16(kOmfPixelSize, static_cast<omfInt16>(state.pixelSize)));
    OMF_CHECK(file, list.putRect(kOmfStoredRect, geometry.storedRect()));
    OMF_CHECK(file, list.putLineMap(kOmfVideoLineMap, geometry.lineMap[0], geometry.lineMap[1]));
    OMF_CHECK(file, list.putBytes(kOmfRGBCompLayout, state.components, sizeof state.components));
    OMF_CHECK(file,
              list.putBytes(kOmfRGBCompSizes, state.componentSizes, sizeof state.componentSizes));

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

video::FramePlacement placementOf(const RgbaState& state) {
    video::FramePlacement placement;
    placement.frameSize = state.frameSize;
    placement.fields = state.geometry.fieldsPerFrame();
    placement.alignment = state.geometry.alignment;
    return placement;
}

omfErr_t open(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    auto state = std::make_unique<RgbaState>();
    omfErr_t status = openState(file, media, *codesOf(parms), *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t create(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    auto state = std::make_unique<RgbaState>();
    omfErr_t status = createState(file, media, *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::rgba
