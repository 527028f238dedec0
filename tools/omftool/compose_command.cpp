// The "compose" command: an OpenTimelineIO timeline and the sound files it names written as one
// OMF file for audio post, read back with omftool's own reader before it replaces anything.
#include "compose_command.h"
#include "compose_plan.h"
#include "compose_writer.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "edit_timeline.h"
#include "frame_rate_option.h"
#include "interruption.h"
#include "open_omf_file.h"
#include "output_file.h"
#include "toolkit_console.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

namespace omftool {

namespace {

constexpr const char* kCommandName = "omftool compose";

int fail(const std::string& message, std::ostream& err) {
    err << kCommandName << ": " << message << "\n";
    return kExitError;
}

bool readText(const std::string& path, std::string& text, std::string& why) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        why = "cannot read " + path + ": " +
              (std::filesystem::exists(path, error) ? "not a file" : "No such file or directory");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in.good() && !in.eof()) {
        why = "cannot read " + path;
        return false;
    }
    text = content.str();
    return true;
}

// Whether the written file reads back as planned: one composition whose tracks have the
// planned lengths.
bool readsBack(const std::string& path, const ComposePlan& plan, std::string& why) {
    OpenOMFFile opened(path, MediaLayer::kWith);
    MediaFailure failure;
    std::vector<EditTimeline> timelines;
    if (!opened.opened(failure.error, failure.message) ||
        !readEditTimelines(opened.file(), {}, timelines, failure)) {
        why = "OMF error " + std::to_string(failure.error) + ": " + failure.message;
        return false;
    }
    if (timelines.size() != 1 || timelines[0].tracks.size() != plan.tracks.size()) {
        why = "it holds " + std::to_string(timelines.size()) + " compositions";
        return false;
    }
    for (std::size_t i = 0; i < plan.tracks.size(); ++i) {
        int64_t planned = 0;
        for (const ComposeItem& item : plan.tracks[i].items)
            planned += item.kind == ComposeItem::Kind::kTransition ? -item.length : item.length;
        if (timelines[0].tracks[i].length != planned) {
            why = "track " + plan.tracks[i].name + " reads back " +
                  std::to_string(timelines[0].tracks[i].length) + " units long, not " +
                  std::to_string(planned);
            return false;
        }
    }
    return true;
}

} // namespace

