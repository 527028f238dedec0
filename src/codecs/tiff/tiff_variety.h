// The TIFF codec's varieties for new media: "JPEG" (baseline JPEG frames,
// listed first, the one a saver starts on) and "Uncompressed" (24-bit RGB
// frames). A file
// mob's codec ID "TIFF:Uncompressed" names one; the codec takes it from
// the descriptor's codec ID when media is created.
#pragma once

#include "omf/omf_codec.h"
#include "tiff/image_description.h"

#include <optional>
#include <string_view>

namespace omf::codecs::tiff {

inline constexpr char kJpegVariety[] = "JPEG";
inline constexpr char kUncompressedVariety[] = "Uncompressed";

// The compression `text` names: nothing for no variety (empty text), where
// the media starts uncompressed and JPEG tables or a resolution record
// switch it to JPEG; OM_ERR_BAD_CODEC_VARIETY for a name of no variety.
omfErr_t compressionOfVariety(std::string_view text, std::optional<Compression>* compression);

// The capabilities describe answers for `variety` (null or empty: none):
// quantisation tables are taken unless the variety is "Uncompressed"
// (OM_ERR_BAD_CODEC_VARIETY for an unknown variety).
omfErr_t varietyCapabilities(const char* variety, omfUInt32* capabilities);

// varietyCount and varietyName: the two varieties, for the picture kind.
omfErr_t tiffVarietyCount(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);
omfErr_t tiffVarietyName(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

// initDescriptor: refuses a file mob whose variety the codec does not have.
omfErr_t tiffInitDescriptor(omfCodecParms_t* parms, omfMediaHdl_t media, omfHdl_t file);

} // namespace omf::codecs::tiff
