#include "export_sound.h"

#include "broadcast_wave.h"
#include "interruption.h"
#include "media_handle.h"
#include "output_file.h"
#include "start_timecode.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_session.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <list>
#include <memory>
#include <vector>

namespace omftool {

namespace {

constexpr omfInt32 kFramesPerBlock = 65536;
// Sample sizes written: the media's rounded up to one of these.
constexpr int kOutputBits[] = {16, 24, 32};

struct SoundFigures {
    omfAudioLayout_t layout{};
    omfRational_t rate{};
    omfInt64 frames = 0;
    int outputBits = 0;
};

bool openSound(omfHdl_t file, const ClipSource& source, MediaHandle& media, SoundFigures& figures,
               const std::string& what, MediaFailure& failure) {
    omfObject_t soundKind = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kOmfDataKindSound, &soundKind, &status))
        return fail(failure, status, "finding the sound data kind");
    if (int error = omfmOpenMedia(file, source.mob, source.trackID, nullptr, kMediaOpenReadOnly, 0,
                                  media.out())) {
        media.forget();
        return fail(failure, error, "opening the media of " + what);
    }
    if (int error = omfmGetInfo(media.get(), kMediaInfoCodecParams, soundKind,
                                sizeof figures.layout, &figures.layout))
        return fail(failure, error, "reading the channels and sample size of " + what);
    omfFormatEntry_t list[2] = {omfmFormatEntry(kOmfAudioSampleRate), omfmFormatEntry(0)};
    if (int error = omfmGetInfo(media.get(), kMediaInfoVideoFormat, soundKind, sizeof list, list))
        return fail(failure, error, "reading the sample rate of " + what);
    figures.rate = list[0].operand.ratio;
    if (int error = omfmCountSamples(media.get(), &figures.frames))
        return fail(failure, error, "counting the samples of " + what);
    const int* bits = std::find_if(std::begin(kOutputBits), std::end(kOutputBits),
                                   [&](int b) { return figures.layout.sampleBits <= b; });
    if (bits == std::end(kOutputBits) || figures.rate.numerator <= 0 ||
        figures.rate.denominator <= 0)
        return failWith(failure, what + " has " + std::to_string(figures.layout.sampleBits) +
                                     "-bit samples at a rate of " +
                                     std::to_string(figures.rate.numerator) + "/" +
                                     std::to_string(figures.rate.denominator));
    figures.outputBits = *bits;
    omfFormatEntry_t memory[3] = {omfmFormatEntry(kOmfAudioSampleBits),
                                  omfmFormatEntry(kOmfAudioSampleFormat), omfmFormatEntry(0)};
    memory[0].operand.int16 = omfInt16(figures.outputBits);
    memory[1].operand.int32 = kOmfTwosComplement;
    if (int error = omfmSetMemoryFormat(media.get(), memory))
        return fail(failure, error,
                    "asking for " + std::to_string(figures.outputBits) + "-bit samples of " + what);
    return true;
}

// One file being written: the media units [start, end) of it.
struct SoundFile {
    ExportedFile entry;
    int64_t start = 0, end = 0;
    int64_t timeReference = 0;
    std::unique_ptr<OutputFile> output; // declared before the writer, which closes first
    BroadcastWaveFile wave;
};

// Writes the media's samples into every file whose span they reach, opening each file at its
// first sample and committing it after its last.
class SoundPass {
  public:
    SoundPass(const SoundFigures& figures, ExportFolder& folder)
        : figures_(figures), folder_(folder),
          frameBytes_(size_t(figures.layout.numChannels) * size_t(figures.outputBits / 8)) {}

    void add(std::unique_ptr<SoundFile> file) { waiting_.push_back(std::move(file)); }

    bool run(omfMediaHdl_t media, const std::string& what, MediaFailure& failure) {
        std::stable_sort(waiting_.begin(), waiting_.end(),
                         [](const auto& a, const auto& b) { return a->start < b->start; });
        int64_t last = 0;
        for (const auto& file : waiting_)
            last = std::max(last, file->end);
        std::vector<uint8_t> block(frameBytes_ * kFramesPerBlock);
        for (int64_t done = 0; done < last;) {
            if (interrupted()) return false; // main names the signal
            const auto count = omfInt32(std::min<int64_t>(kFramesPerBlock, last - done));
            omfInt32 samples = 0, bytes = 0;
            if (int error = omfmReadMediaSamples(media, count, omfInt32(block.size()), block.data(),
                                                 &samples, &bytes))
                return fail(failure, error,
                            "reading samples from " + std::to_string(done) + " of " + what);
            if (!deliver(block.data(), done, done + count, failure)) return false;
            done += count;
        }
        // Files of no samples (a clip at the media's very end) are finished too.
        return deliver(block.data(), last, last, failure);
    }

