#include "timeline_otio.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace omftool {

namespace {

using Json = nlohmann::ordered_json;
using Kind = TimelineItem::Kind;

constexpr const char* kDefaultMedia = "DEFAULT_MEDIA";
constexpr const char* kDissolve = "SMPTE_Dissolve";
constexpr const char* kCustomTransition = "Custom";
constexpr std::array kDissolveEffects{"omfi:effect:SimpleVideoDissolve",
                                      "omfi:effect:SimpleMonoAudioDissolve",
                                      "omfi:effect:SimpleStereoAudioDissolve"};
// What metadata.omf.media says of a reference that names no file.
constexpr const char* kMediaInFile = "in_omf_file";
constexpr const char* kMediaMissing = "missing";
constexpr const char* kMediaNoFileMob = "no_file_mob";

double rateOf(omfRational_t rate) {
    return rate.denominator == 0 ? 0.0 : double(rate.numerator) / double(rate.denominator);
}

Json rationalTime(double value, double rate) {
    return Json{{"OTIO_SCHEMA", "RationalTime.1"}, {"rate", rate}, {"value", value}};
}

Json timeRange(double start, double duration, double rate) {
    return Json{{"OTIO_SCHEMA", "TimeRange.1"},
                {"duration", rationalTime(duration, rate)},
                {"start_time", rationalTime(start, rate)}};
}

// The fields every OTIO item starts with, in OTIO's own order.
Json itemJson(const char* schema, const std::string& name, Json metadata, Json sourceRange,
              Json effects) {
    return Json{{"OTIO_SCHEMA", schema}, {"metadata", std::move(metadata)},
                {"name", name},          {"source_range", std::move(sourceRange)},
                {"effects", std::move(effects)}, {"markers", Json::array()},
                {"enabled", true}};
}

Json effectJson(const char* schema, const std::string& effectName) {
    return Json{{"OTIO_SCHEMA", schema},
                {"metadata", Json::object()},
                {"name", ""},
                {"effect_name", effectName}};
}

// A speed change as a LinearTimeWarp, a repeat as a FreezeFrame, any other effect by its ID.
Json effectsOf(const TimelineItem& item) {
    Json effects = Json::array();
    if (item.speed && item.speed->denominator != 0) {
        Json warp = effectJson("LinearTimeWarp.1", "LinearTimeWarp");
        warp["time_scalar"] = rateOf(*item.speed);
        effects.push_back(std::move(warp));
    } else if (item.freeze) {
        Json freeze = effectJson("FreezeFrame.1", "FreezeFrame");
        freeze["time_scalar"] = 0.0;
        effects.push_back(std::move(freeze));
    } else if (!item.effectID.empty()) {
        effects.push_back(effectJson("Effect.1", item.effectID));
    }
    return effects;
}

Json reference(const char* schema, const std::string& name, Json metadata, Json available) {
    return Json{{"OTIO_SCHEMA", schema},
                {"metadata", std::move(metadata)},
                {"name", name},
                {"available_range", std::move(available)},
                {"available_image_bounds", nullptr}};
}

Json externalReference(const std::string& name, Json available, const std::string& url) {
    Json ref = reference("ExternalReference.1", name, Json::object(), std::move(available));
    ref["target_url"] = url;
    return ref;
}

Json missingReference(const std::string& name, Json available, Json omf) {
    return reference("MissingReference.1", name, Json{{"omf", std::move(omf)}},
                     std::move(available));
}

// The media a clip plays: the URL the caller gives, the external file found, else a missing
// reference saying why there is no file to name.
Json mediaReference(const ClipSource* source, const OtioOptions& options) {
    if (source == nullptr) return missingReference("", nullptr, Json{{"media", kMediaNoFileMob}});
    Json available = source->mob != nullptr
                         ? timeRange(0, double(source->length), rateOf(source->editRate))
                         : Json(nullptr);
    if (options.mediaURL) {
        if (std::optional<std::string> url = options.mediaURL(*source))
            return externalReference(source->name, std::move(available), *url);
    }
    switch (source->place) {
    case MediaPlace::kExternal:
        return externalReference(source->name, std::move(available), fileURL(source->path));
    case MediaPlace::kMissing:
        return missingReference(source->name, std::move(available),
                                Json{{"media", kMediaMissing},
                                     {"locator_paths", source->locatorPaths}});
    case MediaPlace::kInFile:
        return missingReference(
            source->name, std::move(available),
            Json{{"media", kMediaInFile}, {"file_mob_id", mobIDText(source->fileMobID)}});
    case MediaPlace::kNone:
        break;
    }
    return missingReference(source->name, std::move(available), Json{{"media", kMediaNoFileMob}});
}

// How much of an item OTIO drops at each end, so that items under a transition butt together.
struct Trim {
    int64_t start = 0;
    int64_t end = 0;
};

class TrackWriter {
  public:
    TrackWriter(const TimelineTrack& track, omfRational_t rate, const OtioOptions& options)
        : track_(track), rate_(rate), options_(options), trims_(track.items.size()) {}

