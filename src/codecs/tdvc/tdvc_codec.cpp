// The Avid TDVC codec's entry function: its name and classes, the
// descriptor properties and the data class it registers, and its own
// operations; the rest is the shared picture codec entry
// (video/picture_codec). The codec reads DV media and writes none.
#include "omf/omf_avid_codecs.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"
#include "omf/omf_error_flow.h"
#include "omf/omf_registry.h"
#include "tdvc/tdvc_state.h"
#include "video/picture_codec.h"
#include "video/picture_start.h"

#include <cstdlib>

namespace omf::codecs::tdvc {

namespace {

// DV frames are kept in objects of this class, a kind of image data.
constexpr char kDataClass[] = "TDVC";
constexpr char kDataParentClass[] = "IDAT";

using Registration = video::PropertyRegistration<PropertyCodes>;

constexpr Registration kProperties[] = {
    {"FrameSampleSize", "CDCI", kOmfType_Int32, kOmfRevisionsBoth, &PropertyCodes::frameSampleSize},
    {"ComponentWidth", "CDCI", kOmfType_Int32, kOmfRevisionsBoth, &PropertyCodes::componentWidth},
    {"HorizontalSubsampling", "CDCI", kOmfType_UInt32, kOmfRevisionsBoth,
     &PropertyCodes::horizontalSubsampling},
    {"FirstFrameOffset", "DIDD", kOmfType_Int32, kOmfRevisionsBoth,
     &PropertyCodes::firstFrameOffset},
};

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, video::openPictureAs<TdvcState>},
    {kCodecOpGetInfo, getInfo},
    {kCodecOpPutInfo, putInfo},
    {kCodecOpReadSamples, readSamples},
    // Reading only.
    {kCodecOpWriteSamples, omfmCodecDefaultOperation},
    {kCodecOpSetFrame, setFrame},
    {kCodecOpFrameOffset, frameOffset},
    {kCodecOpSelectInfo, selectInfo},
};

constexpr video::PictureCodecDefinition<PropertyCodes> kCodec{
    "Avid TDVC Codec", "CDCI",     kOmfCodecTDVC, kProperties,
    kOperations,       kDataClass, kOmfRev1x,     kOmfCodecReadsOnly,
};

omfErr_t initTDVC(omfCodecParms_t* parms) {
    OMF_CHECK(nullptr, video::pictureCodecEntry(kCodec, kCodecInit, parms));
    omfErr_t status =
        omfsRegisterClass(parms->spc.init.session, kDataClass, kDataParentClass, kOmfRevisionsBoth);
    if (status != 0) {
        std::free(parms->persistent);
        parms->persistent = nullptr;
        return propagate(nullptr, status, __FILE__, __LINE__);
    }
    return 0;
}

} // namespace

} // namespace omf::codecs::tdvc

extern "C" {

omfErr_t omfCodecTDVC(omfCodecRequest_t request, omfCodecParms_t* parms) {
    using namespace omf::codecs::tdvc;
    if (parms != nullptr && request == kCodecInit) return initTDVC(parms);
    return omf::codecs::video::pictureCodecEntry(kCodec, request, parms);
}

} // extern "C"
