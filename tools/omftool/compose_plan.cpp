#include "compose_plan.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>

namespace omftool {

namespace {

constexpr omfRational_t kDefaultEditRate{25, 1};
// Rates written as doubles that stand for the NTSC ratios.
constexpr omfRational_t kNTSCRates[] = {{24000, 1001}, {30000, 1001}, {60000, 1001}};
constexpr double kSameRate = 1e-3;   // rates closer than this are one rate
constexpr double kOnAFrame = 1e-6;   // a time this close to a whole unit is on it
constexpr double kLargestUnits = 1e15; // times beyond this are no times of an edit
constexpr int kRateHundredths = 100;
// Embedded media beyond this many bytes is past what several OMF readers take.
constexpr int64_t kLargestEmbedded = int64_t{1} << 31;

double perSecond(omfRational_t rate) {
    return double(rate.numerator) / double(rate.denominator);
}

std::string rateText(omfRational_t rate) {
    return rate.denominator == 1 ? std::to_string(rate.numerator)
                                 : std::to_string(rate.numerator) + "/" +
                                       std::to_string(rate.denominator);
}

// A rate given as a double, as the rational it stands for.
omfRational_t rationalOf(double rate) {
    for (omfRational_t ntsc : kNTSCRates) {
        if (std::fabs(rate - perSecond(ntsc)) < kSameRate) return ntsc;
    }
    if (std::fabs(rate - std::round(rate)) < kSameRate) return {omfInt32(std::lround(rate)), 1};
    return {omfInt32(std::lround(rate * kRateHundredths)), kRateHundredths};
}

// A mob name: printable ASCII, at most kComposeNameLength bytes.
std::string asciiName(const std::string& text, std::size_t room) {
    std::string name;
    for (char c : text) {
        if (name.size() == room) break;
        const auto byte = static_cast<unsigned char>(c);
        name += byte >= 0x20 && byte < 0x7F ? c : '_';
    }
    return name;
}

class Planner {
  public:
    Planner(const std::string& folder, ComposePlan& plan) : folder_(folder), plan_(plan) {}

    bool plan(const OtioTimeline& timeline, const ComposeOptions& options) {
        plan_.name = timeline.name.empty() ? "Composition" : timeline.name;
        plan_.editRate =
            options.framesPerSecond ? rationalOf(*options.framesPerSecond) : pictureRate(timeline);
        if (timeline.globalStart) {
            int64_t start = 0;
            if (!units(*timeline.globalStart, "global_start_time", "the start", start))
                return false;
            plan_.startFrame = start;
        }
        for (const OtioTrack& track : timeline.tracks) {
            if (!planTrack(track)) return false;
        }
        if (!sameSampleRate(options.sampleRate)) return false;
        nameMasters();
        int64_t embedded = 0;
        for (const ComposeSource& source : plan_.sources)
            embedded += source.format.frames * source.format.channels * (source.format.bits / 8);
        if (embedded > kLargestEmbedded)
            plan_.warnings.push_back("the sound embedded comes to " +
                                     std::to_string(embedded >> 20) +
                                     " MiB, over 2 GiB, where several OMF readers stop");
        if (emptyMasters_ > 0)
            plan_.warnings.push_back(
                std::to_string(emptyMasters_) +
                (emptyMasters_ == 1 ? " clip names" : " clips name") +
                " a master mob without media: compose embeds sound files, not pictures, and a "
                "missing reference has nothing to embed");
        return true;
    }

    const std::string& why() const { return why_; }

  private:
    bool fail(const std::string& place, const std::string& what) {
        why_ = place.empty() ? what : place + ": " + what;
        return false;
    }

    omfRational_t pictureRate(const OtioTimeline& timeline) const {
        for (const OtioTrack& track : timeline.tracks) {
            if (track.kind != "Video") continue;
            for (const OtioItem& item : track.items) {
                if (item.kind == OtioItem::Kind::kClip)
                    return rationalOf(item.sourceRange.duration.rate);
            }
        }
        return kDefaultEditRate;
    }

    // A time in edit units; a time between units is rounded, and said.
    bool units(const OtioTime& time, const std::string& place, const char* what, int64_t& out) {
        const double exact = time.value * perSecond(plan_.editRate) / time.rate;
        if (!std::isfinite(exact) || std::fabs(exact) > kLargestUnits)
            return fail(place, std::string(what) + " is no time of an edit");
        out = std::llround(exact);
        if (std::fabs(exact - double(out)) > kOnAFrame) {
            char text[64];
            std::snprintf(text, sizeof text, "%.6g", exact);
            plan_.warnings.push_back(place + ": " + what + " falls between frames of " +
                                     rateText(plan_.editRate) + " (" + text +
                                     "); rounded to " + std::to_string(out));
        }
        return true;
    }

