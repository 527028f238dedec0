#include "compose_writer.h"

#include "media_handle.h"
#include "open_omf_file.h"
#include "sound_resampler.h"
#include "sound_source.h"
#include "timecode.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <map>

namespace omftool {

namespace {

constexpr const char* kAudioDissolve = "omfi:effect:SimpleMonoAudioDissolve";
constexpr const char* kVideoDissolve = "omfi:effect:SimpleVideoDissolve";
constexpr const char* kAudioDissolveName = "Simple Mono Audio Dissolve";
constexpr const char* kVideoDissolveName = "Simple Video Dissolve";
constexpr const char* kTimecodeTrackName = "TC1";
constexpr omfTrackID_t kMasterTrack = 1; // a new master mob's first (only) track
constexpr int64_t kBlockFrames = 1 << 16; // sample frames written at a time

// The session and the new file, closed and finished with the writer.
class NewFile {
  public:
    ~NewFile() {
        if (file_ != nullptr) omfsCloseOMFFile(file_);
        if (session_ != nullptr) omfsFinishSession(session_);
    }
    omfErr_t open(const std::string& path, omfFileRev_t revision) {
        if (omfErr_t error = startSession(MediaLayer::kWith, session_)) return error;
        return omfsNewFile(path.c_str(), session_, revision, &file_);
    }
    omfErr_t close() {
        const omfErr_t error = omfsCloseOMFFile(file_);
        file_ = nullptr;
        return error;
    }
    omfHdl_t get() const { return file_; }

  private:
    omfSessionHdl_t session_ = nullptr;
    omfHdl_t file_ = nullptr;
};

class Writer {
  public:
    Writer(const ComposePlan& plan, omfFileRev_t revision, const ComposeProgress& progress,
           MediaFailure& failure)
        : plan_(plan), revision_(revision), progress_(progress), failure_(failure) {}

    bool write(const std::string& path) {
        if (int error = file_.open(path, revision_)) return fail(failure_, error, "creating " + path);
        omfHdl_t file = file_.get();
        omfErr_t status = 0;
        if (!omfsFindDataKind(file, kOmfDataKindSound, &sound_, &status) ||
            !omfsFindDataKind(file, kOmfDataKindPicture, &picture_, &status))
            return fail(failure_, status, "finding the sound and picture data kinds");
        for (const ComposeSource& source : plan_.sources) total_ += source.format.frames * source.format.channels;
        for (const ComposeSource& source : plan_.sources) {
            if (!writeSource(source)) return false;
        }
        if (!writeComposition()) return false;
        if (int error = file_.close()) return fail(failure_, error, "closing " + path);
        return true;
    }

