#include "file_info.h"

#include "commands.h"
#include "common_options.h"
#include "media_listing.h"
#include "mob_search.h"
#include "open_omf_file.h"

#include "container/cm_api.h"
#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <ctime>
#include <iostream>
#include <map>
#include <memory>

namespace omftool {

namespace {

using nlohmann::json;

std::string dateText(uint32_t seconds) {
    std::time_t time = seconds;
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string readText(omfHdl_t file, omfObject_t object, omfProperty_t property) {
    char text[256] = {};
    if (omfsReadString(file, object, property, text, sizeof text) != 0) return std::string();
    return text;
}

std::string versionText(omfHdl_t file, omfObject_t head, omfProperty_t property) {
    omfVersionType_t version{};
    if (omfsPropertyPresent(file, head, property, kOmfType_VersionType) &&
        omfsReadVersionType(file, head, property, &version) == 0) {
        return std::to_string(version.major) + "." + std::to_string(version.minor);
    }
    if (omfsPropertyPresent(file, head, property, kOmfType_Int32Array)) {
        std::string text;
        omfInt32 count = omfsLengthInt32Array(file, head, property);
        for (omfInt32 i = 1; i <= count; ++i) {
            omfInt32 number = 0;
            omfsGetNthInt32Array(file, head, property, i, &number);
            if (i > 1) text += '.';
            text += std::to_string(number);
        }
        return text;
    }
    return std::string();
}

json identifications(omfHdl_t file, omfObject_t head) {
    json list = json::array();
    omfInt32 count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList);
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t idnt = nullptr;
        if (omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_IdentificationList, &idnt, i) != 0)
            continue;
        omfTimeStamp_t date{};
        json entry = {{"company", readText(file, idnt, kOmfProperty_IDNT_CompanyName)},
                      {"product", readText(file, idnt, kOmfProperty_IDNT_ProductName)},
                      {"version", readText(file, idnt, kOmfProperty_IDNT_ProductVersionString)},
                      {"platform", readText(file, idnt, kOmfProperty_IDNT_Platform)}};
        entry["date"] = omfsReadTimeStamp(file, idnt, kOmfProperty_IDNT_Date, &date) == 0
                            ? json(dateText(date.TimeVal))
                            : json(nullptr);
        list.push_back(entry);
    }
    return list;
}

// Mobs by their class (2.x) or by what the toolkit takes each for (1.x).
json mobCounts(omfHdl_t file, omfObject_t head, omfFileRev_t revision) {
    std::map<std::string, int> counts;
    int total = 0;
    if (revision == kOmfRev2x) {
        static const std::map<std::string, std::string> kinds = {
            {"CMOB", "composition"}, {"MMOB", "master"}, {"SMOB", "source"}};
        omfInt32 count = omfsLengthObjRefArray(file, head, kOmfProperty_HEAD_Mobs);
        for (omfInt32 i = 1; i <= count; ++i) {
            omfObject_t mob = nullptr;
            omfClassID_t classID;
            if (omfsGetNthObjRefArray(file, head, kOmfProperty_HEAD_Mobs, &mob, i) != 0 ||
                omfsReadClassOf(file, mob, classID) != 0) {
                continue;
            }
            auto kind = kinds.find(std::string(classID, 4));
            ++counts[kind != kinds.end() ? kind->second : "other"];
            ++total;
        }
    } else {
        // CompositionMobs lists master mobs too; each mob is asked what it is.
        MobSearch mobs(file);
        omfObject_t mob = nullptr;
        while (omfiNextMatchingMob(mobs.get(), nullptr, &mob) == 0) {
            omfErr_t error = 0;
            const char* kind = omfiMobIsMaster(file, mob, &error)        ? "master"
                               : omfiMobIsComposition(file, mob, &error) ? "composition"
                                                                         : "source";
            ++counts[kind];
            ++total;
        }
    }
    json out = {{"total", total}};
    for (const auto& [kind, count] : counts)
        out[kind] = count;
    return out;
}

