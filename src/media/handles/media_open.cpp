// Opening media for reading or appending.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "omf/resolve/resolution.h"

namespace omf::media {
namespace {

// 1.x still frames: a file mob whose track holds a REPT plays its one
// sample for the REPT's length.
omfErr_t repeatCountOf(omfHdl_t file, omfObject_t fileMob, omfInt64* repeatCount) {
    *repeatCount = 1;
    if (file->revision == kOmfRev2x) return 0;
    omfObject_t track = nullptr, segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offset = 0;
    omfErr_t status = FindTrackAtOffset(file, fileMob, 1, 0, &track, &segment, &editRate, &offset);
    if (status == OM_ERR_TRACK_NOT_FOUND) return 0;
    OMF_CHECK(file, status);
    char classID[5];
    OMF_CHECK(file, resolve::classOf(file, segment, classID));
    if (!resolve::isClass(classID, "REPT")) return 0;
    omfInt32 length = 0;
    OMF_CHECK(file, omfsReadInt32(file, segment, kOmfProperty_TRKG_GroupLength, &length));
    *repeatCount = length;
    return 0;
}

// The file mob under a master mob's track, the file mob's track reached and
// the data kind of the master track.
omfErr_t resolveFileMob(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                        const omfMediaCriteria_t* criteria, omfSourceSearchResult_t* found,
                        omfObject_t* dataKind) {
    omfObject_t track = nullptr;
    OMF_CHECK(file, FindSource(file, mob, trackID, 0, kFileMob, criteria, kOmfNoEffectChoice,
                               &track, found));
    omfObject_t segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offset = 0;
    OMF_CHECK(file, FindTrackAtOffset(file, mob, trackID, 0, &track, &segment, &editRate, &offset));
    omfLength_t length = 0;
    OMF_CHECK(file, omfiComponentGetInfo(file, segment, dataKind, &length));
    return 0;
}

} // namespace
} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmOpenFileMobMedia(omfHdl_t file, omfObject_t fileMob, omfTrackID_t firstTrackID,
                              omfMediaOpenMode_t openMode, omfObject_t mediaKind,
                              omfInt16 readChannel, omfUInt32 rawTransfer, omfMediaHdl_t* result) {
    OMF_CHECK(file, checkMediaFile(file));
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    if (fileMob == nullptr) OMF_RAISE(file, OM_ERR_INVALID_FILE_MOB);

    MediaOwner media;
    OMF_CHECK(file, newMediaHandle(file, fileMob, &media));
    media->openMode = openMode == kMediaOpenAppend ? kMediaOpenAppend : kMediaOpenReadOnly;
    media->trackID = firstTrackID;
    media->readChannel = readChannel;
    media->rawTransfer = rawTransfer;
    OMF_CHECK(file, repeatCountOf(file, fileMob, &media->repeatCount));

    OMF_CHECK(file, omfiMobGetDescriptor(file, fileMob, &media->descriptor));
    if (media->descriptor == nullptr) OMF_RAISE(file, OM_ERR_INVALID_FILE_MOB);
    omfInt16 channels = 0;
    OMF_CHECK(file, omfmCodecNumChannels(file, fileMob, mediaKind, &channels));
    if (channels <= 0) OMF_RAISE(file, OM_ERR_INVALID_DATAKIND);
    omfRational_t sampleRate{0, 1};
    if (omfsPropertyPresent(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                            kOmfType_Rational)) {
        OMF_CHECK(file, omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                         &sampleRate));
    }
    for (omfInt16 i = 0; i < channels; ++i) {
        media->channels.push_back(
            MediaChannel{mediaKind, omfInt32(firstTrackID) + i, omfInt16(i + 1), sampleRate, 0});
    }

    OMF_CHECK(file, locateMediaData(file, fileMob, media->descriptor, &media->dataFile));
    if (media->dataFile == nullptr) OMF_RAISE(file, OM_ERR_MEDIA_NOT_FOUND);
    media->dataContainer = media->dataFile->container;
    media->stream.dataFile = media->dataFile;
    OMF_CHECK(file, chooseCodecFor(file, media->descriptor, &media->codec));
    if (!media->dataFile->rawFile) {
        omfUID_t mobID{};
        OMF_CHECK(file, omfiReadMobID(file, fileMob, &mobID));
        OMF_CHECK(file, dataObjectFor(media->dataFile, mobID, &media->dataObject));
    }

    omfCodecParms_t parms{};
    OMF_CHECK(file, callCodec(media.get(), kCodecOpOpen, parms));
    if (media->openMode == kMediaOpenAppend) {
        // Appending continues after the last sample.
        omfInt64 samples = 0;
        OMF_CHECK(file, omfmCountSamples(media.get(), &samples));
        OMF_CHECK(file, omfmSetFrame(media.get(), samples + 1));
    }
    *result = media.release();
    return 0;
}

omfErr_t omfmOpenMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                       const omfMediaCriteria_t* criteria, omfMediaOpenMode_t openMode,
                       omfUInt32 rawTransfer, omfMediaHdl_t* result) {
    OMF_CHECK(file, checkMediaFile(file));
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    omfSourceSearchResult_t found{};
    omfObject_t dataKind = nullptr;
    OMF_CHECK(file, resolveFileMob(file, masterMob, trackID, criteria, &found, &dataKind));
    // The file mob's track numbers its channel; the master track of its first
    // channel lies that many tracks before.
    auto channel = omfInt16(found.trackID > 0 ? found.trackID : 1);
    omfMediaHdl_t media = nullptr;
    OMF_CHECK(file, omfmOpenFileMobMedia(file, found.mob, trackID - omfTrackID_t(channel - 1),
                                         openMode, dataKind, channel, rawTransfer, &media));
    media->masterMob = masterMob;
    if (file->revision != kOmfRev2x && media->repeatCount < 2) {
        omfInt64 samples = 0;
        OMF_CHECK(file, omfmCountSamples(media, &samples));
        if (samples == 1 && found.length != 1) media->repeatCount = found.length;
    }
    *result = media;
    return 0;
}

omfErr_t omfmCountChannels(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                           const omfMediaCriteria_t* criteria, omfObject_t mediaKind,
                           omfInt16* count) {
    OMF_CHECK(file, checkMediaFile(file));
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *count = 0;
    omfErr_t error = 0;
    omfObject_t fileMob = masterMob;
    if (!omfiMobIsFile(file, masterMob, &error)) {
        OMF_CHECK(file, error);
        omfSourceSearchResult_t found{};
        omfObject_t dataKind = nullptr;
        OMF_CHECK(file, resolveFileMob(file, masterMob, trackID, criteria, &found, &dataKind));
        fileMob = found.mob;
    }
    OMF_CHECK(file, omfmCodecNumChannels(file, fileMob, mediaKind, count));
    return 0;
}

} // extern "C"

