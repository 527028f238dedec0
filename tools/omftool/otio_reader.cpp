// OpenTimelineIO JSON read into OtioTimeline. Every object names its schema ("Clip.2"); the
// reader takes the schemas timelines of sound and picture edits use, and names anything else
// with its place, so a document is never half read without a word.
#include "otio_document.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace omftool {

namespace {

using nlohmann::json;

constexpr int kMaxDepth = 64; // stacks within stacks, as far as a document may nest them
constexpr const char* kSchemaKey = "OTIO_SCHEMA";
constexpr const char* kDefaultMediaKey = "DEFAULT_MEDIA";

// A reading fault: where and what.
struct Fault {
    std::string place, what;
};

// The schema name without its version ("Clip" of "Clip.2") and the version.
std::pair<std::string, int> schemaOf(const json& object) {
    if (!object.is_object()) return {"", 0};
    const auto found = object.find(kSchemaKey);
    if (found == object.end() || !found->is_string()) return {"", 0};
    const std::string schema = *found;
    const auto dot = schema.rfind('.');
    if (dot == std::string::npos) return {schema, 0};
    int version = 0;
    for (char c : schema.substr(dot + 1)) {
        if (c < '0' || c > '9') return {schema, 0};
        version = version * 10 + (c - '0');
    }
    return {schema.substr(0, dot), version};
}

std::string schemaText(const json& object) {
    const auto found = object.is_object() ? object.find(kSchemaKey) : object.end();
    return found != object.end() && found->is_string() ? found->get<std::string>() : "(none)";
}

class Reader {
  public:
    explicit Reader(OtioTimeline& timeline) : timeline_(timeline) {}

    bool document(const json& root, std::string& why) {
        const json* timeline = &root;
        if (schemaOf(root).first == "SerializableCollection") {
            timeline = nullptr;
            if (const json* children = field(root, "children", "", json::value_t::array)) {
                for (const json& child : *children) {
                    if (schemaOf(child).first == "Timeline") {
                        timeline = &child;
                        break;
                    }
                }
            }
            if (timeline == nullptr && fault_.what.empty())
                fail("", "the collection holds no Timeline.1");
        }
        if (timeline != nullptr) readTimeline(*timeline);
        if (fault_.what.empty()) return true;
        why = fault_.place.empty() ? fault_.what : fault_.place + ": " + fault_.what;
        return false;
    }

  private:
    bool fail(const std::string& place, const std::string& what) {
        if (fault_.what.empty()) fault_ = {place, what};
        return false;
    }

    bool expectSchema(const json& object, const std::string& place, const char* name) {
        if (schemaOf(object).first == name) return true;
        return fail(place, "expected a " + std::string(name) + ", found schema " +
                               schemaText(object));
    }

    // A field of `object` of the given type; null (with a fault when required) otherwise.
    const json* field(const json& object, const char* name, const std::string& place,
                      json::value_t type, bool required = true) {
        const auto found = object.is_object() ? object.find(name) : object.end();
        if (found == object.end() || found->is_null()) {
            if (required) fail(place, std::string("no \"") + name + "\"");
            return nullptr;
        }
        const bool number = type == json::value_t::number_float;
        if (number ? !found->is_number() : found->type() != type) {
            fail(place, std::string("\"") + name + "\" is not " +
                            (number ? "a number" : "of the expected kind"));
            return nullptr;
        }
        return &*found;
    }

    std::string text(const json& object, const char* name) {
        const auto found = object.is_object() ? object.find(name) : object.end();
        return found != object.end() && found->is_string() ? found->get<std::string>() : "";
    }

    bool time(const json& object, const std::string& place, OtioTime& out) {
        if (!expectSchema(object, place, "RationalTime")) return false;
        const json* value = field(object, "value", place, json::value_t::number_float);
        const json* rate = field(object, "rate", place, json::value_t::number_float);
        if (value == nullptr || rate == nullptr) return false;
        out = {value->get<double>(), rate->get<double>()};
        if (!std::isfinite(out.value) || !std::isfinite(out.rate) || out.rate <= 0)
            return fail(place, "a time needs a finite value and a positive rate");
        return true;
    }

