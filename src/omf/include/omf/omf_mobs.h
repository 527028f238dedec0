// Mobs, tracks and components: building them for writing, and walking and
// reading them. The same calls serve 1.x and 2.x files:
//   - a 2.x track is an MSLT with a track description (TRKD) in the mob's
//     Slots; a 1.x track is a TRAK in the mob's Tracks whose LabelNumber
//     numbers the tracks of one track kind from 1;
//   - a 2.x data kind is a DDEF object; a 1.x data kind is the token 1
//     (picture), 2 (sound), 3 (timecode) or 4 (edgecode) carried in the
//     handle's value (see omfsFindDataKind);
//   - in 1.x files the track ID a caller gives when adding a track is
//     recorded against the label number the track receives; readers of 1.x
//     files see the label number as the track ID.
// Every call returns 0 or an error code and never throws. Optional outputs
// of the *GetInfo calls may be null.
#pragma once

#include "omf/omf_types.h"

extern "C" {

typedef omfInt64 omfLength_t;
typedef omfInt64 omfPosition_t;
typedef omfUInt32 omfTrackID_t;
typedef omfUID_t omfMobID_t;

// Mob kinds: search values, counts and mob tests.
typedef enum {
    kCompMob = 0,    // composition mob
    kMasterMob = 1,  // master mob
    kFileMob = 2,    // source mob describing a file
    kTapeMob = 3,    // source mob describing a tape
    kFilmMob = 4,    // source mob describing film
    kPrimaryMob = 5, // mob listed in HEAD PrimaryMobs (2.x only)
    kAllMobs = 6,    // every mob
} omfMobKind_t;

// Search criteria. Mob searches use the first four; track, slot and other
// array walks use kOmfNoSearch, kOmfByClass and kOmfByDatakind.
typedef enum {
    kOmfNoSearch = 0,
    kOmfByMobID = 1,
    kOmfByMobKind = 2,
    kOmfByName = 3,
    kOmfByClass = 4,
    kOmfByDatakind = 5,
} omfSearchTag_t;

typedef struct {
    omfSearchTag_t searchTag;
    union {
        omfMobID_t mobID;
        omfMobKind_t mobKind;
        const char* name; // copied into the iterator on first use
        omfClassID_t objClass;
        const char* datakind; // full name ("omfi:data:Picture"); copied
    } tags;
} omfSearchCrit_t;

// Iterator over mobs, or over the elements of one reference array (tracks,
// slots, sequence components, effect slots, scope slots, selector
// alternates, media-group choices). Allocated by omfiMobOpenSearch, bound to
// one file, cleared by omfiSearchReset before another walk.
typedef struct omfIterRec* omfIterHdl_t;

// Where a source clip's material comes from.
typedef struct {
    omfMobID_t sourceID;        // {0,0,0}: the clip ends the chain
    omfTrackID_t sourceTrackID; // 1.x: the label number of the track
    omfPosition_t startTime;
} omfSourceRef_t;

// Kinds and directions of 2.x pulldowns.
typedef enum { kOmfTwoThreePD = 0, kOmfPALPD = 1 } omfPulldownKind_t;
typedef enum { kOmfTapeToFilmSpeed = 0, kOmfFilmToTapeSpeed = 1 } omfPulldownDir_t;

// Routines of omfiWalkObjectTree.
typedef omfBool (*omfiMatchFunc_t)(omfHdl_t file, omfObject_t object, void* matchArg);
typedef omfErr_t (*omfiActionFunc_t)(omfHdl_t file, omfObject_t object, omfInt32 depth,
                                     void* actionArg);

// ======================= building =======================

// A mob ID not yet used in the file: prefix 42 + the file's product number,
// major from the clock, minor one past the mob count, stepped until free.
omfErr_t omfiMobIDNew(omfHdl_t file, omfMobID_t* mobID);

// Gives `mob` its MobID and enters it in the file's mob table (OM_ERR_DUPLICATE_MOB_ID when the
// ID already belongs to another mob object); in 1.x files also lists it in
// HEAD SourceMobs (a MOBJ with PhysicalMedia) or CompositionMobs (other
// MOBJs). A mob that had another ID is moved to the new one.
omfErr_t omfiSetMobIdentity(omfHdl_t file, omfObject_t mob, omfMobID_t mobID);

// New mobs, registered under `mobID` and named `name` (may be null).
// isPrimary (2.x only) also lists the mob in HEAD PrimaryMobs.
omfErr_t omfiCompMobNew(omfHdl_t file, const char* name, omfBool isPrimary, omfMobID_t mobID,
                        omfObject_t* mob);
omfErr_t omfiMasterMobNew(omfHdl_t file, const char* name, omfBool isPrimary, omfMobID_t mobID,
                          omfObject_t* mob);
// A source mob (SMOB in 2.x, MOBJ with PhysicalMedia in 1.x) described by
// `descriptor` (an MDES object, for example from omfiFileDescriptorNew).
omfErr_t omfiSourceMobNew(omfHdl_t file, const char* name, omfMobID_t mobID, omfObject_t descriptor,
                          omfObject_t* mob);
// Media descriptors: `classID` is MDFL or one of its descendants (DIDD, CDCI,
// TIFD, AIFD, WAVD...); 1.x descriptors get MobKind 1 (file), 2 (tape) or 3
// (film).
omfErr_t omfiFileDescriptorNew(omfHdl_t file, const char* classID, omfRational_t sampleRate,
                               omfLength_t length, omfObject_t* descriptor);
omfErr_t omfiTapeDescriptorNew(omfHdl_t file, omfObject_t* descriptor);
omfErr_t omfiFilmDescriptorNew(omfHdl_t file, omfObject_t* descriptor);
omfErr_t omfiMobSetName(omfHdl_t file, omfObject_t mob, const char* name);

// Writes the data kind and the length of a component. 2.x: DataKind and
// Length. 1.x: TrackKind from the token, and the length (OM_ERR_INT64_TRUNCATION above 2^31-1)
// as GroupLength of a TRKG or Length of a CLIP. A null data kind is OM_ERR_INVALID_DATAKIND.
omfErr_t omfiInitComponent(omfHdl_t file, omfObject_t component, omfLength_t length,
                           omfObject_t dataKind);

omfErr_t omfiMakeSourceClip(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                            omfSourceRef_t sourceRef, omfObject_t* clip);

// Appends a track holding `segment` to `mob`. `name` may be null.
omfErr_t omfiAddTrackToMob(omfHdl_t file, omfObject_t mob, omfRational_t editRate,
                           omfObject_t segment, omfPosition_t origin, omfTrackID_t trackID,
                           const char* name, omfObject_t* track);
// 2.x only: the track description of a slot (created or reused), and the
// physical track number of a track.
omfErr_t omfiMakeTrackDesc(omfHdl_t file, omfObject_t slot, omfPosition_t origin,
                           omfTrackID_t trackID, const char* name, omfObject_t* descriptor);
omfErr_t omfiSetPhysicalTrack(omfHdl_t file, omfObject_t track, omfUInt32 number);

// 1.x: the label number recorded for `trackID` of `mob` with the track kind
// of `dataKind` (OM_ERR_MISSING_MOB_ID when the mob is not in the mob table,
// OM_ERR_MISSING_TRACK_ID when the track ID has no label).
omfErr_t omfiLookupTrackLabel(omfHdl_t file, omfMobID_t mobID, omfObject_t dataKind,
                              omfTrackID_t trackID, omfInt16* label);

// 2.x effect definitions: "omfi:effect:" is added to IDs given without it.
// A defined ID is OM_ERR_DUPLICATE_EFFECT_DEF.
omfErr_t omfiEffectDefNew(omfHdl_t file, const char* effectID, const char* name,
                          const char* description, omfBool isTimeWarp, omfObject_t* definition);
omfBool omfiFindEffectDef(omfHdl_t file, const char* effectID, omfObject_t* definition,
                          omfErr_t* error);

// Components. Lengths go through omfiInitComponent's rules.
omfErr_t omfiSequenceNew(omfHdl_t file, omfObject_t dataKind, omfObject_t* sequence);
// Appends a component; in 2.x files the sequence's Length grows by it (a
// transition shortens it). A transition first or next to another is
// OM_ERR_LEADING_TRANSITION/OM_ERR_ADJACENT_TRANSITIONS.
omfErr_t omfiSequenceAppendCpnt(omfHdl_t file, omfObject_t sequence, omfObject_t component);
omfErr_t omfiFillerNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                       omfObject_t* filler);
// `effect` is the transition's effect (2.x: an EFFE, required; 1.x: a
// component whose EffectID is copied, or null).
omfErr_t omfiTransitionNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                           omfPosition_t cutPoint, omfObject_t effect, omfObject_t* transition);
// An effect: 2.x an EFFE of the definition `effectID` (OM_ERR_INVALID_EFFECT_DEF when undefined);
// 1.x a TRKG with EffectID.
omfErr_t omfiEffectNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                       const char* effectID, omfObject_t* effect);
// An input or argument: 2.x an ESLT (ArgID, ArgValue) in EffectSlots; 1.x a
// TRAK labelled argID in the effect's Tracks. `slot` may be null.
omfErr_t omfiEffectAddNewSlot(omfHdl_t file, omfObject_t effect, omfInt32 argID,
                              omfObject_t segment, omfObject_t* slot);
