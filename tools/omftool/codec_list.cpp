#include "codec_list.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "open_omf_file.h"
#include "plugin_tracks.h"

#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace omftool {

namespace {

constexpr const char* kCodecInput = "Codec";
constexpr const char* kVarietySuffix = ".CodecVariety";
// The saver is made for a file of this name; nothing is written.
constexpr const char* kSaverFileName = "codecs.omf";
// Variety names are listed on lines of at most this width, indented.
constexpr std::size_t kLineWidth = 96;
constexpr const char* kIndent = "     ";

int fail(const std::string& message, bool json, std::ostream& out, std::ostream& err) {
    return reportFailure("omftool codecs: " + message, kExitError, message, json, out, err);
}

// The picture codecs of a toolkit session that can write, for file revision `revision`, that are
// not in `listed`: the ones the saver takes by ID though its Codec control does not offer them.
nlohmann::json codecsOffTheControl(omfFileRev_t revision, const nlohmann::json& listed) {
    nlohmann::json found = nlohmann::json::array();
    omfSessionHdl_t session = nullptr;
    omfInt32 count = 0;
    if (startSession(MediaLayer::kWith, session) == 0 &&
        omfmCountCodecs(session, kOmfDataKindPicture, revision, &count) == 0) {
        for (omfInt32 index = 1; index <= count; ++index) {
            // Room for any codec ID and name, as the saver's catalogue reads them.
            char id[64] = {}, name[64] = {};
            omfUInt32 capabilities = 0;
            if (omfmNthCodecID(session, kOmfDataKindPicture, revision, index, id, sizeof id, name,
                               sizeof name) != 0 ||
                omfmGetCodecCapabilities(session, id, &capabilities) != 0 ||
                (capabilities & kOmfCodecReadsOnly) != 0) {
                continue;
            }
            const bool onControl = std::any_of(listed.begin(), listed.end(), [&](const auto& c) {
                return c["id"] == std::string(id);
            });
            if (!onControl)
                found.push_back({{"id", id}, {"name", name}, {"varieties", nlohmann::json::array()},
                                 {"onControl", false}});
        }
    }
    if (session != nullptr) omfsFinishSession(session);
    return found;
}

// Prints one codec: a star before the default, its varieties with a star before their default.
void printCodec(const nlohmann::json& codec, bool isDefault, std::ostream& out) {
    out << (isDefault ? "* " : "  ") << codec["id"].get<std::string>() << "  "
        << codec["name"].get<std::string>();
    const auto& varieties = codec["varieties"];
    if (!varieties.empty()) {
        const std::string defaultVariety = codec.value("defaultVariety", "");
        const std::size_t indent = std::string_view(kIndent).size();
        out << "  (" << varieties.size() << " varieties)\n" << kIndent;
        std::size_t column = indent;
        for (const auto& variety : varieties) {
            const std::string name =
                (variety == defaultVariety ? "*" : "") + variety.get<std::string>();
            if (column + name.size() + 1 > kLineWidth) {
                out << "\n" << kIndent;
                column = indent;
            }
            out << " " << name;
            column += name.size() + 1;
        }
    }
    out << "\n";
}

} // namespace

int runCodecs(bool json, std::ostream& out, std::ostream& err) {
    Application app; // the plug-in's messages go to standard error
    std::string error;
    std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath(), &error);
    if (!plugin) return fail("cannot load the OMF plug-in: " + error, json, out, err);
    TarselDoc document;
    std::unique_ptr<FormatHost> saver = FormatHost::Create(kSaverFileName, &document, &error);
    Input* codecs = saver ? saver->GetTool().FindInput(kCodecInput) : nullptr;
    if (!codecs) return fail("the OMF plug-in offers no saver: " + error, json, out, err);

    const std::vector<std::string> names = codecs->ItemTexts();
    const std::vector<TsID> ids = codecs->ItemIDs();
    nlohmann::json list = nlohmann::json::array();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        nlohmann::json codec = {{"id", ids[i].c_str()},
                                {"name", i < names.size() ? names[i] : std::string()},
                                {"varieties", nlohmann::json::array()},
                                {"onControl", true}};
        if (Input* input = saver->GetTool().FindInput(std::string(ids[i].view()) + kVarietySuffix)) {
            codec["varieties"] = input->ItemTexts();
            codec["defaultVariety"] = input->Value().ID().c_str();
        }
        list.push_back(codec);
    }
    const nlohmann::json others = codecsOffTheControl(kOmfRev2x, list);
    const std::string defaultCodec = codecs->Value().ID().c_str();
    if (json) {
        nlohmann::json all = list;
        all.insert(all.end(), others.begin(), others.end());
        out << nlohmann::json{{"default", defaultCodec}, {"codecs", all}}.dump(2) << "\n";
        return kExitDone;
    }
    for (const auto& codec : list)
        printCodec(codec, codec["id"] == defaultCodec, out);
    out << "(* the saver's default codec and each codec's default variety)\n";
    if (!others.empty()) {
        out << "Also written by omftool write --codec ID, though the host's Codec control does "
               "not offer them (2.x codecs, in the saver's 1.x file: 1.x-only readers may not "
               "know their descriptors):\n";
        for (const auto& codec : others)
            printCodec(codec, false, out);
    }
    return kExitDone;
}

void addCodecsCommand(CLI::App& app, CommandRun& run) {
    auto json = std::make_shared<bool>(false);
    CLI::App* codecs = app.add_subcommand(
        "codecs", "List the codecs the OMF plug-in's saver offers, with their varieties and "
                  "defaults, then the further codecs omftool write takes by ID");
    addJson(*codecs, *json, "list");
    codecs->footer(readingCommandFooter("when the OMF plug-in cannot be loaded"));
    codecs->callback(
        [json, &run] { run = [json] { return runCodecs(*json, std::cout, std::cerr); }; });
}

} // namespace omftool
