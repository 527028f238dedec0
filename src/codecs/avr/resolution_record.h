// One named video resolution of Avid's AVR and JFIF families, as the AVR
// codec's table holds it and as info selector 3 hands it to the codec that
// writes the media: name, DIDResolutionID, compression factor, picture
// sizes for 525- and 625-line video, and the quantisation tables derived
// from the factor. The record is 624 bytes; it is public
// (omfAVRResolution_t) because clients create AVR media with it.
#pragma once

#include "omf/omf_avid_codecs.h"

namespace omf::codecs::avr {

using ResolutionRecord = omfAVRResolution_t;
static_assert(sizeof(ResolutionRecord) == 624, "resolution records are 624 bytes");

} // namespace omf::codecs::avr
