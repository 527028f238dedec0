// Choosing the codec that reads a media descriptor.
//
// Several codecs may read one descriptor class (CDCI, JPEG and DV all read
// "CDCI"); each is asked through selectInfo whether it handles this
// descriptor, in practice by its Compression property. A codec that says it
// is preferred wins over a plain one; among equals the later one in the
// class table's order is kept.
#include "media/internal/codec_registry.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_media.h"
#include "omf/omf_mobs.h"
#include "omf/omf_registry.h"

namespace omf::media {

omfErr_t chooseCodecFor(omfHdl_t file, omfObject_t descriptor, omfCodecDef_t* definition) {
    if (descriptor == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    omfClassID_t classID{};
    OMF_CHECK(file, omfsReadClassOf(file, descriptor, classID));
    char key[5] = {classID[0], classID[1], classID[2], classID[3], '\0'};

    omfTableIterate_t iterator{};
    omfBool found = false;
    OMF_CHECK(file, omfsTableFirstEntryMatching(registryOf(file->session)->byClass.get(),
                                                &iterator, key, 4, &found));
    const omfCodecDef_t* preferred = nullptr;
    const omfCodecDef_t* plain = nullptr;
    while (found && (preferred == nullptr || plain == nullptr)) {
        const auto* codec = static_cast<const omfCodecDef_t*>(iterator.value);
        omfCodecParms_t parms{};
        parms.spc.selectInfo.descriptor = descriptor;
        omfErr_t status = runOperation(*codec, kCodecOpSelectInfo, parms, nullptr, file);
        if (status == 0 && parms.spc.selectInfo.info.willHandleMDES) {
            (parms.spc.selectInfo.info.hwAssisted ? preferred : plain) = codec;
        }
        OMF_CHECK(file, omfsTableNextEntry(&iterator, &found));
    }
    const omfCodecDef_t* chosen = preferred != nullptr ? preferred : plain;
    if (chosen == nullptr) OMF_RAISE(file, OM_ERR_INVALID_CODEC);
    *definition = *chosen;
    return 0;
}

} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmChooseCodec(omfHdl_t file, omfObject_t descriptor, omfCodecDef_t* definition) {
    OMF_CHECK(file, checkMediaFile(file));
    if (definition == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    OMF_CHECK(file, chooseCodecFor(file, descriptor, definition));
    return 0;
}

omfErr_t omfmCodecNumChannels(omfHdl_t file, omfObject_t fileMob, omfObject_t mediaKind,
                              omfInt16* count) {
    OMF_CHECK(file, checkMediaFile(file));
    if (fileMob == nullptr) OMF_RAISE(file, OM_ERR_NULL_OBJECT);
    if (count == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *count = 0;
    omfObject_t descriptor = nullptr;
    OMF_CHECK(file, omfiMobGetDescriptor(file, fileMob, &descriptor));
    omfCodecDef_t codec{};
    OMF_CHECK(file, chooseCodecFor(file, descriptor, &codec));
    omfCodecParms_t parms{};
    parms.spc.numChannels.fileMob = fileMob;
    parms.spc.numChannels.mediaKind = mediaKind;
    OMF_CHECK(file, runOperation(codec, kCodecOpNumChannels, parms, nullptr, file));
    *count = parms.spc.numChannels.numChannels;
    return 0;
}

} // extern "C"
