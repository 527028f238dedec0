// Creating OMF files.
#include "omf/internal/access_support.h"
#include "omf/internal/error_flow.h"
#include "omf/internal/file_support.h"
#include "omf/internal/registry.h"
#include "omf/omf_access.h"
#include "omf/omf_registry.h"
#include "omf/omf_session.h"

#include <ctime>

namespace omf {

namespace {

constexpr omfInt32 kNewMobTableBuckets = 1000;
constexpr omfInt32 kNewMediaDataBuckets = 200;

// The data kinds every 2.x file defines, in this order.
constexpr const char* kStandardDataKinds[] = {
    "NoDatakind", "Char",      "UInt8",   "UInt16",      "UInt32",   "Int8",
    "Int16",      "Int32",     "Rational", "Boolean",    "String",   "ColorSpace",
    "Color",      "Distance",  "Point",   "DirectionCode", "Polynomial", "Matte",
    "Picture",    "Sound",     "PictureWithMatte", "StereoSound", "Timecode", "Edgecode",
};

omfTimeStamp_t now() {
    return omfTimeStamp_t{static_cast<uint32_t>(std::time(nullptr)), 1};
}

omfErr_t writeHead(omfHdl_t file) {
    bool is2x = file->revision == kOmfRev2x;
    omfErr_t status = is2x ? omfsWriteClassID(file, file->head, kOmfProperty_OOBJ_ObjClass, "HEAD")
                           : omfsWriteObjectTag(file, file->head, kOmfProperty_ObjID, "HEAD");
    if (status != 0) OMF_RAISE(file, OM_ERR_NO_BYTE_ORDER);
    omfVersionType_t version{static_cast<uint8_t>(is2x ? 2 : 1), 0};
    if (omfsWriteVersionType(file, file->head, kOmfProperty_HEAD_Version, version) != 0)
        OMF_RAISE(file, OM_ERR_INVALID_HEAD);
    if (omfsWriteInt16(file, file->head,
                       is2x ? kOmfProperty_HEAD_ByteOrder : kOmfProperty_ByteOrder,
                       static_cast<omfInt16>(file->byteOrder)) != 0) {
        OMF_RAISE(file, OM_ERR_NO_BYTE_ORDER);
    }
    OMF_CHECK(file, omfsWriteTimeStamp(
                        file, file->head,
                        is2x ? kOmfProperty_HEAD_LastModified : kOmfProperty_LastModified, now()));
    return 0;
}

omfErr_t writeToolkitVersion(omfHdl_t file) {
    switch (file->revision) {
    case kOmfRev1x:
        OMF_CHECK(file,
                  omfsWriteVersionType(file, file->head, kOmfProperty_HEAD_ToolkitVersion, {1, 0}));
        break;
    case kOmfRevIMA:
        OMF_CHECK(file,
                  omfsWriteVersionType(file, file->head, kOmfProperty_HEAD_ToolkitVersion, {2, 2}));
        break;
    case kOmfRev2x: {
        const omfInt32 version[3] = {2, 2, 0};
        OMF_CHECK(file, omfsWriteInt32Array(file, file->head, kOmfProperty_HEAD_ToolkitVersion,
                                            version, 3));
        break;
    }
    }
    return 0;
}

// The session's product identification as an IDNT object in IdentificationList.
omfErr_t writeIdentification(omfHdl_t file) {
    const ProductIdentification& ident = file->session->identification;
    omfObject_t idnt = nullptr;
    OMF_CHECK(file, omfsObjectNew(file, "IDNT", &idnt));
    OMF_CHECK(file, omfsWriteString(file, idnt, kOmfProperty_IDNT_CompanyName,
                                    ident.companyName.c_str()));
    OMF_CHECK(file, omfsWriteString(file, idnt, kOmfProperty_IDNT_ProductName,
                                    ident.productName.c_str()));
    OMF_CHECK(file, omfsWriteProductVersion(file, idnt, kOmfProperty_IDNT_ProductVersion,
                                            ident.productVersion));
    OMF_CHECK(file, omfsWriteString(file, idnt, kOmfProperty_IDNT_ProductVersionString,
                                    ident.productVersionString.c_str()));
    OMF_CHECK(file, omfsWriteInt32(file, idnt, kOmfProperty_IDNT_ProductID, ident.productID));
    OMF_CHECK(file, omfsWriteTimeStamp(file, idnt, kOmfProperty_IDNT_Date, now()));
    omfProductVersion_t toolkit{2, 2, 0, kVersionReleased, 0};
    OMF_CHECK(file, omfsWriteProductVersion(file, idnt, kOmfProperty_IDNT_ToolkitVersion, toolkit));
    OMF_CHECK(file,
              omfsWriteString(file, idnt, kOmfProperty_IDNT_Platform, ident.platform.c_str()));
    OMF_CHECK(file, omfsWriteInt16(file, idnt, kOmfProperty_IDNT_IDByteOrder,
                                   static_cast<omfInt16>(file->byteOrder)));
    OMF_CHECK(file,
              omfsAppendObjRefArray(file, file->head, kOmfProperty_HEAD_IdentificationList, idnt));
    return 0;
}

omfErr_t buildNewFile(omfHdl_t file, const char* fileName) {
    CMSession bento = file->session->bento;
    CMRefCon refCon = CMCreateFileRefCon(bento, fileName, nullptr, file);
    OMF_BENTO_CHECK(file, OM_ERR_SESSION_META_HANDLER);
    if (refCon == nullptr) OMF_RAISE(file, OM_ERR_SESSION_META_HANDLER);
    // Revision-0 files get the fixed-entry TOC and label version 1.0.
    CMContainerFlags flags = kCMDefaultFlags;
    if (file->revision == kOmfRev1x) {
        CMSetFileRefConSwapped(refCon, true);
        flags = kCMVersion1TOC;
    }
    file->container =
        CMOpenNewContainer(bento, refCon, CMFileStreamTypeName, kCMWriting, 1, flags);
    OMF_BENTO_CHECK(file, OM_ERR_FILE_OPEN);
    if (file->container == nullptr) OMF_RAISE(file, OM_ERR_FILE_OPEN);
    file->head = CMFindObjectByID(file->container, 1);
    OMF_BENTO_CHECK(file, OM_ERR_INVALID_HEAD);
    if (file->head == nullptr) OMF_RAISE(file, OM_ERR_INVALID_HEAD);

    OMF_CHECK(file, omfsBuildFileRegistry(file));
    OMF_CHECK(file, writeHead(file));
    if (file->revision == kOmfRev2x) {
        OMF_CHECK(file, loadDefinitionTables(file)); // empty tables of a new file
        for (const char* kind : kStandardDataKinds) {
            omfObject_t dataKind = nullptr;
            OMF_CHECK(file, omfsDefineDataKind(file, kind, &dataKind));
        }
    }
    OMF_CHECK(file, cacheStandardDataKinds(file));
    OMF_CHECK(file, newMobTable(file, kNewMobTableBuckets));
    omfTable_t mediaData = nullptr;
    OMF_CHECK(file, omfsNewUIDTable(file, kNewMediaDataBuckets, &mediaData));
    file->mediaDataTable.reset(mediaData);
    OMF_CHECK(file, writeToolkitVersion(file));
    OMF_CHECK(file, writeIdentification(file));
    return 0;
}

} // namespace
} // namespace omf

using namespace omf;

extern "C" omfErr_t omfsNewFile(const char* fileName, omfSessionHdl_t session,
                                omfFileRev_t revision, omfHdl_t* result) {
    if (result == nullptr) return OM_ERR_NULL_PARAM;
    *result = nullptr;
    if (fileName == nullptr) return OM_ERR_NULL_PARAM;
    if (!validSession(session)) return OM_ERR_BAD_SESSION;
    if (revision != kOmfRev1x && revision != kOmfRevIMA && revision != kOmfRev2x)
        return OM_ERR_FILE_REV_UNSUPPORTED;
    if (!session->hasIdentification) return OM_ERR_NEED_PRODUCT_IDENT;
    omfHdl_t file = newFileRecord(session, revision, FileMode::created);
    if (file == nullptr) return OM_ERR_NO_MEMORY;
    omfErr_t status = buildNewFile(file, fileName);
    if (status != 0) {
        discardFileRecord(file);
        return status;
    }
    linkFile(file);
    *result = file;
    return 0;
}
