#include "edit_timeline.h"

#include "mob_search.h"

#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"
#include "tarsel/system/media_search.h"

#include <algorithm>
#include <map>
#include <string_view>
#include <tuple>

namespace omftool {

namespace {

constexpr int kMaxDepth = 64;         // a hostile file may nest without end
// Items read from one file at most: a hostile file may name one sequence many times over at
// every level, which nesting alone does not bound.
constexpr int64_t kMaxItems = 1'000'000;
// Lengths and positions beyond this many units (about 360 years of 25 fps frames, or 74 days of
// 48 kHz samples) are no part of an edit.
constexpr int64_t kLargestUnits = int64_t{1} << 48;
constexpr int kLocatorPathSize = 256; // locator paths are read up to this size
constexpr int kTextSize = 256;        // names, labels and effect IDs
constexpr const char* kSpeedControl = "omfi:effect:VideoSpeedControl";
constexpr const char* kRepeat = "omfi:effect:VideoRepeat";
constexpr omfInt32 kInputA = -1; // an effect's first input argument

using MobKey = std::tuple<omfUInt32, omfUInt32, omfUInt32>;

MobKey keyOf(const omfMobID_t& id) {
    return {id.prefix, id.major, id.minor};
}

bool isNull(const omfMobID_t& id) {
    return id.prefix == 0 && id.major == 0 && id.minor == 0;
}

bool isClass(omfHdl_t file, omfObject_t object, const char* classID) {
    omfErr_t error = 0;
    return omfiIsTypeOf(file, object, classID, &error) != 0;
}

std::string dataKindOf(omfHdl_t file, omfObject_t component) {
    char name[kTextSize] = {};
    if (omfiComponentDataKind(file, component, sizeof name, name) != 0) return {};
    return name;
}

// Whether a length or position read from a file is one the timeline's sums can carry: a
// damaged file may hold any 64-bit value, which added up would overflow.
bool inRange(int64_t value) {
    return value >= -kLargestUnits && value <= kLargestUnits;
}

bool validLength(int64_t length) {
    return length >= 0 && inRange(length);
}

// A component's length; 0 when it cannot be read or is no length of an edit.
int64_t lengthOf(omfHdl_t file, omfObject_t component) {
    omfLength_t length = 0;
    return omfiComponentLength(file, component, &length) == 0 && validLength(length) ? length : 0;
}

std::string effectIDOf(omfHdl_t file, omfObject_t effect) {
    char id[kTextSize] = {};
    if (omfiEffectGetEffectID(file, effect, sizeof id, id) != 0) return {};
    return id;
}

// A track of a mob as the walks read it.
struct TrackInfo {
    omfRational_t editRate{};
    std::string label;
    omfTrackID_t trackID = 0;
    omfObject_t segment = nullptr;
};

// Calls `visit` with each readable track of `mob` that has a segment, until it answers false.
template <typename Visit> void forEachTrack(omfHdl_t file, omfObject_t mob, Visit visit) {
    MobSearch tracks(file);
    omfObject_t track = nullptr;
    while (omfiNextTrackOf(tracks.get(), mob, nullptr, &track) == 0) {
        TrackInfo info;
        char label[kTextSize] = {};
        omfPosition_t origin = 0;
        if (omfiTrackGetInfo(file, mob, track, &info.editRate, sizeof label, label, &origin,
                             &info.trackID, &info.segment) != 0 ||
            info.segment == nullptr)
            continue;
        info.label = label;
        if (!visit(info)) return;
    }
}

// Reads a file's composition mobs, with one resolution per (mob, track) a clip names.
class TimelineReader {
  public:
    TimelineReader(omfHdl_t file, const std::vector<std::string>& mediaFolders)
        : file_(file), folders_(mediaFolders) {}

