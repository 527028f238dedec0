// The "movie-info" command.
#include "movie_info.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "movie_server.h"
#include "open_omf_file.h"

#include "tarsel/script_val.h"
#include "tarsel/system/qt_server.h"

#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <memory>

namespace omftool {
namespace {

// A pixel format code as the server gives it: a depth (24, 32) or four
// characters.
std::string PixelFormatText(int64_t code) {
    if (code >= 0 && code < 256) return std::to_string(code);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += static_cast<char>(code >> shift & 0xFF);
    return text;
}

} // namespace

bool describeMovie(const std::string& file, int track, nlohmann::json& description,
                   std::string& message) {
    ServerState state;
    if (!state.open(message)) return false;
    if (track > 0) {
        ScriptVal attributes = ScriptVal::NewTable();
        attributes.Set("use_vidtrack_num", track);
        g_QTRemoteApp.CallMember("SetStateAttrs", ArgumentTable({state.get(), attributes}));
    }
    std::error_code error;
    const std::string path = std::filesystem::absolute(file, error).string();
    // A file that is not there, or not a file, is named so, not blamed on the movie server.
    if (message = unreadableInput(file); !message.empty()) return false;
    if (!g_QTRemoteApp.CallMember("LoadHeader", ArgumentTable({state.get(), path})).ToBoolean()) {
        message = "not a movie the movie server reads: " + file;
        return false;
    }
    const ScriptVal attributes = g_QTRemoteApp.CallMember("GetStateAttrs", state.get());
    // The server reads the first video track when the one asked for does not exist.
    const int64_t tracks = attributes.ToInteger("max_vidtrack_num");
    if (track > 0 && track > tracks) {
        message = file + " has " + std::to_string(tracks) + " video track" +
                  (tracks == 1 ? "" : "s") + "; there is no track " + std::to_string(track);
        return false;
    }
    description = nlohmann::json{
        {"file", file},
        {"width", attributes.ToInteger("Width")},
        {"height", attributes.ToInteger("Height")},
        {"depth", attributes.ToInteger("Depth")},
        {"frames", attributes.ToInteger("NumFrames")},
        {"rate", attributes.ToNumber("Rate")},
        {"xScale", attributes.ToNumber("XScale")},
        {"yScale", attributes.ToNumber("YScale")},
        {"videoTrack", attributes.ToInteger("use_vidtrack_num")},
        {"videoTracks", attributes.ToInteger("max_vidtrack_num")},
        {"codec", attributes.ToString("CodecID")},
        {"pixelFormat", PixelFormatText(attributes.ToInteger("PixelFormat"))},
        {"deliveredFormat", PixelFormatText(attributes.ToInteger("PixMapPixelFormat"))},
    };
    // The first frame's metadata, without its bytes.
    ScriptVal arguments = ArgumentTable({state.get(), 0});
    arguments.Set(4, true);
    const ScriptVal frame = g_QTRemoteApp.CallMember("LoadFrame", arguments);
    if (const ScriptVal* metadata = frame.FindKeyConst("Metadata")) {
        for (const char* key : {"TimeCode", "ColorSpaceID", "GammaSpaceID"})
            if (metadata->HasKey(key)) description[key] = metadata->ToString(key);
    }
    return true;
}

int runMovieInfo(const std::string& file, int track, bool json, std::ostream& out,
                 std::ostream& err) {
    nlohmann::json description;
    std::string message;
    if (!describeMovie(file, track, description, message)) {
        return reportFailure("omftool movie-info: " + message, kExitError, message, json, out, err);
    }
    if (json) {
        out << description.dump(2) << "\n";
        return kExitDone;
    }
    out << file << "\n";
    out << "  size         " << description["width"] << " x " << description["height"] << ", depth "
        << description["depth"] << "\n";
    out << "  frames       " << description["frames"] << " at " << description["rate"]
        << " per second\n";
    out << "  pixel scale  " << description["xScale"] << " x " << description["yScale"] << "\n";
    out << "  video track  " << description["videoTrack"] << " of " << description["videoTracks"]
        << "\n";
    out << "  codec        " << description["codec"].get<std::string>() << "\n";
    out << "  pixels       " << description["pixelFormat"].get<std::string>() << "\n";
    for (const char* key : {"TimeCode", "ColorSpaceID", "GammaSpaceID"})
        if (description.contains(key))
            out << "  " << std::left << std::setw(13) << key << description[key].get<std::string>()
                << "\n";
    return kExitDone;
}

void addMovieInfoCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        std::string file;
        int track = 0;
        bool json = false;
    };
    auto given = std::make_shared<Given>();
    CLI::App* movieInfo = app.add_subcommand(
        "movie-info", "Read a movie file through the movie server and show its size, frame "
                      "count and rate, video tracks, codec, pixel format, timecode and colour");
    addInputFile(*movieInfo, given->file, "Movie file to read");
    movieInfo
        ->add_option("--track", given->track, "Video track to read, from 1 (default: the first)")
        ->check(fromOne());
    addJson(*movieInfo, given->json, "description");
    movieInfo->footer(readingCommandFooter(
        "when the file is missing, the movie server cannot be started or does not read it, or "
        "it has no such track"));
    movieInfo->callback([given, &run] {
        run = [given] {
            return runMovieInfo(given->file, given->track, given->json, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
