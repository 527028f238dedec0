// Opens an OMF file from arbitrary bytes and resolves every track of every
// mob with the source-resolution calls, under each effect choice, and runs
// the effect readers on every track's segment: the walks follow references
// a damaged file may loop, cut short or point at objects of any class.
#include "../common/omf_fuzz_input.h"
#include "omf/omf_effects.h"
#include "omf/omf_errors.h"
#include "omf/omf_mobs.h"
#include "omf/omf_resolve.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <string>

namespace {

constexpr int kMaximumMobs = 64;
constexpr int kMaximumTracks = 16;

void readEffects(omfHdl_t file, omfObject_t segment) {
    omfInt64 length = 0;
    omfObject_t input = nullptr;
    omfRational_t ratio{};
    omfUInt32 phase = 0;
    omfInt32 number = 0;
    omfWipeArgs_t controls{};
    omfiReadSpeedControl(file, segment, &length, &input, &ratio, &phase);
    omfiReadRepeat(file, segment, &length, &input, &phase);
    omfiReadWipe(file, segment, &length, &input, &input, &input, &number, &controls);
}

void resolveTracks(omfHdl_t file, omfObject_t mob) {
    omfIterHdl_t tracks = nullptr;
    if (omfiMobOpenSearch(file, &tracks) != 0) return;
    omfObject_t track = nullptr;
    for (int i = 0; i < kMaximumTracks && omfiNextTrackOf(tracks, mob, nullptr, &track) == 0; ++i) {
        omfRational_t rate{};
        omfPosition_t origin = 0;
        omfTrackID_t trackID = 0;
        omfObject_t segment = nullptr;
        if (omfiTrackGetInfo(file, mob, track, &rate, 0, nullptr, &origin, &trackID, &segment) !=
            0) {
            continue;
        }
        if (segment != nullptr) readEffects(file, segment);
        for (omfInt32 choice : {kOmfNoEffectChoice, kOmfTransitionBefore, kOmfTransitionAfter,
                                kOmfEffectRendering, kOmfEffectInputA}) {
            for (omfMobKind_t kind : {kFileMob, kAllMobs}) {
                omfSourceSearchResult_t result{};
                FindSource(file, mob, trackID, 1, kind, nullptr, choice, nullptr, &result);
            }
        }
    }
    omfiSearchDispose(file, tracks);
}

void resolveFile(omfHdl_t file) {
    omfIterHdl_t mobs = nullptr;
    if (omfiMobOpenSearch(file, &mobs) != 0) return;
    omfObject_t mob = nullptr;
    for (int i = 0; i < kMaximumMobs && omfiNextMatchingMob(mobs, nullptr, &mob) == 0; ++i) {
        resolveTracks(file, mob);
    }
    omfiSearchDispose(file, mobs);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::withOMFFile(data, size, resolveFile);
    return 0;
}
