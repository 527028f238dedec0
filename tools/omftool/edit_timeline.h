// A composition mob read as a timeline: its picture and sound tracks as runs of clips, gaps,
// transitions and nested stacks, each clip with the media it plays and where that media is. The
// model keeps OMF's own timing (a transition overlaps its neighbours); the writers of other
// formats (OpenTimelineIO, EDL) turn it into theirs.
#pragma once

#include "media_failure.h"

#include "omf/omf_mobs.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace omftool {

// A mob ID as omftool writes it: "prefix.major.minor".
std::string mobIDText(const omfMobID_t& id);

// Where the samples of a clip's media are.
enum class MediaPlace {
    kInFile,   // in the OMF file itself
    kExternal, // in a file a locator (or the media search path) names, found here
    kMissing,  // outside the file, found nowhere
    kNone,     // the clip leads to no file mob (a composition, a mob not in the file)
};

// A timecode track's start.
struct TimelineTimecode {
    int64_t startFrame = 0;
    unsigned framesPerSecond = 0;
    bool drop = false;
};

// The media a source clip names, resolved once per mob and track.
struct ClipSource {
    omfObject_t mob = nullptr; // the mob the clip names (master mob, file mob...)
    omfMobID_t mobID{};
    std::string name;
    std::string mobKind; // as mobKindName names it: "master", "file", "composition"...
    omfTrackID_t trackID = 0;
    omfRational_t editRate{0, 1}; // of that track
    int64_t length = 0;           // of that track: all the material there is
    // The file mob holding the samples, found by source resolution.
    omfObject_t fileMob = nullptr;
    omfMobID_t fileMobID{};
    omfTrackID_t fileTrackID = 0;
    std::string codec; // the codec chosen for the file mob's descriptor, or empty
    MediaPlace place = MediaPlace::kNone;
    std::string path;                      // the file found, for kExternal
    std::vector<std::string> locatorPaths; // what the descriptor's locators say
    // The start of the source's timecode: the named mob's timecode track, else that of the tape
    // mob its media came from. Position 0 of the named track is this frame.
    std::optional<TimelineTimecode> timecode;
};

enum class TrackKind { kVideo, kAudio };

struct TimelineTrack;

// One item of a track, `length` edit units of the track long.
struct TimelineItem {
    enum class Kind { kClip, kGap, kTransition, kStack };
    Kind kind = Kind::kGap;
    int64_t length = 0;

    // Clips: the first unit of the source played, in units of the clip's own track's edit rate
    // (resolution converts it to the source track's rate), and the source (whose mob is null
    // when the clip names a mob the file lacks).
    int64_t sourceStart = 0;
    std::shared_ptr<const ClipSource> source;
    std::optional<omfRational_t> speed; // a speed-control effect's ratio around the clip
    bool freeze = false;                // a repeat effect around the clip
    // Clips found inside an effect, transitions: the effect ID ("omfi:effect:...").
    std::string effectID;

    // Transitions: where the cut lies, in units from the transition's start.
    int64_t cutPoint = 0;

    // Nested scopes: one track per slot.
    std::vector<TimelineTrack> tracks;

    // Gaps that are not plain fillers, and clips read with a fault: what they stand for.
    std::string note;
};

struct TimelineTrack {
    omfTrackID_t trackID = 0;
    std::string name; // the track's label, else "V1", "A1"...
    TrackKind kind = TrackKind::kVideo;
    omfRational_t editRate{0, 1};
    int64_t length = 0; // the OMF track's length: clips and gaps less the transitions
    std::vector<TimelineItem> items;
};

struct EditTimeline {
    omfObject_t mob = nullptr;
    std::string name;
    omfMobID_t mobID{};
    int revision = 0; // the file's revision (0, 1 or 2)
    std::optional<TimelineTimecode> start;
    std::vector<TimelineTrack> tracks; // picture and sound tracks, in track-ID order
};

// Reads every composition mob of `file` in mob-table order; external media is looked for where
// its locators say, then in `mediaFolders`. False with the cause in `failure` when the mobs
// cannot be walked; a component that cannot be read becomes a gap with a note.
bool readEditTimelines(omfHdl_t file, const std::vector<std::string>& mediaFolders,
                       std::vector<EditTimeline>& timelines, MediaFailure& failure);

} // namespace omftool
