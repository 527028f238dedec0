// Steps shared by the media handle calls.
#pragma once

#include "media/internal/media_records.h"

#include <memory>

namespace omf::media {

// Frees a handle that never reached its caller (a failed create or open):
// unlinks it from its file and closes a data file found through a locator.
struct MediaDeleter {
    void operator()(omfMediaRec* media) const;
};
using MediaOwner = std::unique_ptr<omfMediaRec, MediaDeleter>;

// A new handle on `file` for `fileMob`: not yet opened, on the file's
// open-media list, so that closing the file closes it.
omfErr_t newMediaHandle(omfHdl_t file, omfObject_t fileMob, MediaOwner* owner);

// Unlinks a handle from its file's open-media list.
void unlinkMedia(omfMediaRec* media);

// Checks a handle and the session behind it; the handle's file in *file.
omfErr_t checkMedia(omfMediaHdl_t media, omfHdl_t* file);

// The media data object of `mobID` in `dataFile` (null when it has none); an
// ID whose prefix is 444 is also tried with prefix 1.
omfErr_t dataObjectFor(omfHdl_t dataFile, const omfUID_t& mobID, omfObject_t* dataObject);

// Finds the file holding a file mob's samples: the file itself, a file a
// locator names, or the one the session's locate-failure callback answers.
// *dataFile is null when none holds them; a file opened here and accepted
// is the caller's to close.
omfErr_t locateMediaData(omfHdl_t file, omfObject_t fileMob, omfObject_t descriptor,
                         omfHdl_t* dataFile);

// The master mob's track `trackID` for `channel` of a file mob, added (with
// the file mob's track of the channel) when the master mob lacks it.
omfErr_t ensureMasterTrack(omfMediaRec& media, omfTrackID_t trackID, omfInt16 channel);

// The length of the descriptor copied into the file mob's and the master
// mob's tracks, converted to each track's edit rate.
omfErr_t updateMobLengths(omfMediaRec& media);

// One getInfo/putInfo call on a handle's codec.
omfErr_t codecInfo(omfMediaHdl_t media, bool put, omfMediaInfoSelector_t selector,
                   omfObject_t mediaKind, omfInt32 size, void* buffer);

// Split "ID:variety" at the first ':'.
void splitCodecID(const char* text, std::string* id, std::optional<std::string>* variety);

} // namespace omf::media

namespace omf::media {
// Lets source resolution score media-group representations by codec.
void installRepresentationScoring(omfSessionHdl_t session);
} // namespace omf::media
