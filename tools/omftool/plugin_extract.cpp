#include "plugin_extract.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "damaged_frames.h"
#include "frame_file_pattern.h"
#include "image_file_writer.h"
#include "movie_output.h"
#include "movie_server.h"
#include "output_file.h"
#include "plugin_tracks.h"
#include "toolkit_console.h"

#include "tarsel/system/application.h"
#include "tarsel/system/format_host.h"
#include "tarsel/system/image.h"
#include "tarsel/system/image_format.h"
#include "tarsel/system/preferences.h"
#include "tarsel/system/registry.h"
#include "tarsel/system/tool.h"

#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace omftool {

namespace {

constexpr const char* kVideoTrackInput = "VideoTrack";
// Media of this many bits a pixel keeps its alpha.
constexpr int kBitsWithAlpha = 32;
// Bits a channel of picture files unless --bits says otherwise.
constexpr int kDefaultBits = 16;

int fail(const std::string& message, std::ostream& err) {
    err << "omftool: " << message << "\n";
    return kExitError;
}

// The last error the plug-in showed ("OMF Error: N" and its text, as one line); empty when none.
std::string lastError(const Application& app) {
    for (const Application::Message& message : app.LastMessages()) {
        if (message.Category == MSG_Error) return message.Text;
    }
    return {};
}

// A frame of nothing in the movie's size: transparent black for media with alpha, else opaque
// black. Released when it goes.
struct HeldBlank {
    Image* image;
    HeldBlank(int width, int height, bool transparent) {
        std::vector<uint8_t> rgba(std::size_t(width) * std::size_t(height) * 4, 0);
        if (!transparent) {
            for (std::size_t i = 3; i < rgba.size(); i += 4)
                rgba[i] = 255;
        }
        image = Image::FromRGBA8(rgba.data(), width, height, std::ptrdiff_t(width) * 4);
    }
    ~HeldBlank() {
        if (image) image->Recycle();
    }
    HeldBlank(const HeldBlank&) = delete;
    HeldBlank& operator=(const HeldBlank&) = delete;
};

// Writes the host image as one file: 16 bits a channel where asked and the format holds them,
// else 8.
bool writeFrame(const std::string& path, const Image& image, int bits, bool keepAlpha,
                std::string& why) {
    const int width = image.Width(), height = image.Height();
    const std::size_t values = std::size_t(width) * std::size_t(height) * 4;
    if (bits == 16) {
        std::vector<uint16_t> rgba(values);
        image.ToRGBA16(rgba.data(), std::ptrdiff_t(width) * 4);
        return writeImage(path, Rgba16Picture{rgba, width, height, keepAlpha}, why);
    }
    std::vector<uint8_t> rgba(values);
    image.ToRGBA8(rgba.data(), std::ptrdiff_t(width) * 4);
    // The writer takes A, R, G, B bytes.
    for (std::size_t i = 0; i < values; i += 4) {
        const uint8_t alpha = rgba[i + 3];
        rgba[i + 3] = rgba[i + 2];
        rgba[i + 2] = rgba[i + 1];
        rgba[i + 1] = rgba[i];
        rgba[i] = alpha;
    }
    return writeImage(path, ArgbPicture{rgba, width, height, keepAlpha}, why);
}

} // namespace

