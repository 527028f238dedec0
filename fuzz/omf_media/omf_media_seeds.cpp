// Writes small OMF files with picture media, the seeds of the media
// harness: CDCI 4:2:2 full frames, CDCI separated fields with an alignment
// factor, RGBA with alpha, and DV media (short stand-in frames, as the DV
// codec hands frames out unread).
#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
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

// The DV codec writes nothing, so the seed's descriptor and "TDVC" data
// object are written property by property.
omfErr_t writeDVDescriptor(omfSessionHdl_t session, omfHdl_t file, omfObject_t descriptor,
                           omfInt32 frameSize, omfInt64 frames) {
    omfProperty_t frameSizeCode = 0, widthCode = 0, subsamplingCode = 0;
    omfErr_t status = omfsRegisterProperty(session, "FrameSampleSize", "CDCI", kOmfType_Int32,
                                           kOmfRevisionsBoth, &frameSizeCode);
    if (status == 0)
        status = omfsRegisterProperty(session, "ComponentWidth", "CDCI", kOmfType_Int32,
                                      kOmfRevisionsBoth, &widthCode);
    if (status == 0)
        status = omfsRegisterProperty(session, "HorizontalSubsampling", "CDCI", kOmfType_UInt32,
                                      kOmfRevisionsBoth, &subsamplingCode);
    if (status == 0) status = omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, frames);
    if (status == 0) status = omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth, 720);
    if (status == 0) status = omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight, 240);
    if (status == 0)
        status = omfsWriteRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3});
    if (status == 0)
        status = omfsWriteEnum(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                               kOmfSeparateFields);
    if (status == 0)
        status = omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, "DV/C");
    if (status == 0) status = omfsWriteInt32(file, descriptor, frameSizeCode, frameSize);
    if (status == 0) status = omfsWriteInt32(file, descriptor, widthCode, 8);
    if (status == 0) status = omfsWriteUInt32(file, descriptor, subsamplingCode, 4);
    return status;
}

omfErr_t writeDVSeed(omfSessionHdl_t session, const std::string& folder) {
    constexpr omfInt32 kFrameSize = 480;
    constexpr omfInt64 kFrames = 3;
    std::string path = folder + "/tdvc-dv.omf";
    std::remove(path.c_str());
    omfHdl_t file = nullptr;
    if (omfErr_t status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file)) return status;
    omfObject_t fileMob = nullptr, descriptor = nullptr, data = nullptr;
    omfMobID_t mobID{};
    omfObject_t head = nullptr;
    std::vector<uint8_t> frames(size_t(kFrameSize * kFrames));
    for (size_t b = 0; b < frames.size(); ++b)
        frames[b] = uint8_t(b * 11 + b / kFrameSize);
    omfErr_t status =
        omfmCreateFileMob(file, "seed", {30000, 1001}, "MSM TARGA DVC Codec", &fileMob);
    if (status == 0) status = omfiMobGetDescriptor(file, fileMob, &descriptor);
    if (status == 0) status = writeDVDescriptor(session, file, descriptor, kFrameSize, kFrames);
    if (status == 0) status = omfiReadMobID(file, fileMob, &mobID);
    if (status == 0) status = omfsGetHeadObject(file, &head);
    if (status == 0) status = omfsObjectNew(file, "TDVC", &data);
    if (status == 0) {
        status = omfsWriteDataBytes(file, data, kOmfProperty_IDAT_ImageData, kOmfType_DataValue, 0,
                                    omfInt32(frames.size()), frames.data());
    }
    if (status == 0) status = omfsWriteUID(file, data, kOmfProperty_MDAT_MobID, mobID);
    if (status == 0) status = omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, data);
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
        {"cdci-one-field.omf", "CDCI", kOmfOneField, 0, 2},
        {"rgba-argb.omf", "RGBA", kOmfFullFrame, 0, 4},
    };
    omfProductIdentification_t ident{};
    ident.companyName = "seeds";
    ident.productName = "seeds";
    omfSessionHdl_t session = nullptr;
    if (omfsStartSession(&ident, &session) != 0 || omfmInit(session) != 0 ||
        omfmAddCodec(session, omfCodecTDVC) != 0) {
        return 1;
    }
    int result = 0;
    for (const Seed& seed : seeds) {
        if (omfErr_t status = writeSeed(session, argv[1], seed)) {
            std::fprintf(stderr, "%s: OMF error %d\n", seed.name, int(status));
            result = 1;
        }
    }
    if (omfErr_t status = writeDVSeed(session, argv[1])) {
        std::fprintf(stderr, "tdvc-dv.omf: OMF error %d\n", int(status));
        result = 1;
    }
    omfsFinishSession(session);
    return result;
}
