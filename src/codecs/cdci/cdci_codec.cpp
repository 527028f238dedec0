// The CDCI codec's entry function: registering its descriptor properties,
// describing itself and filling the operation table.
#include "builtin_codecs.h"
#include "cdci/cdci_state.h"
#include "video/codec_support.h"

#include "internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"

#include <cstdlib>
#include <cstring>

namespace omf::codecs {

namespace {

constexpr char kCodecName[] = "CDCI Codec (Uncompressed ONLY)";
constexpr char kDescriptorClass[] = "CDCI";
constexpr char kDataClass[] = "IDAT";
constexpr char kCodecID[] = "CDCI";
constexpr omfInt32 kFirstFileRevision = kOmfRev2x;

// One property the codec adds to the session's registry.
struct PropertyRegistration {
    const char* name;
    const char* classID;
    omfType_t type;
    omfRevisionSet_t revisions;
    omfProperty_t cdci::PropertyCodes::*code;
};

constexpr PropertyRegistration kProperties[] = {
    {"ComponentWidth", "CDCI", kOmfType_Int32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::componentWidth},
    {"HorizontalSubsampling", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::horizontalSubsampling},
    {"ColorSiting", "CDCI", kOmfType_ColorSitingType, kOmfRevisionsBoth,
     &cdci::PropertyCodes::colorSiting},
    {"BlackReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::blackReferenceLevel},
    {"WhiteReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::whiteReferenceLevel},
    {"ColorRange", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth, &cdci::PropertyCodes::colorRange},
    {"PaddingBits", "CDCI", kOmfType_Int16, kOmfRevisionsBoth, &cdci::PropertyCodes::paddingBits},
    {"VerticalSubsampling", "CDCI", kOmfType_Int32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::verticalSubsampling},
    {"DIDResolutionID", "DIDD", kOmfType_Int32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::resolutionID},
    // A four-letter tag: an ObjectTag in 1.x files, a ClassID in 2.x files.
    {"DIDCompressMethod", "DIDD", kOmfType_ObjectTag, kOmfRevisions1x,
     &cdci::PropertyCodes::compressMethod},
    {"DIDCompressMethod", "DIDD", kOmfType_ClassID, kOmfRevisions2x,
     &cdci::PropertyCodes::compressMethod},
    {"FirstFrameOffset", "DIDD", kOmfType_Int32, kOmfRevisionsBoth,
     &cdci::PropertyCodes::firstFrameOffset},
};

omfErr_t initialize(omfCodecParms_t* parms) {
    auto* codes = static_cast<cdci::PropertyCodes*>(std::calloc(1, sizeof(cdci::PropertyCodes)));
    if (codes == nullptr) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
    for (const PropertyRegistration& property : kProperties) {
        omfErr_t status =
            omfsRegisterProperty(parms->spc.init.session, property.name, property.classID,
                                 property.type, property.revisions, &(codes->*property.code));
        if (status != 0) {
            std::free(codes);
            return omf::propagate(nullptr, status, __FILE__, __LINE__);
        }
    }
    parms->persistent = codes;
    return 0;
}

omfErr_t describe(omfCodecParms_t* parms) {
    auto& request = parms->spc.describe;
    if (request.name != nullptr && request.nameLength > 0) {
        std::memset(request.name, 0, static_cast<size_t>(request.nameLength));
        std::strncpy(request.name, kCodecName, static_cast<size_t>(request.nameLength));
    }
    request.info.descriptorClass = kDescriptorClass;
    request.info.dataClass = kDataClass;
    request.info.codecID = kCodecID;
    request.info.revision = kOmfCodecRevision;
    request.info.dataKind = video::kPictureKind;
    request.info.minFileRevision = kFirstFileRevision;
    request.info.hasMaxFileRevision = false;
    request.info.maxFileRevision = 0;
    return 0;
}

omfErr_t fillTable(omfCodecParms_t* parms) {
    omfCodecOperation_t* table = parms->spc.fillTable.table;
    if (table == nullptr || parms->spc.fillTable.count < kOmfCodecTableSize) {
        OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC_OPERATION);
    }
    table[kCodecOpOpen] = cdci::open;
    table[kCodecOpCreate] = cdci::create;
    table[kCodecOpGetInfo] = cdci::getInfo;
    table[kCodecOpPutInfo] = cdci::putInfo;
    table[kCodecOpReadSamples] = cdci::readSamples;
    table[kCodecOpWriteSamples] = cdci::writeSamples;
    table[kCodecOpReadLines] = cdci::readLines;
    table[kCodecOpWriteLines] = cdci::writeLines;
    table[kCodecOpClose] = cdci::close;
    table[kCodecOpSetFrame] = cdci::setFrame;
    table[kCodecOpFrameOffset] = cdci::frameOffset;
    table[kCodecOpNumChannels] = video::pictureChannels;
    table[kCodecOpSelectInfo] = cdci::selectInfo;
    return 0;
}

} // namespace

omfErr_t cdciCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    if (parms == nullptr) return OM_ERR_NULL_PARAM;
    switch (request) {
    case kCodecInit:
        return initialize(parms);
    case kCodecDescribe:
        return describe(parms);
    case kCodecFillTable:
        return fillTable(parms);
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

} // namespace omf::codecs
