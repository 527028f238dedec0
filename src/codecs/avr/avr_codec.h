// The AVR codec's pieces: its persistent data and its operations. The codec
// owns the resolution table and hands every operation on media to the codec
// that does the work for the resolution (TIFF, Avid JFIF or CDCI).
#pragma once

#include "omf/omf_codec.h"

namespace omf::codecs::avr {

// Persistent data (std::calloc, released by the registry with std::free):
// the codes of the properties init registers, and the session, through
// which describe finds the codec it answers for.
struct AvrData {
    omfProperty_t componentWidth;
    omfProperty_t horizontalSubsampling;
    omfProperty_t colorSiting;
    omfProperty_t blackReferenceLevel;
    omfProperty_t whiteReferenceLevel;
    omfProperty_t resolutionID; // DIDD DIDResolutionID
    omfSessionHdl_t session;
};

// describe: the AVR codec itself without a variety, else the codec its
// first letter names (OM_ERR_BAD_CODEC_VARIETY for another letter,
// OM_ERR_INVALID_CODEC when that codec is not registered).
omfErr_t describeAVR(omfCodecParms_t* parms);

// varietyCount and varietyName: the resolutions, for the picture kind.
omfErr_t varietyCount(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t varietyName(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// Runs operation `slot` of the codec of the handle's resolution, the
// handle carrying that codec's definition for the call
// (OM_ERR_BAD_CODEC_VARIETY for a handle without a valid variety,
// OM_ERR_INVALID_CODEC when that codec is not registered).
omfErr_t delegateOperation(omfCodecOperationIndex_t slot, omfCodecParms_t* parms,
                           omfMediaHdl_t media, omfHdl_t file);
// create, then for JFIF and uncompressed resolutions 8-bit 4:2:2
// components in the file and 8-bit RGB in memory.
omfErr_t createAVR(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
// close, then for uncompressed resolutions written through the handle the
// resolution's DIDResolutionID.
omfErr_t closeAVR(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
// initDescriptor of the codec the variety names.
omfErr_t initDescriptorAVR(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::avr
