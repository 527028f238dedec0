// Closing TIFF media. For media written through the handle the image is
// finished first: after the frame data come the JPEG tables, the directory
// and its values, and the header at byte 0 is pointed at the directory;
// then the shared picture close closes the stream and writes Length and
// the descriptor's Summary, LeadingLines and JPEGTableID.
#include "tiff/tiff_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "tiff/directory_builder.h"
#include "tiff/image_writer.h"
#include "video/picture_close.h"

#include <limits>
#include <new>

namespace omf::codecs::tiff {

namespace {

constexpr int64_t kLargestOffset = std::numeric_limits<uint32_t>::max();

// Media written through this handle: created, or opened for appending.
bool written(omfMediaHdl_t media) {
    return media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
}

// Where the frame data ends.
omfErr_t dataEnd(omfHdl_t file, omfMediaHdl_t media, const TiffState& state, int64_t* end) {
    if (state.jpeg()) {
        // An image opened for appending may have come without an index.
        *end =
            state.index.empty() ? state.dataStart : state.index.entry(state.index.entryCount() - 1);
        return 0;
    }
    const int64_t frames = media->channels.front().sampleCount;
    if (frames < 0 ||
        (state.frameSize > 0 && frames > (kLargestOffset - state.dataStart) / state.frameSize))
        OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    *end = state.dataStart + frames * state.frameSize;
    return 0;
}

omfErr_t describeImage(omfHdl_t file, omfMediaHdl_t media, const TiffState& state,
                       DirectoryContents* contents) {
    const video::VideoGeometry& geometry = state.geometry;
    if (!codeOfLayout(geometry.layout, &contents->layoutCode))
        OMF_RAISE(file, OM_ERR_UNKNOWN_FILE_FRAME_LAYOUT);
    contents->width = uint32_t(geometry.storedWidth);
    contents->height = uint32_t(geometry.storedHeight);
    contents->compression = state.compression;
    contents->firstStrip = uint32_t(state.dataStart);
    contents->stripBytes = uint32_t(state.frameSize);
    contents->writeRate = media->channels.front().sampleCount > 1;
    contents->rate = state.sampleRate;
    if (!state.jpeg()) return 0;
    contents->tables = &state.tables;
    int64_t start = 0, size = 0;
    if (state.index.frameCount() > 0 && state.index.frameBounds(file, 0, &start, &size) == 0)
        contents->stripBytes = uint32_t(size);
    for (size_t i = 0; i < state.index.entryCount(); ++i) {
        const int64_t offset = state.index.entry(i) - kIndexBase;
        // Stored offsets keep their top bit clear.
        if (offset < 0 || offset > int64_t(kIndexOffsetMask))
            OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
        contents->frameIndex.push_back(uint32_t(offset));
    }
    return 0;
}

omfErr_t finishImage(omfHdl_t file, omfMediaHdl_t media, TiffState& state) try {
    DirectoryContents contents;
    OMF_CHECK(file, describeImage(file, media, state, &contents));
    int64_t end = 0;
    OMF_CHECK(file, dataEnd(file, media, state, &end));
    media::CodecStream& stream = media->stream;
    OMF_CHECK(file, media::streamSeek(stream, end));
    // The directory starts on a word boundary.
    if (end % 2 != 0) {
        const uint8_t pad = 0;
        OMF_CHECK(file, media::streamWrite(stream, &pad, 1));
        ++end;
    }
    int64_t directoryOffset = 0;
    const std::vector<uint8_t> tail =
        imageDirectoryBytes(contents, state.order, end, &directoryOffset);
    if (end + int64_t(tail.size()) > kLargestOffset) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    OMF_CHECK(file, media::streamWrite(stream, tail.data(), omfInt64(tail.size())));
    const std::vector<uint8_t> header = headerBytes(state.order, uint32_t(directoryOffset));
    OMF_CHECK(file, media::streamSeek(stream, 0));
    OMF_CHECK(file, media::streamWrite(stream, header.data(), omfInt64(header.size())));
    state.summary = summaryBytes(contents, state.order);
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace

omfErr_t tiffClose(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    TiffState* state = stateOf(media);
    if (state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    omfErr_t finished = written(media) ? finishImage(file, media, *state) : 0;
    // The stream is closed and the state freed whether or not the image was finished.
    omfErr_t closed = video::pictureClose(parms, media, file);
    if (finished != 0) return omf::propagate(file, finished, __FILE__, __LINE__);
    return closed;
}

} // namespace omf::codecs::tiff
