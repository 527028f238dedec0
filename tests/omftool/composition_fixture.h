// Compositions built in code through the toolkit's writing calls, for the timeline tests: master
// mobs whose media lies in the file, outside it (named by a locator) or nowhere, and the
// components an editor leaves (fillers, transitions, speed control, repeat, other effects,
// selectors, media groups, nested scopes, timecode), in 1.x and 2.x files. Calls keep the first
// failure, so a test builds a whole file and checks close() once.
#pragma once

#include "omf/omf_access.h"
#include "omf/omf_effects.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <cstdint>
#include <string>
#include <vector>

namespace omftool_test {

inline constexpr omfRational_t kEditRate{25, 1};
inline constexpr int kInFileWidth = 8, kInFileHeight = 4; // CDCI 4:2:2 frames in the file

class CompositionFile {
  public:
    // Creates `path` of `revision` in `session`, whose media layer is started.
    CompositionFile(omfSessionHdl_t session, const std::string& path, omfFileRev_t revision)
        : is2x_(revision == kOmfRev2x) {
        omfErr_t status = omfsNewFile(path.c_str(), session, revision, &file_);
        if (status == 0 && (!omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status) ||
                            !omfsFindDataKind(file_, "omfi:data:Sound", &sound_, &status)))
            status = status != 0 ? status : OM_ERR_INVALID_DATAKIND;
        check(status);
    }
    ~CompositionFile() { close(); }

    // The first failure of the build, or of the close.
    omfErr_t close() {
        if (file_ != nullptr) check(omfsCloseOMFFile(file_));
        file_ = nullptr;
        return error_;
    }

