// The TIFF codec's entry function: its name and classes, the descriptor
// property it registers, and its operation table. The operations it shares
// with the other picture codecs come from video/picture_codec; its own
// replace them where TIFF images differ. Init also keeps the session, for
// the variety operations; describe answers per variety.
#include "builtin_codecs.h"
#include "omf/omf_codec_ids.h"
#include "tiff/tiff_state.h"
#include "tiff/tiff_variety.h"
#include "video/picture_codec.h"

namespace omf::codecs {

namespace {

constexpr char kName[] = "TIFF Codec (1.5 Compatability)";
constexpr char kDescriptorClass[] = "TIFD";
constexpr char kDataClass[] = "TIFF";
// TIFF media exists in files of every revision.
constexpr omfInt32 kFirstFileRevision = kOmfRev1x;

using Registration = video::PropertyRegistration<tiff::PropertyCodes>;

constexpr Registration kProperties[] = {
    {"FP16QTables", kDescriptorClass, kOmfType_DataValue, kOmfRevisionsBoth,
     &tiff::PropertyCodes::fp16QTables},
};

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, tiff::openTiff},
    {kCodecOpCreate, tiff::createTiff},
    {kCodecOpGetInfo, tiff::getTiffInfo},
    {kCodecOpPutInfo, tiff::putTiffInfo},
    {kCodecOpReadSamples, tiff::tiffReadSamples},
    {kCodecOpWriteSamples, tiff::tiffWriteSamples},
    {kCodecOpClose, tiff::tiffClose},
    {kCodecOpSetFrame, tiff::tiffSetFrame},
    {kCodecOpFrameOffset, tiff::tiffFrameOffset},
    {kCodecOpSelectInfo, tiff::tiffSelectInfo},
    {kCodecOpInitDescriptor, tiff::tiffInitDescriptor},
    {kCodecOpVarietyCount, tiff::tiffVarietyCount},
    {kCodecOpVarietyName, tiff::tiffVarietyName},
};

constexpr video::PictureCodecDefinition<tiff::PropertyCodes> kCodec{
    kName,       kDescriptorClass, kOmfCodecTIFF,     kProperties,
    kOperations, kDataClass,       kFirstFileRevision};

} // namespace

omfErr_t tiffCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    if (parms == nullptr) return OM_ERR_NULL_PARAM;
    switch (request) {
    case kCodecInit:
        OMF_CHECK(nullptr, video::pictureCodecEntry(kCodec, request, parms));
        static_cast<tiff::PropertyCodes*>(parms->persistent)->session = parms->spc.init.session;
        return 0;
    case kCodecDescribe: {
        // The capabilities depend on the variety described.
        omfUInt32 capabilities = 0;
        OMF_CHECK(nullptr, tiff::varietyCapabilities(parms->spc.describe.variety, &capabilities));
        return video::describePicture(parms, kCodec.name, kCodec.descriptorClass, kCodec.dataClass,
                                      kCodec.codecID, kCodec.minFileRevision, capabilities);
    }
    default:
        return video::pictureCodecEntry(kCodec, request, parms);
    }
}

} // namespace omf::codecs
