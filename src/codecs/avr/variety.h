// AVR codec varieties: the text after "AJPG:" in a KitCodecID, a
// resolution name and optionally a video standard separated by ':' (e.g.
// "AVR12:PAL", "JFIF2:1s:NTSC"), and the codec each kind of resolution is
// written by.
#pragma once

#include "omf/omf_types.h"

#include <string_view>

namespace omf::codecs::avr {

// Which codec does the work for a resolution, by the beginning of its name.
enum class ResolutionKind {
    tiff,         // "AVR..."
    jfif,         // "JFIF..."
    uncompressed, // "Unc..."
};

// The parts of a variety string.
struct Variety {
    ResolutionKind kind = ResolutionKind::tiff;
    std::string_view name;
    std::string_view standard; // "NTSC", "PAL", "SECAM" or empty when not given
};

// Longest part of a variety string.
inline constexpr size_t kLongestVarietyPart = 15;

// Splits `text` into the resolution name and the standard. The JFIF names
// hold ':' themselves ("JFIF2:1s"), so the standard is the last part when
// it names one, and the name is all before it. An empty part or one longer
// than kLongestVarietyPart, or a name of no known kind, is
// OM_ERR_BAD_CODEC_VARIETY. The views point into `text`.
omfErr_t parseVariety(std::string_view text, Variety* variety);

// The kind `describe` answers for: by the variety's first letter, 'A',
// 'J' or 'U' in either case; false for other letters and empty text.
bool kindOfFirstLetter(std::string_view text, ResolutionKind* kind);

// The ID of the codec that writes and reads resolutions of `kind`.
const char* underlyingCodecID(ResolutionKind kind);

// Texts of the line standards in a KitCodecID.
inline constexpr char kNTSC[] = "NTSC";
inline constexpr char kPAL[] = "PAL";
inline constexpr char kSECAM[] = "SECAM";

} // namespace omf::codecs::avr
