// Test helper: OMF files with compositions, built in code through the toolkit's mob-building
// calls. Master mobs refer to file mobs whose media lies inside the file or is named by a
// locator; sequences are built from a list of parts.
#pragma once

#include <string>
#include <vector>

#include "omf/omf_access.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "product_info.h"

namespace plugin_test {

#define BUILD_CHECK(expression)                                                                    \
    do {                                                                                           \
        omfErr_t buildStatus_ = (expression);                                                      \
        if (buildStatus_ != 0) return buildStatus_;                                                \
    } while (0)

inline constexpr omfRational_t kRate{25, 1};

class CompositionBuilder {
  public:
    // Creates `path` as a file of `revision` in a session of its own.
    CompositionBuilder(const std::string& path, omfFileRev_t revision) {
        m_Error = omfsStartSession(&omfplugin::SessionProductInfo(), &m_Session);
        if (m_Error == 0) m_Error = omfsNewFile(path.c_str(), m_Session, revision, &m_File);
        if (m_Error == 0) {
            omfObject_t sound = nullptr;
            omfsFindDataKind(m_File, "omfi:data:Picture", &m_Picture, &m_Error);
            omfsFindDataKind(m_File, "omfi:data:Sound", &sound, &m_Error);
            m_Sound = sound;
        }
    }
    ~CompositionBuilder() { Close(); }

    omfErr_t Error() const { return m_Error; }
    omfHdl_t File() const { return m_File; }
    omfObject_t Picture() const { return m_Picture; }
    omfObject_t Sound() const { return m_Sound; }
    bool Is2x() const {
        omfFileRev_t revision{};
        omfsFileRevision(m_File, &revision);
        return revision == kOmfRev2x;
    }

    omfErr_t Close() {
        omfErr_t status = 0;
        if (m_File) status = omfsCloseOMFFile(m_File);
        if (m_Session) omfsFinishSession(m_Session);
        m_File = nullptr;
        m_Session = nullptr;
        return status;
    }

    // A master mob named `name` over a file mob "<name> file" of 1000 frames; with a locator
    // text the file mob's descriptor names that external file (a UNIX locator).
    omfErr_t AddMaster(const std::string& name, omfMobID_t* masterID,
                       const std::string& locator = "") {
        omfMobID_t fileID{}, id{};
        BUILD_CHECK(omfiMobIDNew(m_File, &fileID));
        omfObject_t descriptor = nullptr, fileMob = nullptr, fileClip = nullptr;
        BUILD_CHECK(omfiFileDescriptorNew(m_File, "MDFL", kRate, 1000, &descriptor));
        if (!locator.empty()) {
            omfObject_t unixLocator = nullptr;
            BUILD_CHECK(omfsObjectNew(m_File, "UNXL", &unixLocator));
            BUILD_CHECK(
                omfsWriteString(m_File, unixLocator, kOmfProperty_UNXL_PathName, locator.c_str()));
            BUILD_CHECK(
                omfsAppendObjRefArray(m_File, descriptor, kOmfProperty_MDES_Locator, unixLocator));
        }
        BUILD_CHECK(
            omfiSourceMobNew(m_File, (name + " file").c_str(), fileID, descriptor, &fileMob));
        BUILD_CHECK(omfiMakeSourceClip(m_File, m_Picture, 1000, omfSourceRef_t{{0, 0, 0}, 0, 0},
                                       &fileClip));
        BUILD_CHECK(omfiAddTrackToMob(m_File, fileMob, kRate, fileClip, 0, 1, nullptr, nullptr));
        BUILD_CHECK(omfiMobIDNew(m_File, &id));
        omfObject_t master = nullptr, masterClip = nullptr;
        BUILD_CHECK(omfiMasterMobNew(m_File, name.c_str(), false, id, &master));
        BUILD_CHECK(
            omfiMakeSourceClip(m_File, m_Picture, 1000, omfSourceRef_t{fileID, 1, 0}, &masterClip));
        BUILD_CHECK(omfiAddTrackToMob(m_File, master, kRate, masterClip, 0, 1, nullptr, nullptr));
        *masterID = id;
        return 0;
    }

