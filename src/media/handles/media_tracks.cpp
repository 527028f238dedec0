// The tracks that tie new media into its mobs, and their lengths.
//
// A created medium's file mob gets one track per channel (numbered from 1,
// ending the source chain), and its master mob a track per channel that
// refers to it. On close the descriptor's Length, counted in samples, is
// carried into every one of those tracks in the track's own edit rate.
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"

namespace omf::media {
namespace {

omfErr_t hasTrack(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, bool* present) {
    omfObject_t track = nullptr, segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offset = 0;
    omfErr_t status = FindTrackAtOffset(file, mob, trackID, 0, &track, &segment, &editRate, &offset);
    *present = status == 0;
    if (status == OM_ERR_TRACK_NOT_FOUND) return 0;
    return status;
}

// The descriptor's length converted into a track of `editRate`; 1.x files
// count one more sample when the samples are finer than the edit units, so
// that a partly filled last edit unit is kept.
omfErr_t lengthInTrack(omfHdl_t file, omfRational_t sampleRate, omfLength_t samples,
                       omfRational_t editRate, omfLength_t* length) {
    if (file->revision != kOmfRev2x && sampleRate.denominator != 0 && editRate.denominator != 0 &&
        double(sampleRate.numerator) / sampleRate.denominator >
            double(editRate.numerator) / editRate.denominator) {
        ++samples;
    }
    OMF_CHECK(file, omfiConvertEditRate(sampleRate, samples, editRate, length));
    return 0;
}

// Writes the converted length into every track of `mob` whose ID is in
// [first, first + count).
omfErr_t updateTracks(omfHdl_t file, omfObject_t mob, omfTrackID_t first, omfInt32 count,
                      omfRational_t sampleRate, omfLength_t samples) {
    for (omfInt32 i = 0; i < count; ++i) {
        omfObject_t track = nullptr, segment = nullptr;
        omfRational_t editRate{};
        omfPosition_t offset = 0;
        omfErr_t status =
            FindTrackAtOffset(file, mob, first + omfTrackID_t(i), 0, &track, &segment, &editRate, &offset);
        if (status == OM_ERR_TRACK_NOT_FOUND) continue;
        OMF_CHECK(file, status);
        omfLength_t length = 0;
        OMF_CHECK(file, lengthInTrack(file, sampleRate, samples, editRate, &length));
        omfObject_t dataKind = nullptr;
        omfLength_t old = 0;
        OMF_CHECK(file, omfiComponentGetInfo(file, segment, &dataKind, &old));
        // 1.x track groups only grow: other members may be longer.
        if (file->revision != kOmfRev2x && old > length) continue;
        OMF_CHECK(file, omfiInitComponent(file, segment, length, dataKind));
    }
    return 0;
}

} // namespace

omfErr_t ensureMasterTrack(omfMediaRec& media, omfTrackID_t trackID, omfInt16 channel) {
    omfHdl_t file = media.file;
    const MediaChannel& info = media.channels.at(size_t(channel - 1));
    bool present = false;
    OMF_CHECK(file, hasTrack(file, media.masterMob, trackID, &present));
    if (present) return 0;

    omfObject_t track = nullptr;
    OMF_CHECK(file, hasTrack(file, media.fileMob, omfTrackID_t(channel), &present));
    if (!present) {
        omfObject_t clip = nullptr;
        OMF_CHECK(file, omfiMakeSourceClip(file, info.mediaKind, 0, omfSourceRef_t{}, &clip));
        OMF_CHECK(file, omfiAddTrackToMob(file, media.fileMob, info.sampleRate, clip, 0,
                                          omfTrackID_t(channel), nullptr, &track));
    }
    omfSourceRef_t source{};
    OMF_CHECK(file, omfiReadMobID(file, media.fileMob, &source.sourceID));
    source.sourceTrackID = omfTrackID_t(channel);
    omfObject_t clip = nullptr;
    OMF_CHECK(file, omfiMakeSourceClip(file, info.mediaKind, 0, source, &clip));
    OMF_CHECK(file, omfiAddTrackToMob(file, media.masterMob, info.sampleRate, clip, 0, trackID,
                                      nullptr, &track));
    return 0;
}

omfErr_t updateMobLengths(omfMediaRec& media) {
    omfHdl_t file = media.file;
    omfRational_t sampleRate{};
    omfLength_t samples = 0;
    OMF_CHECK(file, omfsReadRational(file, media.descriptor, kOmfProperty_MDFL_SampleRate,
                                     &sampleRate));
    OMF_CHECK(file, omfsReadLength(file, media.descriptor, kOmfProperty_MDFL_Length, &samples));
    auto channels = omfInt32(media.channels.size());
    OMF_CHECK(file, updateTracks(file, media.fileMob, 1, channels, sampleRate, samples));
    if (media.masterMob != nullptr) {
        OMF_CHECK(file,
                  updateTracks(file, media.masterMob, media.trackID, channels, sampleRate, samples));
    }
    return 0;
}

} // namespace omf::media
