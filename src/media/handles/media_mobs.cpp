// Mobs for new media: a file mob whose descriptor names its codec, and a
// master mob the media's tracks are added to.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"

#include <algorithm>
#include <cstring>
#include <string>

using namespace omf;
using namespace omf::media;

namespace {
constexpr omfInt32 kCodecNameSize = 64;
} // namespace

extern "C" {

omfErr_t omfmCreateFileMob(omfHdl_t file, const char* name, omfRational_t sampleRate,
                           const char* codecID, omfObject_t* fileMob) {
    OMF_CHECK(file, checkMediaFile(file));
    if (codecID == nullptr || fileMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *fileMob = nullptr;
    std::string id;
    std::optional<std::string> variety;
    splitCodecID(codecID, &id, &variety);
    omfCodecDef_t codec{};
    if (omfmLookupCodec(file->session, id.c_str(), &codec) != 0) {
        OMF_RAISE(file, OM_ERR_INVALID_CODEC);
    }
    char codecName[kCodecNameSize] = {};
    omfCodecMetaInfo_t info{};
    OMF_CHECK(file, describeCodec(codec, variety ? variety->c_str() : nullptr, codecName,
                                  kCodecNameSize, &info));
    codecName[kCodecNameSize - 1] = '\0';
    if (info.descriptorClass == nullptr) OMF_RAISE(file, OM_ERR_INVALID_CODEC);

    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, omfiFileDescriptorNew(file, info.descriptorClass, sampleRate, 0, &descriptor));
    omfMobID_t mobID{};
    OMF_CHECK(file, omfiMobIDNew(file, &mobID));
    omfObject_t mob = nullptr;
    OMF_CHECK(file, omfiSourceMobNew(file, name, mobID, descriptor, &mob));
    OMF_CHECK(file, omfsWriteLength(file, descriptor, kOmfProperty_MDFL_Length, 0));
    OMF_CHECK(file, omfsWriteBoolean(file, descriptor, kOmfProperty_MDFL_IsOMFI, true));
    OMF_CHECK(file, omfsWriteRational(file, descriptor, kOmfProperty_MDFL_SampleRate, sampleRate));
    OMF_CHECK(file, omfsWriteString(file, descriptor, kOmfProperty_MDES_KitCodecID, codecID));
    OMF_CHECK(file, omfsWriteString(file, descriptor, kOmfProperty_MDES_KitCodecDesc, codecName));

    omfCodecParms_t parms{};
    parms.spc.initDescriptor.descriptor = descriptor;
    parms.spc.initDescriptor.variety = variety ? variety->c_str() : nullptr;
    omfErr_t status = runOperation(codec, kCodecOpInitDescriptor, parms, nullptr, file);
    if (status != 0 && status != OM_ERR_INVALID_CODEC_OPERATION) {
        return propagate(file, status, __FILE__, __LINE__);
    }
    *fileMob = mob;
    return 0;
}

omfErr_t omfmCreateMasterMob(omfHdl_t file, const char* name, omfInt32 nameLength,
                             omfObject_t* masterMob) {
    OMF_CHECK(file, checkMediaFile(file));
    if (masterMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *masterMob = nullptr;
    if (file->revision != kOmfRev1x && file->revision != kOmfRevIMA &&
        file->revision != kOmfRev2x) {
        OMF_RAISE(file, OM_ERR_FILE_REV_UNSUPPORTED);
    }
    std::string text;
    if (name != nullptr) {
        text.assign(name, strnlen(name, size_t(std::max<omfInt32>(nameLength, 0))));
    }
    omfMobID_t mobID{};
    OMF_CHECK(file, omfiMobIDNew(file, &mobID));
    OMF_CHECK(file, omfiMasterMobNew(file, name != nullptr ? text.c_str() : nullptr,
                                     file->revision == kOmfRev2x, mobID, masterMob));
    return 0;
}

} // extern "C"
