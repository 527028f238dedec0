// Frame transfers of the uncompressed video codecs.
#include "video/frame_transfer.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <algorithm>
#include <new>

namespace omf::codecs::video {

namespace {

// How a frame is cut for the translator: one piece, or one per field.
struct Pieces {
    omfInt64 fileBytes = 0; // stored bytes of one piece
    omfInt32 perFrame = 1;
    bool fillAround = false; // client fill and alignment apply around each piece
};

omfErr_t cutFrames(omfHdl_t file, const FramePlacement& placement, bool layoutsDiffer,
                   Pieces* pieces) {
    if (placement.fieldsContiguous()) {
        // Fields that touch move together; with one field per frame the
        // frame is the field and its fill still applies.
        pieces->fileBytes = placement.frameSize;
        pieces->perFrame = 1;
        pieces->fillAround = placement.fields == 1;
        return 0;
    }
    // Re-interleaving needs both fields in one piece, which padding between
    // them prevents.
    if (layoutsDiffer) OMF_RAISE(file, OM_ERR_CANNOT_TRANSLATE);
    pieces->fileBytes = placement.fieldSize();
    pieces->perFrame = placement.fields;
    pieces->fillAround = true;
    return 0;
}

// Checks the transfer and answers how frames are cut and the memory bytes
// of one piece.
omfErr_t prepare(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                 bool layoutsDiffer, omfmMultiXfer_t& transfer, Pieces* pieces,
                 omfInt64* pieceMemoryBytes) {
    transfer.samplesXfered = 0;
    transfer.bytesXfered = 0;
    if (transfer.numSamples < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    if (transfer.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_TRANSFER_BUFFER);
    OMF_CHECK(file, cutFrames(file, placement, layoutsDiffer, pieces));
    OMF_CHECK(file, media::streamMemoryBytes(stream, pieces->fileBytes, pieceMemoryBytes));
    omfInt64 needed = *pieceMemoryBytes * pieces->perFrame * transfer.numSamples;
    if (needed > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    OMF_CHECK(file, media::streamSetTranslatorBufferSize(
                        stream, static_cast<size_t>(std::max<omfInt64>(pieces->fileBytes, 4))));
    return 0;
}

} // namespace

omfErr_t writeZeros(omfHdl_t file, media::CodecStream& stream, std::vector<uint8_t>& zeros,
                    omfInt64 count) {
    if (count <= 0) return 0;
    // Padding is written in pieces of a bounded buffer: a fill or alignment
    // count comes from the descriptor or the caller and may be large.
    constexpr omfInt64 kZeroPiece = 65536;
    const size_t wanted = static_cast<size_t>(std::min(count, kZeroPiece));
    if (zeros.size() < wanted) {
        try {
            zeros.resize(wanted, 0);
        } catch (const std::bad_alloc&) {
            OMF_RAISE(file, OM_ERR_NO_MEMORY);
        }
    }
    for (omfInt64 left = count; left > 0;) {
        const omfInt64 piece = std::min<omfInt64>(left, omfInt64(zeros.size()));
        OMF_CHECK(file, media::streamWrite(stream, zeros.data(), piece));
        left -= piece;
    }
    return 0;
}

omfErr_t alignStream(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                     std::vector<uint8_t>* zeros) {
    if (!placement.aligned()) return 0;
    omfInt64 position = 0;
    OMF_CHECK(file, media::streamPosition(stream, &position));
    omfInt64 boundary = placement.alignUp(position);
    if (boundary == position) return 0;
    if (zeros != nullptr) {
        OMF_CHECK(file, writeZeros(file, stream, *zeros, boundary - position));
    } else {
        OMF_CHECK(file, media::streamSeek(stream, boundary));
    }
    return 0;
}

omfErr_t readFrames(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                    bool layoutsDiffer, omfmMultiXfer_t& transfer) {
    Pieces pieces;
    omfInt64 pieceMemoryBytes = 0;
    OMF_CHECK(file, prepare(file, stream, placement, layoutsDiffer, transfer, &pieces,
                            &pieceMemoryBytes));
    auto* out = static_cast<uint8_t*>(transfer.buffer);
    omfInt64 room = transfer.buflen;
    for (omfInt32 frame = 0; frame < transfer.numSamples; ++frame) {
        for (omfInt32 piece = 0; piece < pieces.perFrame; ++piece) {
            if (pieces.fillAround && placement.fillStart != 0) {
                OMF_CHECK(file, media::streamSkip(stream, placement.fillStart));
            }
            omfInt64 moved = 0;
            omfErr_t status =
                media::streamReadTranslated(stream, pieces.fileBytes, out, room, &moved);
            out += moved;
            room -= moved;
            transfer.bytesXfered += static_cast<omfInt32>(moved);
            if (status != 0) return omf::propagate(file, status, __FILE__, __LINE__);
            if (pieces.fillAround) {
                if (placement.fillEnd != 0) {
                    OMF_CHECK(file, media::streamSkip(stream, placement.fillEnd));
                }
                OMF_CHECK(file, alignStream(file, stream, placement, nullptr));
            }
        }
        ++transfer.samplesXfered;
    }
    return 0;
}

omfErr_t writeFrames(omfHdl_t file, media::CodecStream& stream, const FramePlacement& placement,
                     bool layoutsDiffer, omfmMultiXfer_t& transfer, std::vector<uint8_t>& zeros) {
    Pieces pieces;
    omfInt64 pieceMemoryBytes = 0;
    OMF_CHECK(file, prepare(file, stream, placement, layoutsDiffer, transfer, &pieces,
                            &pieceMemoryBytes));
    const auto* in = static_cast<const uint8_t*>(transfer.buffer);
    omfInt64 room = transfer.buflen;
    for (omfInt32 frame = 0; frame < transfer.numSamples; ++frame) {
        for (omfInt32 piece = 0; piece < pieces.perFrame; ++piece) {
            if (pieces.fillAround) {
                OMF_CHECK(file, writeZeros(file, stream, zeros, placement.fillStart));
            }
            omfInt64 moved = 0;
            OMF_CHECK(file,
                      media::streamWriteTranslated(stream, pieces.fileBytes, in, room, &moved));
            in += moved;
            room -= moved;
            transfer.bytesXfered += static_cast<omfInt32>(moved);
            if (pieces.fillAround) {
                OMF_CHECK(file, writeZeros(file, stream, zeros, placement.fillEnd));
                OMF_CHECK(file, alignStream(file, stream, placement, &zeros));
            }
        }
        ++transfer.samplesXfered;
    }
    return 0;
}

} // namespace omf::codecs::video