    Json write(Json metadata) {
        placeTransitions();
        Json children = Json::array();
        for (std::size_t index = 0; index < track_.items.size(); ++index)
            children.push_back(itemOf(index));
        Json out = itemJson("Track.1", track_.name, std::move(metadata), nullptr, Json::array());
        out["children"] = std::move(children);
        out["kind"] = track_.kind == TrackKind::kVideo ? "Video" : "Audio";
        return out;
    }

  private:
    bool trimmable(std::size_t index) const {
        return index < track_.items.size() && track_.items[index].kind != Kind::kTransition;
    }

    int64_t remaining(std::size_t index) const {
        return track_.items[index].length - trims_[index].start - trims_[index].end;
    }

    // Takes up to `amount` from one end of the item; answers what it could not take.
    int64_t take(std::size_t index, int64_t amount, bool atStart) {
        if (!trimmable(index) || amount <= 0) return amount;
        const int64_t taken = std::clamp<int64_t>(remaining(index), 0, amount);
        (atStart ? trims_[index].start : trims_[index].end) += taken;
        return amount - taken;
    }

    // The item before a transition loses what follows the cut, the item after it what precedes
    // the cut; a side without an item (or too short) leaves its part to the other side.
    void placeTransitions() {
        const std::size_t count = track_.items.size();
        for (std::size_t index = 0; index < count; ++index) {
            const TimelineItem& item = track_.items[index];
            if (item.kind != Kind::kTransition) continue;
            const int64_t cut = std::clamp<int64_t>(item.cutPoint, 0, item.length);
            const std::size_t before = index == 0 ? count : index - 1;
            const std::size_t after = index + 1;
            int64_t left = take(before, item.length - cut, false);
            left = take(after, cut + left, true);
            take(before, left, false);
        }
    }

    Json itemOf(std::size_t index) {
        const TimelineItem& item = track_.items[index];
        const Trim& trim = trims_[index];
        const double duration = double(item.length - trim.start - trim.end);
        switch (item.kind) {
        case Kind::kClip:
            return clipOf(item, trim, duration);
        case Kind::kTransition:
            return transitionOf(item);
        case Kind::kStack:
            return stackOf(item, trim, duration);
        case Kind::kGap:
            break;
        }
        Json metadata = Json::object();
        if (!item.note.empty()) metadata["omf"] = Json{{"note", item.note}};
        return itemJson("Gap.1", "", std::move(metadata), timeRange(0, duration, rateOf(rate_)),
                        effectsOf(item));
    }

    Json clipOf(const TimelineItem& item, const Trim& trim, double duration) {
        const ClipSource* source = item.source.get();
        // The clip's start counts units of its own track's rate, as the track's items do.
        const double start = double(item.sourceStart + trim.start);
        Json omf = Json::object();
        if (source != nullptr) {
            omf["master_mob_id"] = mobIDText(source->mobID);
            if (source->fileMob != nullptr) omf["file_mob_id"] = mobIDText(source->fileMobID);
            omf["track_id"] = source->trackID;
            if (!source->codec.empty()) omf["codec"] = source->codec;
        }
        if (!item.note.empty()) omf["note"] = item.note;
        Json clip = itemJson(options_.clip1 ? "Clip.1" : "Clip.2", source ? source->name : "",
                             Json{{"omf", std::move(omf)}},
                             timeRange(start, duration, rateOf(rate_)), effectsOf(item));
        Json media = mediaReference(source, options_);
        if (options_.clip1) {
            clip["media_reference"] = std::move(media);
        } else {
            clip["media_references"] = Json{{kDefaultMedia, std::move(media)}};
            clip["active_media_reference_key"] = kDefaultMedia;
        }
        return clip;
    }