    bool read(std::vector<EditTimeline>& timelines, MediaFailure& failure) {
        omfFileRev_t revision = kOmfRev2x;
        if (int error = omfsFileRevision(file_, &revision))
            return fail(failure, error, "reading the file's revision");
        revision_ = int(revision);
        std::vector<omfObject_t> compositions;
        MobSearch mobs(file_);
        omfObject_t mob = nullptr;
        omfErr_t status = 0;
        while ((status = omfiNextMatchingMob(mobs.get(), nullptr, &mob)) == 0) {
            omfMobID_t id{};
            if (omfiReadMobID(file_, mob, &id) == 0) mobs_.emplace(keyOf(id), mob);
            omfErr_t error = 0;
            if (omfiMobIsComposition(file_, mob, &error)) compositions.push_back(mob);
        }
        if (status != OM_ERR_NO_MORE_OBJECTS) return fail(failure, status, "walking the mobs");
        for (omfObject_t composition : compositions)
            timelines.push_back(readComposition(composition));
        return true;
    }

  private:
    EditTimeline readComposition(omfObject_t mob) {
        EditTimeline timeline;
        timeline.mob = mob;
        timeline.revision = revision_;
        char name[kTextSize] = {};
        if (omfiMobGetName(file_, mob, sizeof name, name) == 0) timeline.name = name;
        omfiReadMobID(file_, mob, &timeline.mobID);
        int videoTracks = 0, audioTracks = 0;
        forEachTrack(file_, mob, [&](const TrackInfo& info) {
            const omfObject_t segment = info.segment;
            const std::string kind = dataKindOf(file_, segment);
            if (kind == kOmfDataKindTimecode) {
                if (!timeline.start) timeline.start = timecodeOf(segment);
                return true;
            }
            if (kind != kOmfDataKindPicture && kind != kOmfDataKindSound) return true;
            TimelineTrack read;
            read.trackID = info.trackID;
            read.kind = kind == kOmfDataKindPicture ? TrackKind::kVideo : TrackKind::kAudio;
            read.name = !info.label.empty()            ? info.label
                        : read.kind == TrackKind::kVideo ? "V" + std::to_string(++videoTracks)
                                                         : "A" + std::to_string(++audioTracks);
            read.editRate = info.editRate;
            read.length = lengthOf(file_, segment);
            appendSegment(segment, read.items, 0);
            timeline.tracks.push_back(std::move(read));
            return true;
        });
        std::stable_sort(timeline.tracks.begin(), timeline.tracks.end(),
                         [](const TimelineTrack& a, const TimelineTrack& b) {
                             return a.trackID < b.trackID;
                         });
        return timeline;
    }

    // The start of the first timecode track of `mob`.
    std::optional<TimelineTimecode> timecodeTrackOf(omfObject_t mob) {
        std::optional<TimelineTimecode> start;
        forEachTrack(file_, mob, [&](const TrackInfo& info) {
            if (dataKindOf(file_, info.segment) != kOmfDataKindTimecode) return true;
            start = timecodeOf(info.segment);
            return false;
        });
        return start;
    }

    // The start of a timecode track: its segment, or the first timecode of its sequence.
    std::optional<TimelineTimecode> timecodeOf(omfObject_t segment) {
        omfObject_t component = segment;
        if (isClass(file_, segment, "SEQU")) {
            MobSearch components(file_);
            if (omfiSequenceGetNextCpnt(components.get(), segment, nullptr, &component) !=
                0)
                return std::nullopt;
        }
        omfLength_t length = 0;
        omfTimecode_t timecode{};
        if (omfiTimecodeGetInfo(file_, component, &length, &timecode) != 0) return std::nullopt;
        if (!inRange(timecode.startFrame)) return std::nullopt;
        return TimelineTimecode{timecode.startFrame, timecode.fps, timecode.drop != 0};
    }

    static TimelineItem gap(int64_t length, std::string note = {}) {
        TimelineItem item;
        item.kind = TimelineItem::Kind::kGap;
        item.length = length;
        item.note = std::move(note);
        return item;
    }

    // Appends the items `segment` plays to `items`: a sequence's components in order, any other
    // segment as one item.
    void appendSegment(omfObject_t segment, std::vector<TimelineItem>& items, int depth) {
        if (depth > kMaxDepth) {
            items.push_back(gap(lengthOf(file_, segment), "nested too deeply to read"));
            return;
        }
        if (isClass(file_, segment, "SEQU")) {
            MobSearch components(file_);
            omfObject_t component = nullptr;
            while (omfiSequenceGetNextCpnt(components.get(), segment, nullptr,
                                           &component) == 0)
                appendSegment(component, items, depth + 1);
            return;
        }
        items.push_back(readItem(segment, depth));
    }

