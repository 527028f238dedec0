// The RGBA codec's entry function: its name and classes, the descriptor
// properties it registers, and its own operations; the rest is the shared
// picture codec entry (video/picture_codec).
#include "builtin_codecs.h"
#include "omf/omf_codec_ids.h"
#include "rgba/rgba_state.h"
#include "video/picture_codec.h"
#include "video/picture_start.h"

namespace omf::codecs {

namespace {

using Registration = video::PropertyRegistration<rgba::PropertyCodes>;

// All of class "RGBA", in every file revision.
constexpr Registration kProperties[] = {
    {"PixelLayout", "RGBA", kOmfType_CompCodeArray, kOmfRevisionsBoth,
     &rgba::PropertyCodes::pixelLayout},
    {"PixelStructure", "RGBA", kOmfType_CompSizeArray, kOmfRevisionsBoth,
     &rgba::PropertyCodes::pixelStructure},
    {"Palette", "RGBA", kOmfType_DataValue, kOmfRevisionsBoth, &rgba::PropertyCodes::palette},
    {"PaletteLayout", "RGBA", kOmfType_CompCodeArray, kOmfRevisionsBoth,
     &rgba::PropertyCodes::paletteLayout},
    {"PaletteStructure", "RGBA", kOmfType_CompSizeArray, kOmfRevisionsBoth,
     &rgba::PropertyCodes::paletteStructure},
};

constexpr video::OperationEntry kOperations[] = {
    {kCodecOpOpen, video::openPictureAs<rgba::RgbaState>},
    {kCodecOpCreate, video::createPictureAs<rgba::RgbaState>},
    {kCodecOpSelectInfo, rgba::selectInfo},
};

constexpr video::PictureCodecDefinition<rgba::PropertyCodes> kCodec{
    "RGBA Codec", "RGBA", kOmfCodecRGBA, kProperties, kOperations};

} // namespace

omfErr_t rgbaCodec(omfCodecRequest_t request, omfCodecParms_t* parms) {
    return video::pictureCodecEntry(kCodec, request, parms);
}

} // namespace omf::codecs
