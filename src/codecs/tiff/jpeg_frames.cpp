// JPEG frames of TIFF media.
#include "tiff/jpeg_frames.h"

#include "jpeg/indexed_frames.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <span>

namespace omf::codecs::tiff {

namespace {

constexpr int kBytesPerPixel = kPixelBits / 8;

// The rows of field `field` of the stored frame in `state.frame`.
jpeg::ImageRows fieldRows(TiffState& state, omfInt32 field) {
    const video::VideoGeometry& geometry = state.geometry;
    jpeg::ImageRows rows;
    rows.width = geometry.storedWidth;
    rows.height = geometry.storedHeight;
    rows.stride = size_t(geometry.storedWidth) * kBytesPerPixel;
    rows.data = state.frame.data() + size_t(field) * rows.stride * size_t(rows.height);
    rows.order = jpeg::PixelOrder::rgb;
    return rows;
}

omfErr_t memoryFrameBytes(omfHdl_t file, omfMediaHdl_t media, const TiffState& state,
                          const omfmMultiXfer_t& transfer, omfInt64* bytes) {
    if (transfer.numSamples < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    if (transfer.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    OMF_CHECK(file, media::streamMemoryBytes(media->stream, state.frameSize, bytes));
    if (*bytes * transfer.numSamples > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    return 0;
}

omfErr_t readRawFrame(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                      omfmMultiXfer_t& transfer) {
    if (transfer.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    OMF_CHECK(file, jpeg::readStoredFrame(file, media->stream, state.index, transfer));
    return 0;
}

omfErr_t decodeFrame(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    int64_t start = 0, size = 0;
    OMF_CHECK(file, state.index.frameBounds(file, state.index.cursor(), &start, &size));
    OMF_CHECK(file, media::streamSeek(media->stream, start));
    // Pixels an image does not cover stay black, not what the last frame left.
    std::fill(state.frame.begin(), state.frame.end(), uint8_t(0));
    for (omfInt32 field = 0; field < state.geometry.fieldsPerFrame(); ++field) {
        omfErr_t status = state.jpegLayer().decompress(file, media->stream, &state.tables,
                                                       fieldRows(state, field));
        if (status != 0) OMF_RAISE(file, OM_ERR_DECOMPRESS_FAILED);
    }
    return 0;
}

omfErr_t readDecodedFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                           omfmMultiXfer_t& transfer) {
    omfInt64 memoryBytes = 0;
    OMF_CHECK(file, memoryFrameBytes(file, media, state, transfer, &memoryBytes));
    state.frame.resize(size_t(state.frameSize));
    auto* out = static_cast<uint8_t*>(transfer.buffer);
    for (omfInt32 i = 0; i < transfer.numSamples; ++i) {
        OMF_CHECK(file, decodeFrame(file, media, state));
        size_t produced = 0;
        OMF_CHECK(file,
                  media::streamTranslateBuffer(
                      media->stream, true, state.frame,
                      std::span<uint8_t>(out + i * memoryBytes, size_t(memoryBytes)), &produced));
        state.index.advance();
        transfer.samplesXfered += 1;
        transfer.bytesXfered += omfInt32(produced);
    }
    return 0;
}

omfErr_t appendPosition(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    omfInt64 position = 0;
    OMF_CHECK(file, media::streamPosition(media->stream, &position));
    state.index.append(position);
    return 0;
}

omfErr_t writeRawFrame(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                       omfmMultiXfer_t& transfer) {
    if (transfer.numSamples != 1) OMF_RAISE(file, OM_ERR_ONE_SAMPLE_COMPRESSED_WRITE);
    if (transfer.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    if (transfer.buflen < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    OMF_CHECK(file, media::streamWrite(media->stream, transfer.buffer, transfer.buflen));
    OMF_CHECK(file, appendPosition(file, media, state));
    transfer.samplesXfered = 1;
    transfer.bytesXfered = transfer.buflen;
    return 0;
}

omfErr_t encodeFrame(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    omfInt64 start = 0;
    OMF_CHECK(file, media::streamPosition(media->stream, &start));
    jpeg::CompressOptions options;
    options.tables = &state.tables;
    options.horizontalSubsampling = kHorizontalSubsampling;
    // Each image carries its tables too: readers of the directory's tables
    // (libtiff among them) take the tables from the stream as soon as it
    // holds a frame header, and a raw frame is then a JPEG file by itself.
    options.writeTables = true;
    options.alignEnd = true;
    for (omfInt32 field = 0; field < state.geometry.fieldsPerFrame(); ++field) {
        omfErr_t status =
            state.jpegLayer().compress(file, media->stream, options, fieldRows(state, field));
        if (status != 0) {
            // The next frame starts where this one should have.
            media::streamSeek(media->stream, start);
            return omf::propagate(file, status, __FILE__, __LINE__);
        }
    }
    return 0;
}

omfErr_t writeEncodedFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                            omfmMultiXfer_t& transfer) {
    omfInt64 memoryBytes = 0;
    OMF_CHECK(file, memoryFrameBytes(file, media, state, transfer, &memoryBytes));
    state.frame.resize(size_t(state.frameSize));
    const auto* in = static_cast<const uint8_t*>(transfer.buffer);
    for (omfInt32 i = 0; i < transfer.numSamples; ++i) {
        size_t produced = 0;
        OMF_CHECK(file, media::streamTranslateBuffer(
                            media->stream, false,
                            std::span<const uint8_t>(in + i * memoryBytes, size_t(memoryBytes)),
                            state.frame, &produced));
        OMF_CHECK(file, encodeFrame(file, media, state));
        OMF_CHECK(file, appendPosition(file, media, state));
        transfer.samplesXfered += 1;
        transfer.bytesXfered += omfInt32(memoryBytes);
    }
    return 0;
}

// The index starts with where the first frame is written.
omfErr_t startIndex(omfHdl_t file, omfMediaHdl_t media, TiffState& state) {
    if (!state.index.empty()) return 0;
    OMF_CHECK(file, appendPosition(file, media, state));
    return 0;
}

} // namespace

omfErr_t readJpegFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                        omfmMultiXfer_t& transfer) {
    transfer.samplesXfered = 0;
    transfer.bytesXfered = 0;
    if (state.layer) state.layer->forgetMessages();
    if (media->rawTransfer != 0) return readRawFrame(file, media, state, transfer);
    return readDecodedFrames(file, media, state, transfer);
}

omfErr_t writeJpegFrames(omfHdl_t file, omfMediaHdl_t media, TiffState& state,
                         omfmMultiXfer_t& transfer) {
    transfer.samplesXfered = 0;
    transfer.bytesXfered = 0;
    OMF_CHECK(file, startIndex(file, media, state));
    if (media->rawTransfer != 0) return writeRawFrame(file, media, state, transfer);
    return writeEncodedFrames(file, media, state, transfer);
}

} // namespace omf::codecs::tiff