  private:
    bool writeSource(const ComposeSource& source) {
        omfHdl_t file = file_.get();
        const omfRational_t rate{plan_.sampleRate, 1};
        const bool convert = source.format.sampleRate != plan_.sampleRate;
        SoundChannelReader reader;
        std::string why;
        if (!reader.open(source.path, why)) return stop(why);
        std::vector<omfMobID_t> masters;
        for (int channel = 0; channel < source.format.channels; ++channel) {
            const std::string& name = source.masterNames[std::size_t(channel)];
            const std::string doing = "writing channel " + std::to_string(channel + 1) + " of " +
                                      source.path + " as \"" + name + "\"";
            omfObject_t master = nullptr, fileMob = nullptr;
            if (int error = omfmCreateMasterMob(file, name.c_str(), omfInt32(name.size()), &master))
                return fail(failure_, error, doing);
            if (int error = omfmCreateFileMob(file, name.c_str(), rate,
                                              source.format.aiff ? "AIFC" : "WAVE", &fileMob))
                return fail(failure_, error, doing);
            MediaHandle media;
            if (int error = omfmCreateAudioMedia(file, master, fileMob, rate, 1,
                                                 omfInt16(source.format.bits), media.out())) {
                media.forget();
                return fail(failure_, error, doing);
            }
            MonoResampler resampler;
            if (convert && !resampler.open(source.format.sampleRate, plan_.sampleRate, why))
                return stop(source.path + ": " + why);
            std::vector<int32_t> samples, converted;
            std::vector<uint8_t> bytes;
            auto write = [&](const std::vector<int32_t>& block) {
                bytes.clear();
                packSamples(block, source.format.bits, bytes);
                if (block.empty()) return true;
                if (int error = omfmWriteMediaSamples(media.get(), omfInt32(block.size()),
                                                      bytes.data(), omfInt32(bytes.size())))
                    return fail(failure_, error, doing);
                return true;
            };
            for (int64_t start = 0; start < source.format.frames; start += kBlockFrames) {
                const int64_t count = std::min(kBlockFrames, source.format.frames - start);
                if (source.format.bytesAsMemory && !convert) {
                    // Stored as memory takes them: copied without a conversion.
                    bytes.clear();
                    if (!reader.readBytes(start, count, source.format.bits / 8, bytes, why))
                        return stop(source.path + ": " + why);
                    if (int error = omfmWriteMediaSamples(media.get(), omfInt32(count),
                                                          bytes.data(), omfInt32(bytes.size())))
                        return fail(failure_, error, doing);
                    done_ += count;
                    if (progress_ && !progress_(done_, total_)) return stop("stopped");
                    continue;
                }
                samples.clear();
                if (!reader.read(channel, start, count, samples, why))
                    return stop(source.path + ": " + why);
                if (convert) {
                    converted.clear();
                    if (!resampler.convert(samples, converted, why))
                        return stop(source.path + ": " + why);
                }
                if (!write(convert ? converted : samples)) return false;
                done_ += count;
                if (progress_ && !progress_(done_, total_)) return stop("stopped");
            }
            if (convert) {
                converted.clear();
                if (!resampler.convert({}, converted, why)) return stop(source.path + ": " + why);
                if (!write(converted)) return false;
            }
            if (int error = media.close()) return fail(failure_, error, doing);
            omfMobID_t id{};
            if (int error = omfiReadMobID(file, master, &id)) return fail(failure_, error, doing);
            masters.push_back(id);
        }
        masters_.push_back(std::move(masters));
        return true;
    }

    // The empty master mob of `name`, made the first time it is asked for.
    bool emptyMaster(const std::string& name, omfMobID_t& id) {
        if (auto known = emptyMasters_.find(name); known != emptyMasters_.end()) {
            id = known->second;
            return true;
        }
        omfObject_t master = nullptr;
        const std::string doing = "creating the master mob \"" + name + "\"";
        if (int error = omfmCreateMasterMob(file_.get(), name.c_str(), omfInt32(name.size()),
                                            &master))
            return fail(failure_, error, doing);
        if (int error = omfiReadMobID(file_.get(), master, &id)) return fail(failure_, error, doing);
        emptyMasters_.emplace(name, id);
        return true;
    }

    bool writeComposition() {
        omfHdl_t file = file_.get();
        omfMobID_t id{};
        omfObject_t composition = nullptr;
        const std::string doing = "creating the composition \"" + plan_.name + "\"";
        if (int error = omfiMobIDNew(file, &id)) return fail(failure_, error, doing);
        // 1.x files have no primary mobs.
        const omfBool primary = revision_ == kOmfRev2x;
        if (int error = omfiCompMobNew(file, plan_.name.c_str(), primary, id, &composition))
            return fail(failure_, error, doing);
        omfTrackID_t trackID = 0;
        int64_t longest = 0;
        for (const ComposeTrack& track : plan_.tracks) {
            int64_t length = 0;
            if (!writeTrack(composition, track, ++trackID, length)) return false;
            longest = std::max(longest, length);
        }
        if (!plan_.startFrame) return true;
        // The timeline's start as a timecode track as long as the longest track.
        const TimecodeRate rate = timecodeRateOf(plan_.editRate);
        omfObject_t timecode = nullptr;
        const omfTimecode_t start{*plan_.startFrame, rate.drop, omfUInt16(rate.framesPerSecond)};
        if (int error = omfiTimecodeNew(file, longest, start, &timecode))
            return fail(failure_, error, "writing the start timecode");
        if (int error = omfiAddTrackToMob(file, composition, plan_.editRate, timecode, 0,
                                          ++trackID, kTimecodeTrackName, nullptr))
            return fail(failure_, error, "writing the start timecode");
        return true;
    }

