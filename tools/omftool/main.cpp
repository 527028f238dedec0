// omftool: the command-line front end for OMF files and their containers.
#include "codec_list.h"
#include "command_line.h"
#include "container_dump.h"
#include "file_info.h"
#include "frame_export.h"
#include "library_logging.h"
#include "media_search_path.h"
#include "mob_listing.h"
#include "movie_info.h"
#include "omftool_write.h"
#include "plugin_extract.h"
#include "plugin_tracks.h"
#include "sample_container.h"
#include "sample_edit.h"
#include "sound_export.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include <unistd.h>

int main(int argc, char** argv) {
    CLI::App app{"omftool: inspect OMF Interchange files and the Bento containers that hold them"};
    app.require_subcommand(1);
    app.set_version_flag("--version", omftool::kVersionText);
    bool verbose = false;
    app.add_flag("--verbose", verbose,
                 "Also show what the libraries omftool uses say (FFmpeg's warnings and notes)");
    app.fallthrough(); // --verbose may follow the command too

    std::string file;
    bool json = false;
    omftool::DumpOptions dumpOptions;
    CLI::App* dump = app.add_subcommand(
        "dump", "Show a container's label, TOC format, objects, properties, types, values with "
                "their segments, and global names");
    dump->add_option("FILE", file, "Container file to read")->required();
    dump->add_flag("--json", json, "Write the description as JSON");
    dump->add_option("--max-bytes", dumpOptions.maxDataBytes,
                     "Value bytes shown per value (0 shows none)")
        ->capture_default_str();

    bool infoJson = false;
    CLI::App* info = app.add_subcommand(
        "info", "Show an OMF file's revision, versions, byte order, identification list, mob "
                "counts and container counts, and per file mob with a media descriptor the codec "
                "chosen for it, stored and sampled size, frame layout, sample count and rate");
    info->add_option("FILE", file, "OMF file to read")->required();
    info->add_flag("--json", infoJson, "Write the description as JSON");

    // Folders searched by file name for external media not where its locator says.
    std::vector<std::string> mediaPath;
    const auto addMediaPath = [&mediaPath](CLI::App* command) {
        command
            ->add_option("--media-path", mediaPath,
                         "Folder searched, by file name in any letter case, for external media "
                         "not found where its locator says; repeatable, searched in the order "
                         "given and before the folders of OMF_MEDIA_PATH (separated by ':'). A "
                         "folder that does not exist is reported and not searched")
            ->type_name("DIR")
            ->allow_extra_args(false);
    };

    bool mobsJson = false;
    CLI::App* mobs = app.add_subcommand(
        "mobs", "List every mob with its tracks and component trees, what each source clip "
                "names (kind, name and MobID), the file mob each master-mob track resolves to, "
                "and the file each locator of external media names (or that none was found)");
    mobs->add_option("FILE", file, "OMF file to read")->required();
    mobs->add_flag("--json", mobsJson, "Write the listing as JSON");
    addMediaPath(mobs);

    bool tracksJson = false;
    CLI::App* tracks = app.add_subcommand(
        "tracks", "Load the OMF plug-in as a host does and list its Video Track entries (picture "
                  "master mobs, then composition sequences) with kind, length in frames, frame "
                  "rate, size and pixel aspect; DV media are listed when the movie server, "
                  "which decodes them, can be started");
    tracks->add_option("FILE", file, "OMF file to read")->required();
    tracks->add_flag("--json", tracksJson, "Write the listing as JSON");
    addMediaPath(tracks);
    tracks->footer("Each sequence segment whose media lies outside the file is listed with its "
                   "frames, mob, locator path and the file found for it, or \"not found\" (its "
                   "frames are then gaps).");

    omftool::FramesOptions framesOptions;
    int64_t framesCount = 0;
    CLI::App* frames = app.add_subcommand(
        "frames",
        "Write the picture frames of a master mob as image files, one per frame, read as 8-bit "
        "RGB (RGBA when the media has alpha) with separated fields woven into full frames; DV "
        "frames decoded by the movie server");
    frames->add_option("FILE", framesOptions.file, "OMF file to read")->required();
    CLI::Option* framesMob = frames->add_option(
        "--mob", framesOptions.mob.name, "The first master mob of this name with picture media");
    CLI::Option* framesIndex =
        frames
            ->add_option("--index", framesOptions.mob.index,
                         "The N-th master mob with picture media, in mob-table order, from 1")
            ->check(omftool::fromOne());
    framesMob->excludes(framesIndex);
    frames->add_option("--start", framesOptions.start, "First frame written, counted from 0")
        ->check(omftool::fromZero())
        ->capture_default_str();
    CLI::Option* framesCountOption =
        frames->add_option("--count", framesCount, "Frames written (default: to the last)")
            ->check(omftool::fromOne());
    frames
        ->add_option("-o,--output", framesOptions.pattern,
                     "Image file name with one integer conversion for the frame number, e.g. "
                     "out/frame%04d.png; the extension picks the format (png, jpg, tif, bmp, "
                     "ppm, pam, tga...)")
        ->required();
    addMediaPath(frames);
    frames->add_flag("--raw", framesOptions.raw,
                     "Write each frame's stored bytes as they are (a JPEG image, a DV frame "
                     "that ffmpeg -f dv reads, uncompressed pixels) instead of decoding it");
    frames->footer("A progress line shows on a terminal. Exit status 0 when every frame was "
                   "written; 2 for a bad pattern, a file or master mob that cannot be used, frames "
                   "outside the media, DV frames without a movie server to decode them or an "
                   "image file that cannot be written.");

    omftool::AudioOptions audioOptions;
    CLI::App* audio = app.add_subcommand(
        "audio", "Write the sound media of a master mob (all its channels) as a PCM WAVE file of "
                 "16 bits, or 24 bits for samples wider than 16");
    audio->add_option("FILE", audioOptions.file, "OMF file to read")->required();
    CLI::Option* audioMob = audio->add_option("--mob", audioOptions.mob.name,
                                              "The first master mob of this name with sound media");
    CLI::Option* audioIndex =
        audio
            ->add_option("--index", audioOptions.mob.index,
                         "The N-th master mob with sound media, in mob-table order, from 1")
            ->check(omftool::fromOne());
    audioMob->excludes(audioIndex);
    audio->add_option("-o,--output", audioOptions.output, "WAVE file to write")->required();
    addMediaPath(audio);
    audio->footer("Exit status 0 when the file was written; 2 for a file or master mob that "
                  "cannot be used or a WAVE file that cannot be written.");

    omftool::WriteOptions writeOptions;
    std::string writeVariety;
    double writeRate = 0, writeQuality = 0;
    CLI::App* write = app.add_subcommand(
        "write", "Write pictures into a new OMF file through the OMF plug-in's saver, as a host "
                 "does: the codec, variety, frame rate and quality set on its controls, the first "
                 "frame as the template, then every frame");
    write->add_option("OUT", writeOptions.output, "OMF file to create")->required();
    write->add_option("--codec", writeOptions.codec, "Codec ID (see omftool codecs)")->required();
    CLI::Option* writeVarietyOption = write->add_option(
        "--variety", writeVariety, "Variety of a codec that has them, e.g. Uncomp422 for AJPG");
    CLI::Option* writeRateOption =
        write->add_option("--rate", writeRate, "Frames per second (default: 24)")
            ->check(CLI::Range(0.01, 1000.0));
    CLI::Option* writeQualityOption =
        write->add_option("--quality", writeQuality, "JPEG quality 0..100 (default: 93)")
            ->check(CLI::Range(0.0, 100.0));
    write
        ->add_option("INPUT", writeOptions.inputs,
                     "Picture files (one frame each), the first file of a numbered sequence "
                     "given alone (shot.0001.png: every following number), or a movie (read "
                     "through the movie server)")
        ->required();
    write->footer("A progress line shows on a terminal. Exit status 0 when every frame was "
                  "written; 2 for an input that cannot be read, a choice the saver refuses or a "
                  "file that cannot be written (a partly written file is removed).");

    bool movieJson = false;
    int movieTrack = 0;
    CLI::App* movieInfo = app.add_subcommand(
        "movie-info", "Read a movie file through the movie server and show its size, frame "
                      "count and rate, video tracks, codec, pixel format, timecode and colour");
    movieInfo->add_option("FILE", file, "Movie file to read")->required();
    movieInfo->add_option("--track", movieTrack,
                          "Video track to read, from 1 (default: the first)");
    movieInfo->add_flag("--json", movieJson, "Write the description as JSON");

    bool codecsJson = false;
    CLI::App* codecs = app.add_subcommand(
        "codecs", "List the codecs the OMF plug-in's saver offers, with their varieties");
    codecs->add_flag("--json", codecsJson, "Write the list as JSON");

    omftool::ExtractOptions extractOptions;
    int64_t extractCount = 0;
    CLI::App* extract = app.add_subcommand(
        "extract", "Load the OMF plug-in as a host does, choose one of its Video Track entries "
                   "(a picture master mob or a composition sequence, as \"tracks\" lists them) "
                   "and write its frames as image files, one per frame");
    extract->add_option("FILE", extractOptions.file, "OMF file to read")->required();
    extract->add_option("--track", extractOptions.track, "Video Track entry, from 0")
        ->check(omftool::fromZero())
        ->capture_default_str();
    extract->add_option("--start", extractOptions.start, "First frame written, counted from 0")
        ->check(omftool::fromZero())
        ->capture_default_str();
    CLI::Option* extractCountOption =
        extract->add_option("--count", extractCount, "Frames written (default: to the last)")
            ->check(omftool::fromOne());
    extract
        ->add_option("-o,--output", extractOptions.pattern,
                     "Image file name with one integer conversion for the frame number, e.g. "
                     "out/frame%04d.png; the extension picks the format (png, jpg, tif, bmp, "
                     "ppm, pam, tga...). A name ending in .mov is one movie written through the "
                     "movie server instead")
        ->required();
    extract->add_option("--movie-codec", extractOptions.movieCodec,
                        "With a .mov output: the movie server's codec, by its four-character "
                        "type (png, jpeg, raw, 2vuy, v210, apcn, avc1...) or its identifier "
                        "(default png)");
    extract
        ->add_option("--rate", extractOptions.rate,
                     "With a .mov output: frames a second (default: the entry's rate)")
        ->check(omftool::positive());
    extract
        ->add_option("--bits", extractOptions.bits,
                     "Bits a channel: 16 where the format holds them (png, tif, ppm, pam), or 8")
        ->check(CLI::IsMember({8, 16}))
        ->capture_default_str();
    addMediaPath(extract);
    extract->footer("A progress line shows on a terminal. Frames the plug-in cannot read (a gap "
                    "in a sequence, external media found nowhere) are skipped and counted. Exit "
                    "status 0 when frames were written; 2 for a bad pattern, a file the plug-in "
                    "refuses, an entry or frame range that does not exist, an image file that "
                    "cannot be written, or when no frame could be read.");

    std::string sampleFile;
    CLI::App* sample = app.add_subcommand(
        "write-sample", "Write the small sample container that examples/ bundles");
    sample->add_option("FILE", sampleFile, "Container file to create")->required();
    bool sampleVersion1 = false;
    sample->add_flag("--version1", sampleVersion1,
                     "Write the fixed-entry TOC of label version 1.0 instead of the code-byte TOC");
    int sampleRevision = -1;
    sample
        ->add_option("--omf", sampleRevision,
                     "Write an OMF file of this revision (0, 1 or 2) through the toolkit "
                     "instead of a plain container")
        ->check(CLI::Range(0, 2));
    bool sampleEdit = false;
    sample->add_flag("--edit", sampleEdit,
                     "Write the example edit instead: an OMF 2.x file with uncompressed and JPEG "
                     "picture media and a composition that plays as two sequences");

    if (int status = omftool::parseCommandLine(app, argc, argv); status >= 0) return status;
    omftool::setLibraryLogging(verbose);

    if (dump->parsed()) return omftool::runDump(file, json, dumpOptions, std::cout, std::cerr);
    if (info->parsed()) return omftool::runInfo(file, infoJson, std::cout, std::cerr);
    std::vector<std::string> mediaFolders;
    if (mobs->parsed() || tracks->parsed() || extract->parsed() || frames->parsed() ||
        audio->parsed()) {
        mediaFolders = omftool::mediaSearchFolders(mediaPath, std::cerr);
        omftool::shareMediaSearchFolders(mediaFolders); // the plug-in reads them
    }
    if (mobs->parsed()) return omftool::runMobs(file, mobsJson, std::cout, std::cerr, mediaFolders);
    if (tracks->parsed()) return omftool::runTracks(file, tracksJson, std::cout, std::cerr);
    if (frames->parsed()) {
        if (framesCountOption->count() > 0) framesOptions.count = framesCount;
        framesOptions.progress = isatty(STDERR_FILENO) != 0;
        return omftool::runFrames(framesOptions, std::cout, std::cerr);
    }
    if (audio->parsed()) return omftool::runAudio(audioOptions, std::cout, std::cerr);
    if (write->parsed()) {
        if (writeVarietyOption->count() > 0) writeOptions.variety = writeVariety;
        if (writeRateOption->count() > 0) writeOptions.rate = writeRate;
        if (writeQualityOption->count() > 0) writeOptions.quality = writeQuality;
        writeOptions.progress = isatty(STDERR_FILENO) != 0;
        return omftool::runWrite(writeOptions, std::cout, std::cerr);
    }
    if (movieInfo->parsed())
        return omftool::runMovieInfo(file, movieTrack, movieJson, std::cout, std::cerr);
    if (codecs->parsed()) return omftool::runCodecs(codecsJson, std::cout, std::cerr);
    if (extract->parsed()) {
        if (extractCountOption->count() > 0) extractOptions.count = extractCount;
        extractOptions.progress = isatty(STDERR_FILENO) != 0;
        return omftool::runExtract(extractOptions, std::cout, std::cerr);
    }
    if (sample->parsed()) {
        bool written = sampleEdit ? omftool::writeSampleEdit(sampleFile)
                       : sampleRevision >= 0
                           ? omftool::writeSampleOMF(sampleFile, sampleRevision)
                           : omftool::writeSampleContainer(sampleFile, sampleVersion1);
        if (written) return 0;
        std::cerr << "omftool: cannot write " << sampleFile << "\n";
        return 2;
    }
    return 1;
}
