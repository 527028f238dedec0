// Opening, creating and closing sound media, and the operations that read a
// header without a handle: the channel count and the rebuilt summary.
#include "audio/audio_state.h"
#include "audio/sound_codec.h"
#include "audio/sound_operations.h"

#include "media/codec_support/file_facts.h"
#include "media/codec_support/translators.h"
#include "omf/omf_access.h"
#include "omf/omf_audio_format.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <limits>
#include <memory>
#include <new>

namespace omf::codecs::audio {

namespace {

// Frames a translator piece holds at least: pieces stay whole frames and
// keep the caller's buffer alignment from one piece to the next.
constexpr omfInt64 kPieceFrameMultiple = 4;
constexpr omfInt64 kPieceBytes = 65536;

omfErr_t checkHandle(omfHdl_t file, omfMediaHdl_t media) {
    if (media == nullptr) OMF_RAISE(file, OM_ERR_BAD_MEDIA_HANDLE);
    if (media->channels.empty()) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    return 0;
}

// The revision of the file holding the data: the handle's own, or that of
// the file a locator led to.
omfFileRev_t dataRevision(omfMediaHdl_t media, omfFileRev_t own) {
    return media->dataFile != nullptr && !media::isRawFile(media->dataFile)
               ? media::fileRevision(media->dataFile)
               : own;
}

omfErr_t openData(const SoundFormat& format, omfMediaHdl_t media, omfFileRev_t revision) {
    return media::streamOpen(media->stream, media, media->dataObject, format.dataProperty,
                             omfsByteDataType(dataRevision(media, revision)));
}

omfErr_t startTranslation(omfHdl_t file, omfMediaHdl_t media, AudioState& state) {
    OMF_CHECK(file, media::streamAddTranslator(media->stream, media::makeAudioTranslator()));
    OMF_CHECK(file, publishFormats(file, media, state));
    return 0;
}

// Sizes the translator's buffer for the current frame size.
omfErr_t sizePieces(omfHdl_t file, omfMediaHdl_t media, const AudioState& state) {
    const omfInt64 frame = state.header.bytesPerFrame();
    omfInt64 frames = kPieceBytes / frame / kPieceFrameMultiple * kPieceFrameMultiple;
    if (frames < kPieceFrameMultiple) frames = kPieceFrameMultiple;
    OMF_CHECK(file, media::streamSetTranslatorBufferSize(media->stream, size_t(frames * frame)));
    return 0;
}

omfErr_t writeAt(omfHdl_t file, media::CodecStream& stream, omfInt64 position, const void* bytes,
                 size_t size) {
    OMF_CHECK(file, media::streamSeek(stream, position));
    OMF_CHECK(file, media::streamWrite(stream, bytes, omfInt64(size)));
    return 0;
}

omfErr_t patchUInt32(omfHdl_t file, media::CodecStream& stream, omfInt64 position, uint32_t value,
                     bool bigEndian) {
    uint8_t bytes[4];
    storeUInt32(bytes, value, bigEndian);
    return writeAt(file, stream, position, bytes, sizeof bytes);
}

// Finishes the image of written media: the header of created media is
// written again with the final figures; appended media get their size
// fields and frame count patched. An odd end gets a pad byte when the
// format asks for one; the sizes do not count it.
omfErr_t finishImage(omfHdl_t file, omfMediaHdl_t media, const AudioState& state,
                     omfInt64 dataBytes) {
    const SoundFormat& format = *state.format;
    media::CodecStream& stream = media->stream;
    const omfInt64 dataEnd = state.header.dataStart + dataBytes;
    if (media->openMode == kMediaCreated) {
        const std::vector<uint8_t> header = format.buildHeader(state.header, dataBytes);
        OMF_CHECK(file, writeAt(file, stream, 0, header.data(), header.size()));
    } else {
        const bool big = format.bigEndianSamples;
        const omfInt64 sizeField = state.header.dataSizePosition;
        OMF_CHECK(file, patchUInt32(file, stream, 4, uint32_t(dataEnd - 8), big));
        OMF_CHECK(file,
                  patchUInt32(file, stream, sizeField, uint32_t(dataEnd - (sizeField + 4)), big));
        if (state.header.frameCountPosition >= 0) {
            OMF_CHECK(file, patchUInt32(file, stream, state.header.frameCountPosition,
                                        uint32_t(state.header.sampleFrames), big));
        }
    }
    if (format.padOddEnd && dataEnd % 2 != 0) {
        const uint8_t pad = 0;
        OMF_CHECK(file, writeAt(file, stream, dataEnd, &pad, 1));
    }
    return 0;
}

omfErr_t writeSummary(omfHdl_t file, omfObject_t descriptor, const SoundFormat& format,
                      const SoundHeader& header, omfInt64 dataBytes) {
    const std::vector<uint8_t> summary = format.buildHeader(header, dataBytes);
    OMF_CHECK(file, omfsWriteDataBytes(file, descriptor, format.summaryProperty,
                                       omfsByteDataType(media::fileRevision(file)), 0,
                                       omfInt32(summary.size()), summary.data()));
    return 0;
}

omfErr_t soundKindOf(omfHdl_t file, omfObject_t* kind) {
    omfErr_t status = 0;
    *kind = nullptr;
    if (!omfsFindDataKind(file, kSoundKind, kind, &status) && status != 0) {
        OMF_RAISE(file, status);
    }
    return 0;
}

omfErr_t fileMobDescriptor(omfHdl_t file, omfObject_t fileMob, omfObject_t* descriptor) {
    if (fileMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    OMF_CHECK(file, omfiMobGetDescriptor(file, fileMob, descriptor));
    if (*descriptor == nullptr) OMF_RAISE(file, OM_ERR_INVALID_FILE_MOB);
    return 0;
}

// Hands the state to the handle, or closes the stream again on failure.
omfErr_t finishStart(omfHdl_t file, omfMediaHdl_t media, std::unique_ptr<AudioState> state,
                     omfErr_t status) {
    if (status != 0) {
        if (media->stream.tag == media::kStreamTag) media::streamClose(media->stream);
        return propagate(file, status, __FILE__, __LINE__);
    }
    media->codecState = state.release();
    return 0;
}

omfErr_t openState(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                   omfHdl_t file, AudioState& state) {
    bool haveLength = false;
    omfInt64 length = 0;
    omfObject_t descriptor = media->descriptor;
    if (descriptor != nullptr) {
        // Without a Length the header's frame count stands.
        omfErr_t status = omfsReadLength(file, descriptor, kOmfProperty_MDFL_Length, &length);
        if (status != 0 && status != OM_ERR_PROPERTY_MISSING)
            return propagate(file, status, __FILE__, __LINE__);
        haveLength = status == 0;
    }
    OMF_CHECK(file, openData(format, media, parms->fileRevision));
    StreamHeaderSource source(media->stream);
    OMF_CHECK(file, format.readHeader(file, source, true, &state.header));
    const omfInt64 samples = haveLength ? length : state.header.sampleFrames;
    if (samples < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    for (media::MediaChannel& channel : media->channels)
        channel.sampleCount = samples;
    state.header.sampleFrames = samples;
    // Reading starts at frame 1, wherever the header walk ended.
    OMF_CHECK(file, media::streamSeek(media->stream, state.header.dataStart));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

omfErr_t createState(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                     omfHdl_t file, AudioState& state) {
    omfRational_t rate = media->channels.front().sampleRate;
    if (media->descriptor != nullptr &&
        omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate, &rate) != 0) {
        OMF_RAISE(file, OM_ERR_DESCRIPTOR_SAMPLE_RATE);
    }
    state.header.channels = omfInt32(media->channels.size());
    state.header.sampleRate = rate;
    state.header.sampleFrames = 0;
    state.header.dataStart = format.headerBytes;
    if (!state.header.usable()) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    OMF_CHECK(file, openData(format, media, parms->fileRevision));
    const std::vector<uint8_t> header = format.buildHeader(state.header, 0);
    OMF_CHECK(file, writeAt(file, media->stream, 0, header.data(), header.size()));
    OMF_CHECK(file, startTranslation(file, media, state));
    return 0;
}

using FillState = omfErr_t (*)(const SoundFormat&, omfCodecParms_t*, omfMediaHdl_t, omfHdl_t,
                               AudioState&);

omfErr_t startSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                    omfHdl_t file, FillState fill) try {
    OMF_CHECK(file, checkHandle(file, media));
    auto state = std::make_unique<AudioState>();
    state->format = &format;
    omfErr_t status = fill(format, parms, media, file, *state);
    return finishStart(file, media, std::move(state), status);
} catch (const std::bad_alloc&) {
    OMF_RAISE(file, OM_ERR_NO_MEMORY);
}

} // namespace

omfErr_t requireState(omfHdl_t file, omfMediaHdl_t media, AudioState** state) {
    *state = audioStateOf(media);
    if (*state == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    return 0;
}

omfErr_t publishFormats(omfHdl_t file, omfMediaHdl_t media, AudioState& state) {
    const SoundHeader& header = state.header;
    media::FormatList& list = state.fileFormat;
    list.clear();
    OMF_CHECK(file, list.putInt16(kOmfAudioSampleBits, omfInt16(header.bytesPerSample() * 8)));
    OMF_CHECK(file, list.putRational(kOmfAudioSampleRate, header.sampleRate));
    OMF_CHECK(file,
              list.putInt32(kOmfAudioSampleFormat, state.format->offsetBinary(header.sampleBits)
                                                       ? kOmfOffsetBinary
                                                       : kOmfTwosComplement));
    OMF_CHECK(file, list.putInt32(kOmfAudioFrameChannels, header.channels));
    omfObject_t kind = media->soundKind;
    if (kind == nullptr && !media->channels.empty()) kind = media->channels.front().mediaKind;
    // A raw file has no data kinds: the handle itself marks both formats as set.
    if (kind == nullptr) kind = reinterpret_cast<omfObject_t>(media);
    media::StreamFormat memory{kind, state.memoryFormat.data(), nullptr, false};
    media::StreamFormat stored{kind, list.data(), nullptr, state.format->bigEndianSamples};
    OMF_CHECK(file, media::streamSetMemoryFormat(media->stream, memory));
    OMF_CHECK(file, media::streamSetFileFormat(media->stream, stored));
    OMF_CHECK(file, sizePieces(file, media, state));
    return 0;
}

omfErr_t frameBytes(omfHdl_t file, omfMediaHdl_t media, const AudioState& state, omfInt64 frames,
                    omfInt64* fileBytes, omfInt64* memoryBytes) {
    const omfInt64 perFrame = state.header.bytesPerFrame();
    if (frames < 0) OMF_RAISE(file, OM_ERR_NEGATIVE_VALUE);
    if (frames > std::numeric_limits<omfInt64>::max() / perFrame)
        OMF_RAISE(file, OM_ERR_INT64_OVERFLOW);
    *fileBytes = frames * perFrame;
    if (memoryBytes != nullptr) {
        OMF_CHECK(file, media::streamMemoryBytes(media->stream, *fileBytes, memoryBytes));
    }
    return 0;
}

omfErr_t readValueHeader(const SoundFormat& format, omfHdl_t file, omfObject_t object,
                         omfProperty_t property, omfFileRev_t revision, bool wantDataStart,
                         SoundHeader* header) {
    if (object == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    ValueHeaderSource source(file, object, property, omfsByteDataType(revision));
    OMF_CHECK(file, format.readHeader(file, source, wantDataStart, header));
    return 0;
}

omfErr_t openSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                   omfHdl_t file) {
    return startSound(format, parms, media, file, openState);
}

omfErr_t createSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                     omfHdl_t file) {
    return startSound(format, parms, media, file, createState);
}

omfErr_t soundClose(omfCodecParms_t*, omfMediaHdl_t media, omfHdl_t file) {
    std::unique_ptr<AudioState> state(audioStateOf(media));
    if (!state) OMF_RAISE(file, OM_ERR_MEDIA_SYSTEM_NOT_INIT);
    media->codecState = nullptr;
    const bool written = media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
    if (!written) {
        OMF_CHECK(file, media::streamClose(media->stream));
        return 0;
    }
    state->header.sampleFrames = media->channels.front().sampleCount;
    const omfInt64 perFrame = state->header.bytesPerFrame();
    const omfInt64 frames = state->header.sampleFrames;
    // A count from a hostile descriptor that no image can hold is not patched in.
    const bool fits = frames >= 0 && state->header.dataStart <= kLargestImageEnd &&
                      frames <= (kLargestImageEnd - state->header.dataStart) / perFrame;
    const omfInt64 dataBytes = fits ? frames * perFrame : 0;
    omfErr_t status = fits ? finishImage(file, media, *state, dataBytes) : OM_ERR_INT64_TRUNCATION;
    // The stream closes whatever happened, so that the handle can go.
    omfErr_t closed = media::streamClose(media->stream);
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    OMF_CHECK(file, closed);
    if (media->descriptor != nullptr) {
        OMF_CHECK(file,
                  writeSummary(file, media->descriptor, *state->format, state->header, dataBytes));
    }
    return 0;
}

omfErr_t soundChannels(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t,
                       omfHdl_t file) {
    auto& request = parms->spc.numChannels;
    request.numChannels = 0;
    omfObject_t sound = nullptr;
    OMF_CHECK(file, soundKindOf(file, &sound));
    if (sound == nullptr || request.mediaKind != sound) return 0;
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, fileMobDescriptor(file, request.fileMob, &descriptor));
    SoundHeader header;
    OMF_CHECK(file, readValueHeader(format, file, descriptor, format.summaryProperty,
                                    parms->fileRevision, false, &header));
    request.numChannels = omfInt16(header.channels);
    return 0;
}

omfErr_t readSoundSummary(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t,
                          omfHdl_t file) {
    auto& request = parms->spc.readSummary;
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, fileMobDescriptor(file, request.fileMob, &descriptor));
    SoundHeader header;
    OMF_CHECK(file, readValueHeader(format, file, request.dataObject, format.dataProperty,
                                    parms->fileRevision, true, &header));
    OMF_CHECK(file,
              omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, header.sampleRate));
    OMF_CHECK(file, writeSummary(file, descriptor, format, header,
                                 header.sampleFrames * header.bytesPerFrame()));
    return 0;
}

omfErr_t selectSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t,
                     omfHdl_t file) {
    auto& request = parms->spc.selectInfo;
    request.info = omfCodecSelectInfo_t{};
    request.info.willHandleMDES = 1;
    request.info.isNative = 1;
    SoundHeader header;
    ValueHeaderSource source(file, request.descriptor, format.summaryProperty,
                             omfsByteDataType(parms->fileRevision));
    if (request.descriptor != nullptr && format.readHeader(file, source, false, &header) == 0) {
        request.info.avgBitsPerSec = header.sampleBits * header.channels;
    }
    return 0;
}

} // namespace omf::codecs::audio
