// The Avid JPEG codec: JPEG media whose frames share the tables stored on
// the descriptor, read and written through the JPEG codec's operations.
#include "avid_jpeg/avid_jpeg_state.h"
#include "jpeg/jpeg_codec_table.h"
#include "omf/omf_avid_codecs.h"
#include "omf/omf_codec_ids.h"
#include "video/picture_codec.h"
#include "video/picture_selection.h"
#include "video/picture_start.h"

#include "omf/omf_error_flow.h"
#include "video/descriptor_values.h"

#include <cstring>

namespace omf::codecs::avid_jpeg {

namespace {

using Registration = video::PropertyRegistration<PropertyCodes>;

constexpr Registration kProperties[] = {
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
    {"VerticalSubsampling", "CDCI", kOmfType_Int32, kOmfRevisionsBoth,
     &PropertyCodes::verticalSubsampling},
    {"FirstFrameOffset", "DIDD", kOmfType_Int32, kOmfRevisionsBoth,
     &PropertyCodes::firstFrameOffset},
    {"FrameIndex", "JPEG", kOmfType_DataValue, kOmfRevisions2x, &PropertyCodes::frameIndexData},
    {"FrameIndex", "JPEG", kOmfType_VarLenBytes, kOmfRevisions1x, &PropertyCodes::frameIndexData},
    {"QuantizationTables", "JPED", kOmfType_VarLenBytes, kOmfRevisions1x,
     &PropertyCodes::quantizationTables},
    {"QntznTbl", "JPED", kOmfType_DataValue, kOmfRevisions2x, &PropertyCodes::qntznTbl},
    {"DIDResolutionID", "DIDD", kOmfType_Int32, kOmfRevisionsBoth, &PropertyCodes::resolutionID},
    {"DIDCompressMethod", "DIDD", kOmfType_ObjectTag, kOmfRevisions1x,
     &PropertyCodes::compressMethod},
    {"DIDCompressMethod", "DIDD", kOmfType_ClassID, kOmfRevisions2x,
     &PropertyCodes::compressMethod},
};

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, video::openPictureAs<AvidJpegState>},
    {kCodecOpCreate, video::createPictureAs<AvidJpegState>},
    {kCodecOpGetInfo, jpeg::jpegGetInfo},
    {kCodecOpPutInfo, jpeg::jpegPutInfo},
    {kCodecOpReadSamples, jpeg::jpegReadSamples},
    {kCodecOpWriteSamples, jpeg::jpegWriteSamples},
    {kCodecOpClose, jpeg::jpegClose},
    {kCodecOpSetFrame, jpeg::jpegSetFrame},
    {kCodecOpFrameOffset, jpeg::jpegFrameOffset},
    {kCodecOpSelectInfo, avidJpegSelectInfo},
};

constexpr video::PictureCodecDefinition<PropertyCodes> kCodec{"Avid JPEG Codec (Compressed ONLY)",
                                                              "JPED",
                                                              kOmfCodecAvidJPEG,
                                                              kProperties,
                                                              kOperations,
                                                              jpeg::kJpegTag,
                                                              kOmfRev1x,
                                                              kOmfCodecTakesQuantTables};

// The average sample size the codec answers: it cannot tell one from the
// descriptor without reading the index.
constexpr omfInt32 kSizeEstimate = 4;

omfErr_t readSelection(omfHdl_t file, omfObject_t descriptor, const void*, bool* willHandle,
                       omfInt32* bits) {
    char compression[16];
    OMF_CHECK(file, video::readCompressionText(file, descriptor, compression));
    *willHandle = std::strcmp(compression, kAvidJpegTag) == 0 ||
                  std::strcmp(compression, kAvidJpegNumber) == 0;
    *bits = 0;
    return 0;
}

} // namespace

omfErr_t avidJpegSelectInfo(omfCodecParms_t* parms, omfMediaHdl_t, omfHdl_t file) {
    OMF_CHECK(file, video::selectPicture(file, parms, readSelection));
    parms->spc.selectInfo.info.avgBitsPerSec = kSizeEstimate;
    return 0;
}

} // namespace omf::codecs::avid_jpeg

extern "C" omfErr_t omfCodecAvidJPEG(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return omf::codecs::jpeg::jpegFamilyEntry(omf::codecs::avid_jpeg::kCodec, request, parms);
}
