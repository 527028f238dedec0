// Reading and writing the numeric properties of picture descriptors: one
// routine per direction for every integer type the video descriptors use
// (Int32, UInt32, Int16 and the enumerations), and optional reads that fall
// back to a default when the property is absent.
#pragma once

#include "omf/omf_types.h"

namespace omf::codecs::video {

// Reads a property of `type` (kOmfType_Int32, _UInt32, _Int16, or an
// enumeration such as kOmfType_LayoutType) as a 32-bit number.
omfErr_t readNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                    omfInt32* value);

// As readNumber, but an absent property answers `fallback`.
omfErr_t readOptionalNumber(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfInt32 fallback, omfInt32* value);

omfErr_t writeNumber(omfHdl_t file, omfObject_t object, omfProperty_t property, omfType_t type,
                     omfInt32 value);

// Component codes and sizes (PixelLayout, PixelStructure): exactly 8 stored
// bytes, the entries in order followed by zero bytes. Reading answers the
// bytes before the first zero, zero-filled to 8.
omfErr_t readComponentBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                            omfType_t type, omfUInt8 bytes[8]);
omfErr_t writeComponentBytes(omfHdl_t file, omfObject_t object, omfProperty_t property,
                             omfType_t type, const omfUInt8 bytes[8]);

} // namespace omf::codecs::video

namespace omf::codecs::video {

// The descriptor's Compression text ("JPEG", "AUNC", ...); empty when the
// property is absent. Longer texts are cut to 15 characters.
omfErr_t readCompressionText(omfHdl_t file, omfObject_t descriptor, char (&text)[16]);

} // namespace omf::codecs::video
