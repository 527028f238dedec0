// Closing media: the codec finishes its data, the lengths go into the
// descriptor and the mobs, and the handle is freed.
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"

using namespace omf;
using namespace omf::media;

namespace {

// Written media: each channel's sample count becomes the descriptor's
// Length, created media get their master-mob tracks, and the mobs' track
// lengths follow the descriptor.
omfErr_t writeLengths(omfMediaRec& media) {
    omfHdl_t file = media.file;
    auto channels = omfInt32(media.channels.size());
    omfTrackID_t base = media.trackID;
    if (channels != 1 && media.masterMob != nullptr) {
        omfInt32 tracks = 0;
        OMF_CHECK(file, omfiMobGetNumTracks(file, media.masterMob, &tracks));
        base = omfTrackID_t(tracks + 1);
    }
    for (omfInt32 i = 0; i < channels; ++i) {
        OMF_CHECK(file, omfsWriteLength(file, media.descriptor, kOmfProperty_MDFL_Length,
                                        media.channels[size_t(i)].sampleCount));
        if (media.openMode == kMediaCreated && media.masterMob != nullptr) {
            OMF_CHECK(file, ensureMasterTrack(media, base + omfTrackID_t(i), omfInt16(i + 1)));
        }
    }
    OMF_CHECK(file, updateMobLengths(media));
    return 0;
}

} // namespace

extern "C" {

omfErr_t omfmCloseMedia(omfMediaHdl_t media) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    omfErr_t status = 0;
    if (media->codec.revision != 0) {
        omfCodecParms_t parms{};
        status = callCodec(media, kCodecOpClose, parms);
    }
    bool written = media->openMode == kMediaCreated || media->openMode == kMediaOpenAppend;
    if (status == 0 && written && !file->rawFile && media->descriptor != nullptr) {
        status = writeLengths(*media);
    }
    // The handle goes whatever failed: one left on the file's list would
    // fail again at every later close, and the file could never be closed.
    MediaDeleter{}(media);
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    return 0;
}

} // extern "C"
