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

#include <nlohmann/json.hpp>

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
        std::vector<std::string> varieties;
        if (Input* input = saver->GetTool().FindInput(std::string(ids[i].view()) + kVarietySuffix))
            varieties = input->ItemTexts();
        list.push_back({{"id", ids[i].c_str()},
                        {"name", i < names.size() ? names[i] : std::string()},
                        {"varieties", varieties}});
    }
    const std::string defaultCodec = codecs->Value().ID().c_str();
    if (json) {
        out << nlohmann::json{{"default", defaultCodec}, {"codecs", list}}.dump(2) << "\n";
        return kExitDone;
    }
    for (const auto& codec : list) {
        const std::string id = codec["id"];
        out << (id == defaultCodec ? "* " : "  ") << id << "  " << codec["name"].get<std::string>();
        const auto& varieties = codec["varieties"];
        if (!varieties.empty()) {
            const std::size_t indent = std::string_view(kIndent).size();
            out << "  (" << varieties.size() << " varieties)\n" << kIndent;
            std::size_t column = indent;
            for (const auto& variety : varieties) {
                const std::string name = variety;
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
    out << "(* the saver's default)\n";
    return kExitDone;
}

void addCodecsCommand(CLI::App& app, CommandRun& run) {
    auto json = std::make_shared<bool>(false);
    CLI::App* codecs = app.add_subcommand(
        "codecs", "List the codecs the OMF plug-in's saver offers, with their varieties");
    addJson(*codecs, *json, "list");
    codecs->footer(readingCommandFooter("when the OMF plug-in cannot be loaded"));
    codecs->callback(
        [json, &run] { run = [json] { return runCodecs(*json, std::cout, std::cerr); }; });
}

} // namespace omftool
