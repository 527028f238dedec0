// Source resolution: from a mob, track and offset, down the chain of source
// clips (composition -> master mob -> file mob -> tape or film mob) to the
// mob of a requested kind that holds the material, looking through
// sequences, selectors, nested scopes, scope references, media groups,
// effects, transitions and pulldowns on the way. Also opens the file a
// locator names.
//
// Offsets change edit rate when a clip is followed into a track of another
// rate: the offset becomes offset x (source denominator x target numerator)
// / (source numerator x target denominator), computed exactly in 128 bits
// and rounded toward negative infinity (a zero rate term is OM_ERR_ILLEGAL_EDIT_RATE, a result
// beyond 64 bits OM_ERR_INT64_OVERFLOW). Lengths are converted the same way.
//
// Pulldowns convert offsets by their kind: a 2:3 pulldown maps four film
// frames to five video frames using its phase (omfiPulldownVideoToFilm and
// omfiPulldownFilmToVideo below); a film-to-tape pulldown turns the video
// offset above it into a film offset, a tape-to-film one the reverse. Any
// other kind, and 1.x pulldown masks, leave the offset unchanged. After a
// pulldown the converted offset is used in the clip's source track as it
// is, without an edit-rate conversion.
#pragma once

#include "omf/omf_mobs.h"
#include "omf/omf_types.h"

extern "C" {

// How a media group's representation is chosen: a kind and an optional
// procedure scoring a candidate's descriptor (kind 4). The first
// representation is kept unless a later one scores strictly higher; other
// kinds score every candidate 0.
typedef omfInt16 (*omfMediaChoiceProc_t)(omfHdl_t file, omfObject_t descriptor,
                                         const char* codecID);
typedef struct {
    omfInt32 mediaKind;
    omfMediaChoiceProc_t proc;
} omfMediaCriteria_t;

// What resolution does on meeting a transition or an effect.
enum : omfInt32 {
    kOmfNoEffectChoice = 0,   // stop with OM_ERR_EFFECT_NEEDS_MORE_INFO, the effect in the result
    kOmfTransitionBefore = 1, // the component before a transition
    kOmfTransitionAfter = 2,  // the component after a transition
    kOmfEffectRendering = 3,  // the effect's (or transition's) rendering
    kOmfEffectInputA = 4,     // n >= 4: the effect slot with ArgID 3 - n
    kOmfEffectInputB = 5,
};

// The answer of FindSource.
typedef struct {
    omfObject_t mob;        // the mob of the requested kind
    omfTrackID_t trackID;   // its track
    omfPosition_t offset;   // position in that track, in its edit units
    omfRational_t editRate; // edit rate of that track
    omfLength_t length;     // material available from the offset without interruption
    omfObject_t pulldownA;  // a pulldown met whose direction is 1
    omfInt32 phaseA;
    omfObject_t pulldownB; // a pulldown met with another direction
    omfInt32 phaseB;
    // On OM_ERR_EFFECT_NEEDS_MORE_INFO: the effect or transition that needs a choice.
    omfObject_t effect;
} omfSourceSearchResult_t;

// Resolves (mob, trackID, offset) to the first mob of `kind` (0 composition,
// 1 master, 2 file, 3 tape, 4 film, 6 any) below it; the starting mob itself
// is never the answer. A composition mob as start, or an unknown kind, is
// OM_ERR_INVALID_MOB_TYPE; no mob of the kind is OM_ERR_TRAVERSAL_FAILED; a transition or effect
// that needs a choice is OM_ERR_EFFECT_NEEDS_MORE_INFO with result->effect set. `track` (may be
// null) receives the starting mob's track. `criteria` may be null.
omfErr_t FindSource(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfPosition_t offset,
                    omfMobKind_t kind, const omfMediaCriteria_t* criteria, omfInt32 effectChoice,
                    omfObject_t* track, omfSourceSearchResult_t* result);

// The track of `mob` with `trackID` (OM_ERR_TRACK_NOT_FOUND when there is none), its segment,
// its edit rate and the offset within the segment (the offset plus the
// track's origin). Null arguments are OM_ERR_NULL_PARAM. In 1.x files the track ID is the
// label number; the first track with it is taken.
omfErr_t FindTrackAtOffset(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                           omfPosition_t offset, omfObject_t* track, omfObject_t* segment,
                           omfRational_t* editRate, omfPosition_t* offsetInSegment);

// Opens the file `locator` names: as an OMF file for reading when `raw` is
// 0, as a raw file otherwise. An unknown locator class is OM_ERR_UNKNOWN_LOCATOR.
omfErr_t OpenLocatorFile(omfHdl_t file, omfObject_t locator, omfBool raw, omfHdl_t* opened);

// Converts `offset` from edit rate `from` to edit rate `to` as described
// above.
omfErr_t omfiConvertEditRate(omfRational_t from, omfPosition_t offset, omfRational_t to,
                             omfPosition_t* converted);

// 2:3 pulldown, for a pulldown whose first video frame sits at `phase`
// (taken modulo 5) in the five-frame cadence: video frame v shows film frame
// floor(4(v + phase) / 5) - floor(4 phase / 5); a film frame maps to the
// last video frame showing it, so film -> video -> film is the identity.
omfPosition_t omfiPulldownFilmToVideo(omfPosition_t filmFrame, omfInt32 phase);
omfPosition_t omfiPulldownVideoToFilm(omfPosition_t videoFrame, omfInt32 phase);

} // extern "C"
