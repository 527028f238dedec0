// getInfo and putInfo of the sound codecs: the file's format list, the
// caller's memory format, the channel and sample-size layout, the largest
// sample and the size of the data.
#include "audio/audio_state.h"
#include "audio/sound_codec.h"
#include "audio/sound_operations.h"

#include "omf/omf_audio_format.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_session.h"
#include "video/codec_support.h"

#include <cstring>
#include <span>

namespace omf::codecs::audio {

namespace {

bool isSoundKind(omfHdl_t file, omfObject_t kind) {
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    return kind != nullptr && omfsFindDataKind(file, kSoundKind, &sound, &status) && kind == sound;
}

// The entries of a list buffer of `size` bytes, up to its terminator.
omfErr_t listEntries(omfHdl_t file, void* buffer, omfInt32 size,
                     std::span<omfFormatEntry_t>* list) {
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    auto* entries = static_cast<omfFormatEntry_t*>(buffer);
    const size_t capacity = size > 0 ? size_t(size) / sizeof(omfFormatEntry_t) : 0;
    size_t count = 0;
    while (count < capacity && entries[count].opcode != kOmfVFmtEnd)
        ++count;
    *list = {entries, count};
    return 0;
}

omfErr_t answerFileFormat(omfHdl_t file, const AudioState& state, void* buffer, omfInt32 size) {
    std::span<omfFormatEntry_t> list;
    OMF_CHECK(file, listEntries(file, buffer, size, &list));
    for (omfFormatEntry_t& entry : list) {
        const omfFormatEntry_t* known = state.fileFormat.find(entry.opcode);
        if (known == nullptr) OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        entry = *known;
    }
    return 0;
}

// The layout can change only on created media before its first sample.
omfErr_t checkLayoutOpen(omfHdl_t file, omfMediaHdl_t media, const AudioState& state) {
    if (media->openMode != kMediaCreated) OMF_RAISE(file, OM_ERR_WRONG_MEDIA_MODE);
    if (state.samplesWritten) OMF_RAISE(file, OM_ERR_NONCONTIGUOUS_MEDIA);
    return 0;
}

bool usableBits(omfInt32 bits) {
    return bits >= 1 && bits <= kLargestSampleBits;
}

omfErr_t putFileFormat(omfHdl_t file, omfMediaHdl_t media, AudioState& state, void* buffer,
                       omfInt32 size) {
    std::span<omfFormatEntry_t> list;
    OMF_CHECK(file, listEntries(file, buffer, size, &list));
    OMF_CHECK(file, checkLayoutOpen(file, media, state));
    SoundHeader header = state.header;
    for (const omfFormatEntry_t& entry : list) {
        switch (entry.opcode) {
        case kOmfAudioSampleBits:
            if (!usableBits(entry.operand.int16)) OMF_RAISE(file, OM_ERR_AUDIO_SAMPLE_SIZE);
            header.sampleBits = entry.operand.int16;
            break;
        case kOmfAudioSampleRate:
            header.sampleRate = entry.operand.ratio;
            break;
        default:
            OMF_RAISE(file, OM_ERR_ILLEGAL_FILE_FORMAT);
        }
    }
    state.header = header;
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t putMemoryFormat(omfHdl_t file, omfMediaHdl_t media, AudioState& state, void* buffer,
                         omfInt32 size) {
    std::span<omfFormatEntry_t> list;
    OMF_CHECK(file, listEntries(file, buffer, size, &list));
    media::FormatList memory = state.memoryFormat;
    for (const omfFormatEntry_t& entry : list) {
        switch (entry.opcode) {
        case kOmfAudioSampleBits:
        case kOmfAudioSampleRate:
        case kOmfAudioSampleFormat:
            OMF_CHECK(file, memory.put(entry));
            break;
        default:
            OMF_RAISE(file, OM_ERR_ILLEGAL_MEMORY_FORMAT);
        }
    }
    state.memoryFormat = memory;
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

omfErr_t putLayout(omfHdl_t file, omfMediaHdl_t media, AudioState& state, void* buffer,
                   omfInt32 size) {
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (size < omfInt32(sizeof(omfAudioLayout_t))) OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
    OMF_CHECK(file, checkLayoutOpen(file, media, state));
    omfAudioLayout_t layout;
    std::memcpy(&layout, buffer, sizeof layout);
    if (layout.numChannels < 1 || layout.numChannels > kLargestChannelCount)
        OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    if (!usableBits(layout.sampleBits)) OMF_RAISE(file, OM_ERR_AUDIO_SAMPLE_SIZE);
    state.header.channels = layout.numChannels;
    state.header.sampleBits = layout.sampleBits;
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

} // namespace

omfErr_t soundGetInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    AudioState* state = nullptr;
    OMF_CHECK(file, requireState(file, media, &state));
    auto& request = parms->spc.info;
    switch (request.selector) {
    case kMediaInfoVideoFormat:
        if (!isSoundKind(file, request.mediaKind)) OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
        OMF_CHECK(file, answerFileFormat(file, *state, request.buffer, request.size));
        return 0;
    case kMediaInfoCodecParams: {
        if (request.buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
        if (request.size < omfInt32(sizeof(omfAudioLayout_t)))
            OMF_RAISE(file, OM_ERR_BUFFER_TOO_SMALL);
        const omfAudioLayout_t layout{omfInt16(state->header.channels),
                                      omfInt16(state->header.sampleBits)};
        std::memcpy(request.buffer, &layout, sizeof layout);
        return 0;
    }
    case kMediaInfoMaxSampleSize: {
        omfInt64 fileBytes = 0, memoryBytes = 0;
        OMF_CHECK(file, frameBytes(file, media, *state, 1, &fileBytes, &memoryBytes));
        OMF_CHECK(file, video::answerLargestSample(file, media, memoryBytes, request.size,
                                                   request.buffer));
        return 0;
    }
    case kMediaInfoDataSize:
        OMF_CHECK(file, video::answerDataSize(file, media, request.size, request.buffer));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
}

omfErr_t soundPutInfo(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    AudioState* state = nullptr;
    OMF_CHECK(file, requireState(file, media, &state));
    auto& request = parms->spc.info;
    switch (request.selector) {
    case kMediaInfoVideoFormat:
        if (!isSoundKind(file, request.mediaKind)) OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
        OMF_CHECK(file, putFileFormat(file, media, *state, request.buffer, request.size));
        return 0;
    case kMediaInfoMemoryFormat:
        OMF_CHECK(file, putMemoryFormat(file, media, *state, request.buffer, request.size));
        return 0;
    case kMediaInfoCodecParams:
        OMF_CHECK(file, putLayout(file, media, *state, request.buffer, request.size));
        return 0;
    default:
        OMF_RAISE(file, OM_ERR_INVALID_CODEC_OPERATION);
    }
}

} // namespace omf::codecs::audio
