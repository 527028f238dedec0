// What omftool export writes for a composition: the master tracks its clips play, each with the
// clips that play it, and where in the master's samples a clip's file starts and ends.
#pragma once

#include "edit_timeline.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace omftool {

// A clip of a composition track, where the track plays it.
struct PlacedClip {
    const TimelineTrack* track = nullptr; // the composition track
    const TimelineItem* item = nullptr;
    int index = 0;        // among the track's clips (nested ones included), from 0
    int64_t position = 0; // the clip's first unit on the timeline, in the track's edit units
};

// A master track the composition plays, with its clips in timeline order.
struct MasterUse {
    std::shared_ptr<const ClipSource> source;
    TrackKind kind = TrackKind::kAudio;
    std::vector<PlacedClip> clips;
};

// The master mob tracks the composition's clips name, in the order first played (tracks in
// track-ID order, clips in time); clips of other mobs and of mobs not in the file are left out.
std::vector<MasterUse> mastersUsed(const EditTimeline& timeline);

// `value` units of rate `from` in units of rate `to`, rounded down; exact when the rates divide.
int64_t convertUnits(int64_t value, omfRational_t from, omfRational_t to);

// The span of a clip's file in its media: the clip's whole OMF extent (transitions overlap it),
// widened by `handle` units on both sides as far as the media's `mediaLength` reaches.
struct ClipSpan {
    int64_t start = 0;         // first unit of the media written
    int64_t length = 0;        // units written
    int64_t timelineStart = 0; // where the first unit lies on the timeline, from its start
};

// The span of `clip` in media of `mediaRate` units a second (samples, frames); false when the
// clip lies outside the media.
bool clipSpan(const PlacedClip& clip, omfRational_t mediaRate, int64_t mediaLength, int64_t handle,
              ClipSpan& span);

} // namespace omftool