json containerCounts(CMContainer container) {
    size_t objects = 0, properties = 0, types = 0;
    for (CMObject object = CMGetNextTocObject(container, nullptr); object != nullptr;
         object = CMGetNextTocObject(container, object)) {
        ++objects;
    }
    for (CMProperty p = CMGetNextPropertyDef(container, nullptr); p != nullptr;
         p = CMGetNextPropertyDef(container, p)) {
        ++properties;
    }
    for (CMType t = CMGetNextTypeDef(container, nullptr); t != nullptr;
         t = CMGetNextTypeDef(container, t)) {
        ++types;
    }
    return {{"objects", objects}, {"properties", properties}, {"types", types}};
}

} // namespace

bool describeFile(const std::string& path, json& out, int& error, std::string& message) {
    OpenOMFFile opened(path, MediaLayer::kWith);
    if (!opened.opened(error, message)) return false;
    omfHdl_t file = opened.file();
    omfFileRev_t revision{};
    omfInt16 byteOrder = 0;
    omfObject_t head = nullptr;
    CMContainer container = nullptr;
    omfsFileRevision(file, &revision);
    omfsFileByteOrder(file, &byteOrder);
    omfsGetHeadObject(file, &head);
    omfsGetContainer(file, &container);
    CMContainerLabelInfo label{};
    CMGetContainerLabelInfo(container, &label);
    out = json::object();
    out["file"] = path;
    out["revision"] = static_cast<int>(revision);
    out["containerVersion"] =
        std::to_string(label.majorVersion) + "." + std::to_string(label.minorVersion);
    out["byteOrder"] = static_cast<uint16_t>(byteOrder) == 0x4D4D ? "MM" : "II";
    out["headVersion"] = versionText(file, head, kOmfProperty_HEAD_Version);
    out["toolkitVersion"] = versionText(file, head, kOmfProperty_HEAD_ToolkitVersion);
    out["identifications"] = identifications(file, head);
    out["mobs"] = mobCounts(file, head, revision);
    out["counts"] = containerCounts(container);
    out["media"] = describeMedia(opened.session(), file);
    return true;
}

namespace {

void printInfo(std::ostream& out, const json& description) {
    out << "File " << description["file"].get<std::string>() << "\n";
    out << "Revision " << description["revision"] << " (HEAD version "
        << description["headVersion"].get<std::string>() << ", toolkit "
        << description["toolkitVersion"].get<std::string>() << ")\n";
    out << "Container label version " << description["containerVersion"].get<std::string>()
        << ", byte order " << description["byteOrder"].get<std::string>() << "\n";
    for (const json& ident : description["identifications"]) {
        out << "Written by " << ident["company"].get<std::string>() << " "
            << ident["product"].get<std::string>() << " " << ident["version"].get<std::string>()
            << " on " << ident["platform"].get<std::string>();
        if (!ident["date"].is_null()) out << ", " << ident["date"].get<std::string>();
        out << "\n";
    }
    out << "Mobs:";
    for (const auto& [kind, count] : description["mobs"].items())
        out << " " << kind << " " << count;
    const json& counts = description["counts"];
    out << "\nContainer: " << counts["objects"] << " objects, " << counts["properties"]
        << " properties, " << counts["types"] << " types\n";
    printMedia(out, description["media"]);
}

} // namespace

int runInfo(const std::string& path, bool asJson, std::ostream& out, std::ostream& err) {
    return runDescription(path, asJson, out, err, describeFile, printInfo);
}

void addInfoCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        bool json = false;
    };
    auto given = std::make_shared<Given>();
    CLI::App* info = app.add_subcommand(
        "info", "Show an OMF file's revision, versions, byte order, identification list, mob "
                "counts and container counts, and per file mob with a media descriptor the codec "
                "chosen for it, the picture frames and extract give with its stored, sampled and "
                "displayed areas, frame layout, sample count and rate");
    addInputFile(*info, given->file, "OMF file to read");
    addJson(*info, given->json, "description");
    info->footer(readingCommandFooter("when the file cannot be opened as OMF"));
    info->callback([given, &run] {
        run = [given] { return runInfo(given->file, given->json, std::cout, std::cerr); };
    });
}

} // namespace omftool