  private:
    bool deliver(const uint8_t* block, int64_t from, int64_t to, MediaFailure& failure) {
        while (!waiting_.empty() && waiting_.front()->start <= to) {
            if (!open(*waiting_.front(), failure)) return false;
            active_.push_back(std::move(waiting_.front()));
            waiting_.pop_front();
        }
        for (auto file = active_.begin(); file != active_.end();) {
            SoundFile& sound = **file;
            const int64_t first = std::max(from, sound.start), stop = std::min(to, sound.end);
            std::string why;
            if (stop > first && !sound.wave.write({block + size_t(first - from) * frameBytes_,
                                                   size_t(stop - first) * frameBytes_},
                                                  why))
                return failWith(failure, "cannot write " + sound.output->target() + ": " + why);
            if (sound.end > to) {
                ++file;
                continue;
            }
            if (!sound.wave.close(why) || !sound.output->commit(why))
                return failWith(failure, "cannot write " + sound.output->target() + ": " + why);
            folder_.written(sound.entry);
            file = active_.erase(file);
        }
        return true;
    }

    bool open(SoundFile& file, MediaFailure& failure) {
        std::string why;
        folder_.progress(file.entry.path);
        file.output = std::make_unique<OutputFile>(folder_.path(file.entry.path));
        if (!folder_.makeFor(file.entry.path, why) || !file.output->open(why) ||
            !file.wave.open(
                file.output->path(),
                int(std::lround(double(figures_.rate.numerator) / figures_.rate.denominator)),
                figures_.layout.numChannels, figures_.outputBits,
                BroadcastInfo{file.entry.masterMob, file.timeReference}, why))
            return failWith(failure, "cannot write " + folder_.path(file.entry.path) + ": " +
                                         (file.output ? file.output->named(why) : why));
        return true;
    }

    const SoundFigures& figures_;
    ExportFolder& folder_;
    size_t frameBytes_;
    std::deque<std::unique_ptr<SoundFile>> waiting_;
    std::list<std::unique_ptr<SoundFile>> active_;
};

ExportedFile soundEntry(const ClipSource& source, const SoundFigures& figures) {
    ExportedFile entry;
    entry.kind = "sound";
    entry.masterMob = source.name;
    entry.mobID = mobIDText(source.mobID);
    entry.trackID = source.trackID;
    entry.sampleRate = double(figures.rate.numerator) / figures.rate.denominator;
    entry.channels = figures.layout.numChannels;
    entry.bits = figures.outputBits;
    return entry;
}

} // namespace

bool exportSoundMaster(omfHdl_t file, const MasterUse& master, const SoundExportSettings& settings,
                       ExportFolder& folder, MediaFailure& failure) {
    const ClipSource& source = *master.source;
    const std::string what =
        "sound track " + std::to_string(source.trackID) + " of master mob \"" + source.name + "\"";
    MediaHandle media;
    SoundFigures figures;
    if (!openSound(file, source, media, figures, what, failure)) return false;
    SoundPass pass(figures, folder);

    auto whole = std::make_unique<SoundFile>();
    whole->entry = soundEntry(source, figures);
    whole->entry.path = folder.name("sound", source.name, ".wav");
    whole->entry.length = figures.frames;
    whole->end = figures.frames;
    // The master's own timecode, when it has one, places its first sample.
    if (source.timecode)
        whole->timeReference =
            convertUnits(source.timecode->startFrame,
                         timecodeClock(*source.timecode, source.editRate), figures.rate);
    pass.add(std::move(whole));

    if (settings.clips) {
        const int64_t handle = std::llround(settings.handleSeconds * figures.rate.numerator /
                                            figures.rate.denominator);
        const int64_t timelineStart =
            convertUnits(settings.start.startFrame,
                         timecodeClock(settings.start, settings.editRate), figures.rate);
        for (const PlacedClip& clip : master.clips) {
            ClipSpan span;
            if (!clipSpan(clip, figures.rate, figures.frames, handle, span)) {
                folder.note("clip " + std::to_string(clip.index) + " of track " + clip.track->name +
                            " starts past the end of " + what + "; no file for it");
                continue;
            }
            auto part = std::make_unique<SoundFile>();
            part->entry = soundEntry(source, figures);
            part->entry.path = folder.name(
                "clips", clip.track->name + "_" + std::to_string(clip.index) + "_" + source.name,
                ".wav");
            part->entry.trackID = clip.track->trackID;
            part->entry.clip = clip.index;
            part->entry.sourceStart = span.start;
            part->entry.length = span.length;
            part->entry.timelineStart = span.timelineStart;
            part->start = span.start;
            part->end = span.start + span.length;
            part->timeReference = timelineStart + span.timelineStart;
            pass.add(std::move(part));
        }
    }
    return pass.run(media.get(), what, failure);
}

} // namespace omftool
