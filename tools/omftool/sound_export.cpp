// Sound media read through the media calls in 16- or 24-bit two's
// complement and written through the toolkit's own WAVE codec on a raw file.
#include "sound_export.h"

#include "command_line.h"
#include "commands.h"
#include "common_options.h"
#include "media_handle.h"
#include "open_omf_file.h"
#include "output_file.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_errors.h"
#include "omf/omf_session.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace omftool {

namespace {

constexpr omfInt32 kFramesPerBlock = 4096;
// Output sample sizes: the file's size in whole bytes, at least 16 bits and at most 24.
constexpr omfInt16 kNarrowOutputBits = 16;
constexpr omfInt16 kWideOutputBits = 24;

// A raw file record closed with its scope.
class RawFile {
  public:
    ~RawFile() {
        if (file_ != nullptr) omfsCloseOMFFile(file_);
    }
    omfHdl_t* out() { return &file_; }
    omfHdl_t get() const { return file_; }
    // Hands the record over, to be closed by the caller.
    omfHdl_t release() { return std::exchange(file_, nullptr); }

  private:
    omfHdl_t file_ = nullptr;
};

struct SoundFigures {
    omfAudioLayout_t layout{};
    omfRational_t rate{};
    omfInt64 frames = 0;
};

bool readFigures(omfMediaHdl_t media, omfObject_t soundKind, const std::string& what,
                 SoundFigures& figures, MediaFailure& failure) {
    if (int error = omfmGetInfo(media, kMediaInfoCodecParams, soundKind, sizeof figures.layout,
                                &figures.layout)) {
        return fail(failure, error, "reading the channels and sample size of " + what);
    }
    omfFormatEntry_t list[2] = {omfmFormatEntry(kOmfAudioSampleRate), omfmFormatEntry(0)};
    if (int error = omfmGetInfo(media, kMediaInfoVideoFormat, soundKind, sizeof list, list)) {
        return fail(failure, error, "reading the sample rate of " + what);
    }
    figures.rate = list[0].operand.ratio;
    if (int error = omfmCountSamples(media, &figures.frames)) {
        return fail(failure, error, "counting the samples of " + what);
    }
    return true;
}

// Copies every frame of `from` into `to`, block by block.
bool copyFrames(omfMediaHdl_t from, omfMediaHdl_t to, const SoundFigures& figures,
                omfInt16 outputBits, MediaFailure& failure) {
    const size_t frameBytes = size_t(figures.layout.numChannels) * size_t(outputBits / 8);
    std::vector<uint8_t> block(frameBytes * kFramesPerBlock);
    for (omfInt64 done = 0; done < figures.frames;) {
        if (interrupted()) return false; // main names the signal
        const auto count = omfInt32(std::min<omfInt64>(kFramesPerBlock, figures.frames - done));
        omfInt32 samples = 0, bytes = 0;
        if (int error = omfmReadMediaSamples(from, count, omfInt32(block.size()), block.data(),
                                             &samples, &bytes)) {
            return fail(failure, error, "reading frames from " + std::to_string(done + 1));
        }
        omfmMultiXfer_t transfer{1, count, bytes, block.data(), 0, 0};
        if (int error = omfmWriteMultiSamples(to, 1, &transfer)) {
            return fail(failure, error, "writing frames from " + std::to_string(done + 1));
        }
        done += count;
    }
    return true;
}

} // namespace

