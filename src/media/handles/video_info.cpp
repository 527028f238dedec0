// Formats and video information of media handles, through the codec's
// getInfo and putInfo.
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"

#include <cmath>

namespace omf::media {

omfErr_t codecInfo(omfMediaHdl_t media, bool put, omfMediaInfoSelector_t selector,
                   omfObject_t mediaKind, omfInt32 size, void* buffer) {
    omfCodecParms_t parms{};
    parms.spc.info.selector = selector;
    parms.spc.info.mediaKind = mediaKind;
    parms.spc.info.size = size;
    parms.spc.info.buffer = buffer;
    return callCodec(media, put ? kCodecOpPutInfo : kCodecOpGetInfo, parms);
}

} // namespace omf::media

using namespace omf;
using namespace omf::media;

namespace {

// Signal standards by frame rate.
constexpr omfInt32 kSignalNTSC = 1; // 29.97 frames per second
constexpr omfInt32 kSignalPAL = 2;  // 25 frames per second
// Tape descriptions name their signal with these values.
constexpr omfInt32 kTapeNTSC = 0;
constexpr omfInt32 kTapePAL = 1;
// Lines from the first line of field 1 to the first of field 2.
constexpr omfInt32 kNTSCFieldDistance = 263;
constexpr omfInt32 kPALFieldDistance = 312;

// Reads the entries of `list` (terminated) from the codec's video format.
template <size_t N> omfErr_t getVideoInfo(omfMediaHdl_t media, omfFormatEntry_t (&list)[N]) {
    return codecInfo(media, false, kMediaInfoVideoFormat, media->pictureKind, omfInt32(sizeof list),
                     list);
}

template <size_t N> omfErr_t putVideoInfo(omfMediaHdl_t media, omfFormatEntry_t (&list)[N]) {
    return codecInfo(media, true, kMediaInfoVideoFormat, media->pictureKind, omfInt32(sizeof list),
                     list);
}

omfErr_t area(omfMediaHdl_t media, omfInt32 opcode, omfInt32* xOffset, omfInt32* yOffset,
              omfInt32* width, omfInt32* height) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    omfFormatEntry_t list[2] = {omfmFormatEntry(opcode), omfmFormatEntry(kOmfVFmtEnd)};
    OMF_CHECK(file, getVideoInfo(media, list));
    const omfRect_t& rect = list[0].operand.rect;
    if (xOffset != nullptr) *xOffset = rect.xOffset;
    if (yOffset != nullptr) *yOffset = rect.yOffset;
    if (width != nullptr) *width = rect.xSize;
    if (height != nullptr) *height = rect.ySize;
    return 0;
}

omfErr_t putList(omfMediaHdl_t media, omfMediaInfoSelector_t selector,
                 const omfFormatEntry_t* list) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (list == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfInt32 entries = 1;
    while (list[entries - 1].opcode != kOmfVFmtEnd)
        ++entries;
    // Formats describe the handle's own kind of samples.
    omfObject_t kind =
        media->channels.empty() ? media->pictureKind : media->channels.front().mediaKind;
    return codecInfo(media, true, selector, kind, entries * omfInt32(sizeof(omfFormatEntry_t)),
                     const_cast<omfFormatEntry_t*>(list));
}

omfInt32 standardOfRate(omfRational_t rate) {
    if (rate.denominator == 0) return 0;
    double perSecond = double(rate.numerator) / rate.denominator;
    if (std::fabs(perSecond - 29.97) <= 0.1) return kSignalNTSC;
    if (std::fabs(perSecond - 25.0) <= 0.01) return kSignalPAL;
    return 0;
}

