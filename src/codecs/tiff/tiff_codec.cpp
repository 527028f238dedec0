// The TIFF codec's entry function: its name and classes, the descriptor
// property it registers, and its operation table. The operations it shares
// with the other picture codecs come from video/picture_codec; its own
// replace them where TIFF images differ.
#include "builtin_codecs.h"
#include "omf/omf_codec_ids.h"
#include "tiff/tiff_state.h"
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
};

constexpr video::PictureCodecDefinition<tiff::PropertyCodes> kCodec{
    kName,       kDescriptorClass, kOmfCodecTIFF,      kProperties,
    kOperations, kDataClass,       kFirstFileRevision, kOmfCodecTakesQuantTables};

} // namespace

omfErr_t tiffCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return video::pictureCodecEntry(kCodec, request, parms);
}

} // namespace omf::codecs
