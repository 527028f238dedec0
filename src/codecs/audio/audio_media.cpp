// omfmCreateAudioMedia: sound media of several channels on the media calls.
#include "omf/omf_audio_media.h"

#include "media/codec_support/codec_calls.h"
#include "media/codec_support/file_facts.h"
#include "media/codec_support/media_handle.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

namespace {

// The track after the master mob's last (1 without a master mob).
omfErr_t firstFreeTrack(omfHdl_t file, omfObject_t masterMob, omfTrackID_t* trackID) {
    *trackID = 1;
    if (masterMob == nullptr) return 0;
    omfInt32 tracks = 0;
    OMF_CHECK(file, omfiMobGetNumTracks(file, masterMob, &tracks));
    *trackID = omfTrackID_t(tracks + 1);
    return 0;
}

} // namespace

extern "C" {

omfErr_t omfmCreateAudioMedia(omfHdl_t file, omfObject_t masterMob, omfObject_t fileMob,
                              omfRational_t sampleRate, omfInt16 numChannels, omfInt16 sampleBits,
                              omfMediaHdl_t* result) {
    OMF_CHECK(file, omf::media::checkMediaFile(file));
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    if (numChannels < 1) OMF_RAISE(file, OM_ERR_CODEC_CHANNEL_OUT_OF_RANGE);
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    // Raw files (a sound file of its own) have no data kinds.
    if (!omf::media::isRawFile(file) &&
        !omfsFindDataKind(file, kOmfDataKindSound, &sound, &status)) {
        OMF_RAISE(file, status != 0 ? status : OM_ERR_INVALID_DATAKIND);
    }
    omfTrackID_t base = 1;
    OMF_CHECK(file, firstFreeTrack(file, masterMob, &base));
    // Media of several channels gets its master-mob tracks when it closes,
    // one per channel from `base`, as the media close numbers them.
    omfMediaHdl_t media = nullptr;
    OMF_CHECK(file, omfmCreateMedia(file, numChannels == 1 ? masterMob : nullptr, base, fileMob,
                                    sound, sampleRate, 0, &media));
    media->masterMob = masterMob;
    for (omfInt16 channel = 2; channel <= numChannels; ++channel) {
        media->channels.push_back(
            omf::media::MediaChannel{sound, omfInt32(base) + channel - 1, channel, sampleRate, 0});
    }
    omfAudioLayout_t layout{numChannels, sampleBits};
    status = omfmPutInfo(media, kMediaInfoCodecParams, sound, sizeof layout, &layout);
    if (status != 0) {
        // The handle never reaches the caller; nothing was written through it.
        media->channels.resize(1);
        if (numChannels != 1) media->masterMob = nullptr;
        omfmCloseMedia(media);
        return omf::propagate(file, status, __FILE__, __LINE__);
    }
    *result = media;
    return 0;
}

} // extern "C"