    TimelineItem readItem(omfObject_t component, int depth) {
        const int64_t length = lengthOf(file_, component);
        if (++items_ > kMaxItems) return gap(length, "beyond the items omftool reads from a file");
        if (isClass(file_, component, "SCLP")) return clipItem(component, length);
        if (isClass(file_, component, "FILL")) return gap(length);
        if (isClass(file_, component, "TRAN")) {
            TimelineItem item;
            item.kind = TimelineItem::Kind::kTransition;
            omfObject_t dataKind = nullptr, effect = nullptr;
            omfLength_t transitionLength = length;
            omfPosition_t cutPoint = 0;
            if (omfiTransitionGetInfo(file_, component, &dataKind, &transitionLength, &cutPoint,
                                      &effect) == 0) {
                item.cutPoint = inRange(cutPoint) ? cutPoint : 0;
            }
            item.length = validLength(transitionLength) ? transitionLength : 0;
            item.effectID = effectIDOf(file_, component);
            return item;
        }
        if (isClass(file_, component, "SLCT")) {
            omfObject_t dataKind = nullptr, selected = nullptr;
            omfLength_t selectorLength = 0;
            if (omfiReadSelector(file_, component, &dataKind, &selectorLength, &selected) != 0 ||
                selected == nullptr)
                return gap(length, "a selector with no selected segment");
            return single(selected, length, depth);
        }
        if (isClass(file_, component, "MGRP")) {
            MobSearch choices(file_);
            omfObject_t choice = nullptr;
            if (omfiMediaGroupGetNextChoice(choices.get(), component, nullptr, &choice) != 0)
                return gap(length, "a media group without choices");
            return single(choice, length, depth);
        }
        if (isClass(file_, component, "NEST") || isPlainTrackGroup(component)) {
            TimelineItem item;
            item.kind = TimelineItem::Kind::kStack;
            item.length = length;
            MobSearch slots(file_);
            omfObject_t slot = nullptr;
            while (omfiNestedScopeGetNextSlot(slots.get(), component, nullptr, &slot) == 0) {
                TimelineTrack track;
                track.kind = dataKindOf(file_, slot) == kOmfDataKindSound ? TrackKind::kAudio
                                                                    : TrackKind::kVideo;
                track.length = lengthOf(file_, slot);
                appendSegment(slot, track.items, depth + 1);
                item.tracks.push_back(std::move(track));
            }
            return item;
        }
        if (isClass(file_, component, "EFFE") || isClass(file_, component, "SPED") ||
            isClass(file_, component, "REPT") || isClass(file_, component, "TRKG"))
            return effectItem(component, length, depth);
        return gap(length, "a component of a kind the timeline does not show");
    }

    // 1.x nested scopes are track groups of their own class with no effect ID (effects carry
    // one, speed control and repeat have classes of their own).
    bool isPlainTrackGroup(omfObject_t component) {
        omfClassID_t classID{};
        return revision_ < kOmfRev2x && omfsReadClassOf(file_, component, classID) == 0 &&
               std::string_view(classID, sizeof classID) == "TRKG" &&
               effectIDOf(file_, component).empty();
    }

    // A segment read in place of another (a selector's choice): one item of the outer length.
    TimelineItem single(omfObject_t segment, int64_t length, int depth) {
        std::vector<TimelineItem> items;
        appendSegment(segment, items, depth + 1);
        if (items.size() == 1) {
            items.front().length = length;
            return std::move(items.front());
        }
        // A sequence chosen as a whole: a stack of one track keeps its items.
        TimelineItem item;
        item.kind = TimelineItem::Kind::kStack;
        item.length = length;
        TimelineTrack track;
        track.kind = dataKindOf(file_, segment) == kOmfDataKindSound ? TrackKind::kAudio
                                                               : TrackKind::kVideo;
        track.length = length;
        track.items = std::move(items);
        item.tracks.push_back(std::move(track));
        return item;
    }