omfErr_t omfiEffectSetFinalRender(omfHdl_t file, omfObject_t effect, omfObject_t sourceClip);
omfErr_t omfiEffectSetWorkingRender(omfHdl_t file, omfObject_t effect, omfObject_t sourceClip);
omfErr_t omfiEffectSetBypassOverride(omfHdl_t file, omfObject_t effect, omfInt32 argID);
// 2.x constant value (CVAL) of `size` bytes.
omfErr_t omfiConstValueNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length, omfInt32 size,
                           const void* value, omfObject_t* constValue);
// A nested scope: 2.x NEST; 1.x TRKG. Slots are appended in order (1.x:
// TRAKs labelled 1, 2, ...).
omfErr_t omfiNestedScopeNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                            omfObject_t* scope);
omfErr_t omfiNestedScopeAppendSlot(omfHdl_t file, omfObject_t scope, omfObject_t segment);
// A scope reference: 2.x SREF; 1.x TRKR with RelativeScope and
// RelativeTrack = -relativeSlot.
omfErr_t omfiScopeRefNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfUInt32 relativeScope, omfUInt32 relativeSlot, omfObject_t* scopeRef);
// A selector: 2.x SLCT with Selected and Alternates; 1.x SLCT whose Tracks
// hold every choice and SelectedTrack names the selected one's label.
omfErr_t omfiSelectorNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfObject_t* selector);
omfErr_t omfiSelectorSetSelected(omfHdl_t file, omfObject_t selector, omfObject_t segment);
omfErr_t omfiSelectorAddAlt(omfHdl_t file, omfObject_t selector, omfObject_t segment);
// 2.x only: media groups of source clips, and pulldowns.
omfErr_t omfiMediaGroupNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                           omfObject_t* group);
omfErr_t omfiMediaGroupAddChoice(omfHdl_t file, omfObject_t group, omfObject_t sourceClip);
omfErr_t omfiMediaGroupSetStillFrame(omfHdl_t file, omfObject_t group, omfObject_t sourceClip);
omfErr_t omfiPulldownNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                         omfPulldownKind_t kind, omfPulldownDir_t direction, omfInt32 phaseFrame,
                         omfObject_t inputSegment, omfObject_t* pulldown);