    // The source of a sound clip's file, read once per path.
    bool sourceOf(const OtioItem& clip, std::size_t& index) {
        std::string why;
        const std::string path = pathOfMediaURL(clip.media.url, folder_, why);
        if (path.empty()) return fail(clip.place, why);
        if (auto known = paths_.find(path); known != paths_.end()) {
            index = known->second;
            return true;
        }
        ComposeSource source;
        source.path = path;
        if (!readSoundFormat(path, source.format, why)) return fail(clip.place, why);
        index = plan_.sources.size();
        plan_.sources.push_back(std::move(source));
        firstClipNames_.push_back(clip.name);
        paths_.emplace(path, index);
        return true;
    }

    // The items of an OTIO track in edit units, with the widest sound file's channels, OTIO's
    // transition trims undone and every range checked; a stack becomes a nested scope whose
    // slots are padded to the longest.
    bool planItems(const std::vector<OtioItem>& from, bool sound, int& channels,
                   std::vector<ComposeItem>& items) {
        for (const OtioItem& item : from) {
            ComposeItem planned;
            planned.place = item.place;
            planned.name = item.name;
            switch (item.kind) {
            case OtioItem::Kind::kStack:
                planned.kind = ComposeItem::Kind::kScope;
                for (const OtioTrack& slot : item.tracks) {
                    if ((slot.kind == "Audio") != sound)
                        return fail(slot.place, "a " + slot.kind + " track in a stack on a " +
                                                    (sound ? "sound" : "picture") + " track");
                    std::vector<ComposeItem> slotItems;
                    if (!planItems(slot.items, sound, channels, slotItems))
                        return false;
                    planned.length = std::max(planned.length, lengthOf(slotItems));
                    planned.slots.push_back(std::move(slotItems));
                }
                for (std::vector<ComposeItem>& slotItems : planned.slots) {
                    if (const int64_t rest = planned.length - lengthOf(slotItems); rest > 0) {
                        ComposeItem filler;
                        filler.length = rest;
                        slotItems.push_back(std::move(filler));
                    }
                }
                break;
            case OtioItem::Kind::kTransition: {
                planned.kind = ComposeItem::Kind::kTransition;
                int64_t in = 0, out = 0;
                if (!units(item.inOffset, item.place, "the in offset", in) ||
                    !units(item.outOffset, item.place, "the out offset", out))
                    return false;
                planned.cutPoint = in;
                planned.length = in + out;
                break;
            }
            case OtioItem::Kind::kGap:
                planned.kind = ComposeItem::Kind::kFiller;
                if (!units(item.sourceRange.duration, item.place, "the length", planned.length))
                    return false;
                break;
            case OtioItem::Kind::kClip: {
                planned.kind = ComposeItem::Kind::kClip;
                if (!units(item.sourceRange.start, item.place, "the start", planned.start) ||
                    !units(item.sourceRange.duration, item.place, "the length", planned.length))
                    return false;
                if (sound && item.media.kind == OtioReference::Kind::kExternal) {
                    std::size_t index = 0;
                    if (!sourceOf(item, index)) return false;
                    planned.source = index;
                    channels = std::max(channels, plan_.sources[index].format.channels);
                } else {
                    ++emptyMasters_;
                    planned.masterName = unique(item.name.empty() ? "Clip" : item.name, "");
                }
                break;
            }
            }
            if (planned.length < 0) return fail(item.place, "a negative length");
            items.push_back(std::move(planned));
        }
        return undoTransitionTrims(items) && checkRanges(items);
    }

    // A track's length: its items less the transitions' overlaps.
    static int64_t lengthOf(const std::vector<ComposeItem>& items) {
        int64_t length = 0;
        for (const ComposeItem& item : items)
            length += item.kind == ComposeItem::Kind::kTransition ? -item.length : item.length;
        return length;
    }

    // The items of one channel: a file of fewer channels leaves it silent there.
    std::vector<ComposeItem> channelItems(std::vector<ComposeItem> items, int channel) const {
        for (ComposeItem& item : items) {
            if (item.source && channel >= plan_.sources[*item.source].format.channels) {
                item.kind = ComposeItem::Kind::kFiller;
                item.source.reset();
            }
            item.channel = channel;
            for (std::vector<ComposeItem>& slot : item.slots)
                slot = channelItems(std::move(slot), channel);
        }
        return items;
    }

    // One OMF track per channel of the widest sound file on an OTIO audio track.
    bool planTrack(const OtioTrack& track) {
        const bool sound = track.kind == "Audio";
        std::vector<ComposeItem> items;
        int channels = 1;
        if (!planItems(track.items, sound, channels, items)) return false;
        const std::string base =
            track.name.empty()
                ? std::string(sound ? "A" : "V").append(std::to_string(plan_.tracks.size() + 1))
                : track.name;
        for (int channel = 0; channel < (sound ? channels : 1); ++channel) {
            ComposeTrack planned;
            planned.sound = sound;
            planned.name = channel == 0 ? base : base + " ch" + std::to_string(channel + 1);
            planned.items = channelItems(items, channel);
            plan_.tracks.push_back(std::move(planned));
        }
        return true;
    }