    // Speed control and repeat play their input clip; other effects the clip their bypass
    // argument names, else their first input; the effect ID stays with the clip.
    TimelineItem effectItem(omfObject_t effect, int64_t length, int depth) {
        const std::string id = effectIDOf(file_, effect);
        omfInt64 effectLength = length;
        omfObject_t input = nullptr;
        omfRational_t ratio{};
        omfUInt32 phase = 0;
        if (omfiReadSpeedControl(file_, effect, &effectLength, &input, &ratio, &phase) == 0 &&
            input != nullptr) {
            TimelineItem item =
                single(input, validLength(effectLength) ? effectLength : length, depth);
            if (item.kind == TimelineItem::Kind::kClip) item.speed = ratio;
            item.effectID = kSpeedControl;
            return item;
        }
        if (omfiReadRepeat(file_, effect, &effectLength, &input, &phase) == 0 &&
            input != nullptr) {
            TimelineItem item =
                single(input, validLength(effectLength) ? effectLength : length, depth);
            if (item.kind == TimelineItem::Kind::kClip) item.freeze = true;
            item.effectID = kRepeat;
            return item;
        }
        if (omfObject_t chosen = effectInput(effect)) {
            TimelineItem item = single(chosen, length, depth);
            item.effectID = id;
            return item;
        }
        TimelineItem item = gap(length, "an effect without an input clip");
        item.effectID = id;
        return item;
    }

    // The segment of the effect's bypass argument (its override, else its definition's) when it
    // has one, else its input A (argument -1), else its first slot.
    omfObject_t effectInput(omfObject_t effect) {
        omfInt32 bypass = 0;
        if (omfiEffectGetBypassOverride(file_, effect, &bypass) != 0) {
            bypass = 0;
            omfObject_t dataKind = nullptr, definition = nullptr;
            omfLength_t length = 0;
            if (omfiEffectGetInfo(file_, effect, &dataKind, &length, &definition) == 0 &&
                definition != nullptr &&
                omfsPropertyPresent(file_, definition, kOmfProperty_EDEF_Bypass, kOmfType_Int32))
                omfsReadInt32(file_, definition, kOmfProperty_EDEF_Bypass, &bypass);
        }
        omfObject_t bypassed = nullptr, inputA = nullptr, first = nullptr;
        MobSearch slots(file_);
        omfObject_t slot = nullptr;
        while (omfiEffectGetNextSlot(slots.get(), effect, nullptr, &slot) == 0) {
            omfInt32 argID = 0;
            omfObject_t segment = nullptr;
            if (omfiEffectSlotGetInfo(file_, slot, &argID, &segment) != 0 || segment == nullptr)
                continue;
            if (bypass != 0 && argID == bypass && bypassed == nullptr) bypassed = segment;
            if (argID == kInputA && inputA == nullptr) inputA = segment;
            if (first == nullptr) first = segment;
        }
        return bypassed != nullptr ? bypassed : inputA != nullptr ? inputA : first;
    }

    TimelineItem clipItem(omfObject_t clip, int64_t length) {
        omfSourceRef_t ref{};
        if (omfiSourceClipGetRef(file_, clip, &ref) != 0)
            return gap(length, "a source clip that cannot be read");
        if (isNull(ref.sourceID)) return gap(length, "a source clip that ends the mob chain");
        TimelineItem item;
        item.kind = TimelineItem::Kind::kClip;
        item.length = length;
        if (!inRange(ref.startTime))
            return gap(length, "a source clip whose start is out of range");
        item.sourceStart = ref.startTime;
        item.source = sourceOf(ref.sourceID, ref.sourceTrackID);
        if (!item.source->mob) item.note = "its mob " + mobIDText(ref.sourceID) + " is not in the file";
        return item;
    }

    std::shared_ptr<const ClipSource> sourceOf(const omfMobID_t& id, omfTrackID_t trackID) {
        const auto key = std::make_tuple(keyOf(id), trackID);
        if (auto known = sources_.find(key); known != sources_.end()) return known->second;
        auto source = std::make_shared<ClipSource>();
        source->mobID = id;
        source->trackID = trackID;
        if (auto mob = mobs_.find(keyOf(id)); mob != mobs_.end()) describeSource(mob->second, *source);
        sources_.emplace(key, source);
        return source;
    }