    bool writeTrack(omfObject_t composition, const ComposeTrack& track, omfTrackID_t trackID,
                    int64_t& length) {
        const std::string doing = "writing track " + std::to_string(trackID) + " \"" +
                                  track.name + "\"";
        omfObject_t sequence = nullptr;
        if (!sequenceOf(track.sound, track.items, doing, sequence, length)) return false;
        if (int error = omfiAddTrackToMob(file_.get(), composition, plan_.editRate, sequence, 0,
                                          trackID, track.name.c_str(), nullptr))
            return fail(failure_, error, doing);
        return true;
    }

    // A sequence of `items`, and its length.
    bool sequenceOf(bool sound, const std::vector<ComposeItem>& items, const std::string& doing,
                    omfObject_t& sequence, int64_t& length) {
        omfHdl_t file = file_.get();
        const omfObject_t kind = sound ? sound_ : picture_;
        if (int error = omfiSequenceNew(file, kind, &sequence)) return fail(failure_, error, doing);
        for (const ComposeItem& item : items) {
            omfObject_t component = nullptr;
            int error = 0;
            switch (item.kind) {
            case ComposeItem::Kind::kFiller:
                error = omfiFillerNew(file, kind, item.length, &component);
                length += item.length;
                break;
            case ComposeItem::Kind::kTransition:
                error = transition(kind, sound, item, component);
                length -= item.length;
                break;
            case ComposeItem::Kind::kScope:
                if (!scopeOf(sound, item, doing, component)) return false;
                length += item.length;
                break;
            case ComposeItem::Kind::kClip: {
                omfMobID_t source{};
                if (item.source) {
                    source = masters_[*item.source][std::size_t(item.channel)];
                } else if (!emptyMaster(item.masterName, source)) {
                    return false;
                }
                error = omfiMakeSourceClip(file, kind, item.length,
                                           omfSourceRef_t{source, kMasterTrack, item.start},
                                           &component);
                length += item.length;
                break;
            }
            }
            if (error == 0) error = omfiSequenceAppendCpnt(file, sequence, component);
            if (error != 0) return fail(failure_, error, doing + " at " + item.place);
        }
        return true;
    }

    // A nested scope of one sequence per slot.
    bool scopeOf(bool sound, const ComposeItem& item, const std::string& doing,
                 omfObject_t& scope) {
        omfHdl_t file = file_.get();
        if (int error = omfiNestedScopeNew(file, sound ? sound_ : picture_, item.length, &scope))
            return fail(failure_, error, doing + " at " + item.place);
        for (const std::vector<ComposeItem>& slot : item.slots) {
            omfObject_t sequence = nullptr;
            int64_t length = 0;
            if (!sequenceOf(sound, slot, doing, sequence, length)) return false;
            if (int error = omfiNestedScopeAppendSlot(file, scope, sequence))
                return fail(failure_, error, doing + " at " + item.place);
        }
        return true;
    }

    int transition(omfObject_t kind, bool sound, const ComposeItem& item, omfObject_t& made) {
        omfHdl_t file = file_.get();
        const char* id = sound ? kAudioDissolve : kVideoDissolve;
        if (revision_ == kOmfRev2x) {
            omfObject_t definition = nullptr;
            omfErr_t status = 0;
            if (!omfiFindEffectDef(file, id, &definition, &status)) {
                if (int error = omfiEffectDefNew(file, id,
                                                 sound ? kAudioDissolveName : kVideoDissolveName,
                                                 nullptr, false, &definition))
                    return error;
            }
        }
        omfObject_t effect = nullptr;
        if (int error = omfiEffectNew(file, kind, item.length, id, &effect)) return error;
        return omfiTransitionNew(file, kind, item.length, item.cutPoint, effect, &made);
    }

    bool stop(const std::string& why) {
        failure_.error = 0;
        failure_.message = why;
        return false;
    }

    const ComposePlan& plan_;
    omfFileRev_t revision_;
    const ComposeProgress& progress_;
    MediaFailure& failure_;
    NewFile file_;
    omfObject_t sound_ = nullptr, picture_ = nullptr;
    std::vector<std::vector<omfMobID_t>> masters_; // per source, per channel
    std::map<std::string, omfMobID_t> emptyMasters_;
    int64_t done_ = 0, total_ = 0;
};

} // namespace

bool writeComposition(const ComposePlan& plan, const std::string& path, omfFileRev_t revision,
                      const ComposeProgress& progress, MediaFailure& failure) {
    return Writer(plan, revision, progress, failure).write(path);
}

} // namespace omftool
