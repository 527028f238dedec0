#include "sample_session.h"

#include "media_handle.h"
#include "open_omf_file.h"

#include "omf/omf_audio_media.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

namespace omftool {

namespace {

#define SESSION_CHECK(expression)                                                                  \
    do {                                                                                           \
        omfErr_t sessionStatus_ = (expression);                                                    \
        if (sessionStatus_ != 0) return sessionStatus_;                                            \
    } while (0)

constexpr omfRational_t kEditRate{kSampleSessionFrameRate, 1};
constexpr omfRational_t kSampleRate{kSampleSessionRate, 1};
constexpr const char* kCrossfade = "omfi:effect:SimpleMonoAudioDissolve";
constexpr omfInt32 kBlockSamples = 4800;
// The tones and how loud they are, as a share of full scale.
constexpr double kDialogueTone = 440.0, kMusicTone = 330.0;
constexpr double kLevel = 0.25;
// Low bits counting the samples: 4 of 16 bits, 8 of 24.
constexpr int kDialogueCountBits = 4, kMusicCountBits = 8;
// 01:00:00:00 at 25 frames a second.
constexpr omfPosition_t kStartFrame = 3600 * kSampleSessionFrameRate;

// A clip of the edit: the master, its first frame and its length, in frames.
struct SessionClip {
    SampleSessionMedia media;
    omfPosition_t start;
    omfLength_t length;
};
constexpr omfLength_t kLeadingFiller = 5, kCrossfadeLength = 10, kTrailingFiller = 5;
constexpr omfLength_t kMusicGap = 10;
constexpr SessionClip kDialogueFirst{SampleSessionMedia::Dialogue, 10, 30};
constexpr SessionClip kDialogueSecond{SampleSessionMedia::Dialogue, 45, 20};
constexpr SessionClip kMusicFirst{SampleSessionMedia::Music, 20, 20};
constexpr SessionClip kMusicSecond{SampleSessionMedia::Music, 45, 25};
constexpr omfLength_t kTimecodeLength = kLeadingFiller + kDialogueFirst.length +
                                        kDialogueSecond.length - kCrossfadeLength + kTrailingFiller;

omfErr_t writeMedia(omfHdl_t file, SampleSessionMedia media, omfMobID_t* masterID) {
    const char* name = media == SampleSessionMedia::Dialogue ? "Dialogue" : "Music";
    const int bits = sampleSessionBits(media);
    const size_t sampleBytes = size_t(bits / 8);
    omfObject_t master = nullptr, fileMob = nullptr;
    SESSION_CHECK(omfmCreateMasterMob(file, name, omfInt32(std::strlen(name)), &master));
    SESSION_CHECK(omfmCreateFileMob(file, name, kSampleRate, "WAVE", &fileMob));
    MediaHandle handle;
    if (omfErr_t failed = omfmCreateAudioMedia(file, master, fileMob, kSampleRate, 1,
                                               omfInt16(bits), handle.out())) {
        handle.forget();
        return failed;
    }
    std::vector<uint8_t> block(size_t(kBlockSamples) * sampleBytes);
    for (int64_t done = 0; done < kSampleSessionSamples; done += kBlockSamples) {
        const auto count = omfInt32(std::min<int64_t>(kBlockSamples, kSampleSessionSamples - done));
        // Two's complement, least significant byte first.
        for (omfInt32 i = 0; i < count; ++i) {
            const auto value = uint32_t(sampleSessionSample(media, done + i));
            for (size_t byte = 0; byte < sampleBytes; ++byte)
                block[size_t(i) * sampleBytes + byte] = uint8_t(value >> (8 * byte));
        }
        omfmMultiXfer_t transfer{1, count, omfInt32(size_t(count) * sampleBytes), block.data(),
                                 0, 0};
        SESSION_CHECK(omfmWriteMultiSamples(handle.get(), 1, &transfer));
    }
    SESSION_CHECK(handle.close());
    return omfiReadMobID(file, master, masterID);
}

omfErr_t appendClip(omfHdl_t file, omfObject_t sound, omfObject_t sequence,
                    const omfMobID_t (&masters)[2], const SessionClip& clip) {
    omfObject_t made = nullptr;
    SESSION_CHECK(omfiMakeSourceClip(
        file, sound, clip.length, omfSourceRef_t{masters[int(clip.media)], 1, clip.start}, &made));
    return omfiSequenceAppendCpnt(file, sequence, made);
}

omfErr_t appendFiller(omfHdl_t file, omfObject_t sound, omfObject_t sequence, omfLength_t length) {
    omfObject_t filler = nullptr;
    SESSION_CHECK(omfiFillerNew(file, sound, length, &filler));
    return omfiSequenceAppendCpnt(file, sequence, filler);
}

omfErr_t writeSession(omfHdl_t file) {
    omfObject_t sound = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, kOmfDataKindSound, &sound, &status)) return status;
    omfMobID_t masters[2]{};
    SESSION_CHECK(writeMedia(file, SampleSessionMedia::Dialogue, &masters[0]));
    SESSION_CHECK(writeMedia(file, SampleSessionMedia::Music, &masters[1]));