    bool range(const json& object, const std::string& place, OtioRange& out) {
        if (!expectSchema(object, place, "TimeRange")) return false;
        const json* start = field(object, "start_time", place, json::value_t::object);
        const json* duration = field(object, "duration", place, json::value_t::object);
        return start != nullptr && duration != nullptr &&
               time(*start, place + ".start_time", out.start) &&
               time(*duration, place + ".duration", out.duration);
    }

    void readTimeline(const json& object) {
        if (!expectSchema(object, "", "Timeline")) return;
        timeline_.name = text(object, "name");
        if (const json* start = field(object, "global_start_time", "", json::value_t::object,
                                      false)) {
            OtioTime at;
            if (time(*start, "global_start_time", at)) timeline_.globalStart = at;
        }
        const json* stack = field(object, "tracks", "", json::value_t::object);
        if (stack == nullptr || !expectSchema(*stack, "tracks", "Stack")) return;
        readTracks(*stack, "tracks", timeline_.tracks, 0);
    }

    void readTracks(const json& stack, const std::string& place, std::vector<OtioTrack>& tracks,
                    int depth) {
        noteMarkers(stack, place);
        const json* children = field(stack, "children", place, json::value_t::array);
        if (children == nullptr) return;
        for (std::size_t i = 0; i < children->size() && fault_.what.empty(); ++i) {
            const std::string at = place + ".children[" + std::to_string(i) + "]";
            const json& child = (*children)[i];
            if (!expectSchema(child, at, "Track")) return;
            OtioTrack track;
            track.name = text(child, "name");
            track.kind = text(child, "kind");
            track.place = at;
            if (track.kind != "Video" && track.kind != "Audio") {
                fail(at, "a track of kind \"" + track.kind + "\" (Video and Audio are read)");
                return;
            }
            noteMarkers(child, at);
            const json* items = field(child, "children", at, json::value_t::array);
            if (items == nullptr) return;
            for (std::size_t j = 0; j < items->size() && fault_.what.empty(); ++j)
                readItem((*items)[j], at + ".children[" + std::to_string(j) + "]", track, depth);
            tracks.push_back(std::move(track));
        }
    }

    void readItem(const json& object, const std::string& place, OtioTrack& track, int depth) {
        const auto [schema, version] = schemaOf(object);
        OtioItem item;
        item.name = text(object, "name");
        item.place = place;
        if (schema == "Clip" && (version == 1 || version == 2)) {
            item.kind = OtioItem::Kind::kClip;
            if (!readClip(object, place, version, item)) return;
        } else if (schema == "Gap") {
            item.kind = OtioItem::Kind::kGap;
            const json* sourceRange = field(object, "source_range", place, json::value_t::object);
            if (sourceRange == nullptr || !range(*sourceRange, place + ".source_range",
                                                 item.sourceRange))
                return;
        } else if (schema == "Transition") {
            item.kind = OtioItem::Kind::kTransition;
            item.transitionType = text(object, "transition_type");
            const json* in = field(object, "in_offset", place, json::value_t::object);
            const json* out = field(object, "out_offset", place, json::value_t::object);
            if (in == nullptr || out == nullptr || !time(*in, place + ".in_offset", item.inOffset) ||
                !time(*out, place + ".out_offset", item.outOffset))
                return;
        } else if (schema == "Stack") {
            if (depth >= kMaxDepth) {
                fail(place, "stacks nested deeper than " + std::to_string(kMaxDepth));
                return;
            }
            item.kind = OtioItem::Kind::kStack;
            readTracks(object, place, item.tracks, depth + 1);
        } else {
            fail(place, "unknown schema " + schemaText(object) +
                            " (Clip.1, Clip.2, Gap.1, Transition.1 and Stack.1 are read)");
            return;
        }
        noteMarkers(object, place);
        track.items.push_back(std::move(item));
    }