    // A master mob over a file mob of `length` samples at `rate` whose samples are not in the
    // file; a locator naming `locator` when given.
    omfMobID_t master(const std::string& name, omfRational_t rate, omfLength_t length,
                      const std::string& locator = {}) {
        omfMobID_t fileID{}, masterID{};
        omfObject_t descriptor = nullptr, fileMob = nullptr, master = nullptr, unix = nullptr;
        check(omfiMobIDNew(file_, &fileID));
        check(omfiFileDescriptorNew(file_, "MDFL", rate, length, &descriptor));
        check(omfiSourceMobNew(file_, (name + " file").c_str(), fileID, descriptor, &fileMob));
        if (!locator.empty()) {
            check(omfsObjectNew(file_, "UNXL", &unix));
            check(omfsWriteString(file_, unix, kOmfProperty_UNXL_PathName, locator.c_str()));
            check(omfsAppendObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator, unix));
        }
        check(omfiAddTrackToMob(file_, fileMob, rate, clip({}, length, 0), 0, 1, nullptr, nullptr));
        check(omfiMobIDNew(file_, &masterID));
        check(omfiMasterMobNew(file_, name.c_str(), false, masterID, &master));
        check(omfiAddTrackToMob(file_, master, rate, clip(fileID, length, 0), 0, 1, nullptr,
                                nullptr));
        return masterID;
    }

    // A master mob whose `frames` CDCI frames are written into the file (2.x).
    omfMobID_t masterInFile(const std::string& name, int frames) {
        omfMobID_t id{};
        omfObject_t master = nullptr, fileMob = nullptr;
        omfMediaHdl_t media = nullptr;
        check(omfmCreateMasterMob(file_, name.c_str(), omfInt32(name.size()), &master));
        check(omfmCreateFileMob(file_, (name + " file").c_str(), kEditRate, "CDCI", &fileMob));
        if (check(omfmCreateVideoMedia(file_, master, 1, fileMob, 0, kEditRate, kInFileHeight,
                                       kInFileWidth, kOmfFullFrame, {4, 3}, &media)))
            return id;
        const std::vector<uint8_t> frame(std::size_t(kInFileWidth) * kInFileHeight * 2, 0x80);
        for (int index = 0; index < frames; ++index)
            check(omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size())));
        check(omfmCloseMedia(media));
        check(omfiReadMobID(file_, master, &id));
        return id;
    }

    omfObject_t clip(omfMobID_t source, omfLength_t length, omfPosition_t start,
                     bool sound = false) {
        omfObject_t made = nullptr;
        return kept(omfiMakeSourceClip(file_, kind(sound), length, {source, 1, start}, &made), made);
    }
    omfObject_t filler(omfLength_t length, bool sound = false) {
        omfObject_t made = nullptr;
        return kept(omfiFillerNew(file_, kind(sound), length, &made), made);
    }
    // 2.x: a transition whose effect is of `effectID`; 1.x: the transition carries the ID.
    omfObject_t transition(omfLength_t length, omfPosition_t cut, const char* effectID) {
        omfObject_t made = nullptr, effect = nullptr;
        if (!is2x_) {
            check(omfiTransitionNew(file_, picture_, length, cut, nullptr, &made));
            return kept(omfsWriteString(file_, made, kOmfProperty_CPNT_EffectID, effectID), made);
        }
        define(effectID);
        check(omfiEffectNew(file_, picture_, length, effectID, &effect));
        return kept(omfiTransitionNew(file_, picture_, length, cut, effect, &made), made);
    }
    // 2.x: an effect of `effectID` with `input` as its input A.
    omfObject_t effect(const char* effectID, omfLength_t length, omfObject_t input) {
        omfObject_t made = nullptr;
        define(effectID);
        check(omfiEffectNew(file_, picture_, length, effectID, &made));
        return kept(omfiEffectAddNewSlot(file_, made, kOmfArgInputA, input, nullptr), made);
    }
    // 2.x: speed control playing `input` at numerator/denominator.
    omfObject_t speed(omfLength_t length, omfObject_t input, omfInt32 numerator,
                      omfInt32 denominator) {
        omfObject_t made = effect(kOmfEffectVideoSpeedControl, length, input);
        omfObject_t rational = nullptr, ratio = nullptr;
        omfErr_t status = 0;
        if (!omfsFindDataKind(file_, "omfi:data:Rational", &rational, &status))
            check(omfsDefineDataKind(file_, "omfi:data:Rational", &rational));
        // Constants are stored in the file's byte order: little-endian in new files.
        unsigned char bytes[8];
        for (int i = 0; i < 4; ++i) {
            bytes[i] = uint8_t(uint32_t(numerator) >> (8 * i));
            bytes[4 + i] = uint8_t(uint32_t(denominator) >> (8 * i));
        }
        check(omfiConstValueNew(file_, rational, length, sizeof bytes, bytes, &ratio));
        return kept(omfiEffectAddNewSlot(file_, made, 1, ratio, nullptr), made);
    }
    omfObject_t repeat(omfLength_t length, omfObject_t input) {
        return effect(kOmfEffectVideoRepeat, length, input);
    }
    omfObject_t selector(omfLength_t length, omfObject_t selected, omfObject_t alternate) {
        omfObject_t made = nullptr;
        check(omfiSelectorNew(file_, picture_, length, &made));
        check(omfiSelectorSetSelected(file_, made, selected));
        return kept(omfiSelectorAddAlt(file_, made, alternate), made);
    }
    // 2.x: a media group of source clips, the first the one played.
    omfObject_t mediaGroup(omfLength_t length, const std::vector<omfObject_t>& choices) {
        omfObject_t made = nullptr;
        check(omfiMediaGroupNew(file_, picture_, length, &made));
        for (omfObject_t choice : choices)
            check(omfiMediaGroupAddChoice(file_, made, choice));
        return made;
    }
    omfObject_t scope(omfLength_t length, const std::vector<omfObject_t>& slots) {
        omfObject_t made = nullptr;
        check(omfiNestedScopeNew(file_, picture_, length, &made));
        for (omfObject_t slot : slots)
            check(omfiNestedScopeAppendSlot(file_, made, slot));
        return made;
    }
    omfObject_t sequence(const std::vector<omfObject_t>& parts, bool sound = false) {
        omfObject_t made = nullptr;
        check(omfiSequenceNew(file_, kind(sound), &made));
        for (omfObject_t part : parts)
            check(omfiSequenceAppendCpnt(file_, made, part));
        return made;
    }
    omfObject_t timecode(omfLength_t length, omfPosition_t startFrame, omfUInt16 fps) {
        omfObject_t made = nullptr;
        return kept(omfiTimecodeNew(file_, length, {startFrame, false, fps}, &made), made);
    }

    struct Track {
        omfTrackID_t id;
        omfObject_t segment;
        const char* name = nullptr;
    };
    void composition(const std::string& name, const std::vector<Track>& tracks) {
        omfMobID_t id{};
        omfObject_t mob = nullptr;
        check(omfiMobIDNew(file_, &id));
        check(omfiCompMobNew(file_, name.c_str(), false, id, &mob));
        for (const Track& track : tracks)
            check(omfiAddTrackToMob(file_, mob, kEditRate, track.segment, 0, track.id,
                                    track.name, nullptr));
    }

  private:
    // Keeps the first failure (later calls fail on the null objects it leaves); true on one.
    bool check(omfErr_t status) {
        if (status != 0 && error_ == 0) error_ = status;
        return status != 0;
    }
    // `made` by reference: read after the call that fills it, whatever the argument order.
    omfObject_t kept(omfErr_t status, const omfObject_t& made) {
        check(status);
        return made;
    }
    omfObject_t kind(bool sound) const { return sound ? sound_ : picture_; }
    void define(const char* effectID) {
        omfObject_t definition = nullptr;
        omfErr_t status = 0;
        if (is2x_ && !omfiFindEffectDef(file_, effectID, &definition, &status))
            check(omfiEffectDefNew(file_, effectID, effectID, nullptr, false, &definition));
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr, sound_ = nullptr;
    bool is2x_;
    omfErr_t error_ = 0;
};

} // namespace omftool_test
