#include "plugin_tracks.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "movie_server.h"
#include "open_omf_file.h"
#include "toolkit_console.h"

#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

namespace omftool {

namespace {

constexpr const char* kVideoTrackInput = "VideoTrack";

// The OMF plug-in's attribute listing the segments of the played sequence whose media lies
// outside the file (into a TagList), and the tags of each segment, in this order.
constexpr Tag kExternalMediaAttr = 0x600000e0;
constexpr Tag kSegmentStart = 0x100000e1; // first frame of the entry
constexpr Tag kSegmentEnd = 0x100000e2;   // the frame after its last
constexpr Tag kSegmentMob = 0x300000e3;   // name of the mob it plays
constexpr Tag kSegmentPath = 0x300000e4;  // path its locator names
constexpr Tag kSegmentFound = 0x300000e5; // file found for it, empty when none

// The external segments of the entry the plug-in plays: frames, mob, locator path and the
// file found (null when none was).
nlohmann::json externalMedia(ImageFormat& format) {
    nlohmann::json segments = nlohmann::json::array();
    TagList list;
    if (!format.CopyAttr(kExternalMediaAttr, &list)) return segments;
    for (const TagItem& item : list) {
        if (item.tag == kSegmentStart) {
            const int64_t* start = std::get_if<int64_t>(&item.value);
            segments.push_back({{"start", start ? *start : 0}});
            continue;
        }
        if (segments.empty()) continue;
        nlohmann::json& segment = segments.back();
        const std::string* text = std::get_if<std::string>(&item.value);
        if (item.tag == kSegmentEnd && std::holds_alternative<int64_t>(item.value)) {
            segment["end"] = std::get<int64_t>(item.value);
        } else if (item.tag == kSegmentMob && text) {
            segment["mob"] = *text;
        } else if (item.tag == kSegmentPath && text) {
            segment["path"] = *text;
        } else if (item.tag == kSegmentFound && text) {
            segment["found"] = text->empty() ? nlohmann::json(nullptr) : nlohmann::json(*text);
        }
    }
    return segments;
}

// Whether an entry text is one the plug-in gives a composition sequence.
bool IsSequenceText(const std::string& text) {
    int composition = 0, sequence = 0;
    char end = 0;
    return std::sscanf(text.c_str(), "Composition %d - Sequence %d%c", &composition, &sequence,
                       &end) == 2;
}

int fail(const std::string& message, bool json, std::ostream& out, std::ostream& err) {
    return reportFailure("omftool: " + message, kExitError, message, json, out, err);
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

std::unique_ptr<FormatHost> openWithPlugin(const Plugin& plugin, const std::string& file,
                                           TarselDoc& document, std::string& error) {
    for (Registry* registry : plugin.Classes()) {
        if (registry->IsA(CLSID_ImageFormat))
            return FormatHost::OpenAs(registry, file, &document, &error);
    }
    error = plugin.Path() + " registers no image format";
    return nullptr;
}

int runTracks(const std::string& file, bool json, std::ostream& out, std::ostream& err) {
    // A missing file is named so, not blamed on the format.
    if (const std::string why = unreadableInput(file); !why.empty())
        return fail(why, json, out, err);
    Application app; // the plug-in's messages go to standard error
    auto quiet = std::make_unique<ToolkitConsole>();
    // The plug-in lists DV media only when the movie server can decode them.
    chooseMovieServer();
    std::string error;
    std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath(), &error);
    TarselDoc document;
    std::unique_ptr<FormatHost> host = plugin ? openWithPlugin(*plugin, file, document, error) : nullptr;
    std::string noServer;
    const bool listsDV = startMovieServer(noServer);
    if (!host) {
        quiet.reset();
        if (plugin && !listsDV)
            error += " (DV media are read only with a movie server: " + noServer + ")";
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
        if (i >= firstSequence) entries.back()["externalMedia"] = externalMedia(*host->Format());
    }
    host.reset();
    quiet.reset();
    if (!listsDV) err << "omftool: DV media are not listed: " << noServer << "\n";
    if (json) {
        out << nlohmann::json{{"file", file}, {"tracks", entries}}.dump(2) << "\n";
        return kExitDone;
    }
    for (const auto& entry : entries) {
        char line[160];
        std::snprintf(line, sizeof line, "%3d  %-8s %6d frames  %7.3f fps  %dx%d  %.4g x %.4g  ",
                      entry["index"].get<int>(), entry["kind"].get<std::string>().c_str(),
                      entry["frames"].get<int>(), entry["rate"].get<double>(),
                      entry["width"].get<int>(), entry["height"].get<int>(),
                      entry["pixelAspect"][0].get<double>(), entry["pixelAspect"][1].get<double>());
        out << line << entry["name"].get<std::string>() << "\n";
        for (const auto& segment : entry.value("externalMedia", nlohmann::json::array())) {
            out << "       frames " << segment.value("start", 0) << "-"
                << segment.value("end", 0) - 1 << " \"" << segment.value("mob", "") << "\" "
                << segment.value("path", "") << " -> "
                << (segment["found"].is_null() ? "not found" : segment["found"].get<std::string>())
                << "\n";
        }
    }
    return kExitDone;
}

void addTracksCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        bool json = false;
        std::vector<std::string> mediaPath;
    };
    auto given = std::make_shared<Given>();
    CLI::App* tracks = app.add_subcommand(
        "tracks", "Load the OMF plug-in as a host does and list its Video Track entries (picture "
                  "master mobs, then composition sequences) with kind, length in frames, frame "
                  "rate, size and pixel aspect; DV media are listed when the movie server, "
                  "which decodes them, can be started");
    addInputFile(*tracks, given->file, "OMF file to read");
    addJson(*tracks, given->json, "listing");
    addMediaPath(*tracks, given->mediaPath);
    tracks->footer("Each sequence segment whose media lies outside the file is listed with its "
                   "frames, mob, locator path and the file found for it, or \"not found\" (its "
                   "frames are then gaps). " +
                   readingCommandFooter("when the file is missing, the plug-in cannot be "
                                        "loaded or does not read the file"));
    tracks->callback([given, &run] {
        run = [given] {
            useMediaSearchFolders(given->mediaPath); // the plug-in searches them
            return runTracks(given->file, given->json, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
