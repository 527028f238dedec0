// The RGBA codec's entry function: registering its descriptor properties,
// describing itself and filling the operation table.
#include "builtin_codecs.h"
#include "rgba/rgba_state.h"
#include "video/codec_support.h"

#include "internal/error_flow.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_registry.h"

#include <cstdlib>
#include <cstring>

namespace omf::codecs {

namespace {

constexpr char kCodecName[] = "RGBA Codec";
constexpr char kDescriptorClass[] = "RGBA";
constexpr char kDataClass[] = "IDAT";
constexpr char kCodecID[] = "RGBA";
constexpr omfInt32 kFirstFileRevision = kOmfRev2x;

struct PropertyRegistration {
    const char* name;
    omfType_t type;
    omfProperty_t rgba::PropertyCodes::*code;
};

// All of class "RGBA", in every file revision.
constexpr PropertyRegistration kProperties[] = {
    {"PixelLayout", kOmfType_CompCodeArray, &rgba::PropertyCodes::pixelLayout},
    {"PixelStructure", kOmfType_CompSizeArray, &rgba::PropertyCodes::pixelStructure},
    {"Palette", kOmfType_DataValue, &rgba::PropertyCodes::palette},
    {"PaletteLayout", kOmfType_CompCodeArray, &rgba::PropertyCodes::paletteLayout},
    {"PaletteStructure", kOmfType_CompSizeArray, &rgba::PropertyCodes::paletteStructure},
};

omfErr_t initialize(omfCodecParms_t* parms) {
    auto* codes = static_cast<rgba::PropertyCodes*>(std::calloc(1, sizeof(rgba::PropertyCodes)));
    if (codes == nullptr) OMF_RAISE(nullptr, OM_ERR_NO_MEMORY);
    for (const PropertyRegistration& property : kProperties) {
        omfErr_t status =
            omfsRegisterProperty(parms->spc.init.session, property.name, kDescriptorClass,
                                 property.type, kOmfRevisionsBoth, &(codes->*property.code));
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
    table[kCodecOpOpen] = rgba::open;
    table[kCodecOpCreate] = rgba::create;
    table[kCodecOpGetInfo] = rgba::getInfo;
    table[kCodecOpPutInfo] = rgba::putInfo;
    table[kCodecOpReadSamples] = rgba::readSamples;
    table[kCodecOpWriteSamples] = rgba::writeSamples;
    table[kCodecOpClose] = rgba::close;
    table[kCodecOpSetFrame] = rgba::setFrame;
    table[kCodecOpFrameOffset] = rgba::frameOffset;
    table[kCodecOpNumChannels] = video::pictureChannels;
    table[kCodecOpSelectInfo] = rgba::selectInfo;
    return 0;
}

} // namespace

omfErr_t rgbaCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
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
