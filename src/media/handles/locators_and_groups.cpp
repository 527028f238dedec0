// Reading locators, and choosing among the representations of a media
// group by the codecs that read them.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "omf/resolve/resolution.h"

#include <algorithm>
#include <cstring>

namespace omf::media {
namespace {

// Media criteria kinds.
constexpr omfInt32 kCriteriaFastest = 1;     // preferred and native codecs first
constexpr omfInt32 kCriteriaBestQuality = 2; // least relative loss
constexpr omfInt32 kCriteriaSmallest = 3;    // smallest average sample
constexpr omfInt32 kCriteriaProcedure = 4;   // the caller's procedure scores
constexpr omfInt32 kCodecIDSize = 64;

omfErr_t scoreRepresentation(omfHdl_t file, const omfMediaCriteria_t* criteria,
                             omfObject_t fileMob, omfObject_t descriptor, bool* usable,
                             omfInt32* score) {
    *usable = false;
    *score = 0;
    omfCodecDef_t codec{};
    if (chooseCodecFor(file, descriptor, &codec) != 0) return 0; // no codec reads it
    omfCodecParms_t parms{};
    parms.spc.selectInfo.descriptor = descriptor;
    OMF_CHECK(file, runOperation(codec, kCodecOpSelectInfo, parms, nullptr, file));
    const omfCodecSelectInfo_t& select = parms.spc.selectInfo.info;

    omfHdl_t dataFile = nullptr;
    OMF_CHECK(file, locateMediaData(file, fileMob, descriptor, &dataFile));
    if (dataFile == nullptr) return 0;
    if (dataFile != file) omfsCloseOMFFile(dataFile); // opened only for the test
    *usable = true;

    omfInt32 kind = criteria != nullptr ? criteria->mediaKind : 0;
    if (kind == kCriteriaFastest) {
        *score = (select.hwAssisted ? 10 : 0) + (select.isNative ? 10 : 0);
    } else if (kind == kCriteriaBestQuality) {
        *score = 100 - select.relativeLoss;
    } else if (kind == kCriteriaSmallest) {
        *score = -select.avgBitsPerSec;
    } else if (kind == kCriteriaProcedure && criteria->proc != nullptr) {
        char codecID[kCodecIDSize] = {};
        if (omfsPropertyPresent(file, descriptor, kOmfProperty_MDES_KitCodecID, kOmfType_String)) {
            OMF_CHECK(file, omfsReadString(file, descriptor, kOmfProperty_MDES_KitCodecID, codecID,
                                           kCodecIDSize));
            codecID[kCodecIDSize - 1] = '\0';
        }
        *score = criteria->proc(file, descriptor, codecID);
    }
    return 0;
}

} // namespace

void installRepresentationScoring(omfSessionHdl_t session) {
    session->scoreRepresentation = &scoreRepresentation;
}

} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmReadLocator(omfHdl_t file, omfObject_t locator, char type[4], omfInt32 bufferSize,
                         char* path) {
    OMF_CHECK(file, checkMediaFile(file));
    if (locator == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (type == nullptr || path == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    char classID[5];
    OMF_CHECK(file, resolve::classOf(file, locator, classID));
    char text[resolve::kPathSize];
    OMF_CHECK(file, resolve::readLocatorPath(file, locator, text));
    std::memcpy(type, classID, 4);
    if (bufferSize > 0) {
        std::memset(path, 0, size_t(bufferSize));
        std::memcpy(path, text, std::min<size_t>(std::strlen(text), size_t(bufferSize)));
    }
    return 0;
}

omfErr_t omfmChooseRepresentation(omfHdl_t file, omfObject_t mob, omfTrackID_t trackID,
                                  const omfMediaCriteria_t* criteria, omfObject_t* chosenClip) {
    OMF_CHECK(file, checkMediaFile(file));
    if (criteria == nullptr || chosenClip == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *chosenClip = nullptr;
    omfObject_t track = nullptr, segment = nullptr;
    omfRational_t editRate{};
    omfPosition_t offset = 0;
    OMF_CHECK(file, FindTrackAtOffset(file, mob, trackID, 0, &track, &segment, &editRate, &offset));
    char classID[5];
    OMF_CHECK(file, resolve::classOf(file, segment, classID));
    if (!resolve::isClass(classID, "MGRP")) OMF_RAISE(file, OM_ERR_INVALID_OBJECT);
    OMF_CHECK(file, resolve::chooseRepresentation(file, segment, criteria, chosenClip));
    return 0;
}

} // extern "C"