// The signal of the tape the media was recorded from, when its description
// names one; 0 otherwise.
omfErr_t tapeStandard(omfHdl_t file, const omfMediaRec& media, omfInt32* standard) {
    *standard = 0;
    omfSourceSearchResult_t found{};
    omfObject_t track = nullptr;
    if (FindSource(file, media.fileMob, 1, 0, kTapeMob, nullptr, kOmfNoEffectChoice, &track,
                   &found) != 0 ||
        found.mob == nullptr) {
        return 0;
    }
    omfObject_t tape = nullptr;
    if (omfiMobGetDescriptor(file, found.mob, &tape) != 0 || tape == nullptr ||
        !omfsPropertyPresent(file, tape, kOmfProperty_MDTP_VideoSignal, kOmfType_VideoSignalType)) {
        return 0;
    }
    omfInt32 signal = -1;
    OMF_CHECK(file, omfsReadEnum(file, tape, kOmfProperty_MDTP_VideoSignal,
                                 kOmfType_VideoSignalType, &signal));
    if (signal == kTapeNTSC) *standard = kSignalNTSC;
    if (signal == kTapePAL) *standard = kSignalPAL;
    return 0;
}

} // namespace

extern "C" {

omfErr_t omfmGetInfo(omfMediaHdl_t media, omfMediaInfoSelector_t selector, omfObject_t mediaKind,
                     omfInt32 size, void* buffer) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return codecInfo(media, false, selector, mediaKind, size, buffer);
}

omfErr_t omfmPutInfo(omfMediaHdl_t media, omfMediaInfoSelector_t selector, omfObject_t mediaKind,
                     omfInt32 size, void* buffer) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (buffer == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return codecInfo(media, true, selector, mediaKind, size, buffer);
}

omfErr_t omfmGetVideoFormat(omfMediaHdl_t media, omfFrameLayout_t* frameLayout, omfInt32* width,
                            omfInt32* height, omfRational_t* sampleRate, omfInt16* pixelSize,
                            omfPixelFormat_t* pixelFormat) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (sampleRate != nullptr && media->descriptor != nullptr) {
        OMF_CHECK(file, omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                         sampleRate));
    }
    omfFormatEntry_t list[5] = {omfmFormatEntry(kOmfFrameLayout), omfmFormatEntry(kOmfStoredRect),
                                omfmFormatEntry(kOmfPixelSize), omfmFormatEntry(kOmfPixelFormat),
                                omfmFormatEntry(kOmfVFmtEnd)};
    omfErr_t status = getVideoInfo(media, list);
    if (status == OM_ERR_INVALID_CODEC_OPERATION) OMF_RAISE(file, OM_ERR_WRONG_MEDIA_TYPE);
    OMF_CHECK(file, status);
    if (frameLayout != nullptr) *frameLayout = omfFrameLayout_t(list[0].operand.int32);
    if (width != nullptr) *width = list[1].operand.rect.xSize;
    if (height != nullptr) *height = list[1].operand.rect.ySize;
    if (pixelSize != nullptr) *pixelSize = list[2].operand.int16;
    if (pixelFormat != nullptr) *pixelFormat = omfPixelFormat_t(list[3].operand.int32);
    return 0;
}

omfErr_t omfmGetSampledArea(omfMediaHdl_t media, omfInt32* xOffset, omfInt32* yOffset,
                            omfInt32* width, omfInt32* height) {
    return area(media, kOmfSampledRect, xOffset, yOffset, width, height);
}

omfErr_t omfmGetDisplayArea(omfMediaHdl_t media, omfInt32* xOffset, omfInt32* yOffset,
                            omfInt32* width, omfInt32* height) {
    return area(media, kOmfDisplayRect, xOffset, yOffset, width, height);
}

omfErr_t omfmSetMemoryFormat(omfMediaHdl_t media, const omfFormatEntry_t* list) {
    return putList(media, kMediaInfoMemoryFormat, list);
}

omfErr_t omfmSetFileFormat(omfMediaHdl_t media, const omfFormatEntry_t* list) {
    return putList(media, kMediaInfoVideoFormat, list);
}

omfErr_t omfmGetFieldOrder(omfMediaHdl_t media, omfInt32* fieldOrder) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (fieldOrder == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfFormatEntry_t list[3] = {omfmFormatEntry(kOmfVideoLineMap), omfmFormatEntry(kOmfFrameLayout),
                                omfmFormatEntry(kOmfVFmtEnd)};
    OMF_CHECK(file, getVideoInfo(media, list));
    omfInt32 layout = list[1].operand.int32;
    if (layout != kOmfSeparateFields && layout != kOmfMixedFields) {
        *fieldOrder = 2;
    } else {
        *fieldOrder = list[0].operand.lineMap[0] >= list[0].operand.lineMap[1] ? 1 : 0;
    }
    return 0;
}