    void describeSource(omfObject_t mob, ClipSource& source) {
        source.mob = mob;
        char name[kTextSize] = {};
        if (omfiMobGetName(file_, mob, sizeof name, name) == 0) source.name = name;
        source.mobKind = mobKindName(file_, mob);
        forEachTrack(file_, mob, [&](const TrackInfo& info) {
            if (info.trackID != source.trackID) return true;
            source.editRate = info.editRate;
            source.length = lengthOf(file_, info.segment);
            return false;
        });
        source.timecode = timecodeTrackOf(mob);
        if (source.mobKind == "composition") return;
        omfObject_t fileMob = nullptr;
        omfTrackID_t fileTrack = source.trackID;
        if (source.mobKind == "file") {
            fileMob = mob;
        } else {
            omfSourceSearchResult_t result{};
            omfObject_t found = nullptr;
            if (FindSource(file_, mob, source.trackID, 0, kFileMob, nullptr, kOmfNoEffectChoice,
                           &found, &result) != 0 ||
                result.mob == nullptr)
                return;
            fileMob = result.mob;
            fileTrack = result.trackID;
        }
        if (!source.timecode) {
            omfSourceSearchResult_t tape{};
            omfObject_t found = nullptr;
            if (FindSource(file_, mob, source.trackID, 0, kTapeMob, nullptr, kOmfNoEffectChoice,
                           &found, &tape) == 0 &&
                tape.mob != nullptr) {
                if (auto start = timecodeTrackOf(tape.mob)) {
                    // The tape's timecode at the position the named track starts from.
                    start->startFrame += tape.offset;
                    source.timecode = start;
                }
            }
        }
        source.fileMob = fileMob;
        source.fileTrackID = fileTrack;
        omfiReadMobID(file_, fileMob, &source.fileMobID);
        describeMedia(fileMob, source);
    }

    // The codec and the place of the file mob's samples.
    void describeMedia(omfObject_t fileMob, ClipSource& source) {
        omfObject_t descriptor = nullptr;
        if (omfiMobGetDescriptor(file_, fileMob, &descriptor) != 0 || descriptor == nullptr) return;
        omfCodecDef_t codec{};
        omfSessionHdl_t session = nullptr;
        char codecName[kTextSize] = {};
        if (omfmChooseCodec(file_, descriptor, &codec) == 0 &&
            omfsGetSession(file_, &session) == 0 &&
            omfmGetCodecDescription(session, &codec, nullptr, codecName, sizeof codecName) == 0)
            source.codec = codecName;
        omfBool inFile = false;
        if (omfmIsMediaDataInFile(file_, fileMob, &inFile) == 0 && inFile) {
            source.place = MediaPlace::kInFile;
            return;
        }
        const omfInt32 count = omfsLengthObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator);
        for (omfInt32 index = 1; index <= count; ++index) {
            omfObject_t locator = nullptr;
            char type[4] = {};
            char path[kLocatorPathSize + 1] = {};
            if (omfsGetNthObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator, &locator,
                                      index) != 0 ||
                omfmReadLocator(file_, locator, type, kLocatorPathSize, path) != 0)
                continue;
            source.locatorPaths.push_back(path);
        }
        // 1.x files without locators name external media by the file mob's name.
        if (source.locatorPaths.empty() && revision_ < kOmfRev2x) {
            char name[kTextSize] = {};
            if (omfiMobGetName(file_, fileMob, sizeof name, name) == 0 && name[0] != '\0')
                source.locatorPaths.push_back(name);
        }
        for (const std::string& path : source.locatorPaths) {
            std::string found = FindMediaFile(path, folders_);
            if (!found.empty()) {
                source.place = MediaPlace::kExternal;
                source.path = std::move(found);
                return;
            }
        }
        source.place = MediaPlace::kMissing;
    }

    omfHdl_t file_;
    const std::vector<std::string>& folders_;
    int revision_ = kOmfRev2x;
    int64_t items_ = 0;
    std::map<MobKey, omfObject_t> mobs_;
    std::map<std::tuple<MobKey, omfTrackID_t>, std::shared_ptr<const ClipSource>> sources_;
};

} // namespace

std::string mobIDText(const omfMobID_t& id) {
    return std::to_string(id.prefix) + "." + std::to_string(id.major) + "." +
           std::to_string(id.minor);
}

bool readEditTimelines(omfHdl_t file, const std::vector<std::string>& mediaFolders,
                       std::vector<EditTimeline>& timelines, MediaFailure& failure) {
    return TimelineReader(file, mediaFolders).read(timelines, failure);
}

} // namespace omftool