int runCompose(const ComposeCommandOptions& options, std::ostream& out, std::ostream& err) {
    std::string text, why;
    if (!readText(options.timeline, text, why)) return fail(why, err);
    OtioTimeline timeline;
    if (!readOtio(text, timeline, why)) return fail(options.timeline + ": " + why, err);
    ComposeOptions composeOptions;
    if (!options.rate.empty()) {
        composeOptions.framesPerSecond = parseFrameRate(options.rate);
        if (!composeOptions.framesPerSecond)
            return fail("--rate " + options.rate + " is not a frame rate: give a number of frames "
                        "per second from 0.01 to 1000 (25, 29.97) or N/D (30000/1001)", err);
    }
    if (options.sampleRate > 0) composeOptions.sampleRate = options.sampleRate;
    if (!options.name.empty()) timeline.name = options.name;
    const std::string folder =
        std::filesystem::absolute(options.timeline).parent_path().string();
    ComposePlan plan;
    if (!planComposition(timeline, folder, composeOptions, plan, why))
        return fail(options.timeline + ": " + why, err);
    for (const std::string& warning : plan.warnings)
        err << kCommandName << ": warning: " << warning << "\n";
    for (const std::string& dropped : timeline.dropped)
        err << kCommandName << ": warning: not written: " << dropped << "\n";

    OutputFile output(options.output);
    if (!output.open(why)) return fail("cannot write " + options.output + ": " + why, err);
    MediaFailure failure;
    const ComposeProgress progress = [&](int64_t done, int64_t total) {
        if (options.progress && total > 0)
            err << "\rsound " << done * 100 / total << "%" << std::flush;
        return !interrupted();
    };
    bool written = false;
    {
        const ToolkitConsole quiet; // the container trace shows only at --verbose
        written = writeComposition(plan, output.path(),
                                   options.revision == 1 ? kOmfRev1x : kOmfRev2x, progress,
                                   failure);
    }
    if (options.progress) err << "\n";
    if (interrupted()) return kExitError; // main names the signal
    if (!written) {
        const std::string cause = failure.error == 0
                                      ? failure.message
                                      : "OMF error " + std::to_string(failure.error) + ": " +
                                            failure.message;
        return fail("cannot write " + options.output + ": " + output.named(cause), err);
    }
    if (!readsBack(output.path(), plan, why))
        return fail(options.output + " was written but does not read back as composed: " +
                        output.named(why),
                    err);
    if (!output.commit(why)) return fail("cannot write " + options.output + ": " + why, err);

    std::size_t clips = 0, sound = 0;
    for (const ComposeTrack& track : plan.tracks) {
        sound += track.sound ? 1 : 0;
        for (const ComposeItem& item : track.items)
            clips += item.kind == ComposeItem::Kind::kClip ? 1 : 0;
    }
    auto counted = [](std::size_t count, const char* one, const char* many) {
        return std::to_string(count) + " " + (count == 1 ? one : many);
    };
    out << "Composed " << options.output << " (OMF " << (options.revision == 1 ? "1.x" : "2.x")
        << "): \"" << plan.name << "\", " << counted(plan.tracks.size(), "track", "tracks")
        << " (" << sound << " sound), " << counted(clips, "clip", "clips") << ", "
        << counted(plan.sources.size(), "sound file", "sound files");
    if (plan.sampleRate > 0) out << " at " << plan.sampleRate << " Hz";
    out << ", edit rate " << plan.editRate.numerator << "/" << plan.editRate.denominator << "\n";
    return kExitDone;
}

void addComposeCommand(CLI::App& app, CommandRun& run) {
    auto options = std::make_shared<ComposeCommandOptions>();
    CLI::App* compose = app.add_subcommand(
        "compose", "Write an OMF file for audio post from an OpenTimelineIO timeline and the sound "
                   "files it names: one mono master mob per channel with its samples embedded, "
                   "one composition mob of sequences of clips, fillers and crossfades");
    compose->add_option("TIMELINE", options->timeline, "OpenTimelineIO file (.otio) to read")
        ->required();
    addOutput(*compose, options->output, "OMF file to create");
    compose->add_option("--revision", options->revision, "OMF revision written, 1 (1.x) or 2 (2.x)")
        ->check(CLI::IsMember({1, 2}))
        ->capture_default_str();
    compose->add_option("--rate", options->rate,
                        "Edit rate of the composition, as a number (25, 29.97) or N/D "
                        "(30000/1001) (default: the rate of the first picture clip, else 25)");
    compose
        ->add_option("--sample-rate", options->sampleRate,
                     "Sample rate of the sound written: files of other rates are converted to it "
                     "with FFmpeg's libswresample (default: the files' one rate)")
        ->check(CLI::Range(8000, 384000));
    compose->add_option("--name", options->name,
                        "Name of the composition mob (default: the timeline's name)");
    compose->footer(
        "Sound files (WAVE, Broadcast WAVE, AIFF, AIFC, integer PCM) are read with libsndfile and "
        "must share one sample rate unless --sample-rate converts them. Times between frames of the edit rate are rounded with a "
        "warning; picture clips and missing references name master mobs without media, with a "
        "warning. OUT is written as a temporary, read back with omftool's own reader and only "
        "then put in place. Exit status 0 when written; 2 for a timeline that cannot be read "
        "(the place in the document is named), a sound file that is missing, unreadable or of "
        "another rate without --sample-rate, a clip beyond its media, or an OMF file that cannot be written; 130 after "
        "SIGINT, 143 after SIGTERM. On a failure nothing new is left.");
    compose->callback([options, &run] {
        run = [options] {
            options->progress = showsProgress();
            return runCompose(*options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