    // OTIO butts items together, a transition taking its in offset from the item before and
    // its out offset from the item after; OMF overlaps them by the transition's length. Each
    // neighbour gets back what the transition took, so the OMF track keeps the OTIO length.
    bool undoTransitionTrims(std::vector<ComposeItem>& items) {
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i].kind != ComposeItem::Kind::kTransition) continue;
            if (i == 0 || i + 1 == items.size() ||
                items[i - 1].kind == ComposeItem::Kind::kTransition ||
                items[i + 1].kind == ComposeItem::Kind::kTransition)
                return fail(items[i].place, "a transition needs a clip or gap on each side");
            const int64_t in = items[i].cutPoint, out = items[i].length - in;
            items[i - 1].length += out;
            items[i + 1].start -= in;
            items[i + 1].length += in;
        }
        return true;
    }

    bool checkRanges(const std::vector<ComposeItem>& items) {
        for (const ComposeItem& item : items) {
            if (!item.source) continue;
            const ComposeSource& source = plan_.sources[*item.source];
            const int64_t available = int64_t(std::floor(double(source.format.frames) *
                                                         perSecond(plan_.editRate) /
                                                         source.format.sampleRate));
            if (item.start < 0 || item.start + item.length > available) {
                return fail(item.place, "the clip \"" + item.name + "\" plays units " +
                                            std::to_string(item.start) + " to " +
                                            std::to_string(item.start + item.length) + " of " +
                                            source.path + ", which holds " +
                                            std::to_string(available) + " (at " +
                                            rateText(plan_.editRate) + " a second)");
            }
        }
        return true;
    }

    bool sameSampleRate(std::optional<int> wanted) {
        std::map<int, std::string> rates;
        for (const ComposeSource& source : plan_.sources)
            rates.emplace(source.format.sampleRate, source.path);
        if (wanted) {
            plan_.sampleRate = *wanted;
            int converted = 0;
            for (const ComposeSource& source : plan_.sources)
                converted += source.format.sampleRate != *wanted ? 1 : 0;
            if (converted > 0)
                plan_.warnings.push_back(std::to_string(converted) +
                                         (converted == 1 ? " sound file is" : " sound files are") +
                                         " converted to " + std::to_string(*wanted) + " Hz");
            return true;
        }
        if (rates.size() > 1) {
            std::string found;
            for (const auto& [rate, path] : rates)
                found += (found.empty() ? "" : ", ") + std::to_string(rate) + " Hz (" + path + ")";
            return fail("", "the sound files have different sample rates: " + found +
                                "; an OMF file for audio post holds one rate: give "
                                "--sample-rate HZ to convert them to it");
        }
        plan_.sampleRate = rates.empty() ? 0 : rates.begin()->first;
        return true;
    }

    // Each source's masters are named after the first clip that plays it (else the file), one
    // per channel, unique in the file.
    void nameMasters() {
        for (std::size_t i = 0; i < plan_.sources.size(); ++i) {
            ComposeSource& source = plan_.sources[i];
            const std::string base = !firstClipNames_[i].empty()
                                         ? firstClipNames_[i]
                                         : std::filesystem::path(source.path).stem().string();
            for (int channel = 0; channel < source.format.channels; ++channel) {
                const std::string suffix =
                    source.format.channels == 1 ? "" : " ch" + std::to_string(channel + 1);
                source.masterNames.push_back(unique(base, suffix));
            }
        }
    }

    std::string unique(const std::string& base, const std::string& suffix) {
        for (int n = 1;; ++n) {
            const std::string number = n == 1 ? "" : std::string(" ").append(std::to_string(n));
            const std::string tail = suffix + number;
            const std::string name =
                asciiName(base, kComposeNameLength - std::min(kComposeNameLength, tail.size())) +
                tail;
            if (names_.insert(name).second) return name;
        }
    }

    const std::string& folder_;
    ComposePlan& plan_;
    std::string why_;
    std::map<std::string, std::size_t> paths_;
    std::vector<std::string> firstClipNames_;
    std::set<std::string> names_;
    int emptyMasters_ = 0;
};

} // namespace

bool planComposition(const OtioTimeline& timeline, const std::string& folder,
                     const ComposeOptions& options, ComposePlan& plan, std::string& why) {
    plan = {};
    Planner planner(folder, plan);
    if (planner.plan(timeline, options)) return true;
    why = planner.why();
    return false;
}

} // namespace omftool
