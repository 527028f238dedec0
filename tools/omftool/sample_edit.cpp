#include "sample_edit.h"

#include "media_handle.h"
#include "open_omf_file.h"

#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <cstring>

namespace omftool {

namespace {

#define EDIT_CHECK(expression)                                                                     \
    do {                                                                                           \
        omfErr_t editStatus_ = (expression);                                                       \
        if (editStatus_ != 0) return editStatus_;                                                  \
    } while (0)

constexpr omfRational_t kRate{25, 1};
constexpr const char* kDissolve = "omfi:effect:SimpleVideoDissolve";
// The edit: 10 frames of the gradient, a 4-frame dissolve, 10 frames of the bars from their
// third frame, a 3-frame gap, then 5 frames of the gradient from its seventh frame.
constexpr omfLength_t kFirstLength = 10;
constexpr omfLength_t kDissolveLength = 4;
constexpr omfLength_t kSecondLength = 10;
constexpr omfPosition_t kSecondStart = 2;
constexpr omfLength_t kGapLength = 3;
constexpr omfLength_t kLastLength = 5;
constexpr omfPosition_t kLastStart = 6;

omfErr_t writeMedia(omfHdl_t file, SampleEditMedia media, omfMobID_t* masterID) {
    const bool bars = media == SampleEditMedia::Bars;
    const char* name = bars ? "Bars (JPEG)" : "Gradient (uncompressed)";
    omfObject_t master = nullptr, fileMob = nullptr;
    EDIT_CHECK(omfmCreateMasterMob(file, name, omfInt32(std::strlen(name)), &master));
    EDIT_CHECK(omfmCreateFileMob(file, name, kRate, bars ? "JPEG" : "RGBA", &fileMob));
    MediaHandle handle;
    if (omfErr_t failed = omfmCreateVideoMedia(file, master, 1, fileMob, 0, kRate,
                                               kSampleEditHeight, kSampleEditWidth, kOmfFullFrame,
                                               omfRational_t{4, 3}, handle.out())) {
        handle.forget();
        return failed;
    }
    for (int frame = 0; frame < kSampleEditFrames; ++frame) {
        const std::vector<uint8_t> picture = sampleEditPicture(media, frame);
        EDIT_CHECK(
            omfmWriteMediaSamples(handle.get(), 1, picture.data(), omfInt32(picture.size())));
    }
    EDIT_CHECK(handle.close());
    return omfiReadMobID(file, master, masterID);
}

omfErr_t writeEdit(omfHdl_t file) {
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status)) return status;
    omfMobID_t gradient{}, bars{};
    EDIT_CHECK(writeMedia(file, SampleEditMedia::Gradient, &gradient));
    EDIT_CHECK(writeMedia(file, SampleEditMedia::Bars, &bars));

    omfObject_t sequence = nullptr, first = nullptr, second = nullptr;
    omfObject_t definition = nullptr, effect = nullptr, transition = nullptr;
    EDIT_CHECK(omfiSequenceNew(file, picture, &sequence));
    EDIT_CHECK(
        omfiMakeSourceClip(file, picture, kFirstLength, omfSourceRef_t{gradient, 1, 0}, &first));
    EDIT_CHECK(omfiSequenceAppendCpnt(file, sequence, first));
    EDIT_CHECK(omfiEffectDefNew(file, kDissolve, "Dissolve", nullptr, false, &definition));
    EDIT_CHECK(omfiEffectNew(file, picture, kDissolveLength, kDissolve, &effect));
    EDIT_CHECK(omfiTransitionNew(file, picture, kDissolveLength, 0, effect, &transition));
    EDIT_CHECK(omfiSequenceAppendCpnt(file, sequence, transition));
    EDIT_CHECK(omfiMakeSourceClip(file, picture, kSecondLength,
                                  omfSourceRef_t{bars, 1, kSecondStart}, &second));
    EDIT_CHECK(omfiSequenceAppendCpnt(file, sequence, second));
    omfObject_t gap = nullptr, last = nullptr;
    EDIT_CHECK(omfiFillerNew(file, picture, kGapLength, &gap));
    EDIT_CHECK(omfiSequenceAppendCpnt(file, sequence, gap));
    EDIT_CHECK(omfiMakeSourceClip(file, picture, kLastLength,
                                  omfSourceRef_t{gradient, 1, kLastStart}, &last));
    EDIT_CHECK(omfiSequenceAppendCpnt(file, sequence, last));

    omfMobID_t compositionID{};
    omfObject_t composition = nullptr;
    EDIT_CHECK(omfiMobIDNew(file, &compositionID));
    EDIT_CHECK(omfiCompMobNew(file, "Edit", true, compositionID, &composition));
    return omfiAddTrackToMob(file, composition, kRate, sequence, 0, 1, "Picture", nullptr);
}

uint8_t clampByte(int value) {
    return uint8_t(value < 0 ? 0 : value > 255 ? 255 : value);
}

} // namespace

std::vector<uint8_t> sampleEditPicture(SampleEditMedia media, int frame) {
    std::vector<uint8_t> rgb(std::size_t(kSampleEditWidth) * kSampleEditHeight * 3);
    // Eight bars of the usual test colours, moving right by 8 pixels a frame.
    static constexpr uint8_t kBars[8][3] = {{235, 235, 235}, {235, 235, 16}, {16, 235, 235},
                                            {16, 235, 16},   {235, 16, 235}, {235, 16, 16},
                                            {16, 16, 235},   {16, 16, 16}};
    for (int y = 0; y < kSampleEditHeight; ++y) {
        for (int x = 0; x < kSampleEditWidth; ++x) {
            uint8_t* pixel = rgb.data() + (std::size_t(y) * kSampleEditWidth + x) * 3;
            if (media == SampleEditMedia::Bars) {
                const int bar = ((x + 8 * frame) * 8 / kSampleEditWidth) % 8;
                std::memcpy(pixel, kBars[bar], 3);
            } else {
                pixel[0] = clampByte(x * 2);
                pixel[1] = clampByte(y * 2 + frame * 4);
                pixel[2] = clampByte(255 - frame * 16);
            }
        }
    }
    return rgb;
}

bool writeSampleEdit(const std::string& path) {
    return writeNewOMFFile(path, "1.0 sample edit writer", kOmfRev2x, writeEdit) == 0;
}

} // namespace omftool
