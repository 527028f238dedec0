// Codecs a client registers itself with omfmAddCodec after omfmInit (the
// plug-in does, from omfmAvidCodecs): Avid's AVR resolution front end, Avid
// JPEG, Avid JFIF and the Avid TDVC (DV) codec. The toolkit's own codecs are
// registered by omfmInit. Their IDs are in omf/omf_codec_ids.h.
#pragma once

#include "omf/omf_codec.h"
#include "omf/omf_media.h"

extern "C" {

// "Avid AVR Codec", codec ID "AJPG".
omfErr_t omfCodecAVR(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid JPEG Codec (Compressed ONLY)", codec ID "MSM JPEG Codec".
omfErr_t omfCodecAvidJPEG(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid JFIF Codec (Compressed ONLY)", codec ID "CODEC_AVID_JFIF_VIDEO".
omfErr_t omfCodecAvidJFIF(omfCodecRequest_t request, omfCodecParms_t* parms);
// "Avid TDVC Codec", codec ID "MSM TARGA DVC Codec".
omfErr_t omfCodecTDVC(omfCodecRequest_t request, omfCodecParms_t* parms);

// One codec of the list a client registers after omfmInit.
typedef struct {
    omfCodecEntry_t entry;
    // Its media play only through the movie server's DV decoder, so a client registers it
    // only when the server offers one.
    omfBool needsDVDecoder;
} omfAvidCodecEntry_t;

// The Avid codecs in the order a client registers them (AVR, Avid JPEG, Avid JFIF, TDVC);
// `count` gets their number. A new client codec is one row of this list.
const omfAvidCodecEntry_t* omfmAvidCodecs(omfInt32* count);

// One named video resolution of Avid's AVR and JFIF families, as the AVR
// codec's table holds it and as info selector 3 hands it to the codec that
// writes the media: name, DIDResolutionID, compression factor, picture
// sizes for 525- and 625-line video, and the quantisation tables (the
// Annex K tables scaled by the factor for AVR resolutions, by a scale that
// meets the named ratio for JFIF ones). The record is 624 bytes.
typedef struct {
    char name[16];         // zero-terminated, at most 15 characters
    omfInt32 resolutionID; // stored as DIDResolutionID
    omfInt32 factor;       // compression factor (AVR tables: Annex K scaled by factor / 100)
    omfInt32 width;
    omfInt32 height525; // rows per field (two-field resolutions) or frame, 525 lines
    omfInt32 height625;
    omfInt32 leadingLines525; // rows stored above the sampled picture
    omfInt32 leadingLines625;
    omfInt32 fields; // 1 or 2
    // Quantisation tables of components 0 (luminance), 1 and 2 (chrominance),
    // zig-zag order, as one-byte and as 16-bit entries.
    omfUInt8 quant8[3][64];
    omfUInt16 quant16[3][64];
} omfAVRResolution_t;

// Video standards of AVR media creation. Each accepts two frame rates,
// which decide the line standard: 29.97 frames per second is 525-line
// video, 25 is 625-line, and 24 (film) is 525-line for kOmfAVRNTSC and
// 625-line for kOmfAVRPAL and kOmfAVRSECAM.
typedef enum : omfInt32 {
    kOmfAVRVideo = 0, // 29.97 or 25
    kOmfAVRNTSC = 1,  // 29.97 or 24
    kOmfAVRPAL = 2,   // 25 or 24
    kOmfAVRSECAM = 3, // 25 or 24
} omfAVRStandard_t;

// The resolution named `name` (a variety name of "AJPG", e.g. "AVR12" or
// "Uncomp422"). OM_ERR_NULL_PARAM for a null argument, OM_ERR_BAD_CODEC_VARIETY
// for a name the table does not hold.
omfErr_t omfmAVRResolution(const char* name, omfAVRResolution_t* resolution);

// Creates video media of `resolution` through the AVR codec: `fileMob`
// (made with omfmCreateFileMob for an "AJPG" codec ID) gets the KitCodecID
// "AJPG:<name>:NTSC" or "AJPG:<name>:PAL", and the media the resolution's
// width, rows, fields and a 4:3 aspect; the resolution's leading lines lie
// above the sampled rectangle. The record is handed to the codec with
// putInfo selector 3. A standard other than those above is
// OM_ERR_INVALID_VIDEO_SIGNAL, a rate the standard does not accept (within
// 0.001 frames per second) OM_ERR_ILLEGAL_EDIT_RATE.
omfErr_t omfmCreateAVRMedia(omfHdl_t file, omfObject_t masterMob, omfTrackID_t trackID,
                            omfObject_t fileMob, omfRational_t sampleRate,
                            const omfAVRResolution_t* resolution, omfInt32 standard,
                            omfMediaHdl_t* media);

} // extern "C"
