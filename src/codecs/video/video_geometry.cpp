// Picture geometry: descriptor properties, summary and format-list entries.
#include "video/video_geometry.h"

#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <limits>

namespace omf::codecs::video {

namespace {

// A rectangle stored as four optional properties; taken only when both its
// width and height are present.
struct RectProperties {
    omfProperty_t width, height, xOffset, yOffset;
};

constexpr RectProperties kSampledProperties{
    kOmfProperty_DIDD_SampledWidth, kOmfProperty_DIDD_SampledHeight,
    kOmfProperty_DIDD_SampledXOffset, kOmfProperty_DIDD_SampledYOffset};
constexpr RectProperties kDisplayedProperties{
    kOmfProperty_DIDD_DisplayWidth, kOmfProperty_DIDD_DisplayHeight,
    kOmfProperty_DIDD_DisplayXOffset, kOmfProperty_DIDD_DisplayYOffset};

omfErr_t readRect(omfHdl_t file, omfObject_t descriptor, const RectProperties& names,
                  omfRect_t& rect, bool& present) {
    if (!omfsPropertyPresent(file, descriptor, names.width, kOmfType_Int32) ||
        !omfsPropertyPresent(file, descriptor, names.height, kOmfType_Int32)) {
        return 0;
    }
    omfRect_t read{0, 0, 0, 0};
    OMF_CHECK(file, omfsReadInt32(file, descriptor, names.width, &read.xSize));
    OMF_CHECK(file, omfsReadInt32(file, descriptor, names.height, &read.ySize));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, names.xOffset, kOmfType_Int32, 0,
                                       &read.xOffset));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, names.yOffset, kOmfType_Int32, 0,
                                       &read.yOffset));
    rect = read;
    present = true;
    return 0;
}

omfErr_t writeRect(omfHdl_t file, omfObject_t descriptor, const RectProperties& names,
                   const omfRect_t& rect) {
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, names.height, rect.ySize));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, names.width, rect.xSize));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, names.xOffset, rect.xOffset));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, names.yOffset, rect.yOffset));
    return 0;
}

// Element `index` (from 1) of the line map, 0 when the map is shorter.
omfErr_t readLineMapEntry(omfHdl_t file, omfObject_t descriptor, omfInt32 index, omfInt32* line) {
    *line = 0;
    if (!omfsPropertyPresent(file, descriptor, kOmfProperty_DIDD_VideoLineMap,
                             kOmfType_Int32Array)) {
        return 0;
    }
    if (omfsLengthInt32Array(file, descriptor, kOmfProperty_DIDD_VideoLineMap) < index) return 0;
    OMF_CHECK(file,
              omfsGetNthInt32Array(file, descriptor, kOmfProperty_DIDD_VideoLineMap, index, line));
    return 0;
}

} // namespace

omfErr_t readGeometry(omfHdl_t file, omfObject_t descriptor, VideoGeometry& geometry) {
    OMF_CHECK(file, omfsReadInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth,
                                  &geometry.storedWidth));
    OMF_CHECK(file, omfsReadInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight,
                                  &geometry.storedHeight));
    OMF_CHECK(file, readRect(file, descriptor, kSampledProperties, geometry.sampled,
                             geometry.sampledSet));
    OMF_CHECK(file, readRect(file, descriptor, kDisplayedProperties, geometry.displayed,
                             geometry.displayedSet));
    OMF_CHECK(file, omfsReadRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio,
                                     &geometry.aspectRatio));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, kOmfProperty_DIDD_ImageAlignmentFactor,
                                       kOmfType_Int32, 1, &geometry.alignment));
    OMF_CHECK(file, readNumber(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                               &geometry.layout));
    if (geometry.layout != kOmfFullFrame) {
        OMF_CHECK(file, readLineMapEntry(file, descriptor, 1, &geometry.lineMap[0]));
        geometry.lineMap[1] = 0;
        if (geometry.fieldsPerFrame() == 2) {
            OMF_CHECK(file, readLineMapEntry(file, descriptor, 2, &geometry.lineMap[1]));
        }
    }
    return 0;
}