    Json transitionOf(const TimelineItem& item) const {
        const int64_t cut = std::clamp<int64_t>(item.cutPoint, 0, item.length);
        const bool dissolve = std::find(kDissolveEffects.begin(), kDissolveEffects.end(),
                                        std::string_view(item.effectID)) != kDissolveEffects.end();
        Json metadata = Json::object();
        if (!dissolve) metadata["omf"] = Json{{"effect_id", item.effectID}};
        return Json{{"OTIO_SCHEMA", "Transition.1"},
                    {"metadata", std::move(metadata)},
                    {"name", ""},
                    {"in_offset", rationalTime(double(cut), rateOf(rate_))},
                    {"out_offset", rationalTime(double(item.length - cut), rateOf(rate_))},
                    {"transition_type", dissolve ? kDissolve : kCustomTransition}};
    }

    // A nested scope: one track per slot, played from the trimmed part of the scope.
    Json stackOf(const TimelineItem& item, const Trim& trim, double duration) {
        Json children = Json::array();
        for (const TimelineTrack& slot : item.tracks)
            children.push_back(TrackWriter(slot, rate_, options_).write(Json::object()));
        Json stack = itemJson("Stack.1", "", Json::object(),
                              timeRange(double(trim.start), duration, rateOf(rate_)),
                              effectsOf(item));
        stack["children"] = std::move(children);
        return stack;
    }

    const TimelineTrack& track_;
    omfRational_t rate_;
    const OtioOptions& options_;
    std::vector<Trim> trims_;
};

} // namespace

std::string fileURL(const std::string& path) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    const std::string full = (error ? std::filesystem::path(path) : absolute).lexically_normal();
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : full) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                           c == '~' || c == '/';
        if (plain) {
            url += char(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

nlohmann::ordered_json timelineOtio(const EditTimeline& timeline, const OtioOptions& options) {
    Json tracks = Json::array();
    for (const TimelineTrack& track : timeline.tracks) {
        tracks.push_back(TrackWriter(track, track.editRate, options)
                             .write(Json{{"omf", Json{{"track_id", track.trackID}}}}));
    }
    Json stack = itemJson("Stack.1", "tracks", Json::object(), nullptr, Json::array());
    stack["children"] = std::move(tracks);
    Json start = nullptr;
    if (timeline.start)
        start = rationalTime(double(timeline.start->startFrame),
                             double(timeline.start->framesPerSecond));
    return Json{{"OTIO_SCHEMA", "Timeline.1"},
                {"metadata", Json{{"omf", Json{{"mob_id", mobIDText(timeline.mobID)},
                                                {"revision", timeline.revision}}}}},
                {"name", timeline.name},
                {"global_start_time", std::move(start)},
                {"tracks", std::move(stack)}};
}

nlohmann::ordered_json otioDocument(const std::vector<EditTimeline>& timelines,
                                    const OtioOptions& options) {
    if (timelines.size() == 1) return timelineOtio(timelines.front(), options);
    Json children = Json::array();
    for (const EditTimeline& timeline : timelines)
        children.push_back(timelineOtio(timeline, options));
    return Json{{"OTIO_SCHEMA", "SerializableCollection.1"},
                {"metadata", Json::object()},
                {"name", ""},
                {"children", std::move(children)}};
}

std::string otioText(const nlohmann::ordered_json& document) {
    // Names in the file need not be UTF-8: such bytes become U+FFFD rather than a failure.
    return document.dump(4, ' ', false, Json::error_handler_t::replace) + "\n";
}

} // namespace omftool