omfErr_t omfmPutLineMap(omfMediaHdl_t media, omfInt16 firstLine, omfInt32 fieldOrder) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    omfFormatEntry_t layoutList[2] = {omfmFormatEntry(kOmfFrameLayout),
                                      omfmFormatEntry(kOmfVFmtEnd)};
    OMF_CHECK(file, getVideoInfo(media, layoutList));
    omfInt32 layout = layoutList[0].operand.int32;
    if (layout == kOmfFullFrame || (layout == kOmfOneField && fieldOrder == 1)) {
        OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    }
    omfInt32 first = 0, second = 0;
    if (firstLine != 0) {
        omfInt32 standard = 0;
        OMF_CHECK(file, omfmGetSignalStandard(media, &standard));
        if ((fieldOrder != 0 && fieldOrder != 1) ||
            (standard != kSignalNTSC && standard != kSignalPAL)) {
            OMF_RAISE(file, OM_ERR_INVALID_VIDEO_SIGNAL);
        }
        first = firstLine;
        second = firstLine + (standard == kSignalNTSC ? kNTSCFieldDistance : kPALFieldDistance) +
                 (fieldOrder == 0 ? 1 : 0);
    } else if (fieldOrder == 0) {
        first = 0;
        second = 1;
    } else if (fieldOrder == 1) {
        first = 1;
        second = 0;
    }
    omfFormatEntry_t list[3] = {omfmFormatEntry(kOmfVideoLineMap),
                                omfmFormatEntry(kOmfFieldDominance), omfmFormatEntry(kOmfVFmtEnd)};
    list[0].operand.lineMap[0] = first;
    list[0].operand.lineMap[1] = second;
    list[1].operand.int32 = fieldOrder;
    OMF_CHECK(file, putVideoInfo(media, list));
    return 0;
}

omfErr_t omfmGetSignalStandard(omfMediaHdl_t media, omfInt32* signalType) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (signalType == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, tapeStandard(file, *media, signalType));
    if (*signalType != 0) return 0;
    omfObject_t mob = media->masterMob != nullptr ? media->masterMob : media->fileMob;
    omfTrackID_t trackID = media->masterMob != nullptr ? media->trackID : 1;
    omfObject_t track = nullptr, segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offset = 0;
    if (mob != nullptr &&
        FindTrackAtOffset(file, mob, trackID, 0, &track, &segment, &editRate, &offset) == 0) {
        *signalType = standardOfRate(editRate);
        return 0;
    }
    omfRational_t sampleRate{};
    if (media->descriptor != nullptr) {
        OMF_CHECK(file, omfsReadRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                         &sampleRate));
    }
    *signalType = standardOfRate(sampleRate);
    return 0;
}

omfErr_t omfmPutJPEGTables(omfMediaHdl_t media, omfInt32 size, void* tables) {
    return omfmPutInfo(media, kMediaInfoJPEGTables,
                       validMedia(media) != nullptr ? media->pictureKind : nullptr, size, tables);
}

omfErr_t omfmSetCodecParameters(omfMediaHdl_t media, omfInt32 size, void* parameters) {
    return omfmPutInfo(media, kMediaInfoCodecParams,
                       validMedia(media) != nullptr ? media->pictureKind : nullptr, size,
                       parameters);
}

omfErr_t omfmGetDataSize(omfMediaHdl_t media, omfInt64* size) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (size == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    return codecInfo(media, false, kMediaInfoDataSize, media->pictureKind, omfInt32(sizeof *size),
                     size);
}

omfErr_t omfmGetLargestSampleSize(omfMediaHdl_t media, omfObject_t mediaKind, omfInt32* size) {
    omfHdl_t file = nullptr;
    if (omfErr_t status = checkMedia(media, &file)) return status;
    if (size == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    omfMaxSampleSize_t answer{mediaKind, 0};
    OMF_CHECK(file, codecInfo(media, false, kMediaInfoMaxSampleSize, mediaKind,
                              omfInt32(sizeof answer), &answer));
    *size = answer.largestSampleSize;
    return 0;
}

} // extern "C"
