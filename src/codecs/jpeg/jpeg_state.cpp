// The JPEG codec's per-handle state: sizes of stored and decoded frames,
// the decoded form handed to the pixel translator, and what open reads
// beyond the component video description.
#include "jpeg/jpeg_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/video_geometry.h"

namespace omf::codecs::jpeg {

namespace {

constexpr omfInt32 kDecodedPixelBits = 24;
constexpr char kDecodedComponents[] = {'R', 'G', 'B'};
constexpr omfUInt8 kDecodedSizes[] = {8, 8, 8};

// The 8-bit R, G, B pixels libjpeg delivers.
omfErr_t putDecodedPixels(omfHdl_t file, media::FormatList& list) {
    OMF_CHECK(file, list.putInt32(kOmfPixelFormat, kOmfPixRGBA));
    OMF_CHECK(file,
              list.putBytes(kOmfRGBCompLayout, kDecodedComponents, sizeof kDecodedComponents));
    OMF_CHECK(file, list.putBytes(kOmfRGBCompSizes, kDecodedSizes, sizeof kDecodedSizes));
    return 0;
}

} // namespace

JpegState::JpegState(MessageFamily family) : CdciState(false), layer(family) {
    // New media starts with the offset of its first frame.
    index.append(0);
}

omfInt64 JpegState::decodedFrameBytes() const {
    return omfInt64(geometry.fieldsPerFrame()) * geometry.storedWidth * geometry.storedHeight * 3;
}

omfInt32 JpegState::imagesPerFrame() const {
    return geometry.layout == kOmfSeparateFields ? 2 : 1;
}

omfInt32 JpegState::imageRows() const {
    return geometry.fieldsPerFrame() * geometry.storedHeight / imagesPerFrame();
}

omfErr_t JpegState::computeSizes(omfHdl_t file) {
    omfInt32 components = 0;
    if (horizontalSubsampling == 1) {
        components = 3;
    } else if (horizontalSubsampling == 2) {
        components = 2;
    } else {
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
    pixelSize = componentWidth * components;
    OMF_CHECK(file, video::frameBytes(file, geometry, pixelSize, &frameSize));
    // The decoded frame must be one transfer too.
    omfInt64 decodedBytes = 0;
    OMF_CHECK(file, video::frameBytes(file, geometry, kDecodedPixelBits, &decodedBytes));
    return 0;
}

omfErr_t JpegState::streamFileFormat(omfHdl_t file, const media::FormatList** list) {
    decodedFormat.clear();
    OMF_CHECK(file, putDecodedPixels(file, decodedFormat));
    OMF_CHECK(file, decodedFormat.putInt32(kOmfFrameLayout, geometry.layout));
    OMF_CHECK(file, decodedFormat.putInt16(kOmfPixelSize, kDecodedPixelBits));
    OMF_CHECK(file, decodedFormat.putRect(kOmfStoredRect, geometry.storedRect()));
    OMF_CHECK(file,
              decodedFormat.putLineMap(kOmfVideoLineMap, geometry.lineMap[0], geometry.lineMap[1]));
    *list = &decodedFormat;
    return 0;
}

omfErr_t JpegState::defaultMemoryFormat(omfHdl_t file, media::FormatList& memory) const {
    return putDecodedPixels(file, memory);
}

omfErr_t JpegState::readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    const auto* jpegCodes = static_cast<const PropertyCodes*>(codes);
    OMF_CHECK(file, CdciState::readDescriptor(file, media,
                                              static_cast<const cdci::PropertyCodes*>(jpegCodes)));
    OMF_CHECK(file, readIndex(file, media, codes));
    return 0;
}

omfErr_t JpegState::readIndex(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    index.clear();
    OMF_CHECK(file, loadFrameIndex(file, media->dataObject,
                                   *static_cast<const PropertyCodes*>(codes), index));
    return 0;
}

} // namespace omf::codecs::jpeg
