#include "timeline_command.h"

#include "commands.h"
#include "common_options.h"
#include "edit_timeline.h"
#include "open_omf_file.h"
#include "output_file.h"
#include "timecode.h"
#include "timeline_edl.h"
#include "timeline_otio.h"

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <span>

namespace omftool {

namespace {

const std::map<std::string, TimelineFormat> kFormats{{"otio", TimelineFormat::kOtio},
                                                     {"edl", TimelineFormat::kEdl}};

int fail(const std::string& message, std::ostream& err) {
    err << "omftool timeline: " << message << "\n";
    return kExitError;
}

std::string compositionList(const std::vector<EditTimeline>& timelines) {
    std::string list;
    for (std::size_t index = 0; index < timelines.size(); ++index) {
        list += (index == 0 ? "" : ", ") + std::to_string(index + 1) + " \"" +
                timelines[index].name + "\"";
    }
    return list;
}

// Keeps the composition `chosen` names, by number from 1 or by name; false with why.
bool chooseComposition(std::vector<EditTimeline>& timelines, const std::string& chosen,
                       std::string& why) {
    const bool number = !chosen.empty() && chosen.size() < 10 &&
                        std::all_of(chosen.begin(), chosen.end(),
                                    [](char c) { return c >= '0' && c <= '9'; });
    auto found = std::find_if(timelines.begin(), timelines.end(),
                              [&](const EditTimeline& timeline) { return timeline.name == chosen; });
    if (found == timelines.end() && number) {
        const std::size_t index = std::stoul(chosen);
        if (index >= 1 && index <= timelines.size()) found = timelines.begin() + (index - 1);
    }
    if (found == timelines.end()) {
        why = "no composition " + chosen + "; the compositions are " + compositionList(timelines);
        return false;
    }
    EditTimeline kept = std::move(*found);
    timelines.clear();
    timelines.push_back(std::move(kept));
    return true;
}

// Keeps the tracks given, in track-ID order; false with why when one is not in the timeline.
bool chooseTracks(EditTimeline& timeline, const std::vector<omfTrackID_t>& ids, std::string& why) {
    for (omfTrackID_t id : ids) {
        if (std::any_of(timeline.tracks.begin(), timeline.tracks.end(),
                        [id](const TimelineTrack& track) { return track.trackID == id; }))
            continue;
        why = "no picture or sound track " + std::to_string(id) + " in \"" + timeline.name +
              "\"; its tracks are";
        for (const TimelineTrack& track : timeline.tracks)
            why += " " + std::to_string(track.trackID) + " (" + track.name + ")";
        return false;
    }
    std::erase_if(timeline.tracks, [&ids](const TimelineTrack& track) {
        return std::find(ids.begin(), ids.end(), track.trackID) == ids.end();
    });
    return true;
}

// The rate --start is counted in: the first picture track's, else the first track's, as the
// list's record timecode counts.
TimecodeRate startRate(const EditTimeline& timeline) {
    const auto picture =
        std::find_if(timeline.tracks.begin(), timeline.tracks.end(),
                     [](const TimelineTrack& track) { return track.kind == TrackKind::kVideo; });
    if (picture != timeline.tracks.end()) return timecodeRateOf(picture->editRate);
    return timeline.tracks.empty() ? TimecodeRate{} : timecodeRateOf(timeline.tracks[0].editRate);
}

// The frame --start names; false with why.
bool startFrame(const EditTimeline& timeline, const std::string& text, TimelineTimecode& start,
                std::string& why) {
    const TimecodeRate rate = startRate(timeline);
    const std::optional<int64_t> frame = parseTimecode(text, rate);
    if (!frame) {
        why = "--start: \"" + text + "\" is not a timecode at " +
              std::to_string(rate.framesPerSecond) + " frames a second" +
              (rate.drop ? " drop frame" : "");
        return false;
    }
    start = TimelineTimecode{*frame, rate.framesPerSecond, rate.drop};
    return true;
}

bool writeText(const std::string& target, const std::string& text, std::string& why) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    return writeOutputFile(
        target,
        [bytes](const std::string& path, std::string& failed) {
            return writeBytesAt(path, bytes, failed);
        },
        why);
}

} // namespace

