// Positioning and sample transfers of the sound codecs.
//
// One transfer on one-channel media, or one transfer on channel 1 of
// interleaved media, moves whole frames straight through the translator
// (all channels, interleaved). Several transfers move one channel each:
// frames pass through the work buffer in the memory format, where each
// channel's samples are gathered from or scattered to its transfer.
// Sample counts are counts of the file's frames.
#include "audio/audio_state.h"
#include "audio/sound_operations.h"

#include "omf/omf_audio_format.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

namespace omf::codecs::audio {

namespace {

// File bytes a piece of several-channel transfer covers, at most.
constexpr omfInt64 kWorkBytes = 65536;

std::span<omfmMultiXfer_t> transfersOf(omfCodecParms_t* parms) {
    auto& samples = parms->spc.samples;
    if (samples.transfers == nullptr || samples.count < 1) return {};
    return {samples.transfers, size_t(samples.count)};
}

omfErr_t checkTransfers(omfHdl_t file, const AudioState& state,
                        std::span<omfmMultiXfer_t> transfers) {
    if (transfers.empty()) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    for (omfmMultiXfer_t& transfer : transfers) {
        transfer.samplesXfered = 0;
        transfer.bytesXfered = 0;
        if (transfer.subTrackNum < 1 || transfer.subTrackNum > state.header.channels)
            OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
        if (transfer.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_DATA_ADDRESS);
        if (transfer.numSamples < 0 || transfer.buflen < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    }
    return 0;
}

bool wholeFrames(const AudioState& state, std::span<const omfmMultiXfer_t> transfers) {
    return transfers.size() == 1 &&
           (state.header.channels == 1 || transfers.front().subTrackNum == 1);
}

// File samples that `memoryBytes` of `memoryTotal` (the memory size of
// `samples` file samples) stand for, whole ones only.
omfInt32 samplesIn(omfInt64 memoryBytes, omfInt64 memoryTotal, omfInt32 samples) {
    if (memoryTotal <= 0) return 0;
    return omfInt32(__int128(memoryBytes) * samples / memoryTotal);
}

// Bytes of one sample of one channel in memory; OM_ERR_PARTIAL_BYTE_TRANSFER
// when samples are not whole bytes and cannot be taken apart.
omfErr_t memorySampleBytes(omfHdl_t file, const AudioState& state, omfInt64* bytes) {
    const omfFormatEntry_t* entry = state.memoryFormat.find(kOmfAudioSampleBits);
    if (entry == nullptr) entry = state.fileFormat.find(kOmfAudioSampleBits);
    const omfInt32 bits = entry != nullptr ? entry->operand.int16 : 0;
    if (bits <= 0 || bits % 8 != 0) OMF_RAISE(file, OM_ERR_PARTIAL_BYTE_TRANSFER);
    *bytes = bits / 8;
    return 0;
}

omfErr_t readWhole(omfHdl_t file, omfMediaHdl_t media, const AudioState& state,
                   omfmMultiXfer_t& transfer) {
    omfInt64 fileBytes = 0, memoryBytes = 0;
    OMF_CHECK(file, frameBytes(file, media, state, transfer.numSamples, &fileBytes, &memoryBytes));
    if (memoryBytes > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    omfInt64 moved = 0;
    omfErr_t status = media::streamReadTranslated(media->stream, fileBytes, transfer.buffer,
                                                  transfer.buflen, &moved);
    transfer.bytesXfered = omfInt32(moved);
    transfer.samplesXfered = samplesIn(moved, memoryBytes, transfer.numSamples);
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

// What one channel's transfer takes or gives in memory: its bytes in all,
// and how far it got.
struct ChannelPart {
    omfmMultiXfer_t* transfer = nullptr;
    omfInt64 memoryBytes = 0;
    omfInt64 done = 0;
};

omfErr_t channelParts(omfHdl_t file, omfMediaHdl_t media, const AudioState& state,
                      std::span<omfmMultiXfer_t> transfers, std::vector<ChannelPart>* parts) {
    for (omfmMultiXfer_t& transfer : transfers) {
        omfInt64 fileBytes = 0, memoryBytes = 0;
        OMF_CHECK(file,
                  frameBytes(file, media, state, transfer.numSamples, &fileBytes, &memoryBytes));
        ChannelPart part;
        part.transfer = &transfer;
        part.memoryBytes = memoryBytes / state.header.channels;
        if (part.memoryBytes > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
        parts->push_back(part);
    }
    return 0;
}

// Frames of file data per piece through the work buffer.
omfInt64 piecesFrames(const AudioState& state) {
    return std::max<omfInt64>(4, kWorkBytes / state.header.bytesPerFrame() / 4 * 4);
}

// Moves one channel's samples between an interleaved buffer and its transfer.
void moveChannel(uint8_t* frames, omfInt64 frameCount, omfInt64 sampleBytes, omfInt32 channels,
                 ChannelPart& part, bool toTransfer) {
    const omfInt64 frameBytes = sampleBytes * channels;
    const omfInt64 count = std::min(frameCount, (part.memoryBytes - part.done) / sampleBytes);
    auto* buffer = static_cast<uint8_t*>(part.transfer->buffer) + part.done;
    uint8_t* sample = frames + (part.transfer->subTrackNum - 1) * sampleBytes;
    for (omfInt64 i = 0; i < count; ++i, sample += frameBytes, buffer += sampleBytes) {
        if (toTransfer) {
            std::memcpy(buffer, sample, size_t(sampleBytes));
        } else {
            std::memcpy(sample, buffer, size_t(sampleBytes));
        }
    }
    part.done += count * sampleBytes;
}

omfErr_t readScattered(omfHdl_t file, omfMediaHdl_t media, AudioState& state,
                       std::span<omfmMultiXfer_t> transfers) {
    omfInt64 sampleBytes = 0;
    OMF_CHECK(file, memorySampleBytes(file, state, &sampleBytes));
    std::vector<ChannelPart> parts;
    OMF_CHECK(file, channelParts(file, media, state, transfers, &parts));
    omfInt64 frames = 0;
    for (const omfmMultiXfer_t& transfer : transfers)
        frames = std::max<omfInt64>(frames, transfer.numSamples);
    const omfInt64 memoryFrame = sampleBytes * state.header.channels;
    omfErr_t status = 0;
    for (omfInt64 at = 0; at < frames && status == 0;) {
        const omfInt64 piece = std::min(piecesFrames(state), frames - at);
        omfInt64 fileBytes = 0, memoryBytes = 0, moved = 0;
        OMF_CHECK(file, frameBytes(file, media, state, piece, &fileBytes, &memoryBytes));
        state.work.resize(size_t(memoryBytes));
        status = media::streamReadTranslated(media->stream, fileBytes, state.work.data(),
                                             memoryBytes, &moved);
        for (ChannelPart& part : parts) {
            moveChannel(state.work.data(), moved / memoryFrame, sampleBytes, state.header.channels,
                        part, true);
        }
        at += piece;
    }
    for (ChannelPart& part : parts) {
        part.transfer->bytesXfered = omfInt32(part.done);
        part.transfer->samplesXfered =
            samplesIn(part.done, part.memoryBytes, part.transfer->numSamples);
    }
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

// Writes must keep the image within its 32-bit size fields.
omfErr_t checkRoom(omfHdl_t file, omfMediaHdl_t media, const AudioState& state, omfInt64 frames) {
    const omfInt64 room =
        (kLargestImageEnd - state.header.dataStart) / state.header.bytesPerFrame();
    const omfInt64 count = media->channels.front().sampleCount;
    if (count < 0 || count > room || frames > room - count)
        OMF_RAISE(file, OM_ERR_INT64_TRUNCATION);
    return 0;
}

omfErr_t writeWhole(omfHdl_t file, omfMediaHdl_t media, AudioState& state,
                    omfmMultiXfer_t& transfer) {
    omfInt64 fileBytes = 0, memoryBytes = 0;
    OMF_CHECK(file, frameBytes(file, media, state, transfer.numSamples, &fileBytes, &memoryBytes));
    if (memoryBytes > transfer.buflen) OMF_RAISE(file, OM_ERR_SAMPLE_TOO_LARGE);
    OMF_CHECK(file, checkRoom(file, media, state, transfer.numSamples));
    state.samplesWritten = true;
    omfInt64 moved = 0;
    OMF_CHECK(file, media::streamWriteTranslated(media->stream, fileBytes, transfer.buffer,
                                                 memoryBytes, &moved));
    transfer.bytesXfered = omfInt32(moved);
    transfer.samplesXfered = transfer.numSamples;
    // The media layer counts the transfer's channel; whole frames fill every channel.
    for (size_t channel = 1; channel < media->channels.size(); ++channel)
        media->channels[channel].sampleCount += transfer.numSamples;
    return 0;
}

// Several-channel writes name every channel once, with one length.
omfErr_t checkWriteSet(omfHdl_t file, const AudioState& state,
                       std::span<const omfmMultiXfer_t> transfers) {
    std::vector<bool> named(size_t(state.header.channels) + 1, false);
    for (const omfmMultiXfer_t& transfer : transfers) {
        if (named[size_t(transfer.subTrackNum)]) OMF_RAISE(file, OM_ERR_DUPLICATE_CHANNEL);
        named[size_t(transfer.subTrackNum)] = true;
        if (transfer.numSamples != transfers.front().numSamples)
            OMF_RAISE(file, OM_ERR_NONUNIFORM_WRITE_LENGTHS);
    }
    if (transfers.size() != size_t(state.header.channels))
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    return 0;
}

omfErr_t writeGathered(omfHdl_t file, omfMediaHdl_t media, AudioState& state,
                       std::span<omfmMultiXfer_t> transfers) {
    OMF_CHECK(file, checkWriteSet(file, state, transfers));
    omfInt64 sampleBytes = 0;
    OMF_CHECK(file, memorySampleBytes(file, state, &sampleBytes));
    std::vector<ChannelPart> parts;
    OMF_CHECK(file, channelParts(file, media, state, transfers, &parts));
    const omfInt64 frames = transfers.front().numSamples;
    OMF_CHECK(file, checkRoom(file, media, state, frames));
    state.samplesWritten = true;
    const omfInt64 memoryFrame = sampleBytes * state.header.channels;
    for (omfInt64 at = 0; at < frames;) {
        const omfInt64 piece = std::min(piecesFrames(state), frames - at);
        omfInt64 fileBytes = 0, memoryBytes = 0, moved = 0;
        OMF_CHECK(file, frameBytes(file, media, state, piece, &fileBytes, &memoryBytes));
        state.work.resize(size_t(memoryBytes));
        for (ChannelPart& part : parts) {
            moveChannel(state.work.data(), memoryBytes / memoryFrame, sampleBytes,
                        state.header.channels, part, false);
        }
        OMF_CHECK(file, media::streamWriteTranslated(media->stream, fileBytes, state.work.data(),
                                                     memoryBytes, &moved));
        at += piece;
        for (ChannelPart& part : parts) {
            part.transfer->samplesXfered = omfInt32(at);
            part.transfer->bytesXfered = omfInt32(part.done);
        }
    }
    return 0;
}

omfErr_t offsetOf(omfHdl_t file, omfMediaHdl_t media, omfInt64 frame, omfInt64* offset) {
    AudioState* state = nullptr;
    OMF_CHECK(file, requireState(file, media, &state));
    const omfInt64 count = media->channels.front().sampleCount;
    // Frame count + 1 is the end of the data, where appending goes on.
    if (frame < 1 || frame - 1 > count) OMF_RAISE(file, OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE);
    const omfInt64 perFrame = state->header.bytesPerFrame();
    if (frame - 1 > (std::numeric_limits<omfInt64>::max() - state->header.dataStart) / perFrame)
        OMF_RAISE(file, OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE);
    *offset = (frame - 1) * perFrame + state->header.dataStart;
    return 0;
}

} // namespace

omfErr_t soundReadSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    AudioState* state = nullptr;
    OMF_CHECK(file, requireState(file, media, &state));
    std::span<omfmMultiXfer_t> transfers = transfersOf(parms);
    OMF_CHECK(file, checkTransfers(file, *state, transfers));
    if (wholeFrames(*state, transfers)) {
        OMF_CHECK(file, readWhole(file, media, *state, transfers.front()));
    } else {
        OMF_CHECK(file, readScattered(file, media, *state, transfers));
    }
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t soundWriteSamples(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) try {
    AudioState* state = nullptr;
    OMF_CHECK(file, requireState(file, media, &state));
    std::span<omfmMultiXfer_t> transfers = transfersOf(parms);
    OMF_CHECK(file, checkTransfers(file, *state, transfers));
    if (wholeFrames(*state, transfers)) {
        OMF_CHECK(file, writeWhole(file, media, *state, transfers.front()));
    } else {
        OMF_CHECK(file, writeGathered(file, media, *state, transfers));
    }
    return 0;
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

omfErr_t soundFrameOffset(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    auto& request = parms->spc.frameOffset;
    OMF_CHECK(file, offsetOf(file, media, request.frameNumber, &request.offset));
    return 0;
}

omfErr_t soundSetFrame(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    omfInt64 offset = 0;
    OMF_CHECK(file, offsetOf(file, media, parms->spc.setFrame.frameNumber, &offset));
    OMF_CHECK(file, media::streamSeek(media->stream, offset));
    return 0;
}

} // namespace omf::codecs::audio
