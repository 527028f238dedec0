// Creating media for writing.
#include "media/internal/codec_registry.h"
#include "media/internal/media_handles.h"
#include "omf/internal/error_flow.h"
#include "omf/omf_access.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"
#include "omf/resolve/resolution.h"

#include <ctime>

namespace omf::media {
namespace {

constexpr omfInt32 kCodecIDSize = 64;

// The codec of new media: the one its descriptor's KitCodecID names (the
// rest of the text after ':' is its variety), else the one chosen for the
// descriptor.
omfErr_t codecForNewMedia(omfMediaRec& media) {
    omfHdl_t file = media.file;
    if (file->rawFile) {
        if (omfmLookupCodec(file->session, file->rawCodecID.c_str(), &media.codec) != 0) {
            OMF_RAISE(file, OM_ERR_INVALID_CODEC);
        }
        return 0;
    }
    if (omfsPropertyPresent(file, media.descriptor, kOmfProperty_MDES_KitCodecID,
                            kOmfType_String)) {
        char text[kCodecIDSize] = {};
        OMF_CHECK(file, omfsReadString(file, media.descriptor, kOmfProperty_MDES_KitCodecID, text,
                                       kCodecIDSize));
        text[kCodecIDSize - 1] = '\0';
        std::string id;
        splitCodecID(text, &id, &media.codecVariety);
        if (omfmLookupCodec(file->session, id.c_str(), &media.codec) != 0) {
            OMF_RAISE(file, OM_ERR_INVALID_CODEC);
        }
        return 0;
    }
    OMF_CHECK(file, chooseCodecFor(file, media.descriptor, &media.codec));
    return 0;
}

// Makes the data object of the codec's data class and enters it in the file
// under the file mob's ID.
omfErr_t createDataObject(omfMediaRec& media) {
    omfHdl_t file = media.file;
    omfCodecMetaInfo_t info{};
    OMF_CHECK(file, describeCodec(media.codec, media.codecVariety ? media.codecVariety->c_str()
                                                                  : nullptr,
                                  nullptr, 0, &info));
    if (info.dataClass == nullptr) OMF_RAISE(file, OM_ERR_INVALID_CODEC);
    omfUID_t mobID{};
    OMF_CHECK(file, omfiReadMobID(file, media.fileMob, &mobID));
    OMF_CHECK(file, omfsObjectNew(file, info.dataClass, &media.dataObject));
    omfTimeStamp_t now{uint32_t(std::time(nullptr)), 1};
    OMF_CHECK(file, omfsWriteTimeStamp(file, file->head,
                                       file->revision == kOmfRev2x ? kOmfProperty_HEAD_LastModified
                                                                   : kOmfProperty_LastModified,
                                       now));
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, omfsWriteUID(file, media.dataObject, kOmfProperty_MDAT_MobID, mobID));
        OMF_CHECK(file, omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_MediaData,
                                              media.dataObject));
    } else {
        OMF_CHECK(file, omfsAppendMobIndex(file, file->head, kOmfProperty_MediaData, mobID,
                                           media.dataObject));
    }
    OMF_CHECK(file, omfsTableAddUID(file->mediaDataTable.get(), mobID, media.dataObject,
                                    kOmfTableReplace));
    return 0;
}

} // namespace
} // namespace omf::media

using namespace omf;
using namespace omf::media;

extern "C" {

omfErr_t omfmCreateMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                         omfObject_t fileMob, omfObject_t mediaKind, omfRational_t sampleRate,
                         omfUInt32 rawTransfer, omfMediaHdl_t* result) {
    OMF_CHECK(file, checkMediaFile(file));
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    if (!file->rawFile && fileMob == nullptr) OMF_RAISE(file, OM_ERR_INVALID_FILE_MOB);

    MediaOwner media;
    OMF_CHECK(file, newMediaHandle(file, fileMob, &media));
    media->masterMob = masterMob;
    media->trackID = trackID;
    media->rawTransfer = rawTransfer;
    media->openMode = kMediaCreated;
    media->channels.push_back(MediaChannel{mediaKind, omfInt32(trackID), 1, sampleRate, 0});
    if (!file->rawFile) {
        OMF_CHECK(file, omfiMobGetDescriptor(file, fileMob, &media->descriptor));
        OMF_CHECK(file, omfsWriteRational(file, media->descriptor, kOmfProperty_MDFL_SampleRate,
                                          sampleRate));
    }
    OMF_CHECK(file, codecForNewMedia(*media));

    if (!file->rawFile) {
        if (file->revision == kOmfRev2x) {
            omfUID_t mobID{};
            OMF_CHECK(file, omfiReadMobID(file, fileMob, &mobID));
            omfObject_t registered = nullptr;
            OMF_CHECK(file, resolve::mobByID(file, mobID, &registered));
            if (registered == nullptr) OMF_RAISE(file, OM_ERR_MISSING_MOB_ID);
        }
        if (masterMob != nullptr) OMF_CHECK(file, ensureMasterTrack(*media, trackID, 1));
        OMF_CHECK(file, createDataObject(*media));
        media->dataContainer = file->container;
    }

    omfCodecParms_t parms{};
    OMF_CHECK(file, callCodec(media.get(), kCodecOpCreate, parms));
    // Codecs without fields refuse a line map; that is no failure of the create.
    omfmPutLineMap(media.get(), 0, 2);
    *result = media.release();
    return 0;
}

omfErr_t omfmCreateVideoMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                              omfObject_t fileMob, omfUInt32 rawTransfer, omfRational_t editRate,
                              omfInt32 storedHeight, omfInt32 storedWidth,
                              omfFrameLayout_t frameLayout, omfRational_t aspectRatio,
                              omfMediaHdl_t* result) {
    OMF_CHECK(file, checkMediaFile(file));
    if (result == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    *result = nullptr;
    omfMediaHdl_t media = nullptr;
    OMF_CHECK(file, omfmCreateMedia(file, masterMob, trackID, fileMob, file->pictureKind, editRate,
                                    rawTransfer, &media));
    omfFormatEntry_t list[4] = {};
    list[0].opcode = kOmfFrameLayout;
    list[0].operand.int32 = frameLayout;
    list[1].opcode = kOmfStoredRect;
    list[1].operand.rect = omfRect_t{0, 0, storedWidth, storedHeight};
    list[2].opcode = kOmfAspectRatio;
    list[2].operand.ratio = aspectRatio;
    list[3].opcode = kOmfVFmtEnd;
    omfErr_t status = codecInfo(media, true, kMediaInfoVideoFormat, file->pictureKind,
                                omfInt32(sizeof list), list);
    if (status != 0) {
        // The handle never reaches the caller; closing it releases the codec's state.
        omfmCloseMedia(media);
        return propagate(file, status, __FILE__, __LINE__);
    }
    *result = media;
    return 0;
}

omfErr_t omfmSetRawFileCodec(omfHdl_t file, const char* codecID) {
    OMF_CHECK(file, checkMediaFile(file));
    if (codecID == nullptr) OMF_RAISE(file, OM_ERR_NULL_PARAM);
    if (!file->rawFile) OMF_RAISE(file, OM_ERR_INVALID_FILE_TYPE);
    file->rawCodecID = codecID;
    return 0;
}

} // extern "C"