omfErr_t writeGeometry(omfHdl_t file, omfObject_t descriptor, const VideoGeometry& geometry) {
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight,
                                   geometry.storedHeight));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth,
                                   geometry.storedWidth));
    OMF_CHECK(file, writeRect(file, descriptor, kDisplayedProperties, geometry.displayedRect()));
    OMF_CHECK(file, writeRect(file, descriptor, kSampledProperties, geometry.sampledRect()));
    OMF_CHECK(file, writeNumber(file, descriptor, kOmfProperty_DIDD_FrameLayout,
                                kOmfType_LayoutType, geometry.layout));
    if (geometry.layout != kOmfFullFrame &&
        (geometry.lineMap[0] != 0 || geometry.lineMap[1] != 0)) {
        OMF_CHECK(file, omfsWriteInt32Array(file, descriptor, kOmfProperty_DIDD_VideoLineMap,
                                            geometry.lineMap, 2));
    }
    OMF_CHECK(file, omfsWriteRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio,
                                      geometry.aspectRatio));
    OMF_CHECK(file, omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_ImageAlignmentFactor,
                                   geometry.alignment));
    return 0;
}

bool answerGeometryEntry(const VideoGeometry& geometry, omfFormatEntry_t& entry) {
    switch (entry.opcode) {
    case kOmfFrameLayout:
        entry.operand.int32 = geometry.layout;
        return true;
    case kOmfFieldDominance:
        entry.operand.int32 = geometry.fieldOrderCode;
        return true;
    case kOmfStoredRect:
        entry.operand.rect = geometry.storedRect();
        return true;
    case kOmfSampledRect:
        entry.operand.rect = geometry.sampledRect();
        return true;
    case kOmfDisplayRect:
        entry.operand.rect = geometry.displayedRect();
        return true;
    case kOmfAspectRatio:
        entry.operand.ratio = geometry.aspectRatio;
        return true;
    case kOmfAlignmentFactor:
        entry.operand.int32 = geometry.alignment;
        return true;
    case kOmfVideoLineMap:
        entry.operand.lineMap[0] = geometry.lineMap[0];
        entry.operand.lineMap[1] = geometry.lineMap[1];
        return true;
    default:
        return false;
    }
}

bool applyGeometryEntry(VideoGeometry& geometry, const omfFormatEntry_t& entry) {
    switch (entry.opcode) {
    case kOmfFrameLayout:
        geometry.layout = entry.operand.int32;
        return true;
    case kOmfFieldDominance:
        geometry.fieldOrderCode = entry.operand.int32;
        return true;
    case kOmfStoredRect:
        geometry.storedWidth = entry.operand.rect.xSize;
        geometry.storedHeight = entry.operand.rect.ySize;
        return true;
    case kOmfSampledRect:
        geometry.sampled = entry.operand.rect;
        geometry.sampledSet = true;
        return true;
    case kOmfDisplayRect:
        geometry.displayed = entry.operand.rect;
        geometry.displayedSet = true;
        return true;
    case kOmfAspectRatio:
        geometry.aspectRatio = entry.operand.ratio;
        return true;
    case kOmfAlignmentFactor:
        geometry.alignment = entry.operand.int32;
        return true;
    case kOmfVideoLineMap:
        geometry.lineMap[0] = entry.operand.lineMap[0];
        geometry.lineMap[1] = entry.operand.lineMap[1];
        return true;
    default:
        return false;
    }
}

omfErr_t frameBytes(omfHdl_t file, const VideoGeometry& geometry, omfInt64 bitsPerPixel,
                    omfInt64* bytes) {
    // A transfer counts its bytes in 32 bits, so no frame can be larger.
    constexpr omfInt64 kMaxFrameBits = omfInt64(std::numeric_limits<omfInt32>::max()) * 8;
    const omfInt64 width = geometry.storedWidth, height = geometry.storedHeight;
    if (width < 0 || height < 0 || bitsPerPixel < 0) {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    // Each step stays far inside 64 bits: both sizes are 32-bit, and a pixel
    // count past the limit is refused before it is multiplied further.
    const omfInt64 fieldPixels = width * height;
    if (fieldPixels > kMaxFrameBits) OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    const omfInt64 pixels = fieldPixels * geometry.fieldsPerFrame();
    if (bitsPerPixel > 0 && pixels > kMaxFrameBits / bitsPerPixel) {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    *bytes = (pixels * bitsPerPixel + 7) / 8;
    return 0;
}

bool sampledRectOutsideStored(const VideoGeometry& geometry, const omfRect_t& rect) {
    return rect.yOffset < 0 ||
           static_cast<omfInt64>(rect.yOffset) + rect.ySize > geometry.storedHeight;
}

} // namespace omf::codecs::video
