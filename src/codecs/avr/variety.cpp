// AVR codec varieties.
#include "avr/variety.h"

#include "omf/omf_codec_ids.h"
#include "omf/omf_error_codes.h"

#include <cctype>

namespace omf::codecs::avr {

namespace {

constexpr char kSeparator = ':';

struct KindPrefix {
    std::string_view prefix;
    ResolutionKind kind;
};
constexpr KindPrefix kKindPrefixes[] = {
    {"AVR", ResolutionKind::tiff},
    {"JFIF", ResolutionKind::jfif},
    {"Unc", ResolutionKind::uncompressed},
};

bool partLengthValid(std::string_view part) {
    return !part.empty() && part.size() <= kLongestVarietyPart;
}

bool knownStandard(std::string_view standard) {
    return standard == kNTSC || standard == kPAL || standard == kSECAM;
}

} // namespace

omfErr_t parseVariety(std::string_view text, Variety* variety) {
    for (std::string_view rest = text;;) {
        size_t separator = rest.find(kSeparator);
        if (!partLengthValid(rest.substr(0, separator))) return OM_ERR_BAD_CODEC_VARIETY;
        if (separator == std::string_view::npos) break;
        rest.remove_prefix(separator + 1);
    }
    std::string_view name = text;
    std::string_view standard;
    size_t last = text.rfind(kSeparator);
    if (last != std::string_view::npos && knownStandard(text.substr(last + 1))) {
        name = text.substr(0, last);
        standard = text.substr(last + 1);
    }
    for (const KindPrefix& entry : kKindPrefixes) {
        if (name.starts_with(entry.prefix)) {
            variety->kind = entry.kind;
            variety->name = name;
            variety->standard = standard;
            return 0;
        }
    }
    return OM_ERR_BAD_CODEC_VARIETY;
}

bool kindOfFirstLetter(std::string_view text, ResolutionKind* kind) {
    if (text.empty()) return false;
    switch (std::toupper(static_cast<unsigned char>(text.front()))) {
    case 'A':
        *kind = ResolutionKind::tiff;
        return true;
    case 'J':
        *kind = ResolutionKind::jfif;
        return true;
    case 'U':
        *kind = ResolutionKind::uncompressed;
        return true;
    default:
        return false;
    }
}

const char* underlyingCodecID(ResolutionKind kind) {
    switch (kind) {
    case ResolutionKind::tiff:
        return kOmfCodecTIFF;
    case ResolutionKind::jfif:
        return kOmfCodecAvidJFIF;
    case ResolutionKind::uncompressed:
        return kOmfCodecCDCI;
    }
    return "";
}

} // namespace omf::codecs::avr
