// What the JPEG and Avid JFIF codecs share: the properties they register at
// init and their operation table.
#pragma once

#include "jpeg/jpeg_state.h"
#include "video/picture_codec.h"
#include "video/picture_start.h"

#include <span>

namespace omf::codecs::jpeg {

using Registration = video::PropertyRegistration<PropertyCodes>;

inline constexpr Registration kJpegPropertyList[] = {
    {"ComponentWidth", "CDCI", kOmfType_Int32, kOmfRevisionsBoth, &PropertyCodes::componentWidth},
    {"HorizontalSubsampling", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &PropertyCodes::horizontalSubsampling},
    {"ColorSiting", "CDCI", kOmfType_ColorSitingType, kOmfRevisionsBoth,
     &PropertyCodes::colorSiting},
    {"BlackReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &PropertyCodes::blackReferenceLevel},
    {"WhiteReferenceLevel", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &PropertyCodes::whiteReferenceLevel},
    {"ColorRange", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth, &PropertyCodes::colorRange},
    {"PaddingBits", "CDCI", kOmfType_Int16, kOmfRevisionsBoth, &PropertyCodes::paddingBits},
    // Read with the component description; the same names as component video's.
    {"VerticalSubsampling", "CDCI", kOmfType_Int32, kOmfRevisionsBoth,
     &PropertyCodes::verticalSubsampling},
    {"FirstFrameOffset", "DIDD", kOmfType_Int32, kOmfRevisionsBoth,
     &PropertyCodes::firstFrameOffset},
    // Both revisions: media of Avid's JFIF resolutions is written into 1.x files too.
    {"FrameIndex", "JPEG", kOmfType_Position32Array, kOmfRevisionsBoth, &PropertyCodes::frameIndex},
    {"FrameIndexExt", "JPEG", kOmfType_Position64Array, kOmfRevisionsBoth,
     &PropertyCodes::frameIndexExt},
    {"DIDResolutionID", "DIDD", kOmfType_Int32, kOmfRevisionsBoth, &PropertyCodes::resolutionID},
    // A four-letter tag: an ObjectTag in 1.x files, a ClassID in 2.x files.
    {"DIDCompressMethod", "DIDD", kOmfType_ObjectTag, kOmfRevisions1x,
     &PropertyCodes::compressMethod},
    {"DIDCompressMethod", "DIDD", kOmfType_ClassID, kOmfRevisions2x,
     &PropertyCodes::compressMethod},
    {"FrameIndexByteOrder", "DIDD", kOmfType_Int16, kOmfRevisionsBoth,
     &PropertyCodes::frameIndexByteOrder},
    {"OffsetToFrameIndexes", "JPED", kOmfType_Int64, kOmfRevisionsBoth,
     &PropertyCodes::offsetToFrameIndexes},
};
inline constexpr std::span<const Registration> kJpegProperties{kJpegPropertyList};

inline constexpr video::OperationEntry kJpegOperationList[] = {
    {kCodecOpOpen, video::openPictureAs<JpegState>},
    {kCodecOpCreate, video::createPictureAs<JpegState>},
    {kCodecOpGetInfo, jpegGetInfo},
    {kCodecOpPutInfo, jpegPutInfo},
    {kCodecOpReadSamples, jpegReadSamples},
    {kCodecOpWriteSamples, jpegWriteSamples},
    {kCodecOpClose, jpegClose},
    {kCodecOpSetFrame, jpegSetFrame},
    {kCodecOpFrameOffset, jpegFrameOffset},
    {kCodecOpSelectInfo, jpegSelectInfo},
};
inline constexpr std::span<const video::OperationEntry> kJpegOperations{kJpegOperationList};

// Declares "JPED", the descriptor class of Avid's JPEG media, a kind of
// component video descriptor.
omfErr_t declareJpegDescriptorClass(omfSessionHdl_t session);

// The entry function of a JPEG family codec: the picture codec entry, with
// the descriptor class declared at init.
template <typename Codes>
omfErr_t jpegFamilyEntry(const video::PictureCodecDefinition<Codes>& codec,
                         omfCodecRequest_t request, omfCodecParms_t* parms) {
    if (parms != nullptr && request == kCodecInit) {
        if (omfErr_t status = declareJpegDescriptorClass(parms->spc.init.session)) return status;
    }
    return video::pictureCodecEntry(codec, request, parms);
}

} // namespace omf::codecs::jpeg