int runAudio(const AudioOptions& options, std::ostream& out, std::ostream& err) {
    if (options.mob.name.empty() && options.mob.index < 1) {
        err << "omftool audio: name the master mob with --mob NAME or --index N (from 1)\n";
        return kExitError;
    }
    OpenOMFFile opened(options.file, MediaLayer::kWith);
    MediaFailure failure;
    auto failed = [&] { return reportFailure(failure.error, failure.message, false, out, err); };
    if (!opened.opened(failure.error, failure.message)) return failed();
    omfHdl_t file = opened.file();
    omfObject_t soundKind = nullptr;
    omfErr_t status = 0;
    MediaMob mob;
    if (!omfsFindDataKind(file, kSoundMedia.dataKind, &soundKind, &status)) {
        fail(failure, OM_ERR_MOB_NOT_FOUND, "the file defines no sound data kind");
        return failed();
    }
    if (!findMasterMob(file, kSoundMedia, options.mob, mob, failure)) return failed();
    const std::string what =
        "sound track " + std::to_string(mob.trackID) + " of master mob \"" + mob.name + "\"";

    MediaHandle media;
    if (int error = omfmOpenMedia(file, mob.mob, mob.trackID, nullptr, kMediaOpenReadOnly, 0,
                                  media.out())) {
        fail(failure, error, "opening the media of " + what);
        return failed();
    }
    SoundFigures figures;
    if (!readFigures(media.get(), soundKind, what, figures, failure)) return failed();
    const omfInt16 outputBits =
        figures.layout.sampleBits <= kNarrowOutputBits ? kNarrowOutputBits : kWideOutputBits;
    omfFormatEntry_t memory[3] = {omfmFormatEntry(kOmfAudioSampleBits),
                                  omfmFormatEntry(kOmfAudioSampleFormat), omfmFormatEntry(0)};
    memory[0].operand.int16 = outputBits;
    memory[1].operand.int32 = kOmfTwosComplement;
    if (int error = omfmSetMemoryFormat(media.get(), memory)) {
        fail(failure, error, "asking for " + std::to_string(outputBits) + "-bit samples");
        return failed();
    }

    // The WAVE file is written as a temporary, renamed into place once closed. Declared first:
    // the raw file and the media are closed before it is removed.
    OutputFile output(options.output);
    std::string why;
    if (!output.open(why)) {
        err << "omftool audio: cannot write " << options.output << ": " << why << "\n";
        return kExitError;
    }
    RawFile wave;
    MediaHandle written;
    const std::string target = "writing " + options.output;
    if (int error = omfsOpenRawFile(output.path().c_str(), opened.session(), wave.out())) {
        fail(failure, error, target);
        return failed();
    }
    if (int error = omfmSetRawFileCodec(wave.get(), kOmfCodecWAVE)) {
        fail(failure, error, target);
        return failed();
    }
    if (int error = omfmCreateAudioMedia(wave.get(), nullptr, nullptr, figures.rate,
                                         figures.layout.numChannels, outputBits, written.out())) {
        fail(failure, error, target);
        return failed();
    }
    if (!copyFrames(media.get(), written.get(), figures, outputBits, failure)) {
        if (interrupted()) return kExitError;
        return failed();
    }
    if (int error = written.close()) {
        fail(failure, error, target);
        return failed();
    }
    if (int error = omfsCloseOMFFile(wave.release())) {
        fail(failure, error, target);
        return failed();
    }
    if (!output.commit(why)) {
        err << "omftool audio: cannot write " << options.output << ": " << why << "\n";
        return kExitError;
    }
    out << "Wrote " << figures.frames << " frames of master mob \"" << mob.name << "\" (track "
        << mob.trackID << ", " << figures.layout.numChannels
        << (figures.layout.numChannels == 1 ? " channel, " : " channels, ")
        << figures.layout.sampleBits << "-bit at " << figures.rate.numerator << "/"
        << figures.rate.denominator << ") to " << options.output << " as " << outputBits
        << "-bit PCM WAVE\n";
    return kExitDone;
}

void addAudioCommand(CLI::App& app, CommandRun& run) {
    struct Given {
        AudioOptions options;
        std::vector<std::string> mediaPath;
    };
    auto given = std::make_shared<Given>();
    CLI::App* audio = app.add_subcommand(
        "audio", "Write the sound media of a master mob (all its channels) as a PCM WAVE file of "
                 "16 bits, or 24 bits for samples wider than 16");
    addInputFile(*audio, given->options.file, "OMF file to read");
    addMasterMobChoice(*audio, given->options.mob, "sound");
    addOutput(*audio, given->options.output, "WAVE file to write");
    addMediaPath(*audio, given->mediaPath);
    audio->footer("The WAVE file is written as a temporary beside it and replaces an earlier "
                  "file of that name only when complete. Exit status 0 when the file was written; "
                  "2 for a file or master mob that cannot be used or a WAVE file that cannot be "
                  "written; 130 after SIGINT, 143 after SIGTERM. On a failure or an interruption "
                  "nothing new is left.");
    audio->callback([given, &run] {
        run = [given] {
            useMediaSearchFolders(given->mediaPath);
            return runAudio(given->options, std::cout, std::cerr);
        };
    });
}

} // namespace omftool
