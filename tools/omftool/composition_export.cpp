#include "composition_export.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "export_folder.h"
#include "export_plan.h"
#include "export_sound.h"
#include "open_omf_file.h"
#include "output_file.h"
#include "timecode.h"
#include "timeline_edl.h"
#include "timeline_otio.h"

#include <algorithm>
#include <cctype>
#include <iostream>
#include <memory>

namespace omftool {

namespace {

constexpr const char* kCommandName = "omftool export";
constexpr const char* kManifestName = "manifest.json";
constexpr const char* kEdlName = "timeline.edl";
constexpr const char* kOtioName = "timeline.otio";
constexpr int64_t kSecondsPerHour = 3600;
constexpr size_t kLongestNumber = 9; // digits of a composition number

// The composition asked for: by name, else by its number from 1; null when none is.
const EditTimeline* chosen(const std::vector<EditTimeline>& timelines, const std::string& asked) {
    if (asked.empty()) return timelines.empty() ? nullptr : &timelines.front();
    for (const EditTimeline& timeline : timelines)
        if (timeline.name == asked) return &timeline;
    const bool number = std::all_of(asked.begin(), asked.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
    if (number && asked.size() < kLongestNumber) {
        const size_t index = std::stoul(asked);
        if (index >= 1 && index <= timelines.size()) return &timelines[index - 1];
    }
    return nullptr;
}

omfRational_t editRateOf(const EditTimeline& timeline) {
    return timeline.tracks.empty() ? omfRational_t{25, 1} : timeline.tracks.front().editRate;
}

std::string placeText(const ClipSource& source) {
    if (source.locatorPaths.empty()) return "no locator names it";
    std::string text = "looked for";
    for (const std::string& path : source.locatorPaths)
        text += " " + path;
    return text;
}

bool writeText(ExportFolder& folder, const std::string& relative, const std::string& text,
               std::string& why) {
    return writeOutputFile(
        folder.path(relative),
        [&text](const std::string& path, std::string& failed) {
            return writeBytesAt(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()},
                                failed);
        },
        why);
}

} // namespace

int runExport(const ExportOptions& options, std::ostream& out, std::ostream& err) {
    if (!(options.handleSeconds >= 0)) return commandFailure(err, kCommandName, "--handles must be 0 or more");
    OpenOMFFile opened(options.file, MediaLayer::kWith);
    MediaFailure failure;
    if (!opened.opened(failure.error, failure.message)) return mediaStepFailure(kCommandName, failure, out, err);
    std::vector<EditTimeline> timelines;
    if (!readEditTimelines(opened.file(), options.mediaFolders, timelines, failure))
        return mediaStepFailure(kCommandName, failure, out, err);
    const EditTimeline* timeline = chosen(timelines, options.composition);
    if (timeline == nullptr) {
        if (timelines.empty()) return commandFailure(err, kCommandName, options.file + " holds no composition");
        return commandFailure(err, kCommandName, "no composition \"" + options.composition + "\" in " +
                                     options.file + " (" + std::to_string(timelines.size()) +
                                     " compositions; name one or give its number from 1)");
    }
    const omfRational_t editRate = editRateOf(*timeline);
    const TimecodeRate rate = timecodeRateOf(editRate);
    TimelineTimecode start{kSecondsPerHour * kEdlDefaultStartHours * rate.framesPerSecond,
                           rate.framesPerSecond, rate.drop};
    if (timeline->start) start = *timeline->start;
    if (!options.start.empty()) {
        const TimecodeRate given{start.framesPerSecond,
                                 options.start.find(';') != std::string::npos};
        const std::optional<int64_t> frame = parseTimecode(options.start, given);
        if (!frame)
            return commandFailure(err, kCommandName, "--start " + options.start + " is no timecode at " +
                                         std::to_string(given.framesPerSecond) +
                                         " frames a second");
        start = TimelineTimecode{*frame, given.framesPerSecond, given.drop};
    }

    // The inputs are good: the folder is made, and every file is named in the manifest once
    // written, also when a later one fails.
    ExportFolder folder(options.folder, err, options.progress);
    folder.manifest.source = options.file;
    folder.manifest.composition = timeline->name;
    folder.manifest.editRate = editRate;
    folder.manifest.startTimecode =
        timecodeText(start.startFrame, TimecodeRate{start.framesPerSecond, start.drop});
    std::string why;
    if (!folder.makeFor(kManifestName, why))
        return commandFailure(err, kCommandName, "cannot write " + folder.path(kManifestName) + ": " + why);
    auto writeManifest = [&] {
        return writeText(folder, kManifestName, manifestJson(folder.manifest).dump(2) + "\n", why);
    };
    auto failed = [&](const MediaFailure& cause) {
        folder.endProgress();
        if (interrupted()) return kExitError; // main names the signal
        if (!writeManifest())
            err << kCommandName << ": cannot write " << folder.path(kManifestName) << ": " << why
                << "\n";
        return mediaStepFailure(kCommandName, cause, out, err);
    };

    const SoundExportSettings sound{options.clips, options.handleSeconds, start, editRate};
    int missing = 0, masters = 0, pictures = 0;
    for (const MasterUse& master : mastersUsed(*timeline)) {
        const ClipSource& source = *master.source;
        const bool isSound = master.kind == TrackKind::kAudio;
        if (!isSound && options.picture == PictureOutput::kNone) continue;
        if (source.place == MediaPlace::kMissing || source.place == MediaPlace::kNone) {
            folder.endProgress();
            err << kCommandName << ": the media of master mob \"" << source.name << "\" (track "
                << source.trackID << ") is missing (" << placeText(source) << "); skipped\n";
            ExportedFile entry;
            entry.kind = isSound ? "sound" : "picture";
            entry.masterMob = source.name;
            entry.mobID = mobIDText(source.mobID);
            entry.trackID = source.trackID;
            entry.missing = true;
            folder.manifest.files.push_back(entry);
            ++missing;
            continue;
        }
        const bool done =
            isSound ? exportSoundMaster(opened.file(), master, sound, folder, failure)
                    : exportPictureMaster(opened.file(), master, options.picture, folder, failure);
        if (!done) return failed(failure);
        ++(isSound ? masters : pictures);
    }

    // The timeline's clips name the files written of their masters.
    OtioOptions otio;
    otio.mediaURL = [&folder](const ClipSource& source) -> std::optional<std::string> {
        for (const ExportedFile& file : folder.manifest.files) {
            if (file.clip || file.missing || file.mobID != mobIDText(source.mobID) ||
                file.trackID != source.trackID || (file.kind != "sound" && file.kind != "picture"))
                continue;
            // A picture sequence is named by its folder.
            const size_t sequence = file.path.find('#');
            return sequence == std::string::npos ? file.path
                                                 : file.path.substr(0, file.path.rfind('/') + 1);
        }
        return std::nullopt;
    };
    if (!writeText(folder, kOtioName, otioText(timelineOtio(*timeline, otio)), why))
        return failed(MediaFailure{0, "cannot write " + folder.path(kOtioName) + ": " + why});
    ExportedFile otioEntry;
    otioEntry.kind = "timeline";
    otioEntry.path = kOtioName;
    folder.written(otioEntry);

    std::string edl;
    if (timelineEdl(*timeline, EdlOptions{{}, start.startFrame}, edl, why)) {
        if (!writeText(folder, kEdlName, edl, why))
            return failed(MediaFailure{0, "cannot write " + folder.path(kEdlName) + ": " + why});
        ExportedFile entry;
        entry.kind = "edl";
        entry.path = kEdlName;
        folder.written(entry);
    } else {
        folder.endProgress();
        err << kCommandName << ": no edit decision list: " << why << "\n";
    }

    folder.endProgress();
    if (interrupted()) return kExitError;
    if (!writeManifest())
        return commandFailure(err, kCommandName, "cannot write " + folder.path(kManifestName) + ": " + why);
    const auto clipFiles =
        std::count_if(folder.manifest.files.begin(), folder.manifest.files.end(),
                      [](const ExportedFile& file) { return file.clip.has_value(); });
    out << "Exported composition \"" << timeline->name << "\" to " << options.folder << ": "
        << masters << " sound master" << (masters == 1 ? "" : "s");
    if (options.clips) out << ", " << clipFiles << " clip" << (clipFiles == 1 ? "" : "s");
    if (options.picture != PictureOutput::kNone)
        out << ", " << pictures << " picture master" << (pictures == 1 ? "" : "s");
    if (missing > 0) out << ", " << missing << " missing";
    out << "; from " << folder.manifest.startTimecode << "\n";
    return kExitDone;
}

void addExportCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        ExportOptions options;
        std::vector<std::string> mediaPath;
        std::string picture = "png";
    };
    auto given = std::make_shared<Given>();
    ExportOptions& options = given->options;
    CLI::App* command = app.add_subcommand(
        "export", "Hand a composition to audio post: a folder with the sound of every master "
                  "track it plays as Broadcast WAVE (with --clips also one file per clip, placed "
                  "by its time reference), its picture masters, the timeline as OpenTimelineIO "
                  "naming those files, an edit decision list and manifest.json");
    addInputFile(*command, options.file, "OMF file to read");
    addOutput(*command, options.folder, "Folder to fill; made when missing");
    command->add_option("--composition", options.composition,
                        "The composition: its name, or its number from 1 in mob-table order "
                        "(default: the first)");
    command->add_flag("--clips", options.clips,
                      "Also write one WAVE file per sound clip: its whole extent (crossfades "
                      "included) and the handles, its bext time reference the time of its first "
                      "sample");
    command
        ->add_option("--handles", options.handleSeconds,
                     "Seconds of media added before and after each clip, as far as the media "
                     "reaches (default 0)")
        ->check(CLI::NonNegativeNumber);
    command
        ->add_option("--picture", given->picture,
                     "Pictures of the picture masters: png (an image sequence each, the "
                     "default), mov (a movie each, through the movie server) or none")
        ->check(CLI::IsMember({"png", "mov", "none"}));
    command->add_option("--start", options.start,
                        "Timecode of the timeline's start, HH:MM:SS:FF (default: the "
                        "composition's timecode track, else 01:00:00:00)");
    addMediaPath(*command, given->mediaPath);
    command->footer(
        "Each file is written as a temporary and renamed into place when complete. A master "
        "whose media is found nowhere is named on standard error, skipped and listed in "
        "manifest.json with \"missing\": true. Exit status 0 when every file that has media was "
        "written; 2 for a file or composition that cannot be used, a bad option or a file that "
        "cannot be written (the files finished before stay, named in manifest.json); 130 after "
        "SIGINT, 143 after SIGTERM.");
    command->callback([given, &run] {
        run = [given] {
            given->options.mediaFolders = useMediaSearchFolders(given->mediaPath);
            given->options.progress = showsProgress();
            given->options.picture = given->picture == "mov"    ? PictureOutput::kMovie
                                     : given->picture == "none" ? PictureOutput::kNone
                                                                : PictureOutput::kPng;
            return runExport(given->options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
