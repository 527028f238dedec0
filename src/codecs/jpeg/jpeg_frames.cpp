// Frame positioning and transfers of the JPEG codec: stored images found
// through the frame index, read as they are (raw transfers) or decoded and
// translated into the caller's memory format; written compressed (or as the
// caller's bytes), each frame's end appended to the index.
#include "jpeg/indexed_frames.h"
#include "jpeg/jpeg_state.h"

#include "media/codec_support/pixel_description.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/codec_support.h"

#include <cstring>
#include <limits>
#include <new>
#include <span>

namespace omf::codecs::jpeg {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media, JpegState** state) {
    *state = jpegStateOf(media);
    if (*state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

// Sizes a transfer needs before anything moves.
omfErr_t checkSizes(omfHdl_t file, const JpegState& state) {
    if (state.componentWidth == 0) OMF_RAISE(file, OM_ERR_ZERO_PIXEL_SIZE);
    if (state.frameSize == 0) OMF_RAISE(file, OM_ERR_ZERO_SAMPLE_SIZE);
    return 0;
}

omfErr_t startTransfer(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms,
                       JpegState** state, omfmMultiXfer_t** transfer) {
    OMF_CHECK(file, checkState(file, media, state));
    OMF_CHECK(file, video::singleTransfer(file, parms, transfer));
    (*transfer)->samplesXfered = 0;
    (*transfer)->bytesXfered = 0;
    if ((*transfer)->numSamples < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    if ((*transfer)->buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    OMF_CHECK(file, checkSizes(file, **state));
    return 0;
}

// How decoded frames reach the caller's buffer: libjpeg writes 8-bit RGB
// in any of its byte orders straight into it; other memory formats go
// through the stream's translator from the decoded form.
struct Delivery {
    bool direct = false;
    PixelOrder order = PixelOrder::rgb;
    int alphaByte = -1; // the byte libjpeg fills with 255, which callers get as 0
};

Delivery deliveryFor(omfMediaHdl_t media, const JpegState& state) {
    Delivery delivery;
    if (!media::streamTranslating(media->stream)) {
        delivery.direct = true;
        return delivery;
    }
    const media::PixelDescription memory =
        media::describePixels(state.memoryFormat.data(), state.decodedFormat.data());
    const media::PixelDescription decoded =
        media::describePixels(state.decodedFormat.data(), state.memoryFormat.data());
    if (memory.pixelFormat != kOmfPixRGBA || memory.lineStride != 0 ||
        memory.fieldLayout() != decoded.fieldLayout() ||
        memory.pixelBits != omfInt32(memory.componentCount) * 8)
        return delivery;
    for (size_t i = 0; i < memory.componentCount; ++i) {
        if (memory.componentSizes[i] != 8) return delivery;
    }
    static constexpr struct {
        const char* letters;
        PixelOrder order;
    } kOrders[] = {{"RGB", PixelOrder::rgb},
                   {"RGBA", PixelOrder::rgba},
                   {"ARGB", PixelOrder::argb},
                   {"BGRA", PixelOrder::bgra},
                   {"ABGR", PixelOrder::abgr}};
    for (const auto& candidate : kOrders) {
        if (memory.componentOrder == candidate.letters) {
            delivery.direct = true;
            delivery.order = candidate.order;
            const char* alpha = std::strchr(candidate.letters, 'A');
            delivery.alphaByte = alpha == nullptr ? -1 : int(alpha - candidate.letters);
        }
    }
    return delivery;
}

// Decodes the frame at the stream's position into `pixels`, rows packed in
// `order`.
omfErr_t decodeFrame(omfHdl_t file, omfMediaHdl_t media, JpegState& state, uint8_t* pixels,
                     PixelOrder order) {
    const TableSet* tables = state.preloadTables ? &state.tables : nullptr;
    const omfInt32 rows = state.imageRows();
    const size_t stride = size_t(state.geometry.storedWidth) * size_t(bytesPerPixel(order));
    for (omfInt32 image = 0; image < state.imagesPerFrame(); ++image) {
        ImageRows out;
        out.data = pixels + size_t(image) * size_t(rows) * stride;
        out.stride = stride;
        out.width = state.geometry.storedWidth;
        out.height = rows;
        out.order = order;
        OMF_CHECK(file, state.layer.decompress(file, media->stream, tables, out));
    }
    return 0;
}

// Clears the alpha byte of every 4-byte pixel: the media holds no alpha.
void clearAlpha(uint8_t* pixels, size_t bytes, int alphaByte) {
    for (size_t i = size_t(alphaByte); i < bytes; i += 4)
        pixels[i] = 0;
}

omfErr_t encodeFrame(omfHdl_t file, omfMediaHdl_t media, JpegState& state, const uint8_t* pixels,
                     PixelOrder order) {
    const omfInt32 rows = state.imageRows();
    const size_t stride = size_t(state.geometry.storedWidth) * size_t(bytesPerPixel(order));
    CompressOptions options;
    options.tables = &state.tables;
    options.horizontalSubsampling = state.horizontalSubsampling;
    // Media whose tables are stored once for all frames keeps them out of the images.
    options.writeTables = !state.preloadTables;
    for (omfInt32 image = 0; image < state.imagesPerFrame(); ++image) {
        ImageRows in;
        in.data = const_cast<uint8_t*>(pixels) + size_t(image) * size_t(rows) * stride;
        in.stride = stride;
        in.width = state.geometry.storedWidth;
        in.height = rows;
        in.order = order;
        OMF_CHECK(file, state.layer.compress(file, media->stream, options, in));
    }
    return 0;
}

// Appends the end of the frame just written to the index.
omfErr_t indexFrameEnd(omfHdl_t file, omfMediaHdl_t media, JpegState& state) {
    omfInt64 position = 0;
    OMF_CHECK(file, media::streamPosition(media->stream, &position));
    if (position > state.largestOffset) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    state.index.append(position);
    return 0;
}

// Memory bytes of one decoded frame.
omfErr_t memoryFrameBytes(omfHdl_t file, omfMediaHdl_t media, const JpegState& state,
                          omfInt64* bytes) {
    OMF_CHECK(file, media::streamMemoryBytes(media->stream, state.decodedFrameBytes(), bytes));
    return 0;
}

} // namespace

omfErr_t jpegSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    JpegState* state = nullptr;
    OMF_CHECK(file, checkState(file, media, &state));
    OMF_CHECK(file, state->index.seekFrame(file, parms->spc.setFrame.frameNumber - 1));
    return 0;
}

omfErr_t jpegFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    JpegState* state = nullptr;
    OMF_CHECK(file, checkState(file, media, &state));
    int64_t start = 0, size = 0;
    OMF_CHECK(file, state->index.frameBounds(file, parms->spc.frameOffset.frameNumber - 1, &start,
                                             &size));
    parms->spc.frameOffset.offset = start;
    return 0;
}

omfErr_t jpegReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    JpegState* state = nullptr;
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, startTransfer(file, media, parms, &state, &transfer));
    state->layer.forgetMessages();
    if (media->rawTransfer != 0) {
        OMF_CHECK(file, readStoredFrame(file, media->stream, state->index, *transfer));
        return 0;
    }

    omfInt64 frameBytes = 0;
    OMF_CHECK(file, memoryFrameBytes(file, media, *state, &frameBytes));
    if (frameBytes * transfer->numSamples > transfer->buflen)
        OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    const Delivery delivery = deliveryFor(media, *state);
    auto* out = static_cast<uint8_t*>(transfer->buffer);
    if (!delivery.direct) state->decoded.resize(size_t(state->decodedFrameBytes()));
    for (omfInt32 frame = 0; frame < transfer->numSamples; ++frame) {
        int64_t start = 0, size = 0;
        OMF_CHECK(file, state->index.frameBounds(file, state->index.cursor(), &start, &size));
        OMF_CHECK(file, media::streamSeek(media->stream, start));
        uint8_t* target = out + frame * frameBytes;
        if (delivery.direct) {
            OMF_CHECK(file, decodeFrame(file, media, *state, target, delivery.order));
            if (delivery.alphaByte >= 0) clearAlpha(target, size_t(frameBytes), delivery.alphaByte);
        } else {
            OMF_CHECK(file,
                      decodeFrame(file, media, *state, state->decoded.data(), PixelOrder::rgb));
            size_t produced = 0;
            OMF_CHECK(file, media::streamTranslateBuffer(
                                media->stream, true, state->decoded,
                                std::span<uint8_t>(target, size_t(frameBytes)), &produced));
        }
        state->index.advance();
        transfer->samplesXfered += 1;
        transfer->bytesXfered += static_cast<omfInt32>(frameBytes);
    }
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t jpegWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    JpegState* state = nullptr;
    omfmMultiXfer_t* transfer = nullptr;
    OMF_CHECK(file, startTransfer(file, media, parms, &state, &transfer));
    if (media->rawTransfer != 0) {
        if (transfer->numSamples != 1) OMF_RAISE(file, OM_ERR_ONE_SAMPLE_COMPRESSED_WRITE);
        OMF_CHECK(file, media::streamWrite(media->stream, transfer->buffer, transfer->buflen));
        OMF_CHECK(file, indexFrameEnd(file, media, *state));
        transfer->samplesXfered = 1;
        transfer->bytesXfered = transfer->buflen;
        return 0;
    }

    omfInt64 frameBytes = 0;
    OMF_CHECK(file, memoryFrameBytes(file, media, *state, &frameBytes));
    if (frameBytes * transfer->numSamples > transfer->buflen)
        OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    const Delivery delivery = deliveryFor(media, *state);
    const auto* in = static_cast<const uint8_t*>(transfer->buffer);
    if (!delivery.direct) state->decoded.resize(size_t(state->decodedFrameBytes()));
    for (omfInt32 frame = 0; frame < transfer->numSamples; ++frame) {
        const uint8_t* source = in + frame * frameBytes;
        PixelOrder order = delivery.order;
        if (!delivery.direct) {
            size_t produced = 0;
            OMF_CHECK(file, media::streamTranslateBuffer(
                                media->stream, false,
                                std::span<const uint8_t>(source, size_t(frameBytes)),
                                state->decoded, &produced));
            source = state->decoded.data();
            order = PixelOrder::rgb;
        }
        OMF_CHECK(file, encodeFrame(file, media, *state, source, order));
        OMF_CHECK(file, indexFrameEnd(file, media, *state));
        transfer->samplesXfered += 1;
        transfer->bytesXfered += static_cast<omfInt32>(frameBytes);
    }
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::jpeg
