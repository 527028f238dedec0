// Following source clips down the mob chain: FollowClip takes one step from
// a resolved leaf to the mob and track it names, FindSourceInChain repeats
// it until a mob of the requested kind, and FindSource starts the search.
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "resolve/resolution.h"

#include <algorithm>
#include <limits>
#include <new>

namespace omf::resolve {
namespace {

// Longer chains than this are taken for a cycle of mobs naming each other.
constexpr int kMaximumChainSteps = 1000;
constexpr omfLength_t kUnlimited = std::numeric_limits<omfLength_t>::max();

struct SourceRef {
    bool present = false;
    omfUID_t mobID{};
    omfTrackID_t trackID = 0;
    omfPosition_t start = 0;
};

omfErr_t readSourceRef(omfHdl_t file, omfObject_t clip, SourceRef* ref) {
    *ref = SourceRef{};
    if (!omfsPropertyPresent(file, clip, kOmfProperty_SCLP_SourceID, kOmfType_UID)) return 0;
    OMF_CHECK(file, omfsReadUID(file, clip, kOmfProperty_SCLP_SourceID, &ref->mobID));
    ref->present = ref->mobID.prefix != 0 || ref->mobID.major != 0 || ref->mobID.minor != 0;
    if (!ref->present) return 0;
    if (file->revision == kOmfRev2x) {
        omfUInt32 track = 0;
        OMF_CHECK(file, omfsReadUInt32(file, clip, kOmfProperty_SCLP_SourceTrackID, &track));
        ref->trackID = track;
        OMF_CHECK(file, omfsReadPosition(file, clip, kOmfProperty_SCLP_StartTime, &ref->start));
    } else {
        omfInt16 track = 0;
        omfInt32 start = 0;
        OMF_CHECK(file, omfsReadInt16(file, clip, kOmfProperty_SCLP_SourceTrack, &track));
        OMF_CHECK(file, omfsReadInt32(file, clip, kOmfProperty_SCLP_SourcePosition, &start));
        ref->trackID = static_cast<omfTrackID_t>(track);
        ref->start = start;
    }
    return 0;
}

// Converts an offset and the length after it through a 2:3 pulldown; other
// kinds leave both unchanged.
void throughPulldown(omfInt32 kind, omfInt32 direction, omfInt32 phase, omfPosition_t* offset,
                     omfLength_t* length) {
    if (kind != kOmfTwoThreePD) return;
    auto convert = [&](omfPosition_t value) {
        // Film made into tape: the outer offset counts video frames.
        return direction == kOmfFilmToTapeSpeed ? omfiPulldownVideoToFilm(value, phase)
                                                : omfiPulldownFilmToVideo(value, phase);
    };
    omfPosition_t start = convert(*offset);
    if (*length != kUnlimited)
        *length = std::max<omfLength_t>(convert(*offset + *length) - start, 0);
    *offset = start;
}

// A pulldown leaf: the clip behind it, with the offset converted.
omfErr_t enterPulldown(omfHdl_t file, omfObject_t pulldown, const char classID[5], ChainStep* step,
                       omfObject_t* clip, omfPosition_t* offset, omfLength_t* length) {
    step->pulldown = pulldown;
    omfObject_t input = nullptr;
    if (isClass(classID, "PDWN")) {
        omfInt32 kind = 0;
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PulldownKind,
                                     kOmfType_PulldownKindType, &kind));
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PulldownDirection,
                                     kOmfType_PulldownDirectionType, &step->direction));
        OMF_CHECK(file, omfsReadEnum(file, pulldown, kOmfProperty_PDWN_PhaseFrame,
                                     kOmfType_PhaseFrameType, &step->phase));
        OMF_CHECK(file, omfsReadObjRef(file, pulldown, kOmfProperty_PDWN_InputSegment, &input));
        throughPulldown(kind, step->direction, step->phase, offset, length);
    } else {
        // 1.x masks: a single-rate mask runs film to tape; offsets stay.
        omfBool isDouble = false;
        omfInt16 phase = 0;
        OMF_CHECK(file, omfsReadBoolean(file, pulldown, kOmfProperty_MASK_IsDouble, &isDouble));
        OMF_CHECK(file, omfsReadInt16(file, pulldown, kOmfProperty_WARP_PhaseOffset, &phase));
        step->direction = isDouble ? 0 : 1;
        step->phase = phase;
        if (omfsLengthObjRefArray(file, pulldown, kOmfProperty_TRKG_Tracks) >= 1) {
            omfObject_t track = nullptr;
            OMF_CHECK(file,
                      omfsGetNthObjRefArray(file, pulldown, kOmfProperty_TRKG_Tracks, &track, 1));
            OMF_CHECK(file, omfsReadObjRef(file, track, kOmfProperty_TRAK_TrackComponent, &input));
        }
    }
    if (input == nullptr) OMF_RAISE(file, OM_ERR_END_OF_MOB_CHAIN);
    char inputClass[5];
    OMF_CHECK(file, classOf(file, input, inputClass));
    if (!isClass(inputClass, "SCLP")) OMF_RAISE(file, OM_ERR_END_OF_MOB_CHAIN);
    *clip = input;
    return 0;
}