// Timecode and edgecode components (data kinds Timecode and Edgecode).
// 1.x timecodes keep the drop-frame flag in bit 0 of their Flags.
typedef struct {
    omfPosition_t startFrame;
    omfBool drop;
    omfUInt16 fps;
} omfTimecode_t;
typedef struct {
    omfPosition_t startFrame;
    omfInt32 filmKind;   // 0, 1, 2 or 4
    omfInt32 codeFormat; // 0 to 3
    char header[8];
} omfEdgecode_t;
omfErr_t omfiTimecodeNew(omfHdl_t file, omfLength_t length, omfTimecode_t timecode,
                         omfObject_t* component);
omfErr_t omfiEdgecodeNew(omfHdl_t file, omfLength_t length, omfEdgecode_t edgecode,
                         omfObject_t* component);
// Fades of a source clip (types: 2.x FadeType values, 1.x Long).
omfErr_t omfiSourceClipSetFade(omfHdl_t file, omfObject_t clip, omfLength_t fadeInLength,
                               omfInt32 fadeInType, omfLength_t fadeOutLength,
                               omfInt32 fadeOutType);
// 2.x only: a composition's default fade, and edit-rate converters.
omfErr_t omfiCompMobSetDefaultFade(omfHdl_t file, omfObject_t mob, omfLength_t length,
                                   omfInt32 fadeType, omfRational_t editUnit);
