#include "plugin_tracks.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "standard_output_to_error.h"
#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

namespace omftool {

namespace {

constexpr const char* kVideoTrackInput = "VideoTrack";

// Whether an entry text is one the plug-in gives a composition sequence.
bool IsSequenceText(const std::string& text) {
    int composition = 0, sequence = 0;
    char end = 0;
    return std::sscanf(text.c_str(), "Composition %d - Sequence %d%c", &composition, &sequence,
                       &end) == 2;
}

int fail(const std::string& message, bool json, std::ostream& out, std::ostream& err) {
    err << "omftool: " << message << "\n";
    if (json) out << nlohmann::json{{"error", 2}, {"message", message}}.dump(2) << "\n";
    return 2;
}

} // namespace

std::string pluginPath() {
    if (const char* path = std::getenv(kPluginPathVariable); path && *path) return path;
#ifdef OMFTOOL_PLUGIN_PATH
    return OMFTOOL_PLUGIN_PATH;
#else
    return "libOMF.so";
#endif
}

int runTracks(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
    Application app; // the plug-in's messages go to standard error
    auto quiet = std::make_unique<StandardOutputToError>();
    std::string error;
    std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath(), &error);
    TarselDoc document;
    std::unique_ptr<FormatHost> host = plugin ? FormatHost::Open(file, &document, &error) : nullptr;
    if (!host) {
        quiet.reset();
        return fail(plugin ? error : "cannot load the OMF plug-in: " + error, json, out, err);
    }
    Input* tracks = host->GetTool().FindInput(kVideoTrackInput);
    const std::vector<std::string> texts =
        tracks ? tracks->ItemTexts() : std::vector<std::string>{};

    // Sequences follow the picture masters.
    std::size_t firstSequence = texts.size();
    while (firstSequence > 0 && IsSequenceText(texts[firstSequence - 1]))
        --firstSequence;

    nlohmann::json entries = nlohmann::json::array();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        host->SetInput(kVideoTrackInput, Parameter(double(i)));
        const ImageFormat* format = host->Format();
        entries.push_back({{"index", i},
                           {"name", texts[i]},
                           {"kind", i < firstSequence ? "file" : "sequence"},
                           {"frames", host->FrameCount()},
                           {"rate", host->FrameRate()},
                           {"width", format->Width},
                           {"height", format->Height},
                           {"pixelAspect", {format->PixelAspectX, format->PixelAspectY}}});
    }
    host.reset();
    quiet.reset();
    if (json) {
        out << nlohmann::json{{"file", file}, {"tracks", entries}}.dump(2) << "\n";
        return 0;
    }
    for (const auto& entry : entries) {
        char line[160];
        std::snprintf(line, sizeof line, "%3d  %-8s %6d frames  %7.3f fps  %dx%d  %.4g x %.4g  ",
                      entry["index"].get<int>(), entry["kind"].get<std::string>().c_str(),
                      entry["frames"].get<int>(), entry["rate"].get<double>(),
                      entry["width"].get<int>(), entry["height"].get<int>(),
                      entry["pixelAspect"][0].get<double>(), entry["pixelAspect"][1].get<double>());
        out << line << entry["name"].get<std::string>() << "\n";
    }
    return 0;
}

} // namespace omftool