    bool readClip(const json& object, const std::string& place, int version, OtioItem& item) {
        const json* sourceRange = field(object, "source_range", place, json::value_t::object);
        if (sourceRange == nullptr ||
            !range(*sourceRange, place + ".source_range", item.sourceRange))
            return false;
        const json* reference = nullptr;
        std::string at = place + ".media_reference";
        if (version == 1) {
            reference = field(object, "media_reference", place, json::value_t::object, false);
        } else {
            const json* references =
                field(object, "media_references", place, json::value_t::object, false);
            std::string key = text(object, "active_media_reference_key");
            if (key.empty()) key = kDefaultMediaKey;
            if (references != nullptr) {
                const auto found = references->find(key);
                if (found == references->end())
                    return fail(place, "no media reference \"" + key + "\"");
                reference = &*found;
                at = place + ".media_references." + key;
            }
        }
        if (reference != nullptr && !readReference(*reference, at, item.media)) return false;
        if (const json* effects = field(object, "effects", place, json::value_t::array, false)) {
            for (std::size_t i = 0; i < effects->size(); ++i) {
                const json& effect = (*effects)[i];
                const std::string effectAt = place + ".effects[" + std::to_string(i) + "]";
                const std::string name = schemaOf(effect).first;
                if (name == "LinearTimeWarp") {
                    const json* scalar =
                        field(effect, "time_scalar", effectAt, json::value_t::number_float);
                    if (scalar == nullptr) return false;
                    item.timeScalar = scalar->get<double>();
                } else if (name == "FreezeFrame") {
                    item.freeze = true;
                } else {
                    timeline_.dropped.push_back(effectAt + ": " + schemaText(effect) + " " +
                                                text(effect, "effect_name"));
                }
            }
        }
        return true;
    }

    bool readReference(const json& object, const std::string& place, OtioReference& out) {
        const std::string schema = schemaOf(object).first;
        if (schema == "ExternalReference") {
            out.kind = OtioReference::Kind::kExternal;
            const json* url = field(object, "target_url", place, json::value_t::string);
            if (url == nullptr) return false;
            out.url = *url;
        } else if (schema == "MissingReference") {
            out.kind = OtioReference::Kind::kMissing;
        } else {
            return fail(place, "unknown schema " + schemaText(object) +
                                   " (ExternalReference.1 and MissingReference.1 are read)");
        }
        if (const json* available =
                field(object, "available_range", place, json::value_t::object, false)) {
            OtioRange whole;
            if (!range(*available, place + ".available_range", whole)) return false;
            out.available = whole;
        }
        return true;
    }

    void noteMarkers(const json& object, const std::string& place) {
        const auto found = object.is_object() ? object.find("markers") : object.end();
        if (found != object.end() && found->is_array() && !found->empty())
            timeline_.dropped.push_back(place + ": " + std::to_string(found->size()) +
                                        (found->size() == 1 ? " marker" : " markers"));
    }

    OtioTimeline& timeline_;
    Fault fault_;
};

// "line L, column C" of byte `offset` of `text`.
std::string positionOf(const std::string& text, std::size_t offset) {
    offset = std::min(offset, text.size());
    const auto lineStart = text.rfind('\n', offset == 0 ? 0 : offset - 1);
    const std::size_t line = 1 + std::size_t(std::count(text.begin(),
                                                        text.begin() + std::ptrdiff_t(offset), '\n'));
    const std::size_t column = lineStart == std::string::npos ? offset : offset - lineStart - 1;
    return "line " + std::to_string(line) + ", column " + std::to_string(column + 1);
}

} // namespace

bool readOtio(const std::string& text, OtioTimeline& timeline, std::string& why) {
    json root;
    try {
        root = json::parse(text);
    } catch (const json::parse_error& error) {
        why = "not JSON at " + positionOf(text, error.byte == 0 ? 0 : error.byte - 1);
        return false;
    } catch (const json::exception&) {
        why = "not JSON: a number out of range";
        return false;
    }
    timeline = {};
    return Reader(timeline).document(root, why);
}

} // namespace omftool
