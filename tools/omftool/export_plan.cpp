#include "export_plan.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace omftool {

namespace {

using SourceKey = std::tuple<omfUInt32, omfUInt32, omfUInt32, omfTrackID_t>;

SourceKey keyOf(const ClipSource& source) {
    return {source.mobID.prefix, source.mobID.major, source.mobID.minor, source.trackID};
}

// Walks `items` from `position`, numbering the clips of the composition track `track` and
// handing each to `found`. In OMF a transition overlaps its neighbours: the item after it
// starts where the transition does.
template <typename Found>
void walkClips(const TimelineTrack& track, const std::vector<TimelineItem>& items, int64_t position,
               int& index, Found&& found) {
    for (const TimelineItem& item : items) {
        switch (item.kind) {
        case TimelineItem::Kind::kTransition:
            position -= item.length;
            continue;
        case TimelineItem::Kind::kClip:
            found(PlacedClip{&track, &item, index++, position});
            break;
        case TimelineItem::Kind::kStack:
            for (const TimelineTrack& nested : item.tracks)
                walkClips(track, nested.items, position, index, found);
            break;
        case TimelineItem::Kind::kGap:
            break;
        }
        position += item.length;
    }
}

} // namespace

std::vector<MasterUse> mastersUsed(const EditTimeline& timeline) {
    std::vector<MasterUse> masters;
    std::map<SourceKey, size_t> known;
    for (const TimelineTrack& track : timeline.tracks) {
        int index = 0;
        walkClips(track, track.items, 0, index, [&](const PlacedClip& clip) {
            const auto& source = clip.item->source;
            if (!source || source->mob == nullptr || source->mobKind != "master") return;
            auto [at, added] = known.emplace(keyOf(*source), masters.size());
            if (added) masters.push_back(MasterUse{source, track.kind, {}});
            masters[at->second].clips.push_back(clip);
        });
    }
    return masters;
}

int64_t convertUnits(int64_t value, omfRational_t from, omfRational_t to) {
    if (from.numerator == 0 || to.denominator == 0) return 0;
    const __int128 scaled = __int128(value) * to.numerator * from.denominator;
    const __int128 divisor = __int128(to.denominator) * from.numerator;
    __int128 quotient = scaled / divisor;
    if ((scaled % divisor != 0) && ((scaled < 0) != (divisor < 0))) --quotient; // round down
    return int64_t(quotient);
}

bool clipSpan(const PlacedClip& clip, omfRational_t mediaRate, int64_t mediaLength, int64_t handle,
              ClipSpan& span) {
    // A clip's start time and length count units of the composition track holding it.
    const omfRational_t trackRate = clip.track->editRate;
    const int64_t first = convertUnits(clip.item->sourceStart, trackRate, mediaRate);
    const int64_t end =
        convertUnits(clip.item->sourceStart + clip.item->length, trackRate, mediaRate);
    const int64_t start = std::clamp<int64_t>(first - handle, 0, mediaLength);
    const int64_t stop = std::clamp<int64_t>(end + handle, 0, mediaLength);
    if (first >= mediaLength || stop <= start) return false;
    span.start = start;
    span.length = stop - start;
    span.timelineStart = convertUnits(clip.position, trackRate, mediaRate) - (first - start);
    return true;
}

} // namespace omftool
