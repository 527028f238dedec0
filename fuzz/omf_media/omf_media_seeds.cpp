// Writes small OMF files with uncompressed picture media, the seeds of the
// media harness: CDCI 4:2:2 full frames, CDCI separated fields with an
// alignment factor, and RGBA with alpha.
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_session.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Seed {
    const char* name;
    const char* codecID;
    omfFrameLayout_t layout;
    omfInt32 alignment; // 0: none
    omfInt32 bytesPerPixel;
};

omfErr_t writeSeed(omfSessionHdl_t session, const std::string& folder, const Seed& seed) {
    constexpr omfInt32 kWidth = 8, kHeight = 4, kFrames = 3;
    omfHdl_t file = nullptr;
    std::string path = folder + "/" + seed.name;
    std::remove(path.c_str());
    if (omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file)) return status;
    omfObject_t master = nullptr, fileMob = nullptr;
    omfMediaHdl_t media = nullptr;
    omfErr_t status = omfmCreateMasterMob(file, "seed", 4, &master);
    if (status == 0) status = omfmCreateFileMob(file, "seed", {25, 1}, seed.codecID, &fileMob);
    if (status == 0) {
        status = omfmCreateVideoMedia(file, master, 1, fileMob, 0, {25, 1}, kHeight, kWidth,
                                      seed.layout, {4, 3}, &media);
    }
    if (status == 0 && seed.alignment > 0) {
        omfFormatEntry_t list[2];
        std::memset(list, 0, sizeof list);
        list[0].opcode = kOmfAlignmentFactor;
        list[0].operand.int32 = seed.alignment;
        status = omfmSetFileFormat(media, list);
    }
    int fields = seed.layout == kOmfSeparateFields ? 2 : 1;
    std::vector<uint8_t> frame(size_t(kWidth * kHeight * fields * seed.bytesPerPixel));
    for (omfInt32 i = 0; status == 0 && i < kFrames; ++i) {
        for (size_t b = 0; b < frame.size(); ++b)
            frame[b] = uint8_t(b * 13 + i * 71);
        status = omfmWriteMediaSamples(media, 1, frame.data(), omfInt32(frame.size()));
    }
    if (media != nullptr) {
        omfErr_t closed = omfmCloseMedia(media);
        if (status == 0) status = closed;
    }
    omfErr_t closed = omfsCloseOMFFile(file);
    return status != 0 ? status : closed;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const Seed seeds[] = {
        {"cdci-422.omf", "CDCI", kOmfFullFrame, 0, 2},
        {"cdci-fields-aligned.omf", "CDCI", kOmfSeparateFields, 512, 2},
        {"rgba-argb.omf", "RGBA", kOmfFullFrame, 0, 4},
    };
    omfProductIdentification_t ident{};
    ident.companyName = "seeds";
    ident.productName = "seeds";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0) return 1;
    int result = 0;
    for (const Seed& seed : seeds) {
        if (omfErr_t status = writeSeed(session, argv[1], seed)) {
            std::fprintf(stderr, "%s: OMF error %d\n", seed.name, int(status));
            result = 1;
        }
    }
    omfsFinishSession(session);
    return result;
}
