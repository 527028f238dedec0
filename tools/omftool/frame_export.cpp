#include "frame_export.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "damaged_frames.h"
#include "frame_file_pattern.h"
#include "image_file_writer.h"
#include "open_omf_file.h"
#include "output_file.h"
#include "stored_frames.h"

#include "omf/omf_error_codes.h"
#include "omf/omf_errors.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <vector>

namespace omftool {

namespace {

constexpr const char* kCommandName = "omftool frames";

// Whether frames [start, start + count) lie within the media; when not, the failure says why.
bool rangeFits(int64_t start, int64_t count, int64_t frames, MediaFailure& failure) {
    if (start < frames && count <= frames - start) return true;
    failure.error = OM_ERR_SAMPLE_OFFSET_OUT_OF_RANGE;
    const std::string asked =
        count >= 1 ? "frames " + std::to_string(start) + " to " + std::to_string(start + count - 1)
                   : "frames from " + std::to_string(start);
    failure.message = std::string(omfsErrorName(failure.error)) + "\n[" + asked +
                      " asked for; the media holds " + std::to_string(frames) + " frames" +
                      (frames > 0 ? ", 0 to " + std::to_string(frames - 1) : "") + "]";
    return false;
}

// A toolkit failure as one line: "OMF error N: TEXT [what was being done]".
std::string failureText(const MediaFailure& failure) {
    return "OMF error " + std::to_string(failure.error) + ": " + failure.message;
}

const char* layoutText(const PictureReader& reader) {
    if (reader.isDV()) return ", DV decoded by the movie server";
    switch (reader.fileLayout()) {
    case kOmfSeparateFields:
        return ", separate fields woven";
    case kOmfMixedFields:
        return ", mixed fields";
    case kOmfOneField:
        return ", one field";
    default:
        return "";
    }
}

// The part of a delivered frame a file gets: the sampled area (what the plug-in hands a host)
// in the woven frame's rows, or all of it. A sampled area outside the stored picture is not
// trusted: the whole frame is written then, and `note` says so.
omfRect_t writtenArea(const PictureReader& reader, bool stored, std::string& note) {
    const omfRect_t whole{0, 0, reader.width(), reader.height()};
    if (stored) return whole;
    const PictureAreas& areas = reader.areas();
    const omfRect_t sampled{areas.sampled.xOffset, areas.frameRows(areas.sampled.yOffset),
                            areas.sampled.xSize, areas.frameRows(areas.sampled.ySize)};
    if (sampled.xOffset < 0 || sampled.yOffset < 0 || sampled.xSize <= 0 || sampled.ySize <= 0 ||
        sampled.xSize > whole.xSize - sampled.xOffset ||
        sampled.ySize > whole.ySize - sampled.yOffset) {
        note = "; its sampled area lies outside the stored picture, so all of it was written";
        return whole;
    }
    return sampled;
}

// The `area` of a frame of `width` 4-byte pixels, rows from the top.
void cropFrame(const std::vector<uint8_t>& argb, int width, const omfRect_t& area,
               std::vector<uint8_t>& into) {
    const std::size_t rowBytes = std::size_t(area.xSize) * 4;
    into.resize(rowBytes * std::size_t(area.ySize));
    for (int row = 0; row < area.ySize; ++row) {
        const std::size_t from =
            (std::size_t(area.yOffset + row) * std::size_t(width) + std::size_t(area.xOffset)) * 4;
        std::copy_n(argb.begin() + std::ptrdiff_t(from), rowBytes,
                    into.begin() + std::ptrdiff_t(rowBytes * std::size_t(row)));
    }
}

// What the files hold, for the summary: the picture's size and, when it is less than the
// stored frame, where it lies.
std::string pictureText(const PictureReader& reader, const omfRect_t& area) {
    std::string text = std::to_string(area.xSize) + " x " + std::to_string(area.ySize) +
                       (reader.hasAlpha() ? " RGBA" : " RGB");
    if (area.xSize == reader.width() && area.ySize == reader.height()) return text;
    return text + ", the sampled area at " + std::to_string(area.xOffset) + ", " +
           std::to_string(area.yOffset) + " of the stored " + std::to_string(reader.width()) +
           " x " + std::to_string(reader.height()) + " (--stored writes all of it)";
}

// Writes `bytes` as the file `name`, complete or not at all; false with the reason.
bool writeBytes(const std::string& name, const std::vector<uint8_t>& bytes, std::string& why) {
    return writeOutputFile(
        name,
        [&bytes](const std::string& path, std::string& failed) {
            return writeBytesAt(path, bytes, failed);
        },
        why);
}

// Frames as stored, one file each: compressed frames stay as the media holds them, JPEG
// images of media that keeps their tables in its descriptor with those tables inserted.
int writeStoredFrames(const FramesOptions& options, const FrameFilePattern& pattern, omfHdl_t file,
                      const MediaMob& mob, std::ostream& out, std::ostream& err) {
    MediaFailure failure;
    StoredFrameReader reader;
    if (!reader.open(file, mob, failure)) return mediaStepFailure(kCommandName, failure, out, err);
    const int64_t count = options.count.value_or(reader.frameCount() - options.start);
    if (!rangeFits(options.start, count, reader.frameCount(), failure)) {
        return mediaStepFailure(kCommandName, failure, out, err);
    }
    std::vector<uint8_t> bytes;
    int64_t total = 0;
    OutputFolder folder;
    DamagedFrames damaged(options.skipDamaged, kCommandName);
    for (int64_t i = 0; i < count; ++i) {
        if (interrupted()) return kExitError; // main names the signal
        const int64_t frame = options.start + i;
        if (options.progress) err << "\rframe " << i + 1 << " of " << count << std::flush;
        std::string why;
        const std::string name = pattern.name(frame);
        if (!reader.readFrame(frame, bytes, failure)) {
            if (options.progress) err << "\n";
            if (failure.error == 0) return mediaStepFailure(kCommandName, failure, out, err);
            if (damaged.report(frame, failureText(failure), err)) continue;
            return kExitError;
        }
        // The folder is made once a frame is in hand, so a failure before leaves nothing.
        if (!folder.makeFor(name, why) || !writeBytes(name, bytes, why)) {
            if (options.progress) err << "\n";
            err << "omftool frames: cannot write " << name << ": " << why << "\n";
            return kExitError;
        }
        total += int64_t(bytes.size());
        frameWritten(i + 1);
    }
    if (options.progress) err << "\n";
    out << "Wrote the stored bytes of frames " << options.start << " to "
        << options.start + count - 1 << " of master mob \"" << mob.name << "\" (track "
        << mob.trackID << ", " << reader.frameCount() << " frames; " << total << " bytes"
        << (reader.insertsTables() ? ", with the JPEG tables of its descriptor" : "") << ") to "
        << options.pattern << damaged.summary() << "\n";
    return damaged.status();
}

} // namespace

int runFrames(const FramesOptions& options, std::ostream& out, std::ostream& err) {
    if (options.mob.name.empty() && options.mob.index < 1) {
        return commandFailure(err, kCommandName, "name the master mob with --mob NAME or --index N (from 1)");
    }
    std::string why;
    const auto pattern = FrameFilePattern::parse(options.pattern, why);
    if (!pattern)
        return commandFailure(err, kCommandName, "bad output pattern \"" + options.pattern + "\": " + why);
    if (!options.raw && !canWriteImage(pattern->name(options.start), why)) {
        return commandFailure(err, kCommandName, "bad output pattern \"" + options.pattern + "\": " + why);
    }
    if (options.raw && options.stored) {
        return commandFailure(err, kCommandName, "--stored chooses the lines of decoded frames; --raw writes "
                                 "each frame's stored bytes whole");
    }
    if (options.start < 0 || (options.count && *options.count < 1)) {
        return commandFailure(err, kCommandName, "--start must be 0 or more and --count 1 or more");
    }

    OpenOMFFile opened(options.file, MediaLayer::kWith);
    MediaFailure failure;
    if (!opened.opened(failure.error, failure.message)) return mediaStepFailure(kCommandName, failure, out, err);
    MediaMob mob;
    if (options.raw) {
        if (!findMasterMob(opened.file(), kPictureMedia, options.mob, mob, failure)) {
            return mediaStepFailure(kCommandName, failure, out, err);
        }
        return writeStoredFrames(options, *pattern, opened.file(), mob, out, err);
    }
    PictureReader reader;
    if (!findMasterMob(opened.file(), kPictureMedia, options.mob, mob, failure) ||
        !reader.open(opened.file(), mob, failure)) {
        return mediaStepFailure(kCommandName, failure, out, err);
    }
    const int64_t count = options.count.value_or(reader.frameCount() - options.start);
    if (!rangeFits(options.start, count, reader.frameCount(), failure)) {
        return mediaStepFailure(kCommandName, failure, out, err);
    }

    std::string areaNote;
    const omfRect_t area = writtenArea(reader, options.stored, areaNote);
    const bool cropped = area.xSize != reader.width() || area.ySize != reader.height();
    std::vector<uint8_t> argb, picked;
    OutputFolder folder;
    DamagedFrames damaged(options.skipDamaged, kCommandName);
    for (int64_t i = 0; i < count; ++i) {
        if (interrupted()) return kExitError; // main names the signal
        const int64_t frame = options.start + i;
        if (options.progress) err << "\rframe " << i + 1 << " of " << count << std::flush;
        if (!reader.readFrame(frame, argb, failure)) {
            if (options.progress) err << "\n";
            if (failure.error == 0) return mediaStepFailure(kCommandName, failure, out, err); // no DV decoder
            if (damaged.report(frame, failureText(failure), err)) continue;
            return kExitError;
        }
        const std::string name = pattern->name(frame);
        if (cropped) cropFrame(argb, reader.width(), area, picked);
        const ArgbPicture picture{cropped ? picked : argb, area.xSize, area.ySize,
                                  reader.hasAlpha()};
        if (!folder.makeFor(name, why) ||
            !writeOutputFile(
                name,
                [&picture](const std::string& path, std::string& failed) {
                    return writeImage(path, picture, failed);
                },
                why)) {
            if (options.progress) err << "\n";
            err << "omftool frames: cannot write " << name << ": " << why << "\n";
            return kExitError;
        }
        frameWritten(i + 1);
    }
    if (options.progress) err << "\n";

    out << "Wrote frames " << options.start << " to " << options.start + count - 1
        << " of master mob \"" << mob.name << "\" (track " << mob.trackID << ", "
        << reader.frameCount() << " frames" << layoutText(reader) << "; "
        << pictureText(reader, area) << areaNote << ") to " << options.pattern
        << damaged.summary() << "\n";
    return damaged.status();
}

void addFramesCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        FramesOptions options;
        FrameCount count;
        std::vector<std::string> mediaPath;
    };
    auto given = std::make_shared<Given>();
    FramesOptions& options = given->options;
    CLI::App* frames = app.add_subcommand(
        "frames",
        "Write the picture frames of a master mob as image files, one per frame, read as 8-bit "
        "RGB (RGBA when the media has alpha) with separated fields woven into full frames and "
        "cut to the sampled area, as a host is given them; DV frames decoded by the movie "
        "server");
    addInputFile(*frames, options.file, "OMF file to read");
    addMasterMobChoice(*frames, options.mob, "picture");
    addFrameRange(*frames, options.start, given->count);
    addOutput(*frames, options.pattern,
              "Image file name with one integer conversion for the frame number, e.g. "
              "out/frame%04d.png; the extension picks the format (png, jpg, tif, bmp, "
              "ppm, pam, tga...)");
    addMediaPath(*frames, given->mediaPath);
    addSkipDamaged(*frames, options.skipDamaged);
    frames->add_flag("--stored", options.stored,
                     "Write every stored line of each frame instead of its sampled area (the "
                     "picture the OMF plug-in gives a host, extract writes and info names)");
    frames->add_flag("--raw", options.raw,
                     "Write each frame's stored bytes as they are (a JPEG image, a DV frame "
                     "that ffmpeg -f dv reads, uncompressed pixels) instead of decoding it; for "
                     "JPEG media that keeps its quantisation and Huffman tables in its "
                     "descriptor (MSM JPEG Codec) the tables each image uses are inserted, so "
                     "that every file decodes alone");
    frames->footer("A progress line shows on a terminal. Each file is written as a temporary "
                   "beside it and replaces an earlier file only when complete. Exit status 0 when "
                   "every frame was written; 1 when damaged frames were skipped (--skip-damaged); "
                   "2 for a bad pattern, a file or master mob that cannot be used, frames outside "
                   "the media, a damaged frame, DV frames without a movie server to decode them or "
                   "an image file that cannot be written; 130 after SIGINT, 143 after SIGTERM "
                   "(frame files already written stay).");
    frames->callback([given, &run] {
        run = [given] {
            useMediaSearchFolders(given->mediaPath);
            given->options.count = given->count.get();
            given->options.progress = showsProgress();
            return runFrames(given->options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