    omfErr_t Clip(omfMobID_t master, omfLength_t length, omfPosition_t start, omfObject_t* clip) {
        return omfiMakeSourceClip(m_File, m_Picture, length, omfSourceRef_t{master, 1, start},
                                  clip);
    }
    omfErr_t Filler(omfLength_t length, omfObject_t* filler) {
        return omfiFillerNew(m_File, m_Picture, length, filler);
    }
    // A dissolve (2.x: an effect of its definition; 1.x: the transition carries the ID).
    omfErr_t Dissolve(omfLength_t length, omfObject_t* transition) {
        if (!Is2x()) return omfiTransitionNew(m_File, m_Picture, length, 0, nullptr, transition);
        BUILD_CHECK(Define("omfi:effect:SimpleVideoDissolve"));
        omfObject_t effect = nullptr;
        BUILD_CHECK(
            omfiEffectNew(m_File, m_Picture, length, "omfi:effect:SimpleVideoDissolve", &effect));
        return omfiTransitionNew(m_File, m_Picture, length, 0, effect, transition);
    }
    // An effect (2.x) with one input slot of argument `inputArg` holding `input`.
    omfErr_t Effect(const char* effectID, omfLength_t length, omfInt32 inputArg, omfObject_t input,
                    omfObject_t* effect) {
        BUILD_CHECK(Define(effectID));
        BUILD_CHECK(omfiEffectNew(m_File, m_Picture, length, effectID, effect));
        return omfiEffectAddNewSlot(m_File, *effect, inputArg, input, nullptr);
    }
    // A speed control (2.x) playing `input` at the ratio 1/2.
    omfErr_t SpeedControl(omfLength_t length, omfObject_t input, omfObject_t* effect) {
        BUILD_CHECK(Effect("omfi:effect:VideoSpeedControl", length, -1, input, effect));
        omfObject_t rationalKind = nullptr, ratio = nullptr;
        omfErr_t status = 0;
        if (!omfsFindDataKind(m_File, "omfi:data:Rational", &rationalKind, &status))
            BUILD_CHECK(omfsDefineDataKind(m_File, "omfi:data:Rational", &rationalKind));
        const unsigned char half[8] = {1, 0, 0, 0, 2, 0, 0, 0}; // little-endian 1, 2
        BUILD_CHECK(omfiConstValueNew(m_File, rationalKind, length, sizeof half, half, &ratio));
        return omfiEffectAddNewSlot(m_File, *effect, 1, ratio, nullptr);
    }
    omfErr_t Sequence(const std::vector<omfObject_t>& parts, omfObject_t* sequence) {
        BUILD_CHECK(omfiSequenceNew(m_File, m_Picture, sequence));
        for (omfObject_t part : parts)
            BUILD_CHECK(omfiSequenceAppendCpnt(m_File, *sequence, part));
        return 0;
    }
    // A composition with one picture track per segment given.
    omfErr_t Composition(const std::string& name, const std::vector<omfObject_t>& segments) {
        omfMobID_t id{};
        BUILD_CHECK(omfiMobIDNew(m_File, &id));
        omfObject_t composition = nullptr;
        BUILD_CHECK(omfiCompMobNew(m_File, name.c_str(), false, id, &composition));
        omfTrackID_t trackID = 1;
        for (omfObject_t segment : segments) {
            BUILD_CHECK(omfiAddTrackToMob(m_File, composition, kRate, segment, 0, trackID++,
                                          nullptr, nullptr));
        }
        return 0;
    }

  private:
    omfErr_t Define(const char* effectID) {
        omfObject_t definition = nullptr;
        omfErr_t status = 0;
        if (omfiFindEffectDef(m_File, effectID, &definition, &status)) return 0;
        return omfiEffectDefNew(m_File, effectID, effectID, nullptr, false, &definition);
    }

    omfSessionHdl_t m_Session = nullptr;
    omfHdl_t m_File = nullptr;
    omfObject_t m_Picture = nullptr;
    omfObject_t m_Sound = nullptr;
    omfErr_t m_Error = 0;
};

} // namespace plugin_test
