// The entry function of a sound codec, written once: a codec defines its
// SoundFormat and binds the operations that need it (FormatOperations), and
// its entry function hands every request to soundCodecEntry. The codecs keep
// no persistent data: their properties are the registry's own.
#pragma once

#include "audio/sound_format.h"
#include "omf/omf_session.h"

namespace omf::codecs::audio {

inline constexpr const char* kSoundKind = kOmfDataKindSound;

// Operations that need the format before a handle has state.
omfErr_t openSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                   omfHdl_t file);
omfErr_t createSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                     omfHdl_t file);
omfErr_t soundChannels(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                       omfHdl_t file);
omfErr_t readSoundSummary(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                          omfHdl_t file);
// Every descriptor of the codec's class is its own, at no cost; the sample
// frame's bits (from the summary, when it can be read) are its average size.
omfErr_t selectSound(const SoundFormat& format, omfCodecParms_t* parms, omfMediaHdl_t media,
                     omfHdl_t file);

// Reads the header of an object's data value (the descriptor's summary, or
// the data object's image).
omfErr_t readValueHeader(const SoundFormat& format, omfHdl_t file, omfObject_t object,
                         omfProperty_t property, omfFileRev_t revision, bool wantDataStart,
                         SoundHeader* header);

template <const SoundFormat& Format> struct FormatOperations {
    static omfErr_t open(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
        return openSound(Format, parms, media, file);
    }
    static omfErr_t create(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
        return createSound(Format, parms, media, file);
    }
    static omfErr_t channels(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
        return soundChannels(Format, parms, media, file);
    }
    static omfErr_t readSummary(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
        return readSoundSummary(Format, parms, media, file);
    }
    static omfErr_t select(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
        return selectSound(Format, parms, media, file);
    }
    static constexpr OperationEntry entries[] = {
        {kCodecOpSelectInfo, &select},       {kCodecOpOpen, &open},
        {kCodecOpCreate, &create},           {kCodecOpNumChannels, &channels},
        {kCodecOpReadSummary, &readSummary},
    };
};

// init, describe and fillTable: the shared sound operations, then `bound`
// and `extra`.
omfErr_t soundCodecEntry(const SoundFormat& format, std::span<const OperationEntry> bound,
                         std::span<const OperationEntry> extra, omfCodecRequest_t request,
                         omfCodecParms_t* parms);

} // namespace omf::codecs::audio