void recordPulldown(const ChainStep& step, omfSourceSearchResult_t* result) {
    if (step.pulldown == nullptr) return;
    if (step.direction == 1) {
        result->pulldownA = step.pulldown;
        result->phaseA = step.phase;
    } else {
        result->pulldownB = step.pulldown;
        result->phaseB = step.phase;
    }
}

void initialResult(omfSourceSearchResult_t* result) {
    *result = omfSourceSearchResult_t{};
    result->editRate = {0, 1};
}

} // namespace

omfErr_t FollowClip(omfHdl_t file, omfObject_t mob, omfObject_t track, omfRational_t trackEditRate,
                    const Leaf& leaf, ChainStep* step) {
    (void)mob;
    (void)track;
    *step = ChainStep{};
    if (leaf.object == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    char classID[5];
    OMF_CHECK(file, classOf(file, leaf.object, classID));
    omfObject_t clip = leaf.object;
    omfPosition_t offset = leaf.offset;
    omfLength_t length = leaf.length;
    if (isClass(classID, "PDWN") || isClass(classID, "MASK")) {
        OMF_CHECK(file, enterPulldown(file, leaf.object, classID, step, &clip, &offset, &length));
    } else if (isClass(classID, "FILL")) {
        OMF_RAISE(file, OM_ERR_UNEXPECTED_FILL);
    } else if (!isClass(classID, "SCLP")) {
        OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    }
    omfLength_t clipLength = 0;
    OMF_CHECK(file, lengthOf(file, clip, &clipLength));
    length = std::min(length, clipLength - offset);
    if (length < 0) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);

    SourceRef ref;
    OMF_CHECK(file, readSourceRef(file, clip, &ref));
    if (!ref.present) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    omfObject_t next = nullptr;
    OMF_CHECK(file, mobByID(file, ref.mobID, &next));
    if (next == nullptr) OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
    omfInt32 kind = 0;
    if (file->revision != kOmfRev2x) OMF_CHECK(file, trackKindOf(file, clip, &kind));
    omfObject_t nextTrack = nullptr;
    OMF_CHECK(file, findTrack(file, next, ref.trackID, kind, &nextTrack));
    omfTrackID_t nextID = 0;
    omfRational_t nextRate{};
    omfPosition_t origin = 0;
    omfObject_t segment = nullptr;
    OMF_CHECK(file, trackInfo(file, next, nextTrack, &nextID, &nextRate, &origin, &segment));

    omfPosition_t position = ref.start + offset;
    if (step->pulldown == nullptr) {
        // The clip counts in the units of the track being left.
        omfPosition_t converted = 0;
        OMF_CHECK(file, omfiConvertEditRate(trackEditRate, position, nextRate, &converted));
        if (length != kUnlimited) {
            omfPosition_t end = 0;
            OMF_CHECK(file, omfiConvertEditRate(trackEditRate, position + length, nextRate, &end));
            length = end - converted;
        }
        position = converted;
    }
    step->mob = next;
    step->trackID = ref.trackID;
    step->track = nextTrack;
    step->offset = position;
    step->length = length;
    return 0;
}