    omfObject_t dialogue = nullptr, definition = nullptr, effect = nullptr, crossfade = nullptr;
    SESSION_CHECK(omfiSequenceNew(file, sound, &dialogue));
    SESSION_CHECK(appendFiller(file, sound, dialogue, kLeadingFiller));
    SESSION_CHECK(appendClip(file, sound, dialogue, masters, kDialogueFirst));
    SESSION_CHECK(
        omfiEffectDefNew(file, kCrossfade, "Audio Dissolve", nullptr, false, &definition));
    SESSION_CHECK(omfiEffectNew(file, sound, kCrossfadeLength, kCrossfade, &effect));
    SESSION_CHECK(omfiTransitionNew(file, sound, kCrossfadeLength, 0, effect, &crossfade));
    SESSION_CHECK(omfiSequenceAppendCpnt(file, dialogue, crossfade));
    SESSION_CHECK(appendClip(file, sound, dialogue, masters, kDialogueSecond));
    SESSION_CHECK(appendFiller(file, sound, dialogue, kTrailingFiller));

    omfObject_t music = nullptr;
    SESSION_CHECK(omfiSequenceNew(file, sound, &music));
    SESSION_CHECK(appendClip(file, sound, music, masters, kMusicFirst));
    SESSION_CHECK(appendFiller(file, sound, music, kMusicGap));
    SESSION_CHECK(appendClip(file, sound, music, masters, kMusicSecond));

    omfObject_t timecode = nullptr;
    SESSION_CHECK(omfiTimecodeNew(file, kTimecodeLength,
                                  omfTimecode_t{kStartFrame, false, kSampleSessionFrameRate},
                                  &timecode));

    omfMobID_t compositionID{};
    omfObject_t composition = nullptr;
    SESSION_CHECK(omfiMobIDNew(file, &compositionID));
    SESSION_CHECK(omfiCompMobNew(file, "Session", true, compositionID, &composition));
    SESSION_CHECK(omfiAddTrackToMob(file, composition, kEditRate, dialogue, 0, 1, "A1", nullptr));
    SESSION_CHECK(omfiAddTrackToMob(file, composition, kEditRate, music, 0, 2, "A2", nullptr));
    return omfiAddTrackToMob(file, composition, kEditRate, timecode, 0, 3, "TC1", nullptr);
}

} // namespace

int sampleSessionBits(SampleSessionMedia media) {
    return media == SampleSessionMedia::Dialogue ? 16 : 24;
}

int32_t sampleSessionSample(SampleSessionMedia media, int64_t index) {
    const bool dialogue = media == SampleSessionMedia::Dialogue;
    const int bits = sampleSessionBits(media);
    const int countBits = dialogue ? kDialogueCountBits : kMusicCountBits;
    const double tone = dialogue ? kDialogueTone : kMusicTone;
    const double fullScale = double(int64_t{1} << (bits - 1));
    const auto level = int32_t(
        std::lround(kLevel * fullScale *
                    std::sin(2 * std::numbers::pi * tone * double(index) / kSampleSessionRate)));
    const int32_t counted = int32_t(index & ((int64_t{1} << countBits) - 1));
    return (level & ~((int32_t{1} << countBits) - 1)) | counted;
}

bool writeSampleSession(const std::string& path) {
    return writeNewOMFFile(path, "1.0 sample session writer", kOmfRev2x, writeSession) == 0;
}

} // namespace omftool
