#include "container_dump.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "open_container.h"
#include "open_omf_file.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <vector>

namespace omftool {

namespace {

using nlohmann::json;

constexpr CMObjectID kTocObjectID = 1;

std::string hex(const unsigned char* bytes, size_t count) {
    std::string text;
    char digits[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

std::string hex16(unsigned number) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", number);
    return text;
}

std::string printable(const std::vector<unsigned char>& bytes) {
    std::string text;
    for (unsigned char byte : bytes)
        text += (byte >= 0x20 && byte < 0x7F) ? char(byte) : '.';
    return text;
}

const char* kindOf(CMObject object) {
    if (CMIsType(object)) return "type";
    if (CMIsProperty(object)) return "property";
    return "object";
}

json nameOrNull(CMObject object) {
    CMGlobalName name = CMGetGlobalName(object);
    return name != nullptr ? json(name) : json(nullptr);
}

json describeValue(CMValue value, bool numbersOnly, const DumpOptions& options) {
    CMType type = nullptr;
    CMGeneration generation = 0;
    CMGetValueInfo(value, nullptr, nullptr, nullptr, &type, &generation);
    json out;
    out["type"] = CMGetObjectID(type);
    out["typeName"] = nameOrNull(type);
    out["generation"] = generation;
    out["flags"] = CMGetValueFlags(value);
    CMSize size = CMGetValueSize(value);
    out["size"] = size;
    json segments = json::array();
    for (CMCount i = 0, n = CMCountValueSegments(value); i < n; ++i) {
        CMValueSegmentInfo info{};
        CMGetValueSegment(value, i, &info);
        json segment;
        if (info.immediate) {
            segment["immediate"] = hex(info.immediateData, info.length);
        } else {
            segment["offset"] = info.offset;
        }
        segment["length"] = info.length;
        segment["continued"] = info.continued != 0;
        segments.push_back(segment);
    }
    out["segments"] = segments;
    // The TOC object's values carry positions, not data worth showing.
    if (!numbersOnly && size > 0 && options.maxDataBytes > 0) {
        std::vector<unsigned char> bytes(std::min<CMSize>(size, options.maxDataBytes));
        bytes.resize(CMReadValueData(value, bytes.data(), 0, bytes.size()));
        out["data"] = hex(bytes.data(), bytes.size());
        out["text"] = printable(bytes);
        out["truncated"] = bytes.size() < size;
    }
    return out;
}

} // namespace

json describeContainer(CMContainer container, const std::string& file, const DumpOptions& options) {
    json out;
    out["file"] = file;
    CMContainerLabelInfo label{};
    CMGetContainerLabelInfo(container, &label);
    out["label"] = {
        {"magic", hex(label.magic, sizeof label.magic)},
        {"flags", label.flags},
        {"bufSize", label.bufSize},
        {"majorVersion", label.majorVersion},
        {"minorVersion", label.minorVersion},
        {"tocOffset", label.tocOffset},
        {"tocSize", label.tocSize},
    };
    out["toc"] = {{"format", label.majorVersion < 2 ? "version-1" : "code-byte"},
                  {"bufferSize", label.tocBufferSize},
                  {"size", label.tocSize}};

    json objects = json::array();
    size_t propertyCount = 0, valueCount = 0;
    for (CMObject object = CMGetNextTocObject(container, nullptr); object != nullptr;
         object = CMGetNextTocObject(container, object)) {
        json entry;
        CMObjectID id = CMGetObjectID(object);
        entry["id"] = id;
        entry["kind"] = kindOf(object);
        entry["name"] = nameOrNull(object);
        json properties = json::array();
        for (CMProperty property = CMGetNextObjectProperty(object, nullptr); property != nullptr;
             property = CMGetNextObjectProperty(object, property)) {
            json values = json::array();
            for (CMValue value = CMGetNextValue(object, property, nullptr); value != nullptr;
                 value = CMGetNextValue(object, property, value)) {
                values.push_back(describeValue(value, id == kTocObjectID, options));
                ++valueCount;
            }
            properties.push_back({{"id", CMGetObjectID(property)},
                                  {"name", nameOrNull(property)},
                                  {"values", values}});
            ++propertyCount;
        }
        entry["properties"] = properties;
        objects.push_back(entry);
    }
    out["objects"] = objects;

    json types = json::array(), propertyDefs = json::array();
    for (CMType type = CMGetNextTypeDef(container, nullptr); type != nullptr;
         type = CMGetNextTypeDef(container, type)) {
        types.push_back({{"id", CMGetObjectID(type)}, {"name", nameOrNull(type)}});
    }
    for (CMProperty property = CMGetNextPropertyDef(container, nullptr); property != nullptr;
         property = CMGetNextPropertyDef(container, property)) {
        propertyDefs.push_back({{"id", CMGetObjectID(property)}, {"name", nameOrNull(property)}});
    }
    json names = json::array();
    auto addNames = [&names](const json& definitions, const char* kind) {
        for (const json& definition : definitions) {
            if (definition["name"].is_null()) continue;
            names.push_back(
                {{"id", definition["id"]}, {"kind", kind}, {"name", definition["name"]}});
        }
    };
    addNames(types, "type");
    addNames(propertyDefs, "property");
    out["types"] = types;
    out["properties"] = propertyDefs;
    out["globalNames"] = names;
    out["counts"] = {{"objects", objects.size()},
                     {"properties", propertyCount},
                     {"values", valueCount},
                     {"types", types.size()}};
    return out;
}

void printContainer(std::ostream& out, const json& d) {
    const json& label = d["label"];
    out << "Container " << d["file"].get<std::string>() << "\n";
    out << "Label: magic " << label["magic"].get<std::string>() << ", flags "
        << hex16(label["flags"].get<unsigned>()) << ", bufSize " << label["bufSize"] << ", version "
        << label["majorVersion"] << "." << label["minorVersion"] << ", TOC at "
        << label["tocOffset"] << " (" << label["tocSize"] << " bytes)\n";
    out << "TOC: " << d["toc"]["format"].get<std::string>() << " format, " << d["toc"]["bufferSize"]
        << "-byte buffers\n";
    const json& counts = d["counts"];
    out << "Counts: " << counts["objects"] << " objects, " << counts["properties"]
        << " properties, " << counts["values"] << " values, " << counts["types"] << " types\n";

    auto named = [](const json& id, const json& name) {
        std::string text = name.is_null() ? std::string() : name.get<std::string>() + " (";
        text += '#';
        text += id.dump();
        if (!name.is_null()) text += ')';
        return text;
    };
    for (const json& object : d["objects"]) {
        out << "\nObject " << object["id"] << " [" << object["kind"].get<std::string>() << "]";
        if (!object["name"].is_null()) out << " " << object["name"].get<std::string>();
        out << "\n";
        for (const json& property : object["properties"]) {
            out << "  " << named(property["id"], property["name"]) << "\n";
            for (const json& value : property["values"]) {
                out << "    value of " << named(value["type"], value["typeName"]) << ": "
                    << value["size"] << " bytes, generation " << value["generation"];
                if (value["flags"].get<unsigned>() != 0) out << ", flags " << value["flags"];
                out << "\n";
                for (const json& segment : value["segments"]) {
                    out << "      " << (segment["continued"].get<bool>() ? "continued " : "");
                    if (segment.contains("immediate")) {
                        out << "immediate [" << segment["immediate"].get<std::string>() << "]";
                    } else {
                        out << "segment at " << segment["offset"] << ", " << segment["length"]
                            << " bytes";
                    }
                    out << "\n";
                }
                if (value.contains("data")) {
                    out << "      data " << value["data"].get<std::string>() << "  \""
                        << value["text"].get<std::string>() << "\""
                        << (value["truncated"].get<bool>() ? " ..." : "") << "\n";
                }
            }
        }
    }
    out << "\nGlobal names:\n";
    for (const json& name : d["globalNames"]) {
        out << "  " << name["id"] << "  " << name["kind"].get<std::string>() << "  "
            << name["name"].get<std::string>() << "\n";
    }
}

int runDump(const std::string& file, bool asJson, const DumpOptions& options, std::ostream& out,
            std::ostream& err) {
    OpenContainer opened(file);
    if (opened.container() == nullptr) {
        return reportFailure("omftool: " + file + ": " + opened.error(), opened.errorNumber(),
                             opened.error(), asJson, out, err);
    }
    json description = describeContainer(opened.container(), file, options);
    if (asJson) {
        out << description.dump(2) << "\n";
    } else {
        printContainer(out, description);
    }
    return kExitDone;
}

void addDumpCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        bool json = false;
        DumpOptions options;
    };
    auto given = std::make_shared<Given>();
    CLI::App* dump = app.add_subcommand(
        "dump", "Show a container's label, TOC format, objects, properties, types, values with "
                "their segments, and global names");
    addInputFile(*dump, given->file, "Container file to read");
    addJson(*dump, given->json, "description");
    dump->add_option("--max-bytes", given->options.maxDataBytes,
                     "Value bytes shown per value (0 shows none)")
        ->capture_default_str();
    dump->footer(readingCommandFooter("when the container cannot be opened"));
    dump->callback([given, &run] {
        run = [given] {
            return runDump(given->file, given->json, given->options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
