// Opening and creating TIFF media: the stream on the data object's TIFF
// image, the picture described by the image's directory (or, for new
// media, a header to be completed at close), the descriptor's TIFF
// properties, and the pixel translator between the stored RGB pixels and
// the caller's memory format.
#include "tiff/tiff_state.h"

#include "media/codec_support/file_facts.h"
#include "media/codec_support/translators.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "tiff/directory_builder.h"
#include "tiff/tiff_variety.h"
#include "video/picture_info.h"

#include <limits>
#include <new>

namespace omf::codecs::tiff {

namespace {

omfErr_t checkHandle(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms) {
    if (media == nullptr) OMF_RAISE(file, OM_ERR_BAD_MEDIA_HANDLE);
    if (media->channels.empty()) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (parms->persistent == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

omfErr_t openImage(omfMediaHdl_t media, omfFileRev_t revision) {
    return media::streamOpen(media->stream, media, media->dataObject, kOmfProperty_TIFF_ImageData,
                             omfsByteDataType(revision));
}

omfErr_t startTranslation(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    OMF_CHECK(file, state.defaultMemoryFormat(file, state.memoryFormat));
    OMF_CHECK(file, media::streamAddTranslator(media->stream, media::makePixelTranslator()));
    OMF_CHECK(file, video::publishFormats(file, media, state));
    return 0;
}

// Takes what the image's directory describes into the state.
omfErr_t takeImage(omfHdl_t file, ImageDescription& image, TiffState& state) {
    constexpr uint32_t kLargest = std::numeric_limits<omfInt32>::max();
    if (image.width > kLargest || image.height > kLargest)
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_PIXEL_FORMAT);
    state.geometry.storedWidth = omfInt32(image.width);
    state.geometry.storedHeight = omfInt32(image.height);
    state.geometry.layout = image.layout;
    state.compression = image.compression;
    state.compressionFixed = true;
    state.order = image.order;
    state.dataStart = image.firstStrip;
    state.tables = std::move(image.tables);
    state.index.clear();
    for (int64_t offset : image.frameIndex)
        state.index.append(offset);
    return 0;
}

omfErr_t openState(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms, TiffState& state) {
    omfObject_t descriptor = media->descriptor;
    OMF_CHECK(file,
              omfsReadRational(file, descriptor, kOmfProperty_MDFL_SampleRate, &state.sampleRate));
    omfInt64 length = 0;
    OMF_CHECK(file, omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length));
    media->channels.front().sampleCount = length;
    OMF_CHECK(file, openImage(media, parms->fileRevision));
    ImageDescription image;
    OMF_CHECK(file, readImageDescription(file, media->stream, &image));
    OMF_CHECK(file, takeImage(file, image, state));
    OMF_CHECK(file, state.readDescriptor(file, media, parms->persistent));
    OMF_CHECK(file, state.computeSizes(file));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

// A variety fixes the compression of new media: JPEG tables given later
// cannot make "Uncompressed" media JPEG.
omfErr_t takeVariety(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    std::optional<Compression> compression;
    if (omfErr_t status = compressionOfVariety(media->codecVariety.value_or(""), &compression))
        OMF_RAISE(file, status);
    if (!compression) return 0;
    state.compression = *compression;
    state.compressionFixed = true;
    return 0;
}

omfErr_t createState(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms, TiffState& state) {
    OMF_CHECK(file, takeVariety(file, media, state));
    if (media::isRawFile(file)) {
        state.sampleRate = media->channels.front().sampleRate;
    } else if (omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                &state.sampleRate) != 0) {
        OMF_RAISE(file, OM_ERR_DESCRIPTOR_SAMPLE_RATE);
    }
    state.geometry.aspectRatio = {4, 3};
    OMF_CHECK(file, openImage(media, parms->fileRevision));
    // The header's directory offset is filled in when the media is closed.
    const std::vector<uint8_t> header = headerBytes(state.order, 0);
    OMF_CHECK(file, media::streamWrite(media->stream, header.data(), omfInt64(header.size())));
    state.dataStart = kHeaderBytes;
    state.index.append(state.dataStart);
    OMF_CHECK(file, state.computeSizes(file));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

using FillState = omfErr_t (*)(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                               TiffState& state);

// Hands a new state to the handle; a start that fails closes the stream
// again and leaves the handle without state.
omfErr_t startTiff(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms, FillState fill) try {
    OMF_CHECK(file, checkHandle(file, media, parms));
    auto state = std::make_unique<TiffState>();
    omfErr_t status = fill(file, media, parms, *state);
    if (status != 0) {
        if (media->stream.tag == media::kStreamTag) media::streamClose(media->stream);
        return omf::propagate(file, status, __FILE__, __LINE__);
    }
    media->codecState = static_cast<video::PictureState*>(state.release());
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace

omfErr_t openTiff(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    return startTiff(file, media, parms, openState);
}

omfErr_t createTiff(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    return startTiff(file, media, parms, createState);
}

} // namespace omf::codecs::tiff
