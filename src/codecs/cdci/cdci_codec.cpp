// The CDCI codec's entry function: its name and classes, the descriptor
// properties it registers, and its own operations; the rest is the shared
// picture codec entry (video/picture_codec).
#include "builtin_codecs.h"
#include "cdci/cdci_state.h"
#include "omf/omf_codec_ids.h"
#include "video/picture_codec.h"
#include "video/picture_start.h"

namespace omf::codecs {

namespace {

using Registration = video::PropertyRegistration<cdci::PropertyCodes>;

constexpr Registration kProperties[] = {
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

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, video::openPictureAs<cdci::CdciState>},
    {kCodecOpCreate, video::createPictureAs<cdci::CdciState>},
    {kCodecOpReadLines, cdci::readLines},
    {kCodecOpWriteLines, cdci::writeLines},
    {kCodecOpSelectInfo, cdci::selectInfo},
};

constexpr video::PictureCodecDefinition<cdci::PropertyCodes> kCodec{
    "CDCI Codec (Uncompressed ONLY)", "CDCI", kOmfCodecCDCI, kProperties, kOperations};

} // namespace

omfErr_t cdciCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return video::pictureCodecEntry(kCodec, request, parms);
}

} // namespace omf::codecs