int runTimeline(const TimelineOptions& options, std::ostream& out, std::ostream& err) {
    if (std::string why = unreadableInput(options.file); !why.empty()) return fail(why, err);
    std::vector<EditTimeline> timelines;
    {
        OpenOMFFile opened(options.file, MediaLayer::kWith);
        MediaFailure failure;
        if (!opened.opened(failure.error, failure.message) ||
            !readEditTimelines(opened.file(), options.mediaFolders, timelines, failure))
            return fail("OMF error " + std::to_string(failure.error) + ": " + failure.message,
                        err);
    }
    if (timelines.empty()) return fail(options.file + " holds no composition", err);
    std::string why;
    if (!options.composition.empty() && !chooseComposition(timelines, options.composition, why))
        return fail(why, err);
    std::string text;
    if (options.format == TimelineFormat::kEdl) {
        if (timelines.size() > 1)
            return fail("an EDL holds one composition; choose one with --composition: " +
                            compositionList(timelines),
                        err);
        EdlOptions edl{options.tracks, std::nullopt};
        TimelineTimecode start;
        if (!options.start.empty()) {
            if (!startFrame(timelines[0], options.start, start, why)) return fail(why, err);
            edl.startFrame = start.startFrame;
        }
        if (!timelineEdl(timelines[0], edl, text, why)) return fail(why, err);
    } else {
        for (EditTimeline& timeline : timelines) {
            if (!options.tracks.empty() && !chooseTracks(timeline, options.tracks, why))
                return fail(why, err);
            TimelineTimecode start;
            if (!options.start.empty()) {
                if (!startFrame(timeline, options.start, start, why)) return fail(why, err);
                timeline.start = start;
            }
        }
        OtioOptions otio;
        otio.clip1 = options.clip1;
        text = otioText(otioDocument(timelines, otio));
    }
    if (options.output.empty()) {
        out << text;
        return kExitDone;
    }
    if (!writeText(options.output, text, why))
        return fail("cannot write " + options.output + ": " + why, err);
    out << "Wrote " << options.output << ": " << timelines.size()
        << (timelines.size() == 1 ? " composition" : " compositions")
        << (options.format == TimelineFormat::kEdl ? " as a CMX 3600 EDL\n" : " as OpenTimelineIO\n");
    return kExitDone;
}

void addTimelineCommand(CLI::App& app, CommandRun& run) {
    auto given = std::make_shared<TimelineOptions>();
    auto mediaPath = std::make_shared<std::vector<std::string>>();
    CLI::App* timeline = app.add_subcommand(
        "timeline", "Write a file's compositions as an OpenTimelineIO document (one Timeline "
                    "per composition, a SerializableCollection of them when there are several) "
                    "or one composition as a CMX 3600 EDL");
    addInputFile(*timeline, given->file, "OMF file to read");
    timeline->add_option("--composition", given->composition,
                         "The composition written: its number, from 1 in mob-table order, or "
                         "its name (default: every one)");
    timeline
        ->add_option_function<std::string>(
            "--format", [given](const std::string& name) { given->format = kFormats.at(name); },
            "otio (default) or edl")
        ->check(CLI::IsMember({"otio", "edl"}));
    timeline->add_option("-o,--output", given->output,
                         "File written (default: standard output)");
    addMediaPath(*timeline, *mediaPath);
    timeline->add_flag("--clip1", given->clip1,
                       "Write Clip.1 with one media_reference, for OTIO readers before 0.15 "
                       "(OTIO only)");
    timeline->add_option("--track", given->tracks,
                         "Only the picture or sound track of this ID; repeatable (an EDL holds "
                         "one picture and four sound tracks, by default the first ones)")
        ->allow_extra_args(false);
    timeline->add_option("--start", given->start,
                         "The timeline's start as HH:MM:SS:FF (';' before FF for drop frame) at "
                         "the first picture track's rate (default: the composition's timecode "
                         "track; an EDL without one starts at 01:00:00:00)");
    timeline->footer(
        "Media outside the file is looked for where its locators say, then in --media-path and "
        "OMF_MEDIA_PATH. The output is written as a temporary beside it and replaces an earlier "
        "file of that name only when complete. Exit status 0 when written; 2 when the file "
        "cannot be opened as OMF or holds no composition, the composition or a track named is "
        "not there, an EDL is asked of several compositions or of tracks it cannot hold, "
        "--start is no timecode, or the output cannot be written.");
    timeline->callback([given, mediaPath, &run] {
        run = [given, mediaPath] {
            given->mediaFolders = useMediaSearchFolders(*mediaPath);
            return runTimeline(*given, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
