// Opening DV media: the components and frame size the descriptor gives,
// and the frame index they imply. Frames lie back to back from the data
// start, FrameSampleSize bytes each; the index holds the frames the
// descriptor counts as far as the data holds them, so that neither a
// hostile length nor a hostile frame size can size it beyond the data.
// The steps every picture codec shares are in video/picture_start.
#include "tdvc/tdvc_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/descriptor_values.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace omf::codecs::tdvc {

namespace {

bool validComponentWidth(omfInt32 width) {
    return width == 0 || width == 8 || width == 10 || width == 16;
}

} // namespace

omfErr_t TdvcState::readDescriptor(omfHdl_t file, omfMediaHdl_t media, const void* codes) {
    const auto& properties = *static_cast<const PropertyCodes*>(codes);
    omfObject_t descriptor = media->descriptor;
    using video::readOptionalNumber;
    omfInt32 firstFrame = 0;
    OMF_CHECK(file, readOptionalNumber(file, descriptor, properties.firstFrameOffset,
                                       kOmfType_Int32, 0, &firstFrame));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, properties.componentWidth, kOmfType_Int32,
                                       0, &componentWidth));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, properties.horizontalSubsampling,
                                       kOmfType_UInt32, 2, &horizontalSubsampling));
    OMF_CHECK(file, readOptionalNumber(file, descriptor, properties.frameSampleSize, kOmfType_Int32,
                                       0, &frameSampleSize));
    // Counts below zero place no frame.
    if (firstFrame < 0 || frameSampleSize < 0 || !validComponentWidth(componentWidth) ||
        horizontalSubsampling <= 0) {
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    }
    dataStart = firstFrame;
    OMF_CHECK(file, computeSizes(file));
    OMF_CHECK(file, buildIndex(file, media));
    return 0;
}

omfErr_t TdvcState::buildIndex(omfHdl_t file, omfMediaHdl_t media) try {
    index.clear();
    if (frameSampleSize == 0) return 0;
    omfInt64 length = 0;
    OMF_CHECK(file, media::streamLength(media->stream, &length));
    omfInt64 held = length > dataStart ? (length - dataStart) / frameSampleSize : 0;
    omfInt64 frames = std::clamp<omfInt64>(media->channels.front().sampleCount, 0, held);
    for (omfInt64 frame = 0; frame <= frames; ++frame)
        index.append(dataStart + frame * frameSampleSize);
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t TdvcState::computeSizes(omfHdl_t) {
    // The bits of one decoded pixel, as component video gives them.
    pixelSize = componentWidth * (horizontalSubsampling == 1 ? 3 : 2);
    frameSize = frameSampleSize;
    return 0;
}

omfErr_t TdvcState::answerFormatEntry(omfHdl_t file, omfFormatEntry_t& entry) const {
    switch (entry.opcode) {
    case kOmfPixelSize:
        entry.operand.int16 = static_cast<omfInt16>(pixelSize);
        return 0;
    case kOmfCDCICompWidth:
        entry.operand.int32 = componentWidth;
        return 0;
    case kOmfCDCIHorizSubsampling:
        entry.operand.int32 = horizontalSubsampling;
        return 0;
    case kOmfRGBCompLayout:
    case kOmfRGBCompSizes:
        // Component video names no RGB components.
        std::memset(entry.operand.raw, 0, sizeof entry.operand.raw);
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
    }
}

omfErr_t TdvcState::applyFormatEntry(omfHdl_t file, const omfFormatEntry_t&) {
    OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
}

omfErr_t TdvcState::putFormatEntries(omfHdl_t file, media::FormatList& list) const {
    OMF_CHECK(file, list.putInt32(kOmfCDCICompWidth, componentWidth));
    OMF_CHECK(file, list.putInt32(kOmfCDCIHorizSubsampling, horizontalSubsampling));
    return 0;
}

} // namespace omf::codecs::tdvc
