// OMF files with DV media ("MSM TARGA DVC Codec") built in code: a 2.x file with one master mob
// "DV" over a file mob of separate-field DV frames of one size, stored back to back.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "dv_decoding.h"
#include "omf/omf_access.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "product_info.h"

namespace plugin_test {

struct DVMedia {
    omfInt32 width = 0;
    omfInt32 fieldRows = 0; // rows of one field: half the frame's
    omfRational_t rate{25, 1};
    std::vector<std::vector<uint8_t>> frames; // compressed frames, all of one size
};

#define DV_CHECK(expression)                                                                       \
    do {                                                                                           \
        omfErr_t dvStatus_ = (expression);                                                         \
        if (dvStatus_ != 0) return dvStatus_;                                                      \
    } while (0)

inline omfErr_t DVInt32Property(omfSessionHdl_t session, const char* name, const char* classID,
                                omfProperty_t* code) {
    return omfsRegisterProperty(session, name, classID, kOmfType_Int32, kOmfRevisionsBoth, code);
}

inline omfErr_t WriteDVMedia(omfSessionHdl_t session, omfHdl_t file, const DVMedia& media) {
    const auto count = omfInt32(media.frames.size());
    const auto frameBytes = omfInt32(media.frames.empty() ? 0 : media.frames.front().size());
    omfObject_t picture = nullptr;
    omfErr_t status = 0;
    if (!omfsFindDataKind(file, "omfi:data:Picture", &picture, &status)) return status;
    omfObject_t fileMob = nullptr, descriptor = nullptr;
    DV_CHECK(omfmCreateFileMob(file, "DV file", media.rate, kOmfCodecTDVC, &fileMob));
    omfMobID_t fileID{};
    DV_CHECK(omfiReadMobID(file, fileMob, &fileID));
    DV_CHECK(omfiMobGetDescriptor(file, fileMob, &descriptor));
    DV_CHECK(omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, count));
    DV_CHECK(omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredWidth, media.width));
    DV_CHECK(omfsWriteInt32(file, descriptor, kOmfProperty_DIDD_StoredHeight, media.fieldRows));
    DV_CHECK(omfsWriteRational(file, descriptor, kOmfProperty_DIDD_ImageAspectRatio, {4, 3}));
    DV_CHECK(omfsWriteEnum(file, descriptor, kOmfProperty_DIDD_FrameLayout, kOmfType_LayoutType,
                           kOmfSeparateFields));
    DV_CHECK(omfsWriteString(file, descriptor, kOmfProperty_DIDD_Compression, "DV/C"));
    omfProperty_t frameSize = 0, componentWidth = 0;
    DV_CHECK(DVInt32Property(session, "FrameSampleSize", "CDCI", &frameSize));
    DV_CHECK(DVInt32Property(session, "ComponentWidth", "CDCI", &componentWidth));
    DV_CHECK(omfsWriteInt32(file, descriptor, frameSize, frameBytes));
    DV_CHECK(omfsWriteInt32(file, descriptor, componentWidth, 8));

    std::vector<uint8_t> data;
    for (const std::vector<uint8_t>& frame : media.frames)
        data.insert(data.end(), frame.begin(), frame.end());
    omfObject_t object = nullptr;
    DV_CHECK(omfsObjectNew(file, "TDVC", &object));
    DV_CHECK(omfsWriteDataBytes(file, object, kOmfProperty_IDAT_ImageData, kOmfType_DataValue, 0,
                                omfInt32(data.size()), data.data()));
    DV_CHECK(omfsWriteUID(file, object, kOmfProperty_MDAT_MobID, fileID));
    omfObject_t head = nullptr;
    DV_CHECK(omfsGetHeadObject(file, &head));
    DV_CHECK(omfsAppendObjRefArray(file, head, kOmfProperty_HEAD_MediaData, object));

    omfObject_t fileClip = nullptr, master = nullptr, masterClip = nullptr;
    DV_CHECK(omfiMakeSourceClip(file, picture, count, omfSourceRef_t{{0, 0, 0}, 0, 0}, &fileClip));
    DV_CHECK(omfiAddTrackToMob(file, fileMob, media.rate, fileClip, 0, 1, nullptr, nullptr));
    omfMobID_t masterID{};
    DV_CHECK(omfiMobIDNew(file, &masterID));
    DV_CHECK(omfiMasterMobNew(file, "DV", false, masterID, &master));
    DV_CHECK(omfiMakeSourceClip(file, picture, count, omfSourceRef_t{fileID, 1, 0}, &masterClip));
    return omfiAddTrackToMob(file, master, media.rate, masterClip, 0, 1, nullptr, nullptr);
}

inline omfErr_t WriteDVFile(const std::string& path, const DVMedia& media) {
    omfSessionHdl_t session = nullptr;
    DV_CHECK(omfsStartSession(&omfplugin::SessionProductInfo(), &session));
    omfHdl_t file = nullptr;
    omfErr_t status = omfmInit(session);
    if (status == 0) status = omfmAddCodec(session, omfCodecTDVC);
    if (status == 0) status = omfsNewFile(path.c_str(), session, kOmfRev2x, &file);
    if (status == 0) status = WriteDVMedia(session, file, media);
    if (file) {
        const omfErr_t closed = omfsCloseOMFFile(file);
        if (status == 0) status = closed;
    }
    omfsFinishSession(session);
    return status;
}

#undef DV_CHECK

// The RGB bytes of an 8-bit binary PPM file of `width` x `height` (ffmpeg's decodings of the
// stored DV frames); empty when it is not one.
inline std::vector<uint8_t> PpmPixels(const std::string& path, int width, int height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int fileWidth = 0, fileHeight = 0, maximum = 0;
    in >> magic >> fileWidth >> fileHeight >> maximum;
    in.get(); // the single white-space byte before the pixels
    if (!in || magic != "P6" || fileWidth != width || fileHeight != height || maximum != 255)
        return {};
    std::vector<uint8_t> pixels(std::size_t(width) * height * 3);
    in.read(reinterpret_cast<char*>(pixels.data()), std::streamsize(pixels.size()));
    return in ? pixels : std::vector<uint8_t>{};
}

// Peak signal-to-noise ratio of two 8-bit images of one size, in dB (99 when equal).
inline double Psnr(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    double squares = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const double difference = double(a[i]) - double(b[i]);
        squares += difference * difference;
    }
    const double mean = squares / double(a.size());
    return mean == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mean);
}

} // namespace plugin_test