omfErr_t FindSourceInChain(omfHdl_t file, const ChainStep& start, omfMobKind_t kind,
                           const ResolveContext& choices, omfSourceSearchResult_t* result) {
    ChainStep current = start;
    omfSourceSearchResult_t found;
    initialResult(&found);
    recordPulldown(start, &found);
    for (int steps = 0; steps < kMaximumChainSteps; ++steps) {
        omfObject_t track = current.track;
        omfObject_t segment = nullptr;
        omfRational_t editRate{};
        omfPosition_t offsetInSegment = 0;
        if (track == nullptr) {
            OMF_CHECK(file, FindTrackAtOffset(file, current.mob, current.trackID, current.offset,
                                              &track, &segment, &editRate, &offsetInSegment));
        } else {
            omfTrackID_t id = 0;
            omfPosition_t origin = 0;
            OMF_CHECK(file, trackInfo(file, current.mob, track, &id, &editRate, &origin, &segment));
            offsetInSegment = current.offset + origin;
        }
        omfLength_t segmentLength = 0;
        OMF_CHECK(file, lengthOf(file, segment, &segmentLength));
        // A track shorter than the reference offers nothing, not a negative run.
        omfLength_t length =
            std::max<omfLength_t>(std::min(current.length, segmentLength - offsetInSegment), 0);

        bool matches = false;
        OMF_CHECK(file, mobIsKind(file, current.mob, kind, &matches));
        if (matches) {
            found.mob = current.mob;
            found.trackID = current.trackID;
            found.offset = current.offset;
            found.editRate = editRate;
            found.length = length;
            *result = found;
            return 0;
        }
        // Resolutions inside the chain have no scope stack.
        ResolveContext context;
        context.criteria = choices.criteria;
        context.effectChoice = choices.effectChoice;
        Leaf leaf;
        omfErr_t status = ResolveAtOffset(file, context, segment, offsetInSegment, length, &leaf);
        if (status == OM_ERR_EFFECT_NEEDS_MORE_INFO) result->effect = context.effect;
        if (status != 0) return propagate(file, status, __FILE__, __LINE__);
        ChainStep next;
        OMF_CHECK(file, FollowClip(file, current.mob, track, editRate, leaf, &next));
        // A pulldown met deeper replaces one of the same direction met above.
        recordPulldown(next, &found);
        current = next;
    }
    OMF_RAISE(file, OM_ERR_TRAVERSAL_FAILED);
}

} // namespace omf::resolve

using namespace omf;
using namespace omf::resolve;

extern "C" {

omfErr_t FindTrackAtOffset(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                           omfPosition_t offset, omfObject_t* track, omfObject_t* segment,
                           omfRational_t* editRate, omfPosition_t* offsetInSegment) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    if (mob == nullptr || track == nullptr || segment == nullptr || editRate == nullptr ||
        offsetInSegment == nullptr) {
        OMF_RAISE(file, OM_ERR_NULL_PARAM);
    }
    omfObject_t found = nullptr;
    OMF_CHECK(file, findTrack(file, mob, trackID, 0, &found));
    omfTrackID_t id = 0;
    omfPosition_t origin = 0;
    OMF_CHECK(file, trackInfo(file, mob, found, &id, editRate, &origin, segment));
    *track = found;
    *offsetInSegment = offset + origin;
    return 0;
}

omfErr_t FindSource(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfPosition_t offset,
                    omfMobKind_t kind, const omfMediaCriteria_t* criteria, omfInt32 effectChoice,
                    omfObject_t* track, omfSourceSearchResult_t* result) {
    if (!validFile(file)) return OM_ERR_BAD_FILE_HANDLE;
    // The scope stack and the sequence walks allocate; running out is OM_ERR_NO_MEMORY.
    try {
        return findSource(file, mob, trackID, offset, kind, criteria, effectChoice, track, result);
    } catch (const std::bad_alloc&) {
        OMF_RAISE(file, OM_ERR_NO_MEMORY);
    }
}

} // extern "C"

namespace omf::resolve {

omfErr_t findSource(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID, omfPosition_t offset,
                    omfMobKind_t kind, const omfMediaCriteria_t* criteria, omfInt32 effectChoice,
                    omfObject_t* track, omfSourceSearchResult_t* result) {
    if (mob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    initialResult(result);
    if (kind != kCompMob && kind != kMasterMob && kind != kFileMob && kind != kTapeMob &&
        kind != kFilmMob && kind != kAllMobs) {
        OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);
    }
    bool isComposition = false;
    OMF_CHECK(file, mobIsKind(file, mob, kCompMob, &isComposition));
    if (isComposition) OMF_RAISE(file, OM_ERR_INVALID_MOB_TYPE);

    omfObject_t startTrack = nullptr;
    omfObject_t segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offsetInSegment = 0;
    OMF_CHECK(file, FindTrackAtOffset(file, mob, trackID, offset, &startTrack, &segment, &editRate,
                                      &offsetInSegment));
    ScopeStack scopes;
    ResolveContext context;
    context.criteria = criteria;
    context.effectChoice = effectChoice;
    context.scopes = &scopes;
    Leaf leaf;
    omfErr_t status = ResolveAtOffset(file, context, segment, offsetInSegment, kUnlimited, &leaf);
    if (status == OM_ERR_EFFECT_NEEDS_MORE_INFO) result->effect = context.effect;
    if (status != 0) return propagate(file, status, __FILE__, __LINE__);
    ChainStep step;
    OMF_CHECK(file, FollowClip(file, mob, startTrack, editRate, leaf, &step));
    OMF_CHECK(file, FindSourceInChain(file, step, kind, context, result));
    if (track != nullptr) *track = startTrack;
    return 0;
}

} // namespace omf::resolve
