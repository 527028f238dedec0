// CDCI line transfers: stored rows moved as they are, field by field, with
// the client fill and alignment padding between fields skipped on reading
// and written as zeros on writing. Positioning and whole frames are the
// shared picture code's (video/picture_transfer).
#include "cdci/cdci_state.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "video/frame_transfer.h"

#include <algorithm>
#include <new>

namespace omf::codecs::cdci {

namespace {

omfErr_t checkState(omfHdl_t file, omfMediaHdl_t media) {
    if (stateOf(media) == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

omfInt64 lineBytes(const CdciState& state) {
    return omfInt64((state.pixelSize + 7) / 8) * state.geometry.storedWidth;
}

// Client fill before the first row of a field.
omfErr_t enterField(omfHdl_t file, omfMediaHdl_t media, CdciState& state, bool writing) {
    if (state.lineCursor != 0 || state.clientFillStart == 0) return 0;
    if (writing) {
        OMF_CHECK(file, video::writeZeros(file, media->stream, state.zeros, state.clientFillStart));
    } else {
        OMF_CHECK(file, media::streamSkip(media->stream, state.clientFillStart));
    }
    return 0;
}

// Counts `rows` moved; at the end of a field the client fill and the
// alignment padding follow.
omfErr_t advanceLines(omfHdl_t file, omfMediaHdl_t media, CdciState& state, omfInt32 rows,
                      bool writing) {
    state.lineCursor += rows;
    if (state.lineCursor < state.geometry.storedHeight) return 0;
    state.lineCursor = 0;
    video::FramePlacement placement = state.placement();
    if (++state.fieldCursor == placement.fields) {
        state.fieldCursor = 0;
        // Lines written to the end of a frame add a frame to the media.
        if (writing) ++media->channels.front().sampleCount;
    }
    if (writing) {
        OMF_CHECK(file, video::writeZeros(file, media->stream, state.zeros, state.clientFillEnd));
        OMF_CHECK(file, video::alignStream(file, media->stream, placement, &state.zeros));
    } else {
        if (state.clientFillEnd != 0) {
            OMF_CHECK(file, media::streamSkip(media->stream, state.clientFillEnd));
        }
        OMF_CHECK(file, video::alignStream(file, media->stream, placement, nullptr));
    }
    return 0;
}

// Moves `lineCount` stored rows between the buffer and the stream, a field's
// remaining rows at a time.
omfErr_t moveLines(omfHdl_t file, omfMediaHdl_t media, omfCodecParms_t* parms, bool writing) {
    OMF_CHECK(file, checkState(file, media));
    CdciState& state = *stateOf(media);
    auto& lines = parms->spc.lines;
    lines.bytesTransferred = 0;
    if (lines.lineCount < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    if (lines.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    omfInt64 rowBytes = lineBytes(state);
    if (omfInt64(lines.lineCount) * rowBytes > lines.bufferSize) {
        OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    }
    auto* cursor = static_cast<uint8_t*>(lines.buffer);
    omfInt32 remaining = lines.lineCount;
    omfInt32 fieldRows = std::max<omfInt32>(state.geometry.storedHeight, 1);
    while (remaining > 0) {
        OMF_CHECK(file, enterField(file, media, state, writing));
        omfInt32 rows = std::min(remaining, fieldRows - state.lineCursor);
        omfInt64 bytes = rows * rowBytes;
        if (writing) {
            OMF_CHECK(file, media::streamWrite(media->stream, cursor, bytes));
        } else {
            omfInt64 got = 0;
            omfErr_t status = media::streamRead(media->stream, cursor, bytes, &got);
            if (status != 0) {
                lines.bytesTransferred += static_cast<omfInt32>(got);
                OMF_RAISE(file, OM_ERR_NO_DATA_READ);
            }
        }
        cursor += bytes;
        lines.bytesTransferred += static_cast<omfInt32>(bytes);
        remaining -= rows;
        OMF_CHECK(file, advanceLines(file, media, state, rows, writing));
    }
    return 0;
}

} // namespace

omfErr_t readLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, moveLines(file, media, parms, false));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t writeLines(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    OMF_CHECK(file, moveLines(file, media, parms, true));
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace omf::codecs::cdci
