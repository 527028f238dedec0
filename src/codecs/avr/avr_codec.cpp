// The AVR codec's entry function: the properties init registers, describe,
// and the operation table.
#include "omf/omf_avid_codecs.h"

#include "avr/avr_codec.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "video/codec_support.h"
#include "video/picture_codec.h"

namespace omf::codecs::avr {

namespace {

using Registration = video::PropertyRegistration<AvrData>;

// The component properties of the CDCI descriptors written for uncompressed
// and JFIF resolutions, and the resolution ID.
constexpr Registration kProperties[] = {
    {"ComponentWidth", "CDCI", kOmfType_Int32, kOmfRevisionsBoth, &AvrData::componentWidth},
    {"HorizontalSubsampling", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &AvrData::horizontalSubsampling},
    {"ColorSiting", "CDCI", kOmfType_ColorSitingType, kOmfRevisionsBoth, &AvrData::colorSiting},
    {"BlackReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &AvrData::blackReferenceLevel},
    {"WhiteReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &AvrData::whiteReferenceLevel},
    {"DIDResolutionID", "DIDD", kOmfType_Int32, kOmfRevisionsBoth, &AvrData::resolutionID},
};

template <omfCodecOperationIndex_t Slot>
omfErr_t delegated(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file) {
    return delegateOperation(Slot, parms, media, file);
}

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, delegated<kCodecOpOpen>},
    {kCodecOpCreate, createAVR},
    {kCodecOpGetInfo, delegated<kCodecOpGetInfo>},
    {kCodecOpPutInfo, delegated<kCodecOpPutInfo>},
    {kCodecOpReadSamples, delegated<kCodecOpReadSamples>},
    {kCodecOpWriteSamples, delegated<kCodecOpWriteSamples>},
    {kCodecOpReadLines, delegated<kCodecOpReadLines>},
    {kCodecOpWriteLines, delegated<kCodecOpWriteLines>},
    {kCodecOpClose, closeAVR},
    {kCodecOpSetFrame, delegated<kCodecOpSetFrame>},
    {kCodecOpFrameOffset, delegated<kCodecOpFrameOffset>},
    // Every codec the AVR codec hands work to keeps one channel of pictures.
    {kCodecOpNumChannels, video::pictureChannels},
    {kCodecOpInitDescriptor, initDescriptorAVR},
    {kCodecOpVarietyCount, varietyCount},
    {kCodecOpVarietyName, varietyName},
};

omfErr_t initAVR(omfCodecParms_t* parms) {
    OMF_CHECK(nullptr, video::registerProperties<AvrData>(parms, kProperties));
    static_cast<AvrData*>(parms->persistent)->session = parms->spc.init.session;
    return 0;
}

omfErr_t fillTable(omfCodecParms_t* parms) {
    omfCodecOperation_t* table = parms->spc.fillTable.table;
    if (table == nullptr || parms->spc.fillTable.count < kOmfCodecTableSize) {
        OMF_RAISE(nullptr, OM_ERR_INVALID_CODEC_OPERATION);
    }
    for (const video::OperationEntry& entry : kOperations)
        table[entry.slot] = entry.operation;
    return 0;
}

} // namespace

} // namespace omf::codecs::avr

extern "C" {

omfErr_t omfCodecAVR(omfCodecRequest_t request, omfCodecParms_t* parms) {
    using namespace omf::codecs::avr;
    if (parms == nullptr) return OM_ERR_NULL_PARAM;
    switch (request) {
    case kCodecInit:
        return initAVR(parms);
    case kCodecDescribe:
        return describeAVR(parms);
    case kCodecFillTable:
        return fillTable(parms);
    default:
        return OM_ERR_INVALID_CODEC_OPERATION;
    }
}

} // extern "C"
