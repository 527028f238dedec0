// The codec catalogue and its routines: the name list, codec information
// and the settings a codec starts with.
#include "codec_catalogue.h"

#include "writing_routines.h"

#include <algorithm>

#include <cstring>

namespace movie {
namespace {

constexpr int32_t kIntraLossy = kCodecCompresses | kCodecRateConstrain;
constexpr int32_t kInterLossy = kCodecCompresses | kCodecTemporal | kCodecRateConstrain;
constexpr int32_t kRgb = kFormatDepth24 | kFormatDepth32;
constexpr int32_t kYuv = kFormatDepth24 | kFormatDepth32 | kFormatYCbCr;
constexpr int32_t kDeepYuv = kYuv | kFormatDeep;
constexpr AVPixelFormat kAny = AV_PIX_FMT_NONE;
constexpr AVPixelFormat kEnd = AV_PIX_FMT_NONE;

// ProRes profiles as the encoder numbers them.
constexpr int kProResProxy = 0, kProResLT = 1, kProResStandard = 2, kProResHQ = 3, kProRes4444 = 4;

const CatalogueEntry kEntries[] = {
    {FourCharCode("cvid"),
     "Cinepak",
     "cinepak",
     FF_PROFILE_UNKNOWN,
     kInterLossy,
     kRgb,
     {kPixel24RGB, kPixel32ARGB},
     {kAny}},
    {FourCharCode("jpeg"),
     "Photo - JPEG",
     "mjpeg",
     FF_PROFILE_UNKNOWN,
     kIntraLossy,
     kRgb,
     {kPixel32ARGB, kPixel24RGB, kPixel2vuy},
     {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV444P, kEnd}},
    {FourCharCode("png "),
     "PNG",
     "png",
     FF_PROFILE_UNKNOWN,
     kCodecCompresses | kCodecLossless,
     kRgb | kFormatDeep,
     {kPixel32ARGB, kPixel24RGB, kPixelB64a, kPixelB48r},
     {kAny}},
    {FourCharCode("raw "),
     "None",
     "rawvideo",
     FF_PROFILE_UNKNOWN,
     kCodecLossless,
     kRgb,
     {kPixel32ARGB, kPixel24RGB},
     {AV_PIX_FMT_ARGB, AV_PIX_FMT_RGB24, kEnd}},
    {FourCharCode("2vuy"),
     "Component Y'CbCr 8-bit 4:2:2",
     "rawvideo",
     FF_PROFILE_UNKNOWN,
     0,
     kYuv,
     {kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_UYVY422, kEnd}},
    {FourCharCode("v210"),
     "Component Y'CbCr 10-bit 4:2:2",
     "v210",
     FF_PROFILE_UNKNOWN,
     0,
     kDeepYuv,
     {kPixelV210, kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV422P10, kEnd}},
    {FourCharCode("v410"),
     "Component Y'CbCr 10-bit 4:4:4",
     "v410",
     FF_PROFILE_UNKNOWN,
     0,
     kDeepYuv,
     {kPixelV410, kPixel32ARGB},
     {AV_PIX_FMT_YUV444P10, kEnd}},
    {FourCharCode("dvc "),
     "DV - NTSC",
     "dvvideo",
     FF_PROFILE_UNKNOWN,
     kCodecCompresses,
     kYuv,
     {kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV411P, kEnd}},
    {FourCharCode("dvcp"),
     "DV - PAL",
     "dvvideo",
     FF_PROFILE_UNKNOWN,
     kCodecCompresses,
     kYuv,
     {kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV420P, kEnd}},
    // Avid DV: 480-line frames as NTSC DV, the others as PAL DV.
    {FourCharCode("AVdv"),
     "Avid DV",
     "dvvideo",
     FF_PROFILE_UNKNOWN,
     kCodecCompresses,
     kYuv,
     {kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV411P, AV_PIX_FMT_YUV420P, kEnd}},
    {FourCharCode("apco"),
     "Apple ProRes 422 (Proxy)",
     "prores_ks",
     kProResProxy,
     kIntraLossy,
     kDeepYuv,
     {kPixelV210, kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV422P10, kEnd}},
    {FourCharCode("apcs"),
     "Apple ProRes 422 (LT)",
     "prores_ks",
     kProResLT,
     kIntraLossy,
     kDeepYuv,
     {kPixelV210, kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV422P10, kEnd}},
    {FourCharCode("apcn"),
     "Apple ProRes 422",
     "prores_ks",
     kProResStandard,
     kIntraLossy,
     kDeepYuv,
     {kPixelV210, kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV422P10, kEnd}},
    {FourCharCode("apch"),
     "Apple ProRes 422 (HQ)",
     "prores_ks",
     kProResHQ,
     kIntraLossy,
     kDeepYuv,
     {kPixelV210, kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV422P10, kEnd}},
    {FourCharCode("ap4h"),
     "Apple ProRes 4444",
     "prores_ks",
     kProRes4444,
     kIntraLossy,
     kDeepYuv,
     {kPixelB64a, kPixelV410, kPixel32ARGB},
     {AV_PIX_FMT_YUVA444P10, AV_PIX_FMT_YUV444P10, kEnd}},
    {FourCharCode("avc1"),
     "H.264",
     "libx264",
     FF_PROFILE_UNKNOWN,
     kInterLossy,
     kYuv,
     {kPixel2vuy, kPixel32ARGB},
     {AV_PIX_FMT_YUV420P, kEnd}},
    {FourCharCode("mp4v"),
     "MPEG-4 Video",
     "mpeg4",
     FF_PROFILE_UNKNOWN,
     kInterLossy,
     kYuv,
     {kPixel32ARGB, kPixel2vuy},
     {AV_PIX_FMT_YUV420P, kEnd}},
};

// Writes `text` as a length-prefixed name of at most the entry's room.
void SetName(unsigned char (&name)[36], const char* text) {
    const size_t length = std::min(std::strlen(text), sizeof name - 1);
    name[0] = static_cast<unsigned char>(length);
    std::memcpy(name + 1, text, length);
}

} // namespace

std::span<const CatalogueEntry> CatalogueEntries() {
    return kEntries;
}

uint32_t ComponentOf(const CatalogueEntry& entry) {
    return static_cast<uint32_t>(&entry - kEntries) + 1;
}

const AVCodec* EncoderOf(const CatalogueEntry& entry) {
    return avcodec_find_encoder_by_name(entry.encoder);
}

const CatalogueEntry* FindCatalogueEntry(uint32_t codecType, uint32_t component) {
    for (const CatalogueEntry& entry : kEntries) {
        if (entry.codecType != codecType) continue;
        if (component != 0 && component != ComponentOf(entry)) continue;
        if (EncoderOf(entry)) return &entry;
    }
    return nullptr;
}

CodecInfo InfoOf(const CatalogueEntry& entry) {
    CodecInfo info{};
    info.compressFlags = entry.compressFlags;
    info.formatFlags = entry.formatFlags;
    const AVCodec* encoder = EncoderOf(entry);
    info.hasSettings = encoder && encoder->priv_class ? 1 : 0;
    for (uint32_t format : entry.pixelFormats) {
        if (!format) break;
        info.pixelFormats[info.pixelFormatCount++] = format;
    }
    return info;
}

// The routines.

int32_t GetCodecNameList(GetCodecNameListArgs* args) {
    if (!args || !args->list) return kParameterError;
    auto* list = new CodecNameList{0, new CodecNameEntry[std::size(kEntries)]{}};
    for (const CatalogueEntry& entry : kEntries) {
        if (!EncoderOf(entry)) continue;
        CodecNameEntry& out = list->entries[list->count++];
        out.component = ComponentOf(entry);
        out.codecType = entry.codecType;
        SetName(out.name, entry.name);
    }
    *args->list = list;
    return kNoError;
}

int32_t DisposeCodecNameList(DisposeCodecNameListArgs* args) {
    if (!args) return kParameterError;
    if (args->list) {
        delete[] args->list->entries;
        delete args->list;
    }
    return kNoError;
}

int32_t GetCodecInfo(GetCodecInfoArgs* args) {
    if (!args || !args->info) return kParameterError;
    const CatalogueEntry* entry = FindCatalogueEntry(args->codecType, args->component);
    if (!entry) return kNoCodec;
    *args->info = InfoOf(*entry);
    return kNoError;
}

} // namespace movie
