#include "mob_listing.h"

#include "commands.h"
#include "common_options.h"
#include "mob_search.h"
#include "open_omf_file.h"

#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"
#include "tarsel/system/media_search.h"

#include <iostream>
#include <map>
#include <memory>
#include <tuple>

namespace omftool {

namespace {

using nlohmann::json;

constexpr int kMaxTreeDepth = 64;     // a hostile file may nest without end
constexpr int kLocatorPathSize = 256; // locator paths are read up to this size

json mobIDJson(const omfMobID_t& id) {
    return json::array({id.prefix, id.major, id.minor});
}

// A mob ID as the text listing writes it: "prefix.major.minor".
std::string mobIDText(const json& id) {
    return id[0].dump() + "." + id[1].dump() + "." + id[2].dump();
}

// What a source clip's target is called: its kind and name, by mob ID.
struct MobSummary {
    std::string kind;
    std::string name;
};
using MobKey = std::tuple<omfUInt32, omfUInt32, omfUInt32>;

MobKey mobKey(const omfMobID_t& id) {
    return {id.prefix, id.major, id.minor};
}

bool isNullMobID(const omfMobID_t& id) {
    return id.prefix == 0 && id.major == 0 && id.minor == 0;
}

// The file being listed, every mob's kind and name, and the folders external media is
// searched in.
struct Listing {
    omfHdl_t file;
    std::map<MobKey, MobSummary> mobs;
    std::vector<std::string> mediaFolders;
};

// A source clip's target: the mob it names with its kind and name, the end of the chain (a null
// mob ID), or a mob the file lacks.
json describeTarget(const Listing& listing, const omfMobID_t& id) {
    if (isNullMobID(id)) return {{"found", false}, {"endOfChain", true}};
    const auto known = listing.mobs.find(mobKey(id));
    if (known == listing.mobs.end()) return {{"found", false}, {"endOfChain", false}};
    return {{"found", true}, {"kind", known->second.kind}, {"name", known->second.name}};
}

// A locator's path and the file it names on this system (null when none was found).
json describeLocator(const Listing& listing, omfObject_t locator) {
    char type[4] = {};
    char path[kLocatorPathSize + 1] = {};
    if (omfmReadLocator(listing.file, locator, type, kLocatorPathSize, path) != 0) {
        return {{"error", "unreadable locator"}};
    }
    const std::string found = FindMediaFile(path, listing.mediaFolders);
    return {{"type", std::string(type, 4)},
            {"path", path},
            {"found", found.empty() ? json(nullptr) : json(found)}};
}

// The locators of a mob's media descriptor, in order; empty without a descriptor.
json describeLocators(const Listing& listing, omfObject_t mob) {
    json locators = json::array();
    omfObject_t descriptor = nullptr;
    if (omfiMobGetDescriptor(listing.file, mob, &descriptor) != 0 || descriptor == nullptr)
        return locators;
    const omfInt32 count =
        omfsLengthObjRefArray(listing.file, descriptor, kOmfProperty_MDES_Locator);
    for (omfInt32 index = 1; index <= count; ++index) {
        omfObject_t locator = nullptr;
        if (omfsGetNthObjRefArray(listing.file, descriptor, kOmfProperty_MDES_Locator, &locator,
                                  index) != 0) {
            break;
        }
        locators.push_back(describeLocator(listing, locator));
    }
    return locators;
}

json describeComponent(const Listing& listing, omfObject_t component, int depth);

// Walks one of the array walks and describes every element.
template <typename Next>
json describeElements(const Listing& listing, omfObject_t parent, Next next, int depth) {
    json list = json::array();
    MobSearch iterator(listing.file);
    omfObject_t element = nullptr;
    while (next(iterator.get(), parent, nullptr, &element) == 0) {
        list.push_back(describeComponent(listing, element, depth + 1));
    }
    return list;
}

json describeComponent(const Listing& listing, omfObject_t component, int depth) {
    omfHdl_t file = listing.file;
    json out;
    if (component == nullptr) return out;
    omfClassID_t classID{};
    if (omfsReadClassOf(file, component, classID) == 0) {
        out["class"] = std::string(classID, 4);
    }
    omfLength_t length = 0;
    if (omfiComponentLength(file, component, &length) == 0) out["length"] = length;
    char name[128] = {};
    if (omfiComponentDataKind(file, component, sizeof name, name) == 0) out["dataKind"] = name;
    if (depth >= kMaxTreeDepth) {
        out["truncated"] = true;
        return out;
    }
    omfErr_t error = 0;
    if (omfiIsTypeOf(file, component, "SCLP", &error)) {
        omfSourceRef_t ref{};
        if (omfiSourceClipGetRef(file, component, &ref) == 0) {
            out["sourceMobID"] = mobIDJson(ref.sourceID);
            out["sourceTrack"] = ref.sourceTrackID;
            out["start"] = ref.startTime;
            out["target"] = describeTarget(listing, ref.sourceID);
        }
    } else if (omfiIsTypeOf(file, component, "TRAN", &error)) {
        omfObject_t dataKind = nullptr, effect = nullptr;
        omfPosition_t cutPoint = 0;
        if (omfiTransitionGetInfo(file, component, &dataKind, &length, &cutPoint, &effect) == 0) {
            out["cutPoint"] = cutPoint;
        }
        char effectID[128] = {};
        if (omfiEffectGetEffectID(file, component, sizeof effectID, effectID) == 0) {
            out["effectID"] = effectID;
        }
    } else if (omfiIsTypeOf(file, component, "SEQU", &error)) {
        out["components"] = describeElements(listing, component, &omfiSequenceGetNextCpnt, depth);
    } else if (omfiIsTypeOf(file, component, "EFFE", &error) ||
               (out.contains("class") && out["class"] == "TRKG")) {
        // 2.x effects, and 1.x track groups (effects and nested scopes),
        // whose inputs are their tracks.
        char effectID[128] = {};
        if (omfiEffectGetEffectID(file, component, sizeof effectID, effectID) == 0 &&
            effectID[0] != '\0') {
            out["effectID"] = effectID;
        }
        json slots = json::array();
        MobSearch iterator(file);
        omfObject_t slot = nullptr;
        while (omfiEffectGetNextSlot(iterator.get(), component, nullptr, &slot) == 0) {
            omfInt32 argID = 0;
            omfObject_t segment = nullptr;
            if (omfiEffectSlotGetInfo(file, slot, &argID, &segment) != 0) continue;
            slots.push_back(
                {{"argID", argID}, {"component", describeComponent(listing, segment, depth + 1)}});
        }
        out["slots"] = slots;
    } else if (omfiIsTypeOf(file, component, "NEST", &error)) {
        out["slots"] = describeElements(listing, component, &omfiNestedScopeGetNextSlot, depth);
    } else if (omfiIsTypeOf(file, component, "SLCT", &error)) {
        omfObject_t dataKind = nullptr, selected = nullptr;
        if (omfiReadSelector(file, component, &dataKind, &length, &selected) == 0) {
            out["selected"] = describeComponent(listing, selected, depth + 1);
        }
        out["alternates"] =
            describeElements(listing, component, &omfiSelectorGetNextAltSlot, depth);
    } else if (omfiIsTypeOf(file, component, "MGRP", &error)) {
        out["choices"] = describeElements(listing, component, &omfiMediaGroupGetNextChoice, depth);
    }
    return out;
}

json describeTrack(const Listing& listing, omfObject_t mob, omfObject_t track, bool isMaster) {
    omfHdl_t file = listing.file;
    omfRational_t editRate{};
    char name[128] = {};
    omfPosition_t origin = 0;
    omfTrackID_t trackID = 0;
    omfObject_t segment = nullptr;
    json out;
    if (omfiTrackGetInfo(file, mob, track, &editRate, sizeof name, name, &origin, &trackID,
                         &segment) != 0) {
        out["error"] = "unreadable track";
        return out;
    }
    out["trackID"] = trackID;
    if (name[0] != '\0') out["name"] = name;
    out["editRate"] = json::array({editRate.numerator, editRate.denominator});
    out["origin"] = origin;
    char dataKind[128] = {};
    if (omfiComponentDataKind(file, segment, sizeof dataKind, dataKind) == 0) {
        out["dataKind"] = dataKind;
    }
    omfLength_t length = 0;
    if (omfiComponentLength(file, segment, &length) == 0) out["length"] = length;
    out["component"] = describeComponent(listing, segment, 0);
    if (isMaster) {
        omfSourceSearchResult_t result{};
        omfObject_t found = nullptr;
        omfErr_t status = FindSource(file, mob, trackID, 0, kFileMob, nullptr, kOmfNoEffectChoice,
                                     &found, &result);
        if (status == 0 && result.mob != nullptr) {
            omfMobID_t id{};
            omfiReadMobID(file, result.mob, &id);
            out["fileMob"] = {{"mobID", mobIDJson(id)},
                              {"trackID", result.trackID},
                              {"offset", result.offset},
                              {"length", result.length}};
            // Media outside the file: the last readable locator names it, as the plug-in
            // plays it.
            const json locators = describeLocators(listing, result.mob);
            for (auto it = locators.rbegin(); it != locators.rend(); ++it) {
                if (!it->contains("path")) continue;
                out["fileMob"]["media"] = {{"path", (*it)["path"]}, {"found", (*it)["found"]}};
                break;
            }
        } else {
            out["fileMob"] = {{"error", status}, {"message", omfsErrorName(status)}};
        }
    }
    return out;
}

json describeMob(const Listing& listing, omfObject_t mob) {
    omfHdl_t file = listing.file;
    json out;
    char name[256] = {};
    if (omfiMobGetName(file, mob, sizeof name, name) == 0) out["name"] = name;
    out["kind"] = mobKindName(file, mob);
    omfMobID_t id{};
    if (omfiReadMobID(file, mob, &id) == 0) out["mobID"] = mobIDJson(id);
    if (json locators = describeLocators(listing, mob); !locators.empty())
        out["locators"] = std::move(locators);
    json tracks = json::array();
    MobSearch iterator(file);
    omfObject_t track = nullptr;
    while (omfiNextTrackOf(iterator.get(), mob, nullptr, &track) == 0) {
        tracks.push_back(describeTrack(listing, mob, track, out["kind"] == "master"));
    }
    out["tracks"] = tracks;
    return out;
}

// "-> master mob "Master One" (7.168496141.4)": the target's kind, name and ID.
std::string targetText(const json& component) {
    const std::string id = "(" + mobIDText(component["sourceMobID"]) + ")";
    const json target = component.value("target", json::object());
    if (target.value("found", false)) {
        return target["kind"].get<std::string>() + " mob \"" + target["name"].get<std::string>() +
               "\" " + id;
    }
    return (target.value("endOfChain", false) ? "the end of the chain "
                                              : "a mob not in the file ") +
           id;
}

// " -> FILE", or " -> not found", for an external media path.
std::string foundText(const json& media) {
    return media["found"].is_null() ? " -> not found" : " -> " + media["found"].get<std::string>();
}

void printComponent(std::ostream& out, const json& component, int indent) {
    std::string pad(static_cast<size_t>(indent), ' ');
    out << pad << component.value("class", "????");
    if (component.contains("length")) out << " length " << component["length"];
    if (component.contains("dataKind")) out << " " << component["dataKind"].get<std::string>();
    if (component.contains("sourceMobID")) {
        out << " -> " << targetText(component) << " track " << component["sourceTrack"] << " at "
            << component["start"];
    }
    if (component.contains("cutPoint")) out << " cut " << component["cutPoint"];
    if (component.contains("effectID"))
        out << " effect " << component["effectID"].get<std::string>();
    out << "\n";
    for (const char* list : {"components", "alternates", "choices"}) {
        if (!component.contains(list)) continue;
        for (const json& child : component[list])
            printComponent(out, child, indent + 2);
    }
    if (component.contains("selected")) printComponent(out, component["selected"], indent + 2);
    if (component.contains("slots")) {
        for (const json& slot : component["slots"]) {
            printComponent(out, slot.contains("component") ? slot["component"] : slot, indent + 2);
        }
    }
}

} // namespace

bool describeMobs(const std::string& path, json& out, int& error, std::string& message,
                  const std::vector<std::string>& mediaFolders) {
    // Locators are read through the media calls.
    OpenOMFFile opened(path, MediaLayer::kWith);
    if (!opened.opened(error, message)) return false;
    omfHdl_t file = opened.file();
    omfFileRev_t revision{};
    omfsFileRevision(file, &revision);
    out = json::object();
    out["file"] = path;
    out["revision"] = static_cast<int>(revision);
    Listing listing{file, {}, mediaFolders};
    std::vector<omfObject_t> all;
    {
        MobSearch iterator(file);
        omfObject_t mob = nullptr;
        while (omfiNextMatchingMob(iterator.get(), nullptr, &mob) == 0) {
            all.push_back(mob);
            omfMobID_t id{};
            char name[256] = {};
            if (omfiReadMobID(file, mob, &id) != 0) continue;
            omfiMobGetName(file, mob, sizeof name, name);
            listing.mobs.emplace(mobKey(id), MobSummary{mobKindName(file, mob), name});
        }
    }
    json mobs = json::array();
    for (omfObject_t mob : all)
        mobs.push_back(describeMob(listing, mob));
    out["mobs"] = mobs;
    return true;
}

namespace {

void printMobs(std::ostream& out, const json& description) {
    for (const json& mob : description["mobs"]) {
        out << mob["kind"].get<std::string>() << " mob \"" << mob.value("name", "") << "\" "
            << mobIDText(mob.value("mobID", json::array({0, 0, 0}))) << "\n";
        for (const json& locator : mob.value("locators", json::array())) {
            if (!locator.contains("path")) {
                out << "  locator unreadable\n";
                continue;
            }
            out << "  locator " << locator["type"].get<std::string>() << " "
                << locator["path"].get<std::string>() << foundText(locator) << "\n";
        }
        for (const json& track : mob["tracks"]) {
            out << "  track " << track.value("trackID", 0u) << " " << track.value("dataKind", "")
                << " rate " << track["editRate"][0] << "/" << track["editRate"][1] << " origin "
                << track.value("origin", 0ll) << " length " << track.value("length", 0ll) << "\n";
            printComponent(out, track["component"], 4);
            if (track.contains("fileMob") && track["fileMob"].contains("mobID")) {
                const json& fileMob = track["fileMob"];
                out << "    file mob " << mobIDText(fileMob["mobID"]) << " offset "
                    << fileMob["offset"] << " length " << fileMob["length"] << "\n";
                if (fileMob.contains("media")) {
                    out << "    media " << fileMob["media"]["path"].get<std::string>()
                        << foundText(fileMob["media"]) << "\n";
                }
            }
        }
    }
}

} // namespace

int runMobs(const std::string& path, bool asJson, std::ostream& out, std::ostream& err,
            const std::vector<std::string>& mediaFolders) {
    const auto describe = [&](const std::string& file, json& description, int& error,
                              std::string& message) {
        return describeMobs(file, description, error, message, mediaFolders);
    };
    return runDescription(path, asJson, out, err, describe, printMobs);
}

void addMobsCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        bool json = false;
        std::vector<std::string> mediaPath;
    };
    auto given = std::make_shared<Given>();
    CLI::App* mobs = app.add_subcommand(
        "mobs", "List every mob with its tracks and component trees, what each source clip "
                "names (kind, name and MobID), the file mob each master-mob track resolves to, "
                "and the file each locator of external media names (or that none was found)");
    addInputFile(*mobs, given->file, "OMF file to read");
    addJson(*mobs, given->json, "listing");
    addMediaPath(*mobs, given->mediaPath);
    mobs->footer(readingCommandFooter("when the file cannot be opened as OMF or its mobs read"));
    mobs->callback([given, &run] {
        run = [given] {
            const std::vector<std::string> folders = useMediaSearchFolders(given->mediaPath);
            return runMobs(given->file, given->json, std::cout, std::cerr, folders);
        };
    });
}

} // namespace omftool
