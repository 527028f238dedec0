// An OpenTimelineIO document read for composing: the first timeline's tracks of clips, gaps,
// transitions and nested stacks, with each item's place in the document for messages.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace omftool {

// A time as OpenTimelineIO writes it: a value in units of `rate` a second.
struct OtioTime {
    double value = 0;
    double rate = 0;
};

struct OtioRange {
    OtioTime start;
    OtioTime duration;
};

struct OtioReference {
    enum class Kind { kNone, kExternal, kMissing };
    Kind kind = Kind::kNone;
    std::string url;                   // ExternalReference.1's target_url
    std::optional<OtioRange> available; // the media's whole range, when given
};

struct OtioTrack;

struct OtioItem {
    enum class Kind { kClip, kGap, kTransition, kStack };
    Kind kind = Kind::kGap;
    std::string name;
    std::string place; // where it is in the document: "tracks.children[0].children[3]"
    // Clips and gaps: the part of the source played (a gap's duration is its length).
    OtioRange sourceRange;
    OtioReference media;
    std::optional<double> timeScalar; // a LinearTimeWarp.1 on the clip
    bool freeze = false;              // a FreezeFrame.1 on the clip
    // Transitions.
    std::string transitionType;
    OtioTime inOffset, outOffset;
    // Stacks: their tracks.
    std::vector<OtioTrack> tracks;
};

struct OtioTrack {
    std::string name;
    std::string kind; // "Video" or "Audio"
    std::string place;
    std::vector<OtioItem> items;
};

struct OtioTimeline {
    std::string name;
    std::optional<OtioTime> globalStart;
    std::vector<OtioTrack> tracks;
    // What was read but has no place in an OMF file (markers, effects other than time warps),
    // each with its place.
    std::vector<std::string> dropped;
};

// Reads `text` as an OpenTimelineIO document: a Timeline.1, or the first Timeline.1 of a
// SerializableCollection.1. False with the reason in `why`: a JSON error with its line and
// column, or the place and name of what cannot be read (an unknown schema, a missing field).
bool readOtio(const std::string& text, OtioTimeline& timeline, std::string& why);

} // namespace omftool
