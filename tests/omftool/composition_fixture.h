// Compositions built in code through the toolkit's writing calls, for the timeline tests: master
// mobs whose media lies in the file, outside it (named by a locator) or nowhere, and the
// components an editor leaves (fillers, transitions, speed control, repeat, other effects,
// selectors, media groups, nested scopes, timecode), in 1.x and 2.x files. Calls keep the first
// failure and make nothing after it, so a test builds a whole file and checks error() once.
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
    CompositionFile(omfSessionHdl_t session, const std::string& path, omfFileRev_t revision) {
        if (check(omfsNewFile(path.c_str(), session, revision, &file_))) return;
        omfErr_t status = 0;
        if (!omfsFindDataKind(file_, "omfi:data:Picture", &picture_, &status) ||
            !omfsFindDataKind(file_, "omfi:data:Sound", &sound_, &status))
            check(status != 0 ? status : OM_ERR_INVALID_DATAKIND);
        is2x_ = revision == kOmfRev2x;
    }
    ~CompositionFile() { close(); }

    // The first failure of the build, or of the close.
    omfErr_t close() {
        if (file_ != nullptr) check(omfsCloseOMFFile(file_));
        file_ = nullptr;
        return error_;
    }
    omfErr_t error() const { return error_; }
    bool is2x() const { return is2x_; }

    // A master mob over a file mob of `length` samples at `rate` whose samples are not in the
    // file; a locator naming `locator` when given.
    omfMobID_t master(const std::string& name, omfRational_t rate, omfLength_t length,
                      const std::string& locator = {}) {
        omfMobID_t fileID{}, masterID{};
        omfObject_t descriptor = nullptr, fileMob = nullptr, master = nullptr;
        if (failed() || check(omfiMobIDNew(file_, &fileID)) ||
            check(omfiFileDescriptorNew(file_, "MDFL", rate, length, &descriptor)) ||
            check(omfiSourceMobNew(file_, (name + " file").c_str(), fileID, descriptor,
                                   &fileMob)))
            return masterID;
        if (!locator.empty()) {
            omfObject_t unixLocator = nullptr;
            if (check(omfsObjectNew(file_, "UNXL", &unixLocator)) ||
                check(omfsWriteString(file_, unixLocator, kOmfProperty_UNXL_PathName,
                                      locator.c_str())) ||
                check(omfsAppendObjRefArray(file_, descriptor, kOmfProperty_MDES_Locator,
                                            unixLocator)))
                return masterID;
        }
        if (check(omfiAddTrackToMob(file_, fileMob, rate, rawClip({}, length, 0), 0, 1,
                                    nullptr, nullptr)) ||
            check(omfiMobIDNew(file_, &masterID)) ||
            check(omfiMasterMobNew(file_, name.c_str(), false, masterID, &master)))
            return masterID;
        check(omfiAddTrackToMob(file_, master, rate, rawClip(fileID, length, 0), 0, 1, nullptr,
                                nullptr));
        return masterID;
    }

    // A master mob whose `frames` CDCI frames are written into the file (2.x).
    omfMobID_t masterInFile(const std::string& name, int frames) {
        omfMobID_t id{};
        omfObject_t master = nullptr, fileMob = nullptr;
        omfMediaHdl_t media = nullptr;
        if (failed() ||
            check(omfmCreateMasterMob(file_, name.c_str(), omfInt32(name.size()), &master)) ||
            check(omfmCreateFileMob(file_, (name + " file").c_str(), kEditRate, "CDCI",
                                    &fileMob)) ||
            check(omfmCreateVideoMedia(file_, master, 1, fileMob, 0, kEditRate, kInFileHeight,
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
        return rawClip(source, length, start, sound);
    }
    omfObject_t filler(omfLength_t length, bool sound = false) {
        omfObject_t made = nullptr;
        if (!failed()) check(omfiFillerNew(file_, sound ? sound_ : picture_, length, &made));
        return made;
    }
    // 2.x: a transition whose effect is of `effectID`; 1.x: the transition carries the ID.
    omfObject_t transition(omfLength_t length, omfPosition_t cut, const char* effectID) {
        omfObject_t made = nullptr;
        if (failed()) return made;
        if (!is2x_) {
            if (!check(omfiTransitionNew(file_, picture_, length, cut, nullptr, &made)))
                check(omfsWriteString(file_, made, kOmfProperty_CPNT_EffectID, effectID));
            return made;
        }
        omfObject_t effect = nullptr;
        if (define(effectID) || check(omfiEffectNew(file_, picture_, length, effectID, &effect)))
            return made;
        check(omfiTransitionNew(file_, picture_, length, cut, effect, &made));
        return made;
    }
    // 2.x: an effect of `effectID` with `input` as its input A.
    omfObject_t effect(const char* effectID, omfLength_t length, omfObject_t input) {
        omfObject_t made = nullptr;
        if (failed() || define(effectID) ||
            check(omfiEffectNew(file_, picture_, length, effectID, &made)))
            return made;
        check(omfiEffectAddNewSlot(file_, made, kOmfArgInputA, input, nullptr));
        return made;
    }
    // 2.x: speed control playing `input` at numerator/denominator.
    omfObject_t speed(omfLength_t length, omfObject_t input, omfInt32 numerator,
                      omfInt32 denominator) {
        omfObject_t made = effect(kOmfEffectVideoSpeedControl, length, input);
        omfObject_t rational = nullptr, ratio = nullptr;
        omfErr_t status = 0;
        if (failed()) return made;
        if (!omfsFindDataKind(file_, "omfi:data:Rational", &rational, &status) &&
            check(omfsDefineDataKind(file_, "omfi:data:Rational", &rational)))
            return made;
        // Constants are stored in the file's byte order: little-endian in new files.
        unsigned char bytes[8];
        for (int i = 0; i < 4; ++i) {
            bytes[i] = uint8_t(uint32_t(numerator) >> (8 * i));
            bytes[4 + i] = uint8_t(uint32_t(denominator) >> (8 * i));
        }
        if (!check(omfiConstValueNew(file_, rational, length, sizeof bytes, bytes, &ratio)))
            check(omfiEffectAddNewSlot(file_, made, 1, ratio, nullptr));
        return made;
    }
    omfObject_t repeat(omfLength_t length, omfObject_t input) {
        return effect(kOmfEffectVideoRepeat, length, input);
    }
    omfObject_t selector(omfLength_t length, omfObject_t selected, omfObject_t alternate) {
        omfObject_t made = nullptr;
        if (failed() || check(omfiSelectorNew(file_, picture_, length, &made)) ||
            check(omfiSelectorSetSelected(file_, made, selected)))
            return made;
        check(omfiSelectorAddAlt(file_, made, alternate));
        return made;
    }
    // 2.x: a media group of source clips, the first the one played.
    omfObject_t mediaGroup(omfLength_t length, const std::vector<omfObject_t>& choices) {
        omfObject_t made = nullptr;
        if (failed() || check(omfiMediaGroupNew(file_, picture_, length, &made))) return made;
        for (omfObject_t choice : choices)
            check(omfiMediaGroupAddChoice(file_, made, choice));
        return made;
    }
    omfObject_t scope(omfLength_t length, const std::vector<omfObject_t>& slots) {
        omfObject_t made = nullptr;
        if (failed() || check(omfiNestedScopeNew(file_, picture_, length, &made))) return made;
        for (omfObject_t slot : slots)
            check(omfiNestedScopeAppendSlot(file_, made, slot));
        return made;
    }
    omfObject_t sequence(const std::vector<omfObject_t>& parts, bool sound = false) {
        omfObject_t made = nullptr;
        if (failed() || check(omfiSequenceNew(file_, sound ? sound_ : picture_, &made)))
            return made;
        for (omfObject_t part : parts)
            if (check(omfiSequenceAppendCpnt(file_, made, part))) break;
        return made;
    }
    omfObject_t timecode(omfLength_t length, omfPosition_t startFrame, omfUInt16 fps) {
        omfObject_t made = nullptr;
        if (!failed()) check(omfiTimecodeNew(file_, length, {startFrame, false, fps}, &made));
        return made;
    }

    struct Track {
        omfTrackID_t id;
        omfObject_t segment;
        const char* name = nullptr;
        omfRational_t rate = kEditRate;
    };
    omfMobID_t composition(const std::string& name, const std::vector<Track>& tracks) {
        omfMobID_t id{};
        omfObject_t mob = nullptr;
        if (failed() || check(omfiMobIDNew(file_, &id)) ||
            check(omfiCompMobNew(file_, name.c_str(), false, id, &mob)))
            return id;
        for (const Track& track : tracks)
            check(omfiAddTrackToMob(file_, mob, track.rate, track.segment, 0, track.id,
                                    track.name, nullptr));
        return id;
    }

  private:
    bool failed() const { return error_ != 0 || file_ == nullptr; }
    // Keeps the first failure; true when `status` is one.
    bool check(omfErr_t status) {
        if (status != 0 && error_ == 0) error_ = status;
        return status != 0;
    }
    omfObject_t rawClip(omfMobID_t source, omfLength_t length, omfPosition_t start,
                        bool sound = false) {
        omfObject_t made = nullptr;
        if (!failed())
            check(omfiMakeSourceClip(file_, sound ? sound_ : picture_, length,
                                     omfSourceRef_t{source, 1, start}, &made));
        return made;
    }
    bool define(const char* effectID) {
        omfObject_t definition = nullptr;
        omfErr_t status = 0;
        if (!is2x_ || omfiFindEffectDef(file_, effectID, &definition, &status)) return false;
        return check(omfiEffectDefNew(file_, effectID, effectID, nullptr, false, &definition));
    }

    omfHdl_t file_ = nullptr;
    omfObject_t picture_ = nullptr, sound_ = nullptr;
    bool is2x_ = true;
    omfErr_t error_ = 0;
};

} // namespace omftool_test
