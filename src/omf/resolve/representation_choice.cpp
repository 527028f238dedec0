// Choosing one representation of a media group for source resolution.
//
// A single representation is the answer. Otherwise every representation is
// followed to its source mob's descriptor and scored. Once the media layer
// is initialised it scores by the codecs that read the descriptor and skips
// representations no codec reads or whose data cannot be found; before, a
// criteria of kind 4 asks the caller's procedure (with the descriptor and its
// codec ID) and the other kinds score 0. The first candidate is kept unless a later one scores
// strictly higher; representations whose source mob is not in the file are
// skipped.
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "resolve/resolution.h"

#include <string>

namespace omf::resolve {
namespace {

constexpr omfInt32 kCriteriaByProcedure = 4;
constexpr omfInt32 kCodecIDSize = 64;

// The descriptor of the mob a representation's clip names; null when the
// clip names no mob of this file.
omfErr_t descriptorOf(omfHdl_t file, omfObject_t clip, omfObject_t* mob,
                      omfObject_t* descriptor) {
    *mob = nullptr;
    *descriptor = nullptr;
    if (!omfsPropertyPresent(file, clip, kOmfProperty_SCLP_SourceID, kOmfType_UID)) return 0;
    omfUID_t source{};
    OMF_CHECK(file, omfsReadUID(file, clip, kOmfProperty_SCLP_SourceID, &source));
    OMF_CHECK(file, mobByID(file, source, mob));
    if (*mob == nullptr) return 0;
    if (omfsPropertyPresent(file, *mob, kOmfProperty_SMOB_MediaDescription, kOmfType_ObjRef)) {
        OMF_CHECK(file, omfsReadObjRef(file, *mob, kOmfProperty_SMOB_MediaDescription, descriptor));
    }
    return 0;
}

omfErr_t scoreOf(omfHdl_t file, const omfMediaCriteria_t* criteria, omfObject_t descriptor,
                 omfInt32* score) {
    *score = 0;
    if (criteria == nullptr || criteria->mediaKind != kCriteriaByProcedure ||
        criteria->proc == nullptr) {
        return 0;
    }
    char codecID[kCodecIDSize] = {};
    if (omfsPropertyPresent(file, descriptor, kOmfProperty_MDES_KitCodecID, kOmfType_String)) {
        OMF_CHECK(file, omfsReadString(file, descriptor, kOmfProperty_MDES_KitCodecID, codecID,
                                       kCodecIDSize));
    }
    *score = criteria->proc(file, descriptor, codecID);
    return 0;
}

} // namespace

omfErr_t chooseRepresentation(omfHdl_t file, omfObject_t group, const omfMediaCriteria_t* criteria,
                              omfObject_t* chosen) {
    *chosen = nullptr;
    omfInt32 count = omfsLengthObjRefArray(file, group, kOmfProperty_MGRP_Choices);
    if (count == 1) {
        OMF_CHECK(file, omfsGetNthObjRefArray(file, group, kOmfProperty_MGRP_Choices, chosen, 1));
        return 0;
    }
    omfInt32 bestScore = 0;
    for (omfInt32 i = 1; i <= count; ++i) {
        omfObject_t choice = nullptr;
        OMF_CHECK(file, omfsGetNthObjRefArray(file, group, kOmfProperty_MGRP_Choices, &choice, i));
        omfObject_t mob = nullptr;
        omfObject_t descriptor = nullptr;
        OMF_CHECK(file, descriptorOf(file, choice, &mob, &descriptor));
        if (descriptor == nullptr) continue;
        omfInt32 score = 0;
        if (auto* scoreByCodec = file->session->scoreRepresentation) {
            bool usable = false;
            OMF_CHECK(file, scoreByCodec(file, criteria, mob, descriptor, &usable, &score));
            if (!usable) continue;
        } else {
            OMF_CHECK(file, scoreOf(file, criteria, descriptor, &score));
        }
        if (*chosen == nullptr || score > bestScore) {
            *chosen = choice;
            bestScore = score;
        }
    }
    return 0;
}

} // namespace omf::resolve
