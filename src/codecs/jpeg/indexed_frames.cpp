// Frame-indexed media read as stored.
#include "jpeg/indexed_frames.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <limits>

namespace omf::codecs::jpeg {

omfErr_t readStoredFrame(omfHdl_t file, media::CodecStream& stream, FrameIndex& index,
                         omfmMultiXfer_t& transfer) {
    int64_t start = 0, size = 0;
    OMF_CHECK(file, index.frameBounds(file, index.cursor(), &start, &size));
    if (size > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    OMF_CHECK(file, media::streamSeek(stream, start));
    omfInt64 read = 0;
    OMF_CHECK(file, media::streamRead(stream, transfer.buffer, size, &read));
    index.advance();
    transfer.samplesXfered = 1;
    transfer.bytesXfered = static_cast<omfInt32>(size);
    if (transfer.numSamples > 1) OMF_RAISE(file, OM_ERR_ONE_SAMPLE_COMPRESSED_READ);
    return 0;
}

omfErr_t storedFrameSize(omfHdl_t file, const FrameIndex& index, omfInt64 frameNumber,
                         omfInt32* size) {
    int64_t start = 0, bytes = 0;
    OMF_CHECK(file, index.frameBounds(file, frameNumber - 1, &start, &bytes));
    if (bytes > std::numeric_limits<omfInt32>::max()) OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    *size = static_cast<omfInt32>(bytes);
    return 0;
}

} // namespace omf::codecs::jpeg
