// Creating media of a named AVR resolution: the video standard and frame
// rate decide the line standard, the file mob's KitCodecID names the
// resolution and standard (so that the AVR codec hands the media to the
// codec of the resolution), and the new media takes the resolution's size,
// fields and sampled rows, then the record itself.
#include "omf/omf_avid_codecs.h"

#include "avr/resolution_table.h"
#include "avr/variety.h"
#include "media/codec_support/codec_calls.h"
#include "media/codec_support/file_facts.h"
#include "omf/omf_access.h"
#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace omf::codecs::avr {

namespace {

constexpr double kRateTolerance = 0.001; // frames per second
constexpr double kNTSCRate = 29.97;
constexpr double kPALRate = 25.0;
constexpr double kFilmRate = 24.0;
// Rows of one field of 525-line video: single-field resolutions are no
// taller, full-frame ones are.
constexpr omfInt32 kFieldRows525 = 243;
constexpr omfRational_t kAspectRatio{4, 3};
constexpr omfInt32 kKitCodecIDSize = 64;

enum class Lines { lines525, lines625 };

bool rateIs(double rate, double wanted) {
    return std::fabs(rate - wanted) < kRateTolerance;
}

// The line standard of `standard` at `rate`.
omfErr_t lineStandard(omfHdl_t file, omfInt32 standard, omfRational_t rate, Lines* lines) {
    if (standard < kOmfAVRVideo || standard > kOmfAVRSECAM) {
        OMF_RAISE(file, OM_ERR_INVALID_VIDEO_SIGNAL);
    }
    double fps = rate.denominator != 0 ? double(rate.numerator) / rate.denominator : 0.0;
    bool filmIs525 = standard == kOmfAVRNTSC;
    if (standard != kOmfAVRPAL && standard != kOmfAVRSECAM && rateIs(fps, kNTSCRate)) {
        *lines = Lines::lines525;
    } else if (standard != kOmfAVRNTSC && rateIs(fps, kPALRate)) {
        *lines = Lines::lines625;
    } else if (standard != kOmfAVRVideo && rateIs(fps, kFilmRate)) {
        *lines = filmIs525 ? Lines::lines525 : Lines::lines625;
    } else {
        OMF_RAISE(file, OM_ERR_ILLEGAL_EDIT_RATE);
    }
    return 0;
}

omfFrameLayout_t layoutOf(const ResolutionRecord& record) {
    if (record.fields == 2) return kOmfSeparateFields;
    return record.height525 > kFieldRows525 ? kOmfFullFrame : kOmfOneField;
}

// The record's name, when it is a well-formed variety name.
omfErr_t recordName(omfHdl_t file, const ResolutionRecord& record, std::string_view* name) {
    *name = std::string_view(record.name, strnlen(record.name, sizeof record.name));
    Variety variety;
    if (name->size() >= sizeof record.name || parseVariety(*name, &variety) != 0 ||
        !variety.standard.empty()) {
        OMF_RAISE(file, OM_ERR_BAD_CODEC_VARIETY);
    }
    return 0;
}

omfErr_t writeKitCodecID(omfHdl_t file, omfObject_t fileMob, std::string_view name, Lines lines) {
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, omfiMobGetDescriptor(file, fileMob, &descriptor));
    char text[kKitCodecIDSize] = {};
    std::snprintf(text, sizeof text, "%s:%.*s:%s", kOmfCodecAVR, int(name.size()), name.data(),
                  lines == Lines::lines525 ? kNTSC : kPAL);
    OMF_CHECK(file, omfsWriteString(file, descriptor, kOmfProperty_MDES_KitCodecID, text));
    return 0;
}

// The sampled rows lie below the leading lines.
omfErr_t setSampledRect(omfMediaHdl_t media, omfHdl_t file, omfInt32 width, omfInt32 height,
                        omfInt32 leadingLines) {
    if (leadingLines <= 0 || leadingLines >= height) return 0;
    omfFormatEntry_t list[2] = {};
    list[0].opcode = kOmfSampledRect;
    list[0].operand.rect = {0, leadingLines, width, height - leadingLines};
    OMF_CHECK(file, omfmSetFileFormat(media, list));
    return 0;
}

// Hands the record to the codec; one that has no use for it says so with
// OM_ERR_INVALID_CODEC_OPERATION, which is no failure.
omfErr_t handRecord(omfMediaHdl_t media, omfHdl_t file, const ResolutionRecord& record) {
    ResolutionRecord copy = record;
    omfErr_t status = omfmPutInfo(media, kMediaInfoCodecParams, media::filePictureKind(file),
                                  omfInt32(sizeof copy), &copy);
    if (status != 0 && status != OM_ERR_INVALID_CODEC_OPERATION) {
        return propagate(file, status, __FILE__, __LINE__);
    }
    return 0;
}

omfErr_t describeMedia(omfMediaHdl_t media, omfHdl_t file, const ResolutionRecord& record,
                       Lines lines) {
    bool is525 = lines == Lines::lines525;
    omfInt32 height = is525 ? record.height525 : record.height625;
    omfInt32 leading = is525 ? record.leadingLines525 : record.leadingLines625;
    OMF_CHECK(file, setSampledRect(media, file, record.width, height, leading));
    OMF_CHECK(file, handRecord(media, file, record));
    return 0;
}

} // namespace

} // namespace omf::codecs::avr

using namespace omf;
using namespace omf::codecs::avr;

extern "C" {

omfErr_t omfmAVRResolution(const char* name, omfAVRResolution_t* resolution) {
    if (name == nullptr || resolution == nullptr) return OM_ERR_NULL_PARAM;
    const Resolution* found = resolutionNamed(name);
    if (found == nullptr) return OM_ERR_BAD_CODEC_VARIETY;
    *resolution = makeRecord(*found);
    return 0;
}

omfErr_t omfmCreateAVRMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                            omfObject_t fileMob, omfRational_t sampleRate,
                            const omfAVRResolution_t* resolution, omfInt32 standard,
                            omfMediaHdl_t* result) {
    OMF_CHECK(file, media::checkMediaFile(file));
    if (resolution == nullptr || result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    if (fileMob == nullptr) OMF_RAISE(file, OM_ERR_INVALID_FILE_MOB);
    Lines lines{};
    OMF_CHECK(file, lineStandard(file, standard, sampleRate, &lines));
    std::string_view name;
    OMF_CHECK(file, recordName(file, *resolution, &name));
    OMF_CHECK(file, writeKitCodecID(file, fileMob, name, lines));

    omfInt32 height = lines == Lines::lines525 ? resolution->height525 : resolution->height625;
    omfMediaHdl_t media = nullptr;
    OMF_CHECK(file,
              omfmCreateVideoMedia(file, masterMob, trackID, fileMob, 0, sampleRate, height,
                                   resolution->width, layoutOf(*resolution), kAspectRatio, &media));
    if (omfErr_t status = describeMedia(media, file, *resolution, lines)) {
        // The handle never reaches the caller; closing it releases the codec's state.
        omfmCloseMedia(media);
        return propagate(file, status, __FILE__, __LINE__);
    }
    *result = media;
    return 0;
}

} // extern "C"