omfErr_t omfiEditRateConverterNew(omfHdl_t file, omfObject_t dataKind, omfLength_t length,
                                  omfRational_t inputEditRate, omfPosition_t inputOffset,
                                  omfPosition_t resultOffset, omfObject_t inputSegment,
                                  omfObject_t* converter);

// ======================= walking =======================

omfErr_t omfiMobOpenSearch(omfHdl_t file, omfIterHdl_t* iterator);
omfErr_t omfiSearchDispose(omfHdl_t file, omfIterHdl_t iterator);
omfErr_t omfiSearchReset(omfHdl_t file, omfIterHdl_t iterator);

// The first call fixes the criteria (null: every mob); later calls ignore
// them. OM_ERR_NO_MORE_OBJECTS when no more mobs match. Mobs are visited in mob-table order;
// the file's mobs must not be created or given new IDs while a search runs.
omfErr_t omfiNextMatchingMob(omfIterHdl_t iterator, const omfSearchCrit_t* criteria,
                             omfObject_t* mob);
omfErr_t omfiCountMobs(omfHdl_t file, omfMobKind_t kind, omfInt32* count);

// Tracks (slots carrying a track description; 1.x TRAKs) and all slots.
omfErr_t omfiNextTrackOf(omfIterHdl_t iterator, omfObject_t mob, const omfSearchCrit_t* criteria,
                         omfObject_t* track);
omfErr_t omfiNextSlotOf(omfIterHdl_t iterator, omfObject_t mob, const omfSearchCrit_t* criteria,
                        omfObject_t* slot);
// Other array walks, with the same criteria rules.
omfErr_t omfiSequenceGetNextCpnt(omfIterHdl_t iterator, omfObject_t sequence,
                                 const omfSearchCrit_t* criteria, omfObject_t* component);
omfErr_t omfiEffectGetNextSlot(omfIterHdl_t iterator, omfObject_t effect,
                               const omfSearchCrit_t* criteria, omfObject_t* slot);
omfErr_t omfiNestedScopeGetNextSlot(omfIterHdl_t iterator, omfObject_t scope,
                                    const omfSearchCrit_t* criteria, omfObject_t* slot);
// The alternates: 2.x Alternates; 1.x the TrackComponent of every track
// but the selected one.
omfErr_t omfiSelectorGetNextAltSlot(omfIterHdl_t iterator, omfObject_t selector,
                                    const omfSearchCrit_t* criteria, omfObject_t* segment);
omfErr_t omfiMediaGroupGetNextChoice(omfIterHdl_t iterator, omfObject_t group,
                                     const omfSearchCrit_t* criteria, omfObject_t* choice);

