#include "timeline_edl.h"

#include "timecode.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace omftool {

namespace {

constexpr std::size_t kReelLength = 8;
constexpr const char* kDefaultReel = "AX"; // a source without a usable name
constexpr const char* kBlackReel = "BL";   // black, where a dissolve meets a gap
constexpr const char* kSoundChannels[kEdlSoundTracks] = {"A", "A2", "A3", "A4"};

// An item placed on its track: OMF's own positions, a transition starting where it overlaps.
struct Placed {
    const TimelineItem* item;
    int64_t start;
};

// The items of `items` from `position` on, a nested stack replaced by its last track (the
// scope's result, as resolution reads it).
void place(const std::vector<TimelineItem>& items, int64_t position, std::vector<Placed>& out,
           std::vector<std::string>& notes) {
    for (const TimelineItem& item : items) {
        if (item.kind == TimelineItem::Kind::kTransition) {
            position -= item.length;
            out.push_back({&item, position});
            continue;
        }
        if (item.kind == TimelineItem::Kind::kStack) {
            notes.push_back("NESTED SCOPE AT UNIT " + std::to_string(position) +
                            ": ITS LAST TRACK IS LISTED");
            if (!item.tracks.empty()) place(item.tracks.back().items, position, out, notes);
        } else {
            out.push_back({&item, position});
        }
        position += item.length;
    }
}

// A reel name: the source's name in the letters CMX readers take, cut to 8.
std::string reelOf(const TimelineItem* clip) {
    if (clip == nullptr || clip->kind != TimelineItem::Kind::kClip) return kBlackReel;
    std::string reel;
    const std::string name = clip->source ? clip->source->name : std::string();
    for (char c : name) {
        if (reel.size() == kReelLength) break;
        reel += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return reel.empty() ? kDefaultReel : reel;
}

// A name on a comment line: one line of printable characters.
std::string commentText(const std::string& text) {
    std::string line;
    for (char c : text) line += std::isprint(static_cast<unsigned char>(c)) ? c : ' ';
    return line;
}

std::string clipName(const TimelineItem* clip) {
    if (clip == nullptr || clip->kind != TimelineItem::Kind::kClip) return "BLACK";
    if (clip->source && !clip->source->name.empty()) return commentText(clip->source->name);
    return commentText(clip->note.empty() ? "(unnamed)" : clip->note);
}

class EdlWriter {
  public:
    EdlWriter(TimecodeRate rate, int64_t start) : rate_(rate), start_(start) {}

    void track(const TimelineTrack& track, const char* channel) {
        std::vector<Placed> placed;
        std::vector<std::string> notes;
        place(track.items, 0, placed, notes);
        for (const std::string& note : notes) comments_ += "* " + note + "\n";
        for (std::size_t i = 0; i < placed.size(); ++i) {
            const TimelineItem& item = *placed[i].item;
            if (item.kind == TimelineItem::Kind::kTransition) continue;
            const TimelineItem* before =
                i > 0 && placed[i - 1].item->kind == TimelineItem::Kind::kTransition
                    ? placed[i - 1].item
                    : nullptr;
            const TimelineItem* after =
                i + 1 < placed.size() && placed[i + 1].item->kind == TimelineItem::Kind::kTransition
                    ? placed[i + 1].item
                    : nullptr;
            // A gap is no event, unless a dissolve leads into it (to black).
            if (item.kind != TimelineItem::Kind::kClip && before == nullptr) continue;
            const int64_t end = placed[i].start + item.length - (after ? after->length : 0);
            if (end <= placed[i].start && before == nullptr) continue;
            event(track, channel, placed, i, before, end);
        }
    }

    std::string text(const std::string& title) const {
        return "TITLE: " + commentText(title) + "\nFCM: " +
               (rate_.drop ? "DROP FRAME" : "NON-DROP FRAME") + "\n" + comments_ + "\n" + events_;
    }

  private:
    int64_t frames(int64_t units, omfRational_t editRate) const {
        return unitsToFrames(units, editRate, rate_);
    }

    // The source timecode of unit `offset` into `clip` (counted from its source start).
    std::string sourceAt(const TimelineItem* clip, const TimelineTrack& track,
                         int64_t offset) const {
        if (clip == nullptr || clip->kind != TimelineItem::Kind::kClip)
            return timecodeText(frames(offset, track.editRate), rate_);
        int64_t frame = frames(clip->sourceStart + offset, track.editRate);
        if (clip->source && clip->source->timecode) {
            const TimelineTimecode& tc = *clip->source->timecode;
            frame += unitsToFrames(tc.startFrame, omfRational_t{omfInt32(tc.framesPerSecond), 1},
                                   rate_);
        }
        return timecodeText(frame, rate_);
    }

    std::string recordAt(int64_t units, const TimelineTrack& track) const {
        return timecodeText(start_ + frames(units, track.editRate), rate_);
    }

    void line(const std::string& reel, const char* channel, const std::string& transition,
              const std::string& sourceIn, const std::string& sourceOut,
              const std::string& recordIn, const std::string& recordOut) {
        char text[160];
        std::snprintf(text, sizeof text, "%03d  %-8s %-5s %-8s %s %s %s %s\n", number_,
                      reel.c_str(), channel, transition.c_str(), sourceIn.c_str(),
                      sourceOut.c_str(), recordIn.c_str(), recordOut.c_str());
        events_ += text;
    }

    void event(const TimelineTrack& track, const char* channel, const std::vector<Placed>& placed,
               std::size_t i, const TimelineItem* before, int64_t end) {
        const TimelineItem& item = *placed[i].item;
        const int64_t start = placed[i].start;
        ++number_;
        const TimelineItem* from = nullptr;
        if (before != nullptr) {
            // The outgoing side, held at the dissolve's start: source in and out alike.
            from = i >= 2 ? placed[i - 2].item : nullptr;
            const int64_t fromStart = i >= 2 ? placed[i - 2].start : start;
            const std::string at = sourceAt(from, track, start - fromStart);
            line(reelOf(from), channel, "C", at, at, recordAt(start, track),
                 recordAt(start, track));
            char dissolve[16];
            std::snprintf(dissolve, sizeof dissolve, "D    %03lld",
                          (long long)frames(before->length, track.editRate));
            line(reelOf(&item), channel, dissolve, sourceAt(&item, track, 0),
                 sourceAt(&item, track, end - start), recordAt(start, track),
                 recordAt(end, track));
        } else {
            line(reelOf(&item), channel, "C", sourceAt(&item, track, 0),
                 sourceAt(&item, track, end - start), recordAt(start, track),
                 recordAt(end, track));
        }
        if (before != nullptr) events_ += "* FROM CLIP NAME: " + clipName(from) + "\n";
        events_ += std::string("* ") + (before != nullptr ? "TO" : "FROM") +
                   " CLIP NAME: " + clipName(&item) + "\n";
        if (item.kind != TimelineItem::Kind::kClip) return;
        if (item.speed || item.freeze) {
            const double ratio =
                item.freeze || item.speed->denominator == 0
                    ? 0.0
                    : double(item.speed->numerator) / double(item.speed->denominator);
            char motion[96];
            std::snprintf(motion, sizeof motion, "M2   %-8s       %05.1f                %s\n",
                          reelOf(&item).c_str(), ratio * rate_.framesPerSecond,
                          sourceAt(&item, track, 0).c_str());
            events_ += motion;
        } else if (!item.effectID.empty()) {
            events_ += "* EFFECT: " + commentText(item.effectID) + "\n";
        }
        if (before != nullptr && before->effectID.find("Dissolve") == std::string::npos &&
            !before->effectID.empty())
            events_ += "* TRANSITION EFFECT: " + commentText(before->effectID) + "\n";
    }

    TimecodeRate rate_;
    int64_t start_;
    int number_ = 0;
    std::string comments_, events_;
};

} // namespace

bool timelineEdl(const EditTimeline& timeline, const EdlOptions& options, std::string& text,
                 std::string& why) {
    const TimelineTrack* picture = nullptr;
    std::vector<const TimelineTrack*> sound;
    if (options.tracks.empty()) {
        for (const TimelineTrack& track : timeline.tracks) {
            if (track.kind == TrackKind::kVideo && picture == nullptr) picture = &track;
            if (track.kind == TrackKind::kAudio && sound.size() < kEdlSoundTracks)
                sound.push_back(&track);
        }
    } else {
        for (omfTrackID_t id : options.tracks) {
            const auto found =
                std::find_if(timeline.tracks.begin(), timeline.tracks.end(),
                             [id](const TimelineTrack& track) { return track.trackID == id; });
            if (found == timeline.tracks.end()) {
                why = "the composition has no picture or sound track " + std::to_string(id);
                return false;
            }
            if (found->kind == TrackKind::kVideo) {
                if (picture != nullptr && picture != &*found) {
                    why = "an edit decision list holds one picture track; tracks " +
                          std::to_string(picture->trackID) + " and " + std::to_string(id) +
                          " are both picture";
                    return false;
                }
                picture = &*found;
            } else if (std::find(sound.begin(), sound.end(), &*found) == sound.end()) {
                if (sound.size() == kEdlSoundTracks) {
                    why = "an edit decision list holds at most " +
                          std::to_string(kEdlSoundTracks) + " sound tracks";
                    return false;
                }
                sound.push_back(&*found);
            }
        }
    }
    // Timecode counts frames of the picture's rate, else of the first sound track's.
    const TimelineTrack* first = picture != nullptr ? picture : sound.empty() ? nullptr : sound[0];
    const TimecodeRate rate = first != nullptr ? timecodeRateOf(first->editRate) : TimecodeRate{};
    int64_t start = int64_t(rate.framesPerSecond) * 60 * 60 * kEdlDefaultStartHours;
    if (rate.drop) start = parseTimecode("01:00:00;00", rate).value_or(start);
    if (options.startFrame) {
        start = *options.startFrame;
    } else if (timeline.start) {
        start = unitsToFrames(timeline.start->startFrame,
                              omfRational_t{omfInt32(timeline.start->framesPerSecond), 1}, rate);
    }
    EdlWriter writer(rate, start);
    if (picture != nullptr) writer.track(*picture, "V");
    for (std::size_t i = 0; i < sound.size(); ++i) writer.track(*sound[i], kSoundChannels[i]);
    text = writer.text(timeline.name);
    return true;
}

} // namespace omftool
