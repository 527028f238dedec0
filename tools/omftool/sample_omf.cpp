#include "sample_container.h"

#include "open_omf_file.h"

#include "omf/omf_access.h"
#include "omf/omf_errors.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

namespace omftool {

namespace {

#define SAMPLE_CHECK(expression)                                                               \
    do {                                                                                       \
        omfErr_t sampleStatus_ = (expression);                                                 \
        if (sampleStatus_ != 0) return sampleStatus_;                                          \
    } while (0)

constexpr omfRational_t kVideoRate{25, 1};
constexpr omfLength_t kMediaLength = 250; // ten seconds of picture

omfErr_t clip(omfHdl_t file, omfObject_t picture, omfLength_t length, omfUID_t source,
              omfPosition_t start, omfObject_t* made) {
    return omfiMakeSourceClip(file, picture, length, omfSourceRef_t{source, 1, start}, made);
}

// A file mob describing ten seconds of picture, the master mob over it, and
// a composition whose picture track cuts two pieces of it around a gap.
omfErr_t buildSample(omfHdl_t file) {
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status)) {
        return status != 0 ? status : OM_ERR_INVALID_DATAKIND;
    }
    const omfUID_t fileID{42, 1, 1}, masterID{42, 1, 2}, compositionID{42, 1, 3};
    omfObject_t descriptor = nullptr, fileMob = nullptr, master = nullptr, composition = nullptr;
    omfObject_t part = nullptr, sequence = nullptr;
    SAMPLE_CHECK(omfiFileDescriptorNew(file, "MDFL", kVideoRate, kMediaLength, &descriptor));
    SAMPLE_CHECK(omfiSourceMobNew(file, "Sample media", fileID, descriptor, &fileMob));
    SAMPLE_CHECK(clip(file, picture, kMediaLength, omfUID_t{0, 0, 0}, 0, &part));
    SAMPLE_CHECK(omfiAddTrackToMob(file, fileMob, kVideoRate, part, 0, 1, nullptr, nullptr));

    SAMPLE_CHECK(omfiMasterMobNew(file, "Sample master", false, masterID, &master));
    SAMPLE_CHECK(clip(file, picture, kMediaLength, fileID, 0, &part));
    SAMPLE_CHECK(omfiAddTrackToMob(file, master, kVideoRate, part, 0, 1, "V1", nullptr));

    SAMPLE_CHECK(omfiSequenceNew(file, picture, &sequence));
    SAMPLE_CHECK(clip(file, picture, 50, masterID, 0, &part));
    SAMPLE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    SAMPLE_CHECK(omfiFillerNew(file, picture, 25, &part));
    SAMPLE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    SAMPLE_CHECK(clip(file, picture, 75, masterID, 100, &part));
    SAMPLE_CHECK(omfiSequenceAppendCpnt(file, sequence, part));
    omfFileRev_t revision{};
    SAMPLE_CHECK(omfsFileRevision(file, &revision));
    // Primary mobs exist in 2.x files only.
    SAMPLE_CHECK(omfiCompMobNew(file, "Sample composition", revision == kOmfRev2x, compositionID,
                                &composition));
    SAMPLE_CHECK(
        omfiAddTrackToMob(file, composition, kVideoRate, sequence, 0, 1, "Picture", nullptr));
    return 0;
}

} // namespace

bool writeSampleOMF(const std::string& path, int revision) {
    const omfProductIdentification_t ident = productIdentification("1.0 sample writer");
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0) return false;
    omfHdl_t file = nullptr;
    omfErr_t status = omfsNewFile(path.c_str(), session, static_cast<omfFileRev_t>(revision),
                                  &file);
    if (status == 0) {
        status = buildSample(file);
        omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    omfErr_t finished = omfsFinishSession(session);
    return status == 0 && finished == 0;
}

} // namespace omftool