omfBool omfiMobIsComposition(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiMobIsMaster(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiMobIsFile(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiMobIsTape(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiMobIsFilm(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiMobIsPrimary(omfHdl_t file, omfObject_t mob, omfErr_t* error);
omfBool omfiObjectIsTrack(omfHdl_t file, omfObject_t object, omfErr_t* error);
// Whether the object's class is `classID` or descends from it.
omfBool omfiIsTypeOf(omfHdl_t file, omfObject_t object, const char* classID, omfErr_t* error);

omfErr_t omfiComponentLength(omfHdl_t file, omfObject_t component, omfLength_t* length);
omfErr_t omfiComponentDataKind(omfHdl_t file, omfObject_t component, omfInt32 size, char* name);
// Data kind (handle as omfsFindDataKind gives it) and length.
omfErr_t omfiComponentGetInfo(omfHdl_t file, omfObject_t component, omfObject_t* dataKind,
                              omfLength_t* length);
omfErr_t omfiDataKindGetName(omfHdl_t file, omfObject_t dataKind, omfInt32 size, char* name);
omfErr_t omfiReadMobID(omfHdl_t file, omfObject_t mob, omfMobID_t* mobID);

// Depth-first visit of `root` and everything reachable through ObjRef and
// ObjRefArray properties; `count` receives the number of matched objects
// whose action answered 0 (an action answering OM_ERR_NO_MORE_OBJECTS prunes the object).
omfErr_t omfiWalkObjectTree(omfHdl_t file, omfObject_t root, omfInt32 depth, omfiMatchFunc_t match,
                            void* matchArg, omfiActionFunc_t action, void* actionArg,
                            omfInt32* count);

// The selected segment is null when a 1.x selector names no existing track.
omfErr_t omfiReadSelector(omfHdl_t file, omfObject_t selector, omfObject_t* dataKind,
                          omfLength_t* length, omfObject_t* selected);

// ======================= getters =======================

omfErr_t omfiMobGetName(omfHdl_t file, omfObject_t mob, omfInt32 size, char* name);
omfErr_t omfiMobGetNumTracks(omfHdl_t file, omfObject_t mob, omfInt32* count);
omfErr_t omfiMobGetNumSlots(omfHdl_t file, omfObject_t mob, omfInt32* count);
// The media descriptor: 2.x MediaDescription of an SMOB, 1.x PhysicalMedia.
omfErr_t omfiMobGetDescriptor(omfHdl_t file, omfObject_t mob, omfObject_t* descriptor);
// Track details. 2.x: the slot's EditRate and Segment and its TRKD's
// Origin, TrackID and TrackName. 1.x: the mob's StartPosition as origin,
// the LabelNumber as track ID, the segment's EditRate, no name.
omfErr_t omfiTrackGetInfo(omfHdl_t file, omfObject_t mob, omfObject_t track,
                          omfRational_t* editRate, omfInt32 nameSize, char* name,
                          omfPosition_t* origin, omfTrackID_t* trackID, omfObject_t* segment);
omfErr_t omfiTrackGetPhysicalNum(omfHdl_t file, omfObject_t track, omfUInt32* number);
// A slot's segment and edit rate (2.x MSLT; 1.x TRAK, with the segment's rate).
omfErr_t omfiMobSlotGetInfo(omfHdl_t file, omfObject_t slot, omfRational_t* editRate,
                            omfObject_t* segment);
omfErr_t omfiSourceClipGetInfo(omfHdl_t file, omfObject_t clip, omfObject_t* dataKind,
                               omfLength_t* length, omfSourceRef_t* sourceRef);
omfErr_t omfiSourceClipGetRef(omfHdl_t file, omfObject_t clip, omfSourceRef_t* sourceRef);
omfErr_t omfiTransitionGetInfo(omfHdl_t file, omfObject_t transition, omfObject_t* dataKind,
                               omfLength_t* length, omfPosition_t* cutPoint, omfObject_t* effect);
omfErr_t omfiSequenceGetNumCpnts(omfHdl_t file, omfObject_t sequence, omfInt32* count);
// 2.x: the definition object; 1.x: none (use omfiEffectGetEffectID).
omfErr_t omfiEffectGetInfo(omfHdl_t file, omfObject_t effect, omfObject_t* dataKind,
                           omfLength_t* length, omfObject_t* effectDef);
// The effect ID text of an effect or transition (2.x through the
// definition, 1.x the component's EffectID).
omfErr_t omfiEffectGetEffectID(omfHdl_t file, omfObject_t effect, omfInt32 size, char* effectID);
omfErr_t omfiEffectGetNumSlots(omfHdl_t file, omfObject_t effect, omfInt32* count);
// An effect slot's argument ID and segment (1.x: a TRAK's label and component).
omfErr_t omfiEffectSlotGetInfo(omfHdl_t file, omfObject_t slot, omfInt32* argID,
                               omfObject_t* segment);
omfErr_t omfiEffectGetFinalRender(omfHdl_t file, omfObject_t effect, omfObject_t* sourceClip);
omfErr_t omfiEffectGetWorkingRender(omfHdl_t file, omfObject_t effect, omfObject_t* sourceClip);
omfErr_t omfiEffectGetBypassOverride(omfHdl_t file, omfObject_t effect, omfInt32* argID);
omfErr_t omfiEffectDefGetInfo(omfHdl_t file, omfObject_t definition, omfInt32 idSize,
                              char* effectID, omfInt32 nameSize, char* name, omfBool* isTimeWarp);
omfErr_t omfiConstValueGetInfo(omfHdl_t file, omfObject_t constValue, omfObject_t* dataKind,
                               omfLength_t* length, omfInt32 size, void* value,
                               omfInt32* bytesRead);
omfErr_t omfiNestedScopeGetNumSlots(omfHdl_t file, omfObject_t scope, omfInt32* count);
omfErr_t omfiScopeRefGetInfo(omfHdl_t file, omfObject_t scopeRef, omfObject_t* dataKind,
                             omfLength_t* length, omfUInt32* relativeScope,
                             omfUInt32* relativeSlot);
omfErr_t omfiSelectorGetNumAltSlots(omfHdl_t file, omfObject_t selector, omfInt32* count);
omfErr_t omfiMediaGroupGetNumChoices(omfHdl_t file, omfObject_t group, omfInt32* count);
omfErr_t omfiMediaGroupGetStillFrame(omfHdl_t file, omfObject_t group, omfObject_t* sourceClip);
omfErr_t omfiPulldownGetInfo(omfHdl_t file, omfObject_t pulldown, omfPulldownKind_t* kind,
                             omfPulldownDir_t* direction, omfInt32* phaseFrame,
                             omfObject_t* inputSegment);

omfErr_t omfiTimecodeGetInfo(omfHdl_t file, omfObject_t component, omfLength_t* length,
                             omfTimecode_t* timecode);
omfErr_t omfiEdgecodeGetInfo(omfHdl_t file, omfObject_t component, omfLength_t* length,
                             omfEdgecode_t* edgecode);
// Absent fades answer present = false and zero values.
omfErr_t omfiSourceClipGetFade(omfHdl_t file, omfObject_t clip, omfLength_t* fadeInLength,
                               omfInt32* fadeInType, omfBool* fadeInPresent,
                               omfLength_t* fadeOutLength, omfInt32* fadeOutType,
                               omfBool* fadeOutPresent);
omfErr_t omfiCompMobGetDefaultFade(omfHdl_t file, omfObject_t mob, omfLength_t* length,
                                   omfInt32* fadeType, omfRational_t* editUnit, omfBool* present);
omfErr_t omfiEditRateConverterGetInfo(omfHdl_t file, omfObject_t converter,
                                      omfRational_t* inputEditRate, omfPosition_t* inputOffset,
                                      omfPosition_t* resultOffset, omfObject_t* inputSegment);
// A mob's ID, name, and times (1.x mobs have no creation time: 0).
omfErr_t omfiMobGetInfo(omfHdl_t file, omfObject_t mob, omfMobID_t* mobID, omfInt32 nameSize,
                        char* name, omfTimeStamp_t* lastModified, omfTimeStamp_t* creationTime);

} // extern "C"