int runExtract(const ExtractOptions& options, std::ostream& out, std::ostream& err) {
    // The input is checked before the output folder is made.
    if (std::string missing = unreadableInput(options.file); !missing.empty())
        return fail(missing, err);
    std::string why;
    const bool toMovie = isMoviePath(options.pattern);
    std::optional<FrameFilePattern> pattern;
    if (!toMovie) {
        pattern = FrameFilePattern::parse(options.pattern, why);
        if (!pattern) return fail("bad output pattern \"" + options.pattern + "\": " + why, err);
        if (!canWriteImage(pattern->name(0), why)) return fail(why, err);
    }
    // Options that do not apply to the output are refused rather than dropped.
    if (!toMovie && (!options.movieCodec.empty() || options.rate > 0)) {
        return fail(std::string(options.rate > 0 ? "--rate" : "--movie-codec") +
                        " applies to a movie output (a name ending in .mov); " + options.pattern +
                        " names picture files",
                    err);
    }
    if (toMovie && options.bits) {
        return fail("--bits applies to picture files; a movie's depth is its codec's "
                    "(--movie-codec)",
                    err);
    }
    Application app; // the plug-in's messages go to standard error
    auto quiet = std::make_unique<ToolkitConsole>();
    chooseMovieServer(); // DV media are decoded by the movie server
    std::string error;
    std::unique_ptr<Plugin> plugin = Plugin::Load(pluginPath(), &error);
    if (!plugin) return fail("cannot load the OMF plug-in: " + error, err);
    TarselDoc document;
    std::unique_ptr<FormatHost> host = openWithPlugin(*plugin, options.file, document, error);
    if (!host) return fail(error, err);

    Input* tracks = host->GetTool().FindInput(kVideoTrackInput);
    const std::vector<std::string> entries =
        tracks ? tracks->ItemTexts() : std::vector<std::string>{};
    if (options.track < 0 || std::size_t(options.track) >= entries.size()) {
        return fail("the file has no Video Track entry " + std::to_string(options.track) +
                        " (it has " + std::to_string(entries.size()) + ", from 0)",
                    err);
    }
    host->SetInput(kVideoTrackInput, Parameter(double(options.track)));
    const std::string& entry = entries[std::size_t(options.track)];
    const int64_t frames = host->FrameCount();
    if (frames <= 0) return fail("\"" + entry + "\" has no frames", err);
    const int64_t count = options.count.value_or(frames - options.start);
    if (options.start < 0 || count <= 0 || options.start + count > frames) {
        return fail("frames " + std::to_string(options.start) + " to " +
                        std::to_string(options.start + count - 1) + " are not all within \"" +
                        entry + "\", which has " + std::to_string(frames) + " frames",
                    err);
    }
    const bool keepAlpha = host->Format()->BitsPerPixel == kBitsWithAlpha;

    // The inputs are good: the folder the frames go to is made when missing.
    OutputFolder folder;
    if (!folder.makeFor(toMovie ? options.pattern : pattern->name(0), why)) return fail(why, err);
    // The movie is written by the server as a temporary, renamed into place once finished.
    // Declared before the movie, so the server has disposed of it before it is removed.
    OutputFile movieFile(options.pattern);
    if (toMovie && !movieFile.open(why))
        return fail("cannot write " + options.pattern + ": " + why, err);
    MovieOutput movie;
    const double movieRate = options.rate > 0 ? options.rate : host->FrameRate();
    const std::string movieCodec =
        options.movieCodec.empty() ? kDefaultMovieCodec : options.movieCodec;
    int64_t written = 0, unread = 0;
    // A movie keeps the entry's timing: each frame that cannot be read (a gap, media found
    // nowhere) becomes a blank frame. Those before the first read frame wait for its size.
    int64_t blanks = 0, pendingBlanks = 0;
    auto addBlanks = [&](int64_t frames, std::string& failed) {
        if (frames == 0) return true;
        const HeldBlank blank(movie.width(), movie.height(), keepAlpha);
        if (!blank.image) {
            failed = "no memory for a blank frame";
            return false;
        }
        for (; frames > 0; --frames, ++blanks) {
            if (!movie.add(*blank.image, failed)) return false;
        }
        return true;
    };
    DamagedFrames damaged(options.skipDamaged, "omftool extract");
    for (int64_t i = 0; i < count; ++i) {
        if (interrupted()) return kExitError; // main names the signal
        const int64_t frame = options.start + i;
        if (options.progress) err << "\rframe " << i + 1 << " of " << count << std::flush;
        app.ClearMessages();
        Image* image = host->LoadFrame(int32_t(frame));
        // A gap or media found nowhere gives no error; media that fails to read does, and so
        // does a frame the decoder warned about (damaged data decoded anyway).
        const std::string cause = lastError(app);
        if (!image && cause.empty()) {
            ++unread;
            if (!toMovie) continue;
            if (written == 0) {
                ++pendingBlanks;
                continue;
            }
            if (!addBlanks(1, why)) return fail("cannot write " + options.pattern + ": " +
                                                    movieFile.named(why), err);
            continue;
        }
        if (!cause.empty()) {
            if (image) image->Recycle();
            if (options.progress) err << "\n";
            if (damaged.report(frame, cause, err)) continue;
            return kExitError;
        }
        const std::string name = toMovie ? options.pattern : pattern->name(frame);
        bool saved = false;
        if (toMovie) {
            saved = (written > 0 ||
                     (movie.start(movieFile.path(), image->Width(), image->Height(), movieRate,
                                  movieCodec, why) &&
                      addBlanks(std::exchange(pendingBlanks, 0), why))) &&
                    movie.add(*image, why);
            why = movieFile.named(why);
        } else {
            saved = writeOutputFile(
                name,
                [&](const std::string& path, std::string& failed) {
                    return writeFrame(path, *image, options.bits.value_or(kDefaultBits), keepAlpha,
                                      failed);
                },
                why);
        }
        image->Recycle();
        if (!saved) {
            if (options.progress) err << "\n";
            return fail("cannot write " + name + ": " + why, err);
        }
        ++written;
        frameWritten(written);
    }
    if (options.progress) err << "\n";
    if (toMovie && written > 0 && (!movie.finish(why) || !movieFile.commit(why)))
        return fail("cannot write " + options.pattern + ": " + why, err);
    host.reset();
    quiet.reset();
    if (written == 0) {
        return fail("no frame of \"" + entry + "\" could be read (" + std::to_string(count) +
                        " tried)",
                    err);
    }
    out << "wrote " << written << " frame" << (written == 1 ? "" : "s") << " of \"" << entry
        << "\" to " << options.pattern;
    if (unread > 0) {
        out << "; " << unread << " could not be read (gaps or missing media)";
        if (blanks > 0) out << " and " << (blanks == 1 ? "is" : "are") << " blank in the movie";
    }
    out << damaged.summary() << "\n";
    return damaged.status();
}

void addExtractCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        ExtractOptions options;
        FrameCount count;
        std::vector<std::string> mediaPath;
    };
    auto given = std::make_shared<Given>();
    ExtractOptions& options = given->options;
    CLI::App* extract = app.add_subcommand(
        "extract", "Load the OMF plug-in as a host does, choose one of its Video Track entries "
                   "(a picture master mob or a composition sequence, as \"tracks\" lists them) "
                   "and write its frames as image files, one per frame");
    addInputFile(*extract, options.file, "OMF file to read");
    extract->add_option("--track", options.track, "Video Track entry, from 0")
        ->check(fromZero())
        ->capture_default_str();
    addFrameRange(*extract, options.start, given->count);
    addOutput(*extract, options.pattern,
              "Image file name with one integer conversion for the frame number, e.g. "
              "out/frame%04d.png; the extension picks the format (png, jpg, tif, bmp, "
              "ppm, pam, tga...). A name ending in .mov is one movie written through the "
              "movie server instead");
    extract->add_option("--movie-codec", options.movieCodec,
                        "With a .mov output: the movie server's codec, by its four-character "
                        "type (png, jpeg, raw, 2vuy, v210, apcn, avc1...) or its identifier "
                        "(default png)");
    extract
        ->add_option("--rate", options.rate,
                     "With a .mov output: frames a second (default: the entry's rate)")
        ->check(positive());
    extract
        ->add_option("--bits", options.bits,
                     "Picture files' bits a channel: 16 where the format holds them (png, tif, "
                     "ppm, pam), or 8 (default: 16)")
        ->check(CLI::IsMember({8, 16}));
    addMediaPath(*extract, given->mediaPath);
    addSkipDamaged(*extract, options.skipDamaged);
    extract->footer("A progress line shows on a terminal. Frames the plug-in cannot read (a gap "
                    "in a sequence, external media found nowhere) are counted, and skipped in "
                    "picture files; a movie keeps the entry's timing with a blank frame (black, "
                    "transparent when the media has alpha) in their place. Each "
                    "file is written as a temporary beside it and replaces an earlier file only "
                    "when complete. Exit status 0 when frames were written; 1 when damaged frames "
                    "were skipped (--skip-damaged); 2 for a bad pattern, a file the plug-in "
                    "refuses, an entry or frame range that does not exist, a damaged frame (its "
                    "media fails to read, or decodes only with a decoder warning), a file that "
                    "cannot be written, or when no frame could "
                    "be read; 130 after "
                    "SIGINT, 143 after SIGTERM (frame files already written stay, a movie is "
                    "removed).");
    extract->callback([given, &run] {
        run = [given] {
            useMediaSearchFolders(given->mediaPath);
            given->options.count = given->count.get();
            given->options.progress = showsProgress();
            return runExtract(given->options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
